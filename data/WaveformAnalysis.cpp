// Waveform analysis: extremes and scale, scope folding, resampling, averages and look-ups.
#include "Waveform.h"

#include "ScaleUnit_p.h"
#include "Waveform_p.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>

using wvf::FloorToInt;
using wvf::Fraction;

void Waveform::Scale()
{
    scaleOver(Data(), npnts(), Data());
}

void Waveform::scaleOver(float const* s, int n, float* fix)
{
    maxVal = -DFMax;
    minVal = DFMax;
    maxPoint = minPoint = 0;
    for (int i = 1; i <= n; ++i) {
        float v = s[i - 1];
        if (!wvf::ValidSample(v)) {
            if (fix)
                fix[i - 1] = -DFMax;
            v = -DFMax;
        }
        if (v > maxVal) {
            maxVal = v;
            maxPoint = i;
        }
        if (v < minVal && v > -9.9e33) {
            minVal = v;
            minPoint = i;
        }
    }
    if (std::fabs(maxVal) < ScaleUnitFloor && std::fabs(minVal) < ScaleUnitFloor)
        maxPoint = 0;
    scaleUnit = ScaleUnitFor(maxVal, minVal);
}

void Waveform::ScopeZero()
{
    startBase = (startBase + scopeShift) + scopeShift2;
    scopeShift = scopeValue = scopeAux1 = scopeAux2 = scopeShift2 = 0.0f;
    offset = 0.0f;
}

namespace {

// How far the accumulated position x may stray from the last sample and still count as it:
// the rounding of the start position plus half an ulp per addition, never more than half an
// output step.
float LastSampleTolerance(int added, float x0, float r, float last)
{
    float const scale = std::max({std::fabs(x0), last, 1.0f});
    float const drift = static_cast<float>(added + 2) * FLT_EPSILON * scale;
    return std::min(drift, 0.5f * std::fabs(r));
}

} // namespace

void Waveform::Align(int n, float t0, float dt)
{
    if (!(dt > 0.0f))
        return;
    if (t0 == Start() && dt == step && n == npnts())
        return;
    ScopeZero();
    int const m = std::max(n, 0);
    int const old = npnts();
    if (t0 == Start() && dt == step) {
        ReSize(m);
        if (m > old)
            std::memset(static_cast<void*>(Data() + old), 0, sizeof(float) * size_t(m - old));
        return;
    }

    Waveform out;
    out.setUnsetCount(m);
    float* o = out.Data();
    float const* s = Data();
    float const r = dt / step;
    float const x0 = (t0 - Start()) / step;
    float const last = static_cast<float>(old - 1);
    float x = x0;
    int i = 0;
    while (i < m && x < 0.0f) {
        o[i++] = 0.0f;
        x += r;
    }
    // x >= 0 keeps a negative step (set by a caller) from walking off the front.
    while (i < m && x >= 0.0f && x < last) {
        if (last - x <= LastSampleTolerance(i, x0, r, last))
            break; // within rounding of the last sample: taken as exactly it below
        int const k = FloorToInt(x);
        float const f = x - static_cast<float>(k);
        o[i++] = (1.0f - f) * s[k] + f * s[k + 1];
        x += r;
    }
    if (i < m && old > 0 && std::fabs(x - last) <= LastSampleTolerance(i, x0, r, last))
        o[i++] = s[old - 1];
    if (i < m)
        std::memset(static_cast<void*>(o + i), 0, sizeof(float) * size_t(m - i));

    SwapData(out);
    startBase = t0;
    step = dt;
    timeShift = 0.0f;
}

void Waveform::AlignTo(Waveform const& w)
{
    Align(w.npnts(), w.Start(), w.step);
    // All four start terms are taken from w, so Start() is w's to the bit even when w carries
    // scope shifts (its startBase alone would place the samples off by them).
    timeShift = w.timeShift;
    startBase = w.startBase;
    scopeShift = w.scopeShift;
    scopeShift2 = w.scopeShift2;
}

float Waveform::Avg(float from, float to) const
{
    float const start = Start();
    float const a = std::max(from, start);
    float const b = std::min(to, End());
    int const n = npnts();
    int const i1 = std::max(FloorToInt((a - start) / step), 0);
    int const i2 = std::min(FloorToInt((b - start) / step), n);
    float const* s = Data();
    if (i1 == i2)
        return i1 < n ? s[i1] : 0.0f;
    // Summed in double: a float sum loses digits, and overflows for values near 1e35.
    double sum = 0.0;
    for (int i = i1; i < i2; ++i)
        sum += s[i];
    // A window that is not a number puts i2 at INT_MIN: the difference needs 64 bits.
    return static_cast<float>(sum / static_cast<double>(static_cast<long long>(i2) - i1));
}

