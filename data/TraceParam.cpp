// Trace parameters: the two-letter codes that turn a waveform (or a pair) into one number.
#include "Waveform.h"

#include "TraceParamTable.h"
#include "Waveform_p.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace {

// A parameter name split into its lower-cased code and its numeric argument.
struct ParamName {
    char c0 = 0;
    char c1 = 0;
    float arg = 0.0f;
};

constexpr int Key(char a, char b)
{
    return (static_cast<unsigned char>(a) << 8) | static_cast<unsigned char>(b);
}

// One or two characters are the code itself. A longer name has its code in the first two
// characters and its argument from position 3 up to the last character but one; position 2
// and the last character are separators that are not looked at.
bool SplitName(DString const& name, ParamName& out)
{
    int const len = name.Len();
    if (len < 2)
        return false; // a one-character code matches nothing
    out.c0 = static_cast<char>(std::tolower(static_cast<unsigned char>(name[0])));
    out.c1 = static_cast<char>(std::tolower(static_cast<unsigned char>(name[1])));
    if (len > 4) {
        float a = 0.0f;
        if (name.Mid(3, len - 4).ToFloat(a, 0))
            out.arg = a;
    }
    return true;
}

// The rise time between two fractions of the maximum, the levels formed in double.
template <class Look> float RiseTime(float maxVal, double hi, double lo, Look look)
{
    double const m = maxVal;
    return look(static_cast<float>(hi * m)) - look(static_cast<float>(lo * m));
}

// The accumulated parameters sum in double and narrow once at the end: float sums lose
// digits on long traces and overflow (squares near 1e19) where the result itself fits.
float Integral(float const* s, int n, float step)
{
    double sum = 0.0;
    for (int i = 1; i < n; ++i)
        sum += s[i];
    return static_cast<float>(step * sum);
}

float PeakIntegral(float const* s, int n, float step)
{
    double sum = 0.0;
    double best = 0.0;
    for (int i = 1; i < n; ++i) {
        sum += s[i];
        if (sum > best)
            best = sum;
    }
    return static_cast<float>(step * best);
}

// The trace read as a radial profile: a centre disc, then one ring per sample.
float RadialIntegral(float const* s, int n, float step, float start)
{
    double const r0 = std::max(start, 0.0f);
    double sum = static_cast<double>(pi) * s[0] * r0 * r0;
    double const ring = 2.0 * static_cast<double>(pi) * step;
    for (int i = 1; i < n; ++i)
        sum += (ring * s[i] * step) * ((i - 0.5) + r0);
    return static_cast<float>(sum);
}

float StdDev(float const* s, int n)
{
    double sum = 0.0;
    for (int i = 0; i < n; ++i)
        sum += s[i];
    double const mean = sum / n;
    double var = 0.0;
    for (int i = 0; i < n; ++i) {
        double const d = s[i] - mean;
        var += d * d;
    }
    if (n > 1)
        var /= n - 1;
    return static_cast<float>(std::sqrt(std::max(0.0, var)));
}

float WeightedTime(float const* s, int n, float start, float step)
{
    double num = 0.0;
    double den = 0.0;
    for (int i = 0; i < n; ++i) {
        num += s[i] * (static_cast<double>(start) + static_cast<double>(i) * step);
        den += s[i];
    }
    return den == 0.0 ? 0.0f : static_cast<float>(num / den);
}

// Full width at half maximum around the maximum at 1-based position p. A position outside
// the samples is clamped, and an edge with no right-hand neighbour is the sample itself,
// so no search reads past the last sample.
float HalfWidth(float const* s, int n, float maxVal, int p, float step)
{
    float const h = 0.5f * maxVal;
    p = std::min(std::max(p, 0), n);
    float left = 0.0f;
    for (int k = p; k >= 1; --k) {
        if (s[k - 1] < h) {
            float const f = k < n ? wvf::Fraction(h, s[k - 1], s[k], 0.0f) : 0.0f;
            left = static_cast<float>(k - 1) + f;
            break;
        }
    }
    float right = static_cast<float>(n - 1);
    for (int k = std::max(p, 1); k <= n - 1; ++k) {
        if (s[k] < h) {
            right = static_cast<float>(k - 1) + wvf::Fraction(h, s[k - 1], s[k], 0.0f);
            break;
        }
    }
    return (right - left) * step;
}

// The 0-based sample of a 1-based extreme position, or -1 when there is none (0) or the
// position lies outside the samples.
int ExtremeIndex(int position, int n)
{
    return position >= 1 && position <= n ? position - 1 : -1;
}

} // namespace

