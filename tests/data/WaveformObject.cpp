// Waveform construction, copying, the header rules, InitFrom and calibration changes.
#include "Waveform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

Waveform Trace(std::initializer_list<float> values)
{
    Waveform w(int(values.size()));
    int i = 0;
    for (float v : values)
        w[i++] = v;
    return w;
}

// A waveform whose every header field holds a distinct value.
void FillHeader(Waveform& w)
{
    w.step = 0.25f;
    w.timeShift = 1.5f;
    w.startBase = -3.0f;
    w.scaleUnit = 0.5f;
    w.t1 = 11; w.t2 = 12; w.t3 = 13; w.t4 = 14; w.t5 = 15;
    w.scopeShift = 0.125f;
    w.scopeValue = 7;
    w.scopeAux1 = 8;
    w.scopeAux2 = 9;
    w.scopeShift2 = 0.0625f;
    w.description = "desc";
    w.dateStamp = "date";
    w.note = "note";
    w.fileCount = 42;
    w.attenuation = 2;
    w.calibration = 3;
    w.offset = 4;
    w.maxVal = 5;
    w.minVal = -5;
    w.maxPoint = 2;
    w.minPoint = 1;
}

void ExpectSameHeader(Waveform const& a, Waveform const& b)
{
    EXPECT_EQ(a.step, b.step);
    EXPECT_EQ(a.timeShift, b.timeShift);
    EXPECT_EQ(a.startBase, b.startBase);
    EXPECT_EQ(a.scaleUnit, b.scaleUnit);
    EXPECT_EQ(a.t1, b.t1);
    EXPECT_EQ(a.t5, b.t5);
    EXPECT_EQ(a.scopeShift, b.scopeShift);
    EXPECT_EQ(a.scopeValue, b.scopeValue);
    EXPECT_EQ(a.scopeAux1, b.scopeAux1);
    EXPECT_EQ(a.scopeAux2, b.scopeAux2);
    EXPECT_EQ(a.scopeShift2, b.scopeShift2);
    EXPECT_STREQ(a.description.c_str(), b.description.c_str());
    EXPECT_STREQ(a.dateStamp.c_str(), b.dateStamp.c_str());
    EXPECT_STREQ(a.note.c_str(), b.note.c_str());
    EXPECT_EQ(a.fileCount, b.fileCount);
    EXPECT_EQ(a.attenuation, b.attenuation);
    EXPECT_EQ(a.calibration, b.calibration);
    EXPECT_EQ(a.offset, b.offset);
    EXPECT_EQ(a.maxVal, b.maxVal);
    EXPECT_EQ(a.minVal, b.minVal);
    EXPECT_EQ(a.maxPoint, b.maxPoint);
    EXPECT_EQ(a.minPoint, b.minPoint);
}

} // namespace

TEST(WaveformObject, ConstructionDefaults)
{
    Waveform neg(-3);
    EXPECT_EQ(neg.npnts(), 0);
    EXPECT_EQ(neg.fileCount, 0);

    Waveform w(5);
    EXPECT_EQ(w.npnts(), 5);
    EXPECT_EQ(w.fileCount, 5);
    EXPECT_EQ(w.step, 1.0f);
    EXPECT_EQ(w.scaleUnit, 1.0f);
    EXPECT_EQ(w.calibration, 1.0f);
    EXPECT_EQ(w.attenuation, 1.0f);
    EXPECT_EQ(w.offset, 0.0f);
    EXPECT_EQ(w.Start(), 0.0f);
    EXPECT_EQ(w.End(), 4.0f);
    EXPECT_EQ(w.lockState, 0);
    EXPECT_EQ(w.maxPoint, 0);
    EXPECT_EQ(w.description.Len(), 0);
}

TEST(WaveformObject, StartSumsItsTermsInOrderInSinglePrecision)
{
    Waveform w(3);
    w.startBase = 1e8f;
    w.timeShift = 1.0f;      // lost against 1e8 in single precision
    w.scopeShift = -1e8f;
    w.scopeShift2 = 0.5f;
    EXPECT_EQ(w.Start(), 0.5f);
    w.step = 2.0f;
    EXPECT_EQ(w.End(), 4.5f);
}

TEST(WaveformObject, CopyConstructionResetsLockAssignmentKeepsIt)
{
    Waveform src = Trace({1, 2, 3});
    FillHeader(src);
    src.lockState = 6;

    Waveform copy(src);
    ExpectSameHeader(copy, src);
    EXPECT_EQ(copy.lockState, 0);
    ASSERT_EQ(copy.npnts(), 3);
    EXPECT_EQ(copy[2], 3.0f);
    copy[0] = 99; // the copy owns its samples
    EXPECT_EQ(src[0], 1.0f);

    Waveform target = Trace({9, 9, 9, 9, 9});
    target.lockState = 1;
    target = src;
    ExpectSameHeader(target, src);
    EXPECT_EQ(target.lockState, 1);
    EXPECT_EQ(target.npnts(), 3);

    Waveform& self = target;
    target = self;
    EXPECT_EQ(target.npnts(), 3);
    EXPECT_EQ(target[1], 2.0f);
}

