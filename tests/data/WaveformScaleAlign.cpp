// Extremes and the display scale unit, scope folding and resampling onto another time base.
#include "Waveform.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace {

Waveform Trace(std::vector<float> const& values, float start = 0.0f, float step = 1.0f)
{
    Waveform w(int(values.size()));
    for (size_t i = 0; i < values.size(); ++i)
        w[int(i)] = values[i];
    w.startBase = start;
    w.step = step;
    return w;
}

std::vector<float> Samples(Waveform const& w)
{
    std::vector<float> v;
    for (int i = 0; i < w.npnts(); ++i)
        v.push_back(w[i]);
    return v;
}

float UnitFor(std::vector<float> const& values)
{
    Waveform w = Trace(values);
    w.Scale();
    return w.scaleUnit;
}

} // namespace

TEST(WaveformScale, ExtremesSkipInvalidSamplesAndKeepFirstTies)
{
    float const nan = std::numeric_limits<float>::quiet_NaN();
    Waveform w = Trace({2, nan, -1, 5, 5, -1, 1e35f});
    w.Scale();
    EXPECT_EQ(w[1], -DFMax);
    EXPECT_EQ(w[6], -DFMax);
    EXPECT_EQ(w.maxVal, 5.0f);
    EXPECT_EQ(w.maxPoint, 4);
    EXPECT_EQ(w.minVal, -1.0f);
    EXPECT_EQ(w.minPoint, 3);

    Waveform bad = Trace({nan, nan});
    bad.Scale();
    EXPECT_EQ(bad.maxVal, -DFMax);
    EXPECT_EQ(bad.minVal, DFMax);
    EXPECT_EQ(bad.maxPoint, 0);
    EXPECT_EQ(bad.minPoint, 0);
}

TEST(WaveformScale, UnitFollowsTheOneTwoFiveRule)
{
    EXPECT_FLOAT_EQ(UnitFor({0, 7}), 1.0f);
    EXPECT_FLOAT_EQ(UnitFor({0, 3}), 0.5f);
    EXPECT_FLOAT_EQ(UnitFor({1.5f, 0}), 0.2f);
    EXPECT_FLOAT_EQ(UnitFor({1, 0}), 0.2f);
    EXPECT_FLOAT_EQ(UnitFor({150, 2}), 20.0f);
    EXPECT_FLOAT_EQ(UnitFor({-450, 100}), 50.0f);
    EXPECT_FLOAT_EQ(UnitFor({0.03f}), 0.005f);
    EXPECT_FLOAT_EQ(UnitFor({0.5f}), 0.1f);

    Waveform zero = Trace({0, 0, 0});
    zero.Scale();
    EXPECT_FLOAT_EQ(zero.scaleUnit, 2e-31f);
    EXPECT_EQ(zero.maxPoint, 0);
    EXPECT_EQ(zero.minPoint, 1);
}

TEST(WaveformScopeZero, FoldsShiftsAndKeepsStart)
{
    Waveform w = Trace({1}, 2.0f);
    w.timeShift = 1;
    w.scopeShift = 0.5f;
    w.scopeShift2 = 0.25f;
    w.scopeValue = w.scopeAux1 = w.scopeAux2 = w.offset = 3;
    float const start = w.Start();
    w.ScopeZero();
    EXPECT_EQ(w.Start(), start);
    EXPECT_EQ(w.startBase, 2.75f);
    EXPECT_EQ(w.timeShift, 1.0f);
    for (float v : {w.scopeShift, w.scopeShift2, w.scopeValue, w.scopeAux1, w.scopeAux2, w.offset})
        EXPECT_EQ(v, 0.0f);
    EXPECT_EQ(w[0], 1.0f);
}

