// Time and value look-ups: crossings, interpolation, indexes, window averages, sample times.
#include "Waveform.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <vector>

namespace {

Waveform Scaled(std::vector<float> const& values, float start = 0.0f, float step = 1.0f)
{
    Waveform w(int(values.size()));
    for (size_t i = 0; i < values.size(); ++i)
        w[int(i)] = values[i];
    w.startBase = start;
    w.step = step;
    w.Scale();
    return w;
}

} // namespace

TEST(WaveformCrossing, ForwardSearch)
{
    Waveform w = Scaled({0, 1, 2, 3});
    EXPECT_FLOAT_EQ(w.TimeAtVal(1.5f), 1.5f);
    EXPECT_FLOAT_EQ(w.TimeAtVal(1.0f), 1.0f);
    EXPECT_FLOAT_EQ(w.TimeAtVal(0.0f), 0.0f);
    EXPECT_FLOAT_EQ(w.TimeAtVal(5.0f), 4.0f); // out of range: End() + step

    Waveform fall = Scaled({4, 2, 0}, 10.0f, 2.0f);
    EXPECT_FLOAT_EQ(fall.TimeAtVal(3.0f), 11.0f);

    Waveform unscaled(3);
    unscaled[0] = 0; unscaled[1] = 1; unscaled[2] = 2;
    EXPECT_FLOAT_EQ(unscaled.TimeAtVal(1.0f), 3.0f);
}

TEST(WaveformCrossing, BackwardSearch)
{
    Waveform w = Scaled({0, 10, 11, 12});
    EXPECT_FLOAT_EQ(w.TimeAtValR(5.0f), 0.5f);
    EXPECT_FLOAT_EQ(w.TimeAtValR(12.0f), 3.0f);
    EXPECT_FLOAT_EQ(w.TimeAtValR(13.0f), -1.0f); // Start() - step

    Waveform bump = Scaled({0, 4, 0});
    EXPECT_FLOAT_EQ(bump.TimeAtValR(2.0f), 1.5f);
    EXPECT_FLOAT_EQ(bump.TimeAtVal(2.0f), 0.5f);
}

TEST(WaveformCrossing, FlatSegmentsAndShortTracesGiveFiniteAnswers)
{
    Waveform plateau = Scaled({0, 1, 1});
    EXPECT_FLOAT_EQ(plateau.TimeAtVal(1.0f), 1.0f);
    Waveform start = Scaled({1, 1, 0});
    EXPECT_FLOAT_EQ(start.TimeAtValR(1.0f), 1.0f);

    Waveform one = Scaled({2});
    EXPECT_FLOAT_EQ(one.TimeAtVal(2.0f), 0.0f);
    EXPECT_FLOAT_EQ(one.TimeAtValR(2.0f), 0.0f);
    Waveform none;
    EXPECT_TRUE(std::isfinite(none.TimeAtVal(0.0f)));
    EXPECT_TRUE(std::isfinite(none.TimeAtValR(0.0f)));
}

TEST(WaveformCrossing, PairedFormsReturnTheCompanionValue)
{
    Waveform y = Scaled({0, 1, 2, 3});
    Waveform x = Scaled({100, 200, 300, 400});
    EXPECT_FLOAT_EQ(y.XYTimeAtVal(1.5f, x), 250.0f);
    EXPECT_FLOAT_EQ(y.XYTimeAtVal(0.0f, x), 100.0f);
    EXPECT_FLOAT_EQ(y.XYTimeAtVal(9.0f, x), 400.0f);
    EXPECT_FLOAT_EQ(y.XYTimeAtValR(0.5f, x), 150.0f);
    EXPECT_FLOAT_EQ(y.XYTimeAtValR(3.0f, x), 400.0f);
    EXPECT_FLOAT_EQ(y.XYTimeAtValR(-1.0f, x), 100.0f);

    Waveform shorter = Scaled({1, 2});
    EXPECT_EQ(y.XYTimeAtVal(1.5f, shorter), -DFMax);
    EXPECT_EQ(y.XYTimeAtValR(1.5f, shorter), -DFMax);
}

TEST(WaveformValueAtTime, InterpolatesInsideAndIsZeroOutside)
{
    Waveform w = Scaled({1, 3, 5}, 1.0f, 0.5f); // End() = 2
    EXPECT_FLOAT_EQ(w.ValAtTime(1.25f), 2.0f);
    EXPECT_EQ(w.ValAtTime(2.0f), 5.0f);
    EXPECT_EQ(w.ValAtTime(2.49f), 5.0f);
    EXPECT_EQ(w.ValAtTime(2.5f), 0.0f);
    EXPECT_EQ(w.ValAtTime(0.99f), 0.0f);
    EXPECT_EQ(w.ValAtTime(std::numeric_limits<float>::quiet_NaN()), 0.0f);
    EXPECT_EQ(w.ValAtTime(1e30f), 0.0f);
}

TEST(WaveformIndexes, PointAtTimeClampsIndexDoesNot)
{
    Waveform w = Scaled({1, 2, 3, 4}, 10.0f, 2.0f);
    EXPECT_EQ(w.PointAtTime(9.0f), 0);
    EXPECT_EQ(w.PointAtTime(13.9f), 1);
    EXPECT_EQ(w.PointAtTime(16.0f), 3);
    EXPECT_EQ(w.PointAtTime(99.0f), 3);
    EXPECT_EQ(w.Index(9.0f), -1);
    EXPECT_EQ(w.Index(13.9f), 1);
    EXPECT_EQ(w.Index(30.0f), 10);
    EXPECT_EQ(w.Index(1e30f), INT_MAX);
}

TEST(WaveformAverage, WindowExcludesTheSampleAtItsEnd)
{
    Waveform w = Scaled({1, 2, 3, 4});
    EXPECT_FLOAT_EQ(w.Avg(w.Start(), w.End()), 2.0f);
    EXPECT_FLOAT_EQ(w.Avg(1.2f, 1.7f), 2.0f);
    EXPECT_FLOAT_EQ(w.Avg(-5.0f, 2.0f), 1.5f);
    EXPECT_FLOAT_EQ(w.Avg(3.0f, 9.0f), 4.0f);
    EXPECT_TRUE(std::isfinite(w.Avg(10.0f, 20.0f)));
    Waveform none;
    EXPECT_TRUE(std::isfinite(none.Avg(0.0f, 1.0f)));
}

TEST(WaveformTimeFill, TimesFromFirstIndex)
{
    Waveform w = Scaled({0, 0, 0, 0}, 1.0f, 0.5f);
    w.timeShift = 1.0f;
    w.scopeShift = 0.25f;
    DArray<float, false> t;
    w.TimeFill(t, 1);
    ASSERT_EQ(t.Count(), 3);
    EXPECT_EQ(t[0], 2.75f);
    EXPECT_EQ(t[2], 3.75f);
    w.TimeFill(t, -4);
    EXPECT_EQ(t.Count(), 4);
    EXPECT_EQ(t[0], w.Start());
    w.TimeFill(t, 4);
    EXPECT_EQ(t.Count(), 0);
    EXPECT_EQ(t.Data(), nullptr);
}
