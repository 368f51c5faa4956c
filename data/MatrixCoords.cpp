// Matrix: the coordinates of the three axes and the matrix parameter codes.
#include "Matrix.h"

#include "DataConstants.h"
#include "Matrix_p.h"
#include "TraceParamTable.h"

#include <utility>

namespace {

bool ValidAxis(int d)
{
    return d >= 1 && d <= 3;
}

// Coordinate i of an axis, or fallback when the axis has no such coordinate.
float CoordOr(Matrix::MDim const& axis, int i, float fallback)
{
    return i >= 0 && i < axis.Count() ? axis[i] : fallback;
}

// The spacing of the first two coordinates; 0 unless both exist and the axis is longer than 1.
float FirstSpacing(Matrix::MDim const& axis, int length)
{
    if (length <= 1 || axis.Count() <= 1)
        return 0.0f;
    return axis[1] - axis[0];
}

void SwapAxes(Matrix::MDim& a, Matrix::MDim& b, bool withOrigSize)
{
    a.DArray<float, 0>::SwapData(b);
    std::swap(a.step, b.step);
    if (withOrigSize)
        std::swap(a.origSize, b.origSize);
}

} // namespace

float Matrix::GetCoord(int d, int i) const
{
    return ValidAxis(d) ? CoordOr(axes[d - 1], i, -1.0f) : -1.0f;
}

void Matrix::SetCoord(int d, int i, float v)
{
    if (!ValidAxis(d))
        return;
    MDim& axis = axes[d - 1];
    if (i < 0 || i >= axis.Count() || axis.step > 0.0f)
        return;
    if (i > 0) {
        // Listed coordinates never fall below their predecessor (NaN is replaced as well).
        double const floor = double(axis[i - 1]) + 1e-30;
        if (!(double(v) > floor))
            v = float(floor);
    }
    axis[i] = v;
}

float Matrix::GetStep(int d) const
{
    return ValidAxis(d) ? axes[d - 1].step : -1.0f;
}

void Matrix::SetStep(int d, float step, float start)
{
    if (!ValidAxis(d))
        return;
    MDim& axis = axes[d - 1];
    axis.step = step;
    if (step > 0.0f) {
        for (int k = 0; k < axis.Count(); ++k)
            axis[k] = matrixdetail::RegularCoord(start, step, k);
    }
}

int Matrix::GetSize(int d) const
{
    return ValidAxis(d) ? axes[d - 1].Count() : -1;
}

int Matrix::GetOrigSize(int d) const
{
    return ValidAxis(d) ? axes[d - 1].origSize : -1;
}

DArray<float, 0> Matrix::GetAllCoords(int d) const
{
    return ValidAxis(d) ? axes[d - 1] : axes[0];
}

void Matrix::SetAllCoords(int d, DArray<float, 0> const& coords)
{
    if (!ValidAxis(d) || coords.Count() != axes[d - 1].Count())
        return;
    MDim& axis = axes[d - 1];
    axis.DArray<float, 0>::operator=(coords);
    axis.step = 0.0f;
}

int Matrix::PointAtCoord(int d, float v) const
{
    if (d < 1 || d > rank)
        return 0;
    MDim const& axis = axes[d - 1];
    for (int i = 0; i < axis.Count(); ++i) {
        if (axis[i] >= v)
            return i;
    }
    return axis.Count() - 1;
}

void Matrix::CopyCoords(int d, int srcAxis, Matrix const& other)
{
    if (!ValidAxis(d) || !ValidAxis(srcAxis))
        return;
    if (&other == this && d == srcAxis)
        return;
    axes[d - 1] = other.axes[srcAxis - 1];
}

void Matrix::SwapCoords(int d1, int d2)
{
    if (d1 < 1 || d1 > rank || d2 < 1 || d2 > rank || d1 == d2)
        return;
    SwapAxes(axes[d1 - 1], axes[d2 - 1], false);
}

void Matrix::Collapse()
{
    if (rank < 3)
        return;
    int found = -1;
    for (int d = rank - 1; d >= 0; --d) {
        if (axes[d].Count() < 2) {
            found = d;
            break;
        }
    }
    if (found < 0)
        return;
    for (int d = found; d + 1 < rank; ++d)
        SwapAxes(axes[d], axes[d + 1], true);
    // The dropped axis becomes the single-coordinate axis every axis beyond the rank is.
    matrixdetail::ResetAxis(axes[rank - 1]);
    --rank;
}

DArray<float, 0> Matrix::GetPartialCoords(int d, float from, float to) const
{
    DArray<float, 0> result;
    if (!ValidAxis(d))
        return result;
    MDim const& axis = axes[d - 1];
    int const n = axis.Count();
    if (n == 0)
        return result;
    int i = 0;
    if (IsVF(from)) {
        while (i < n - 1 && from > axis[i])
            ++i;
    }
    int j = n - 1;
    if (IsVF(to)) {
        while (j > i && axis[j] > to)
            --j;
    }
    if (j >= i)
        result.Insert(axis.Data() + i, 0, j - i + 1);
    return result;
}

float Matrix::GetMatrixParam(DString const& name) const
{
    DString code(name);
    code.ToLower();
    if (code.Len() != 2 || !FindDataParamCode(code, ParamMatrix))
        return -DFMax;
    char const a = code[0];
    char const b = code[1];

    float const marks[5] = {t1, t2, t3, t4, t5};
    if (a == 't' && b >= '1' && b <= '5')
        return marks[b - '1'];
    if (code == "su")
        return scaleUnit;
    if (code == "mx")
        return maxVal;
    if (code == "mn")
        return minVal;

    int d = 0;
    if (a == 'r')
        d = 0;
    else if (a == 'c')
        d = 1;
    else if (a == 'l')
        d = 2;
    else
        return -DFMax;
    MDim const& axis = axes[d];
    // Rows count by their current size, columns and layers by the stored size.
    int const length = d == 0 ? axis.Count() : axis.origSize;
    switch (b) {
    case 'c': return float(length);
    case 's': return axis.step;
    case 'b': return CoordOr(axis, 0, 0.0f);
    case '1': return FirstSpacing(axis, length);
    case 'e': return CoordOr(axis, axis.Count() - 1, 0.0f);
    default: return -DFMax;
    }
}