float Waveform::GetTraceParam(DString const& name) const
{
    int const n = npnts();
    ParamName p;
    // The code table is the vocabulary: a code it does not list for waveforms has no value.
    if (n == 0 || !SplitName(name, p) || !FindDataParamCode(name, ParamWaveform))
        return -DFMax;
    float const* s = Data();
    float const a = p.arg;
    auto look = [this](float v) { return TimeAtVal(v); };

    switch (Key(p.c0, p.c1)) {
    case Key('t', '1'): return t1;
    case Key('t', '2'): return t2;
    case Key('t', '3'): return t3;
    case Key('t', '4'): return t4;
    case Key('t', '5'): return t5;
    case Key('s', 't'): return Start();
    case Key('i', 't'): return (scopeShift + startBase) + scopeShift2;
    case Key('t', 's'): return timeShift;
    case Key('i', 's'): return startBase;
    case Key('p', 't'): return scopeShift;
    case Key('f', 't'): return End();
    case Key('s', 'u'): return scaleUnit;
    case Key('m', 'x'): return maxVal;
    case Key('m', 'n'): return minVal;
    case Key('c', 'l'): return calibration;
    case Key('a', 't'): return attenuation;
    case Key('t', 'p'): return step;
    case Key('b', 'l'): return offset;
    case Key('s', 'v'): return scopeValue;
    case Key('t', 'm'):
    case Key('t', 'n'): {
        int const k = ExtremeIndex(p.c1 == 'm' ? maxPoint : minPoint, n);
        return k < 0 ? -DFMax : Start() + static_cast<float>(k) * step;
    }
    case Key('1', '9'): return RiseTime(maxVal, 0.9, 0.1, look);
    case Key('2', '8'): return RiseTime(maxVal, 0.8, 0.2, look);
    case Key('a', 'v'): return Avg(Start(), End());
    case Key('i', 'n'): return Integral(s, n, step);
    case Key('r', 'i'): return RadialIntegral(s, n, step, Start());
    case Key('p', 'i'): return PeakIntegral(s, n, step);
    case Key('s', 'd'): return StdDev(s, n);
    case Key('w', 'a'): return WeightedTime(s, n, Start(), step);
    case Key('f', 'h'): return HalfWidth(s, n, maxVal, maxPoint, step);
    case Key('v', 't'): return ValAtTime(a);
    case Key('t', 'v'): return TimeAtVal(a);
    case Key('t', '%'): return TimeAtVal(a * maxVal / 100.0f);
    case Key('b', 'v'): return TimeAtValR(a);
    case Key('b', '%'): return TimeAtValR(a * maxVal / 100.0f);
    case Key('l', 'a'): return Avg(Start(), a);
    case Key('t', 'a'): return Avg(a, End());
    case Key('l', 't'): return std::floor((a - Start()) / step) * step + Start();
    default: return -DFMax;
    }
}

float Waveform::GetXYTraceParam(DString const& name, Waveform const& x) const
{
    int const n = npnts();
    ParamName p;
    if (n == 0 || x.npnts() != n || !SplitName(name, p)
        || !FindDataParamCode(name, ParamWaveform | ParamXY))
        return -DFMax;
    float const* xs = x.Data();
    float const a = p.arg;
    auto look = [this, &x](float v) { return XYTimeAtVal(v, x); };

    switch (Key(p.c0, p.c1)) {
    case Key('s', 't'): return xs[0];
    case Key('f', 't'): return xs[n - 1];
    case Key('t', 'm'):
    case Key('t', 'n'): {
        int const k = ExtremeIndex(p.c1 == 'm' ? maxPoint : minPoint, n);
        return k < 0 ? -DFMax : xs[k];
    }
    case Key('1', '9'): return RiseTime(maxVal, 0.9, 0.1, look);
    case Key('2', '8'): return RiseTime(maxVal, 0.8, 0.2, look);
    case Key('v', 't'): return ValAtTime(x.TimeAtVal(a));
    case Key('t', 'v'): return XYTimeAtVal(a, x);
    case Key('t', '%'): return XYTimeAtVal(a * maxVal / 100.0f, x);
    case Key('b', 'v'): return XYTimeAtValR(a, x);
    case Key('b', '%'): return XYTimeAtValR(a * maxVal / 100.0f, x);
    case Key('l', 'a'): return Avg(Start(), x.TimeAtVal(a));
    case Key('t', 'a'): return Avg(x.TimeAtVal(a), End());
    default: return GetTraceParam(name);
    }
}
