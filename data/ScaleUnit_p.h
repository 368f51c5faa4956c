// The 1-2-5 display scale unit shared by the data objects' Scale() members (internal).
#ifndef TALVEX_SCALEUNIT_P_H
#define TALVEX_SCALEUNIT_P_H

/// Magnitudes below this count as all-zero data (the unit is then formed from it).
constexpr float ScaleUnitFloor = 1e-30f;

/// The display scale unit for data whose extremes are maxVal and minVal: with a the larger
/// magnitude (at least 1e-30) and p the power of ten at or below it, 0.2 p, 0.5 p or p when
/// a / p lies in [0, 2), [2, 5) or [5, 10]. A NaN or infinite extreme gives 1.0.
/// Callers that track an extreme's position test ScaleUnitFloor themselves.
float ScaleUnitFor(float maxVal, float minVal);

#endif