TEST(WaveformAlign, SameTimeBaseLongerKeepsSamplesAndZeroFills)
{
    float const odd = 0.1f + 0.2f; // a value whose bits must survive untouched
    Waveform w = Trace({odd, 2, 3}, 1.0f, 0.5f);
    w.timeShift = 0.25f;
    w.Align(5, w.Start(), w.step);
    EXPECT_EQ(Samples(w), (std::vector<float>{odd, 2, 3, 0, 0}));
    EXPECT_EQ(w.timeShift, 0.25f);
    EXPECT_EQ(w.startBase, 1.0f);

    w.Align(5, w.Start(), 0.0f); // dt <= 0: nothing
    w.Align(5, w.Start(), -1.0f);
    EXPECT_EQ(w.npnts(), 5);
    EXPECT_EQ(w.step, 0.5f);
}

TEST(WaveformAlign, InterpolatesWithZerosOutsideTheOldBase)
{
    Waveform w = Trace({0, 10, 20, 30});
    w.scopeShift = 0.0f;
    w.offset = 2;
    w.timeShift = 0;
    w.Align(6, -1.5f, 1.0f);
    EXPECT_EQ(Samples(w), (std::vector<float>{0, 0, 5, 15, 25, 0}));
    EXPECT_EQ(w.startBase, -1.5f);
    EXPECT_EQ(w.step, 1.0f);
    EXPECT_EQ(w.offset, 0.0f);

    Waveform half = Trace({0, 10, 20, 30});
    half.Align(8, 0.0f, 0.5f);
    EXPECT_EQ(Samples(half), (std::vector<float>{0, 5, 10, 15, 20, 25, 30, 0}));
}

TEST(WaveformAlign, FoldsScopeShiftsIntoTheNewBase)
{
    Waveform w = Trace({0, 10, 20}, 0.0f);
    w.timeShift = 1.0f;
    w.scopeShift = 1.0f; // samples lie at times 2, 3, 4
    w.Align(3, 3.0f, 1.0f);
    EXPECT_EQ(Samples(w), (std::vector<float>{10, 20, 0}));
    EXPECT_EQ(w.Start(), 3.0f);
    EXPECT_EQ(w.timeShift, 0.0f);
    EXPECT_EQ(w.scopeShift, 0.0f);
}

TEST(WaveformAlign, PositionWithinRoundingOfTheLastSampleKeepsIt)
{
    float const step = 0.1f;
    float const dt = 0.02f;
    // Precondition: the accumulated position of point 15 overshoots sample 3 by rounding.
    float x = 0.0f;
    for (int i = 0; i < 15; ++i)
        x += dt / step;
    ASSERT_GT(x, 3.0f);
    ASSERT_LT(x, 3.0001f);

    Waveform w = Trace({0, 10, 20, 30}, 0.0f, step);
    w.Align(17, 0.0f, dt);
    ASSERT_EQ(w.npnts(), 17);
    EXPECT_EQ(w[15], 30.0f);
    EXPECT_EQ(w[16], 0.0f);

    // A position a few ulps short of the last sample takes it exactly, not a blend.
    Waveform u = Trace({0, 1, 2, 0.7f}, 0.0f, 0.3f);
    u.Align(10, 0.0f, 0.1f);
    EXPECT_EQ(u[9], 0.7f);
}

TEST(WaveformAlign, AlignToTakesTheOtherStartExactly)
{
    Waveform ref = Trace({0, 0, 0}, 1.0f, 1.0f);
    ref.timeShift = 0.5f;
    ref.scopeShift = 0.25f;
    ref.scopeShift2 = 0.25f; // Start() = 2

    Waveform w = Trace({0, 10, 20, 30, 40}, 0.0f, 1.0f);
    w.AlignTo(ref);
    EXPECT_EQ(w.Start(), ref.Start());
    EXPECT_EQ(w.step, ref.step);
    EXPECT_EQ(w.timeShift, ref.timeShift);
    EXPECT_EQ(w.startBase, ref.startBase);
    EXPECT_EQ(Samples(w), (std::vector<float>{20, 30, 40}));

    // Already on that time base but with another split of the start: no resampling, same Start().
    Waveform same = Trace({7, 8, 9}, 2.0f, 1.0f);
    same.AlignTo(ref);
    EXPECT_EQ(same.Start(), ref.Start());
    EXPECT_EQ(Samples(same), (std::vector<float>{7, 8, 9}));
}