TEST(WaveformObject, CopyHeaderLeavesSamplesAndLock)
{
    Waveform src(2);
    FillHeader(src);
    src.lockState = 2;
    Waveform dst = Trace({7, 8, 9});
    dst.lockState = 1;
    dst.CopyHeader(src);
    ExpectSameHeader(dst, src);
    EXPECT_EQ(dst.lockState, 1);
    EXPECT_EQ(dst.npnts(), 3);
    EXPECT_EQ(dst[2], 9.0f);
}

TEST(WaveformObject, InitFromTakesTheSourceTimeBase)
{
    Waveform src(6);
    src.step = 0.5f;
    src.startBase = 2.0f;
    src.timeShift = 1.0f;
    src.scopeShift = 0.25f;
    src.scopeShift2 = 0.125f;
    src.t3 = 33;
    src.calibration = 10;
    src.attenuation = 20;

    Waveform w = Trace({1, 2});
    w.scopeShift = 4;
    w.scopeValue = 5;
    w.scopeShift2 = 6;
    w.offset = 7;
    w.description = "mine";
    w.maxVal = 2;
    w.InitFrom(src, false, false);
    EXPECT_EQ(w.npnts(), 6);
    EXPECT_EQ(w.step, src.step);
    EXPECT_EQ(w.Start(), src.Start());
    EXPECT_EQ(w.timeShift, src.timeShift);
    EXPECT_EQ(w.scopeShift, 0.0f);
    EXPECT_EQ(w.scopeValue, 0.0f);
    EXPECT_EQ(w.scopeShift2, 0.0f);
    EXPECT_EQ(w.offset, 0.0f);
    EXPECT_EQ(w.t3, 0.0f);
    EXPECT_EQ(w.calibration, 1.0f);
    EXPECT_STREQ(w.description.c_str(), "mine");
    EXPECT_EQ(w.maxVal, 2.0f);

    Waveform& same = w.InitFrom(src, true, true);
    EXPECT_EQ(&same, &w);
    EXPECT_EQ(w.t3, 33.0f);
    EXPECT_EQ(w.calibration, 10.0f);
    EXPECT_EQ(w.attenuation, 20.0f);

    Waveform before(w);
    w.InitFrom(w, true, true);
    EXPECT_EQ(w.startBase, before.startBase);
}

TEST(WaveformObject, SetCalAttOffKeepsPhysicalValues)
{
    // Raw readings 1 and 2 with calibration 2: stored 2 and 4.
    Waveform w = Trace({2, 4});
    w.calibration = 2;
    w.SetCalAttOff(4, 0, 2); // attenuation 0 keeps the old one; offset 2 calibrated = 1 raw
    EXPECT_EQ(w.calibration, 4.0f);
    EXPECT_EQ(w.attenuation, 1.0f);
    EXPECT_EQ(w.offset, 1.0f);
    EXPECT_EQ(w[0], 0.0f); // (1 - 1) * 4
    EXPECT_EQ(w[1], 4.0f); // (2 - 1) * 4

    float const nan = std::numeric_limits<float>::quiet_NaN();
    w.SetCalAttOff(0, nan, nan);
    EXPECT_EQ(w.calibration, 4.0f);
    EXPECT_EQ(w.attenuation, 1.0f);
    EXPECT_EQ(w.offset, 1.0f);
    EXPECT_EQ(w[0], 0.0f);
    EXPECT_EQ(w[1], 4.0f);
}

TEST(WaveformObject, SetCalAttOffWithZeroGainKeepsSamplesFinite)
{
    Waveform w = Trace({3, 5});
    w.calibration = 0; // as a damaged file may carry
    w.SetCalAttOff(2, 1, 1);
    EXPECT_EQ(w[0], 3.0f);
    EXPECT_EQ(w[1], 5.0f);
    EXPECT_EQ(w.calibration, 2.0f);
    EXPECT_TRUE(std::isfinite(w.offset));
}

TEST(WaveformObject, ZeroClearsEverySample)
{
    Waveform w = Trace({1, -2, 3});
    w.Zero();
    EXPECT_EQ(w[0], 0.0f);
    EXPECT_EQ(w[1], 0.0f);
    EXPECT_EQ(w[2], 0.0f);
    Waveform empty;
    empty.Zero();
    EXPECT_EQ(empty.npnts(), 0);
}
