// Trace parameter codes on small traces with known answers, single and paired.
#include "Waveform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

Waveform Scaled(std::vector<float> const& values, float step = 1.0f)
{
    Waveform w(int(values.size()));
    for (size_t i = 0; i < values.size(); ++i)
        w[int(i)] = values[i];
    w.step = step;
    w.Scale();
    return w;
}

float P(Waveform const& w, char const* name)
{
    return w.GetTraceParam(DString(name));
}

float XY(Waveform const& y, char const* name, Waveform const& x)
{
    return y.GetXYTraceParam(DString(name), x);
}

} // namespace

TEST(TraceParam, HeaderCodes)
{
    Waveform w = Scaled({1, 2});
    w.t1 = 1; w.t2 = 2; w.t3 = 3; w.t4 = 4; w.t5 = 5;
    w.startBase = 10;
    w.timeShift = 20;
    w.scopeShift = 0.5f;
    w.scopeShift2 = 0.25f;
    w.scaleUnit = 6;
    w.calibration = 7;
    w.attenuation = 8;
    w.step = 0.125f;
    w.offset = 9;
    w.scopeValue = 11;
    struct { char const* code; float value; } const cases[] = {
        {"t1", 1}, {"t2", 2}, {"t3", 3}, {"t4", 4}, {"t5", 5}, {"st", 30.75f}, {"it", 10.75f},
        {"ts", 20}, {"is", 10}, {"pt", 0.5f}, {"ft", 30.875f}, {"su", 6}, {"mx", 2}, {"mn", 1},
        {"cl", 7}, {"at", 8}, {"tp", 0.125f}, {"bl", 9}, {"sv", 11},
    };
    for (auto const& c : cases)
        EXPECT_EQ(P(w, c.code), c.value) << c.code;
}

TEST(TraceParam, NameSyntax)
{
    Waveform w = Scaled({0, 1, 2, 3});
    w.calibration = 5;
    EXPECT_EQ(P(w, "CL"), 5.0f);
    EXPECT_EQ(P(w, "cl(5)"), 5.0f);
    EXPECT_FLOAT_EQ(P(w, "tv(1.5)"), 1.5f);
    EXPECT_FLOAT_EQ(P(w, "TV[1.5]"), 1.5f);
    EXPECT_FLOAT_EQ(P(w, "tv 1.5;"), 1.5f);
    EXPECT_FLOAT_EQ(P(w, "tv(abc)"), 0.0f);   // argument 0: the first sample's time
    EXPECT_FLOAT_EQ(P(w, "tv(1.5x)"), 0.0f);  // trailing text: the conversion fails
    EXPECT_FLOAT_EQ(P(w, "tv()"), 0.0f);
    EXPECT_EQ(P(w, "t"), -DFMax);
    EXPECT_EQ(P(w, ""), -DFMax);
    EXPECT_EQ(P(w, "zz"), -DFMax);
    EXPECT_EQ(P(w, "xcl"), -DFMax);

    Waveform empty;
    EXPECT_EQ(P(empty, "cl"), -DFMax);
}

TEST(TraceParam, TimingAndSums)
{
    Waveform w = Scaled({0, 1, 2, 3}, 0.5f);
    EXPECT_FLOAT_EQ(P(w, "in"), 3.0f);
    EXPECT_FLOAT_EQ(P(w, "av"), 1.0f);
    EXPECT_FLOAT_EQ(P(w, "sd"), std::sqrt(5.0f / 3.0f));
    EXPECT_FLOAT_EQ(P(w, "wa"), 7.0f / 6.0f);
    EXPECT_FLOAT_EQ(P(w, "19"), 1.2f);
    EXPECT_FLOAT_EQ(P(w, "28"), 0.9f);
    EXPECT_FLOAT_EQ(P(w, "pi"), 3.0f);
    EXPECT_FLOAT_EQ(P(w, "fh"), 0.75f);
    EXPECT_FLOAT_EQ(P(w, "ri"), 11.0f * pi / 2.0f);
    EXPECT_FLOAT_EQ(P(w, "t%(50)"), 0.75f);
    EXPECT_FLOAT_EQ(P(w, "bv(1.5)"), 0.75f);
    EXPECT_FLOAT_EQ(P(w, "b%(50)"), 0.75f);
    EXPECT_FLOAT_EQ(P(w, "vt(0.75)"), 1.5f);
    EXPECT_FLOAT_EQ(P(w, "la(1)"), 0.5f);
    EXPECT_FLOAT_EQ(P(w, "ta(0.5)"), 1.5f);
    EXPECT_FLOAT_EQ(P(w, "lt(0.7)"), 0.5f);
    EXPECT_FLOAT_EQ(P(w, "lt(-0.7)"), -1.0f);
}

