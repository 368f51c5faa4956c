// Waveform analysis: extremes and scale unit, resampling, crossings, look-ups and averages.
#include "WaveformTestUtil.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

namespace {

float const NaN = std::numeric_limits<float>::quiet_NaN();

float UnitFor(std::vector<float> const& values)
{
    return Trace(values).scaleUnit;
}

} // namespace

TEST(WaveformAnalysis, ScaleExtremesAndUnit)
{
    Waveform w = Trace({2, NaN, -1, 5, 5, -1, 1e35f});
    EXPECT_EQ(w[1], -DFMax);
    EXPECT_EQ(w[6], -DFMax);
    EXPECT_EQ(w.maxVal, 5.0f);
    EXPECT_EQ(w.maxPoint, 4);   // ties keep the first position
    EXPECT_EQ(w.minVal, -1.0f); // the -DFMax marks never become the minimum
    EXPECT_EQ(w.minPoint, 3);

    EXPECT_FLOAT_EQ(UnitFor({0, 7}), 1.0f);
    EXPECT_FLOAT_EQ(UnitFor({0, 3}), 0.5f);
    EXPECT_FLOAT_EQ(UnitFor({1, 0}), 0.2f);
    EXPECT_FLOAT_EQ(UnitFor({150}), 20.0f);
    EXPECT_FLOAT_EQ(UnitFor({-450, 100}), 50.0f);
    EXPECT_FLOAT_EQ(UnitFor({0.03f}), 0.005f);
    Waveform zero = Trace({0, 0});
    EXPECT_FLOAT_EQ(zero.scaleUnit, 2e-31f);
    EXPECT_EQ(zero.maxPoint, 0);
}

TEST(WaveformAnalysis, AlignResamplesAndFoldsTheScopeShifts)
{
    Waveform w = Trace({0.1f + 0.2f, 2, 3}, 1, 0.5f);
    w.timeShift = 0.25f;
    w.Align(5, w.Start(), w.step); // same time base, more points: samples kept bit for bit
    EXPECT_EQ(Samples(w), (std::vector<float> {0.1f + 0.2f, 2, 3, 0, 0}));
    EXPECT_EQ(w.timeShift, 0.25f);
    w.Align(2, 0, -1); // dt <= 0: nothing
    EXPECT_EQ(w.npnts(), 5);

    Waveform s = Trace({0, 10, 20, 30});
    s.scopeShift = 1; // samples at times 1 .. 4
    s.offset = 2;
    s.Align(7, -0.5f, 1);
    EXPECT_EQ(Samples(s), (std::vector<float> {0, 0, 5, 15, 25, 0, 0}));
    EXPECT_EQ(s.Start(), -0.5f);
    EXPECT_EQ(s.scopeShift + s.offset + s.timeShift, 0.0f);

    Waveform half = Trace({0, 10, 20, 30});
    half.Align(8, 0, 0.5f);
    EXPECT_EQ(Samples(half), (std::vector<float> {0, 5, 10, 15, 20, 25, 30, 0}));
}

TEST(WaveformAnalysis, AlignKeepsALastSampleReachedWithinRounding)
{
    // Point 15 accumulates to just past sample 3 (3.00000024): still the last sample.
    Waveform over = Trace({0, 10, 20, 30}, 0, 0.1f);
    over.Align(17, 0, 0.02f);
    EXPECT_EQ(over[15], 30.0f);
    EXPECT_EQ(over[16], 0.0f);
    // Point 9 falls a few ulps short of it (2.99999952): the sample itself, not a blend.
    Waveform under = Trace({0, 1, 2, 0.7f}, 0, 0.3f);
    under.Align(10, 0, 0.1f);
    EXPECT_EQ(under[9], 0.7f);
}

TEST(WaveformAnalysis, AlignToTakesTheOtherStartExactly)
{
    Waveform ref = Trace({0, 0, 0}, 1, 1);
    ref.timeShift = 0.5f;
    ref.scopeShift = ref.scopeShift2 = 0.25f; // Start() = 2
    Waveform w = Trace({0, 10, 20, 30, 40});
    w.AlignTo(ref);
    EXPECT_EQ(w.Start(), ref.Start());
    EXPECT_EQ(w.startBase, ref.startBase);
    EXPECT_EQ(w.timeShift, ref.timeShift);
    EXPECT_EQ(Samples(w), (std::vector<float> {20, 30, 40}));

    // Already on that time base with another split of the start: no resampling, same Start().
    Waveform same = Trace({7, 8, 9}, 2, 1);
    same.AlignTo(ref);
    EXPECT_EQ(same.Start(), ref.Start());
    EXPECT_EQ(Samples(same), (std::vector<float> {7, 8, 9}));
}

