// Waveform construction, copying with its lock rules, InitFrom and calibration changes.
#include "WaveformTestUtil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(WaveformObject, ConstructionAndStartOrder)
{
    Waveform neg(-3);
    EXPECT_EQ(neg.npnts(), 0);
    EXPECT_EQ(neg.fileCount, 0);
    Waveform w(5);
    EXPECT_EQ(w.fileCount, 5);
    EXPECT_EQ(w.step, 1.0f);
    EXPECT_EQ(w.scaleUnit * w.calibration * w.attenuation, 1.0f);
    EXPECT_EQ(w.End(), 4.0f);

    // ((startBase + timeShift) + scopeShift) + scopeShift2 in single precision: the time shift
    // is lost against 1e8 before the scope shift takes 1e8 away again.
    w.startBase = 1e8f;
    w.timeShift = 1.0f;
    w.scopeShift = -1e8f;
    w.scopeShift2 = 0.5f;
    EXPECT_EQ(w.Start(), 0.5f);
}

TEST(WaveformObject, CopyResetsLockAssignmentKeepsIt)
{
    Waveform src = Trace({1, 2, 3}, 4, 0.5f);
    src.scopeShift2 = 0.25f;
    src.description = "d";
    src.fileCount = 9;
    src.lockState = 6;

    Waveform copy(src);
    EXPECT_EQ(copy.lockState, 0);
    EXPECT_EQ(Samples(copy), Samples(src));
    EXPECT_EQ(copy.Start(), src.Start());
    EXPECT_EQ(copy.maxPoint, 3);
    EXPECT_EQ(copy.fileCount, 9);
    EXPECT_STREQ(copy.description.c_str(), "d");
    copy[0] = 99;
    EXPECT_EQ(src[0], 1.0f);

    Waveform target = Trace({9, 9, 9, 9});
    target.lockState = 1;
    target = src;
    EXPECT_EQ(target.lockState, 1);
    EXPECT_EQ(Samples(target), Samples(src));
    EXPECT_EQ(target.step, 0.5f);
    Waveform& self = target;
    target = self;
    EXPECT_EQ(Samples(target), Samples(src));
}

TEST(WaveformObject, InitFromTakesTheSourceTimeBase)
{
    Waveform src(6);
    src.step = 0.5f;
    src.startBase = 2;
    src.timeShift = 1;
    src.scopeShift = 0.25f;
    src.scopeShift2 = 0.125f;
    src.t3 = 33;
    src.calibration = 10;

    Waveform w = Trace({1, 2});
    w.scopeShift = 4;
    w.scopeValue = 5;
    w.offset = 7;
    w.description = "mine";
    w.InitFrom(src, false, false);
    EXPECT_EQ(w.npnts(), 6);
    EXPECT_EQ(w.step, src.step);
    EXPECT_EQ(w.Start(), src.Start());
    EXPECT_EQ(w.timeShift, src.timeShift);
    EXPECT_EQ(w.scopeShift + w.scopeValue + w.offset, 0.0f);
    EXPECT_EQ(w.t3, 0.0f);
    EXPECT_EQ(w.calibration, 1.0f);
    EXPECT_EQ(w.maxVal, 2.0f);
    EXPECT_STREQ(w.description.c_str(), "mine");

    EXPECT_EQ(&w.InitFrom(src, true, true), &w);
    EXPECT_EQ(w.t3, 33.0f);
    EXPECT_EQ(w.calibration, 10.0f);
}

TEST(WaveformObject, SetCalAttOffKeepsPhysicalValues)
{
    // Raw readings 1 and 2 with calibration 2 are stored as 2 and 4.
    Waveform w = Trace({2, 4});
    w.calibration = 2;
    w.SetCalAttOff(4, 0, 2); // attenuation 0 keeps the old one; offset 2 calibrated = 1 raw
    EXPECT_EQ(w.calibration, 4.0f);
    EXPECT_EQ(w.attenuation, 1.0f);
    EXPECT_EQ(w.offset, 1.0f);
    EXPECT_EQ(Samples(w), (std::vector<float> {0, 4}));

    float const nan = std::numeric_limits<float>::quiet_NaN();
    w.SetCalAttOff(0, nan, nan);
    EXPECT_EQ(w.calibration, 4.0f);
    EXPECT_EQ(w.offset, 1.0f);
    EXPECT_EQ(Samples(w), (std::vector<float> {0, 4}));

    // A zero old gain (as a damaged file may carry) cannot be undone: samples stay as they are.
    Waveform z = Trace({3, 5});
    z.calibration = 0;
    z.SetCalAttOff(2, 1, 1);
    EXPECT_EQ(Samples(z), (std::vector<float> {3, 5}));
    EXPECT_TRUE(std::isfinite(z.offset));
}