namespace {

// Index k of the segment (k - 1, k) where a forward search from sample 1 stops (n >= 2).
int ForwardCrossing(float const* s, int n, float v)
{
    int k = 1;
    if (v > s[0]) {
        while (k < n - 1 && s[k] <= v)
            ++k;
    } else {
        while (k < n - 1 && s[k] >= v)
            ++k;
    }
    return k;
}

// Index k of the segment (k, k + 1) where a backward search from sample n - 2 stops (n >= 2).
int BackwardCrossing(float const* s, int n, float v)
{
    int k = n - 2;
    if (v > s[n - 1]) {
        while (k > 0 && s[k] <= v)
            --k;
    } else {
        while (k > 0 && s[k] >= v)
            --k;
    }
    return k;
}

} // namespace

float Waveform::TimeAtVal(float v) const
{
    int const n = npnts();
    float const* s = Data();
    if (v > maxVal || v < minVal || n == 0)
        return End() + step;
    if (v == s[0])
        return Start();
    if (n == 1)
        return End() + step;
    int const k = ForwardCrossing(s, n, v);
    return (Fraction(v, s[k - 1], s[k], 0.0f) + static_cast<float>(k - 1)) * step + Start();
}

float Waveform::TimeAtValR(float v) const
{
    int const n = npnts();
    float const* s = Data();
    if (v > maxVal || v < minVal || n == 0)
        return Start() - step;
    if (v == s[n - 1])
        return Start() + static_cast<float>(n - 1) * step;
    if (n == 1)
        return Start() - step;
    int const k = BackwardCrossing(s, n, v);
    return (Fraction(v, s[k], s[k + 1], 1.0f) + static_cast<float>(k)) * step + Start();
}

float Waveform::XYTimeAtVal(float v, Waveform const& x) const
{
    int const n = npnts();
    if (n == 0 || x.npnts() != n)
        return -DFMax;
    float const* s = Data();
    float const* xs = x.Data();
    if (v > maxVal || v < minVal)
        return xs[n - 1];
    if (v == s[0])
        return xs[0];
    if (n == 1)
        return xs[n - 1];
    int const k = ForwardCrossing(s, n, v);
    float const f = Fraction(v, s[k - 1], s[k], 0.0f);
    return (1.0f - f) * xs[k - 1] + f * xs[k];
}

float Waveform::XYTimeAtValR(float v, Waveform const& x) const
{
    int const n = npnts();
    if (n == 0 || x.npnts() != n)
        return -DFMax;
    float const* s = Data();
    float const* xs = x.Data();
    if (v > maxVal || v < minVal)
        return xs[0];
    if (v == s[n - 1])
        return xs[n - 1];
    if (n == 1)
        return xs[0];
    int const k = BackwardCrossing(s, n, v);
    float const f = Fraction(v, s[k], s[k + 1], 1.0f);
    return (1.0f - f) * xs[k] + f * xs[k + 1];
}

float Waveform::ValAtTime(float t) const
{
    int const n = npnts();
    float const x = (t - Start()) / step;
    int const k = FloorToInt(x);
    if (k < 0 || k > n - 1)
        return 0.0f;
    float const* s = Data();
    if (k == n - 1)
        return s[n - 1];
    float const f = x - static_cast<float>(k);
    return (1.0f - f) * s[k] + f * s[k + 1];
}

int Waveform::PointAtTime(float t) const
{
    if (t < Start())
        return 0;
    if (t > End())
        return npnts() - 1;
    int const i = wvf::TruncToInt((t - Start()) / step);
    return std::min(std::max(i, 0), npnts() - 1); // NaN times and a zero step land inside
}

int Waveform::Index(float t) const
{
    return FloorToInt((t - Start()) / step);
}

void Waveform::TimeFill(DArray<float, false>& out, int first) const
{
    int const f = std::max(first, 0);
    int const n = npnts();
    if (f >= n) {
        out.Clear();
        return;
    }
    out.Size(n - f);
    float const t0 = ((timeShift + startBase) + scopeShift) + scopeShift2;
    float* o = out.Data();
    for (int i = 0; i < n - f; ++i)
        o[i] = t0 + static_cast<float>(i + f) * step;
}