TEST(WaveformAnalysis, Crossings)
{
    Waveform w = Trace({0, 1, 2, 3});
    EXPECT_FLOAT_EQ(w.TimeAtVal(1.5f), 1.5f);
    EXPECT_FLOAT_EQ(w.TimeAtVal(1), 1);   // the equal sample does not stop the search
    EXPECT_FLOAT_EQ(w.TimeAtVal(5), 4);   // out of range: End() + step
    EXPECT_FLOAT_EQ(w.TimeAtValR(5), -1); // Start() - step
    EXPECT_FLOAT_EQ(Trace({4, 2, 0}, 10, 2).TimeAtVal(3), 11);
    EXPECT_FLOAT_EQ(Trace({0, 10, 11, 12}).TimeAtValR(5), 0.5f);
    EXPECT_FLOAT_EQ(Trace({0, 4, 0}).TimeAtValR(2), 1.5f);
    EXPECT_FLOAT_EQ(Trace({0, 1, 2}, 0, 1, false).TimeAtVal(1), 3); // never scaled

    // Flat segments and short traces answer with a sample time, never NaN or a stray read.
    EXPECT_FLOAT_EQ(Trace({0, 1, 1}).TimeAtVal(1), 1);
    EXPECT_FLOAT_EQ(Trace({1, 1, 0}).TimeAtValR(1), 1);
    EXPECT_FLOAT_EQ(Trace({2}).TimeAtVal(2), 0);
    EXPECT_TRUE(std::isfinite(Waveform().TimeAtValR(0)));

    Waveform x = Trace({100, 200, 300, 400});
    EXPECT_FLOAT_EQ(w.XYTimeAtVal(1.5f, x), 250);
    EXPECT_FLOAT_EQ(w.XYTimeAtVal(9, x), 400);
    EXPECT_FLOAT_EQ(w.XYTimeAtValR(0.5f, x), 150);
    EXPECT_FLOAT_EQ(w.XYTimeAtValR(-1, x), 100);
    EXPECT_EQ(w.XYTimeAtVal(1.5f, Trace({1, 2})), -DFMax);
}

TEST(WaveformAnalysis, LookupsAndAverages)
{
    Waveform w = Trace({1, 3, 5}, 1, 0.5f); // End() = 2
    EXPECT_FLOAT_EQ(w.ValAtTime(1.25f), 2);
    EXPECT_EQ(w.ValAtTime(2.49f), 5.0f);
    EXPECT_EQ(w.ValAtTime(2.5f), 0.0f);
    EXPECT_EQ(w.ValAtTime(0.99f), 0.0f);
    EXPECT_EQ(w.ValAtTime(NaN), 0.0f);
    EXPECT_EQ(w.PointAtTime(0), 0);
    EXPECT_EQ(w.PointAtTime(1.9f), 1);
    EXPECT_EQ(w.PointAtTime(99), 2);
    EXPECT_EQ(w.Index(0), -2);
    EXPECT_EQ(w.Index(1e30f), INT_MAX);

    Waveform a = Trace({1, 2, 3, 4});
    EXPECT_FLOAT_EQ(a.Avg(a.Start(), a.End()), 2); // the sample at the end is left out
    EXPECT_FLOAT_EQ(a.Avg(1.2f, 1.7f), 2);
    EXPECT_FLOAT_EQ(a.Avg(3, 9), 4);
    EXPECT_TRUE(std::isfinite(a.Avg(10, 20)));

    w.timeShift = 1;
    DArray<float, false> t;
    w.TimeFill(t, 1);
    EXPECT_EQ(std::vector<float>(t.Data(), t.Data() + t.Count()), (std::vector<float> {2.5f, 3}));
    w.TimeFill(t, 3);
    EXPECT_EQ(t.Count(), 0);
}
