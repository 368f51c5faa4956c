// The 1-2-5 display scale unit shared by the data objects' Scale() members.
#include "ScaleUnit_p.h"

#include <cmath>

float ScaleUnitFor(float maxVal, float minVal)
{
    float hi = std::fabs(maxVal);
    float lo = std::fabs(minVal);
    if (!std::isfinite(hi) || !std::isfinite(lo))
        return 1.0f; // no decade to pick; keep the neutral unit rather than convert inf to int
    float a = hi > lo ? hi : lo;
    if (a < ScaleUnitFloor)
        a = ScaleUnitFloor;

    // The decade is taken from the double logarithm: 1e-30f lies just above 1e-30, so its
    // decade is -30 and an all-zero trace gets the unit 2e-31.
    int e = static_cast<int>(std::log10(static_cast<double>(a)));
    if (a < 1.0f)
        --e;
    float p = powf(10.0f, static_cast<float>(e));
    int k = static_cast<int>(a / p);
    if (k >= 0 && k <= 1)
        return static_cast<float>(0.2 * p);
    if (k >= 2 && k <= 4)
        return static_cast<float>(0.5 * p);
    return p;
}
