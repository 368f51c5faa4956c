// Helpers shared by the matrix sources: regular coordinates, axis sizing, extremes (internal).
#ifndef TALVEX_MATRIX_P_H
#define TALVEX_MATRIX_P_H

#include "Matrix.h"

namespace matrixdetail {

/// Coordinate k of a regular axis, computed in double so that every writer and reader of a
/// regular axis produces the same floats.
float RegularCoord(float first, float step, int k);

/// Resizes the axis to n coordinates (origSize n); new ones continue from the last existing
/// one by the step (by 1 for a listed axis), from 0 for an empty axis.
void FitAxis(Matrix::MDim& axis, int n);

/// One coordinate 0.0, size 1, origSize 1: an axis beyond the rank.
void ResetAxis(Matrix::MDim& axis);

/// Largest and smallest of n values, NaN skipped; both 0 when there is none.
void Extremes(float const* v, int n, float& maxVal, float& minVal);

} // namespace matrixdetail

#endif
