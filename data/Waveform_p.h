// Small numeric helpers shared by the Waveform sources (internal).
#ifndef TALVEX_WAVEFORM_P_H
#define TALVEX_WAVEFORM_P_H

#include <climits>
#include <cmath>

namespace wvf {

/// floor(x) as an int: NaN and values beyond the int range give INT_MIN / INT_MAX instead of
/// an undefined conversion, so every caller's bounds test rejects them.
inline int FloorToInt(float x)
{
    if (!(x == x))
        return INT_MIN;
    double f = std::floor(static_cast<double>(x));
    if (f <= static_cast<double>(INT_MIN))
        return INT_MIN;
    if (f >= static_cast<double>(INT_MAX))
        return INT_MAX;
    return static_cast<int>(f);
}

/// x truncated toward zero as an int, with the same guards as FloorToInt.
inline int TruncToInt(float x)
{
    return x < 0.0f ? -FloorToInt(-x) : FloorToInt(x);
}

/// The validity test of IsVF (not NaN, strictly inside +-9.9e34 in double), inlined for the
/// sample loops.
inline bool ValidSample(float x)
{
    double d = x;
    return d > -9.9e34 && d < 9.9e34;
}

/// (v - a) / (b - a), or `flat` when a and b are equal: a flat segment has no interior
/// crossing, so the caller names the end it stands for instead of dividing by zero.
inline float Fraction(float v, float a, float b, float flat)
{
    float d = b - a;
    return d == 0.0f ? flat : (v - a) / d;
}

} // namespace wvf

#endif
