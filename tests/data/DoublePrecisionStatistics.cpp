// Accumulated trace parameters formed in double: exact on traces near 1e19, where float sums
// overflow or lose digits, and unchanged for small ones.
#include "WaveformTestUtil.h"

#include "DataConstants.h"
#include "Matrix.h"
#include "TraceParamTable.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

/// A density-like trace: 1e19 with a spread of 3e18 (a sine of period 100 samples).
std::vector<float> Density(int n)
{
    std::vector<float> v(size_t(n), 0.0f);
    for (int i = 0; i < n; ++i)
        v[size_t(i)] = float(1e19 + 3e18 * std::sin(2.0 * 3.14159265358979323846 * i / 100.0));
    return v;
}

struct Reference {
    long double sum = 0, sumAfterFirst = 0, meanButLast = 0, sd = 0, weighted = 0;
};

Reference Expected(std::vector<float> const& v, long double start, long double step)
{
    Reference r;
    long double num = 0;
    size_t const n = v.size();
    for (size_t i = 0; i < n; ++i) {
        r.sum += v[i];
        num += v[i] * (start + i * step);
    }
    r.sumAfterFirst = r.sum - v[0];
    r.meanButLast = (r.sum - v[n - 1]) / (n - 1);
    long double const mean = r.sum / n;
    long double var = 0;
    for (float x : v)
        var += (x - mean) * (x - mean);
    r.sd = std::sqrt(var / (n - 1));
    r.weighted = num / r.sum;
    return r;
}

void ExpectClose(float got, long double want, char const* what)
{
    EXPECT_TRUE(IsVF(got)) << what;
    EXPECT_NEAR(double(got / want), 1.0, 1e-7) << what << ": " << got << " vs " << double(want);
}

} // namespace

TEST(DoublePrecisionStatistics, TraceNear1e19MatchesLongDoubleReference)
{
    std::vector<float> const v = Density(100000);
    Waveform const w = Trace(v, 0.5f, 0.5f);
    Reference const r = Expected(v, 0.5L, 0.5L);
    // A float sum of squares of 3e18 over 1e5 samples overflows: sd was undefined.
    ExpectClose(w.GetTraceParam("sd"), r.sd, "sd");
    // numpy, float64 accumulation over the same float32 samples: std(ddof=1), mean(s[:-1]),
    // 0.5 * sum(s[1:]).
    ExpectClose(w.GetTraceParam("sd"), 2.1213308956994074e18L, "sd (numpy)");
    ExpectClose(w.GetTraceParam("av"), 1.000000186424159e19L, "av (numpy)");
    ExpectClose(w.GetTraceParam("in"), 4.9999499902533214e23L, "in (numpy)");
    ExpectClose(w.GetTraceParam("av"), r.meanButLast, "av");
    ExpectClose(w.GetTraceParam("in"), r.sumAfterFirst * 0.5L, "in");
    ExpectClose(w.GetTraceParam("pi"), r.sumAfterFirst * 0.5L, "pi");
    ExpectClose(w.GetTraceParam("wa"), r.weighted, "wa");
}

TEST(DoublePrecisionStatistics, RadialIntegralHeldInDouble)
{
    std::vector<float> v(20000, 1e19f);
    Waveform const w = Trace(v, 0.0f, 1.0f);
    // A disc of radius n - 0.5 (the rings reach to there) of constant density.
    long double const pi = 3.14159274L;
    long double want = 0;
    for (size_t i = 1; i < v.size(); ++i)
        want += 2 * pi * 1e19L * (i - 0.5L);
    ExpectClose(w.GetTraceParam("ri"), want, "ri");
}

TEST(DoublePrecisionStatistics, SmallTracesKeepTheirValues)
{
    Waveform const w = Trace({0, 1, 2, 3}, 0, 0.5f);
    EXPECT_FLOAT_EQ(w.GetTraceParam("in"), 3.0f);
    EXPECT_FLOAT_EQ(w.GetTraceParam("av"), 1.0f);
    EXPECT_FLOAT_EQ(w.GetTraceParam("sd"), 1.2909944f);
    EXPECT_FLOAT_EQ(Trace({5}).GetTraceParam("sd"), 0.0f);
    EXPECT_FLOAT_EQ(Trace({1, -5, 2}).GetTraceParam("pi"), 0.0f);
    EXPECT_FLOAT_EQ(Trace({0, 2, -1, 3}).GetTraceParam("pi"), 4.0f);
    EXPECT_FLOAT_EQ(Trace({1, -1}).GetTraceParam("wa"), 0.0f);
}

TEST(ParameterCodeTable, WaveformAnswersExactlyTheCodesOfTheTable)
{
    Waveform const w = Trace({0, 1, 2, 1, 0}, 0, 1);
    Waveform const x = Trace({0, 1, 2, 3, 4}, 0, 1);
    for (int a = 32; a < 127; ++a) {
        for (int b = 32; b < 127; ++b) {
            char const code[3] = {char(a), char(b), '\0'};
            bool const listed = FindDataParamCode(code, ParamWaveform) != nullptr;
            EXPECT_EQ(w.GetTraceParam(code) != -DFMax, listed) << code;
            bool const paired = FindDataParamCode(code, ParamWaveform | ParamXY) != nullptr;
            EXPECT_EQ(w.GetXYTraceParam(code, x) != -DFMax, paired) << code;
        }
    }
}

TEST(ParameterCodeTable, MatrixAnswersExactlyTheCodesOfTheTable)
{
    Matrix m(3, 4, 2);
    m.Scale();
    for (int a = 32; a < 127; ++a) {
        for (int b = 32; b < 127; ++b) {
            char const code[3] = {char(a), char(b), '\0'};
            bool const listed = FindDataParamCode(code, ParamMatrix) != nullptr;
            EXPECT_EQ(m.GetMatrixParam(code) != -DFMax, listed) << code;
        }
    }
}
