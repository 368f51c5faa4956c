// Matrix: construction, copying, sizing of the axes and values, extremes and calibration.
#include "Matrix.h"

#include "Matrix_p.h"
#include "ScaleUnit_p.h"

#include <climits>
#include <cmath>
#include <new>

Matrix::MDim::MDim() : DArray<float, 0>(1)
{
    data[0] = 0.0f;
}

Matrix::Matrix(int rows, int cols, int layers)
{
    ValueStore::ReSize(setcoords(rows, cols, layers));
}

Matrix::Matrix(Matrix const& other) : DArray<float, 0>(other)
{
    CopyHeader(other);
}

Matrix& Matrix::operator=(Matrix const& other)
{
    if (this != &other) {
        ValueStore::operator=(other);
        CopyHeader(other);
    }
    return *this;
}

Matrix::~Matrix() = default;

void Matrix::CopyHeader(Matrix const& other)
{
    if (this == &other)
        return;
    rank = other.rank;
    minVal = other.minVal;
    maxVal = other.maxVal;
    scaleUnit = other.scaleUnit;
    for (int d = 0; d < 3; ++d)
        axes[d] = other.axes[d];
    t1 = other.t1;
    t2 = other.t2;
    t3 = other.t3;
    t4 = other.t4;
    t5 = other.t5;
    name1 = other.name1;
    name2 = other.name2;
    dateStamp = other.dateStamp;
}

Matrix& Matrix::InitFrom(Matrix const& other, bool copyMarks)
{
    if (this == &other)
        return *this;
    ValueStore::ReSize(other.Count());
    rank = other.rank;
    for (int d = 0; d < 3; ++d)
        axes[d] = other.axes[d];
    if (copyMarks) {
        t1 = other.t1;
        t2 = other.t2;
        t3 = other.t3;
        t4 = other.t4;
        t5 = other.t5;
        calibration = other.calibration;
    }
    return *this;
}

int Matrix::setcoords(int& rows, int& cols, int& layers)
{
    if (rows < 1)
        rows = 1;
    if (cols < 1)
        cols = 1;
    if (layers < 2)
        layers = 1;
    int const newRank = layers > 1 ? 3 : 2;
    long long const product = static_cast<long long>(rows) * cols * layers;
    if (product > INT_MAX)
        throw std::bad_alloc(); // a grid this large cannot be held, as for any allocation

    rank = newRank;
    int const sizes[3] = {rows, cols, layers};
    for (int d = 0; d < 3; ++d) {
        if (d < rank)
            matrixdetail::FitAxis(axes[d], sizes[d]);
        else
            matrixdetail::ResetAxis(axes[d]);
    }
    return int(product);
}

void Matrix::Size(int rows, int cols, int layers)
{
    ValueStore::Size(setcoords(rows, cols, layers));
}

void Matrix::ReSize(int rows, int cols, int layers)
{
    ValueStore::ReSize(setcoords(rows, cols, layers));
}

void Matrix::Reserve(int rows, int cols, int layers)
{
    ValueStore::Reserve(setcoords(rows, cols, layers));
}

void Matrix::Zero()
{
    for (int i = 0; i < count; ++i)
        data[i] = 0.0f;
}

void Matrix::Scale()
{
    matrixdetail::Extremes(data, count, maxVal, minVal);
    scaleUnit = ScaleUnitFor(maxVal, minVal);
}

void Matrix::SetCalibration(float newCalibration)
{
    if (newCalibration == 0.0f || !IsVF(newCalibration))
        return;
    if (calibration != 0.0f && IsVF(calibration)) {
        float const factor = newCalibration / calibration;
        for (int i = 0; i < count; ++i)
            data[i] *= factor;
    }
    Scale();
    calibration = newCalibration;
}

void Matrix::SwapData(DArray<float, 0>& other)
{
    ValueStore::SwapData(other);
}

bool Matrix::consistent() const
{
    long long product = 1;
    for (int d = 0; d < rank; ++d)
        product *= axes[d].Count();
    return rank >= 1 && rank <= 3 && product == count;
}

void Matrix::takeFrom(Matrix& other)
{
    ValueStore::SwapData(other);
    for (int d = 0; d < 3; ++d) {
        axes[d].DArray<float, 0>::SwapData(other.axes[d]);
        axes[d].step = other.axes[d].step;
        axes[d].origSize = other.axes[d].origSize;
    }
    rank = other.rank;
    maxVal = other.maxVal;
    minVal = other.minVal;
    scaleUnit = other.scaleUnit;
    calibration = other.calibration;
    t1 = other.t1;
    t2 = other.t2;
    t3 = other.t3;
    t4 = other.t4;
    t5 = other.t5;
    name1 = other.name1;
    name2 = other.name2;
    dateStamp = other.dateStamp;
}

// Helpers shared by the matrix sources.
namespace matrixdetail {

float RegularCoord(float first, float step, int k)
{
    return float(double(first) + double(k) * double(step));
}

void FitAxis(Matrix::MDim& axis, int n)
{
    int const old = axis.Count();
    axis.ReSize(n);
    axis.origSize = n;
    if (n <= old)
        return;
    float const step = axis.step > 0.0f ? axis.step : 1.0f;
    float const base = old > 0 ? axis[old - 1] : 0.0f;
    int const k0 = old > 0 ? 1 : 0;
    for (int i = old; i < n; ++i)
        axis[i] = RegularCoord(base, step, i - old + k0);
}

void ResetAxis(Matrix::MDim& axis)
{
    axis.ReSize(1);
    axis[0] = 0.0f;
    axis.origSize = 1;
}

void Extremes(float const* v, int n, float& maxVal, float& minVal)
{
    float hi = 0.0f;
    float lo = 0.0f;
    bool any = false;
    for (int i = 0; i < n; ++i) {
        float const x = v[i];
        if (x != x)
            continue; // NaN has no order
        if (!any) {
            hi = lo = x;
            any = true;
        } else if (x > hi) {
            hi = x;
        } else if (x < lo) {
            lo = x;
        }
    }
    maxVal = hi;
    minVal = lo;
}

} // namespace matrixdetail