TEST(TraceParam, SmallTraceEdges)
{
    EXPECT_EQ(P(Scaled({4}), "in"), 0.0f);
    EXPECT_EQ(P(Scaled({4}), "sd"), 0.0f);
    EXPECT_EQ(P(Scaled({1, -5, 2}), "pi"), 0.0f);
    EXPECT_FLOAT_EQ(P(Scaled({0, 2, -1, 3}), "pi"), 4.0f);
    EXPECT_EQ(P(Scaled({1, -1}), "wa"), 0.0f);
    EXPECT_FLOAT_EQ(P(Scaled({0, 1, 2, 1, 0}), "fh"), 2.0f);

    Waveform disc = Scaled({2, 0});
    disc.startBase = 3;
    EXPECT_FLOAT_EQ(P(disc, "ri"), pi * 2 * 3 * 3);
}

TEST(TraceParam, HalfWidthNeverReadsPastTheSamples)
{
    // A negative maximum at the last sample: the left edge is found at the peak itself.
    Waveform neg = Scaled({-5, -3, -1});
    ASSERT_EQ(neg.maxPoint, 3);
    EXPECT_EQ(P(neg, "fh"), 0.0f);

    Waveform stale = Scaled({0, 2, 0});
    stale.maxPoint = 50; // as a damaged file may carry
    EXPECT_TRUE(std::isfinite(P(stale, "fh")));
    stale.maxPoint = -3;
    EXPECT_TRUE(std::isfinite(P(stale, "fh")));
}

TEST(TraceParam, ExtremeTimesUseTheSampleOfThePosition)
{
    Waveform w = Scaled({1, 5, 0, 4}, 0.5f);
    w.startBase = 10;
    EXPECT_EQ(P(w, "tm"), 10.5f);
    EXPECT_EQ(P(w, "tn"), 11.0f);

    Waveform last = Scaled({0, 1, 2});
    EXPECT_EQ(P(last, "tm"), 2.0f); // maxPoint = N: the last sample

    Waveform flat = Scaled({0, 0});
    ASSERT_EQ(flat.maxPoint, 0);
    EXPECT_EQ(P(flat, "tm"), -DFMax);
}

TEST(TraceParam, PairedCodes)
{
    Waveform y = Scaled({0, 1, 2, 3});
    Waveform x = Scaled({10, 20, 30, 40});
    y.calibration = 7;
    EXPECT_EQ(XY(y, "st", x), 10.0f);
    EXPECT_EQ(XY(y, "ft", x), 40.0f);
    EXPECT_EQ(XY(y, "tm", x), 40.0f);
    EXPECT_EQ(XY(y, "tn", x), 10.0f);
    EXPECT_FLOAT_EQ(XY(y, "19", x), 24.0f);
    EXPECT_FLOAT_EQ(XY(y, "28", x), 18.0f);
    EXPECT_FLOAT_EQ(XY(y, "vt(25)", x), 1.5f);
    EXPECT_FLOAT_EQ(XY(y, "tv(1.5)", x), 25.0f);
    EXPECT_FLOAT_EQ(XY(y, "t%(50)", x), 25.0f);
    EXPECT_FLOAT_EQ(XY(y, "bv(1.5)", x), 25.0f);
    EXPECT_FLOAT_EQ(XY(y, "b%(50)", x), 25.0f);
    EXPECT_FLOAT_EQ(XY(y, "la(25)", x), 0.0f);
    EXPECT_FLOAT_EQ(XY(y, "ta(25)", x), 1.5f);
    EXPECT_EQ(XY(y, "cl", x), 7.0f);            // no paired form: this trace's value
    EXPECT_FLOAT_EQ(XY(y, "in", x), 6.0f);
    EXPECT_EQ(XY(y, "qq", x), -DFMax);
}

TEST(TraceParam, PairedTracesOfDifferentLengthGiveNoValue)
{
    Waveform y(10), x(11);
    y.Zero();
    x.Zero();
    for (char const* code : {"st", "ft", "tm", "19", "tv(1)", "cl", "in", "mx"})
        EXPECT_EQ(XY(y, code, x), -DFMax) << code;
    Waveform none, other;
    EXPECT_EQ(XY(none, "cl", other), -DFMax);
}
