// The .wvf layout: bytes at their offsets, round trips, partial reads and hand-made files.
#include "Waveform.h"

#include "TestSupport.h"
#include "WvfImage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>

using testsupport::LE;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace {

template <class T> T At(std::string const& bytes, size_t offset)
{
    T v{};
    EXPECT_LE(offset + sizeof v, bytes.size());
    if (offset + sizeof v <= bytes.size())
        std::memcpy(&v, bytes.data() + offset, sizeof v);
    return v;
}

Waveform Sample()
{
    Waveform w(3);
    w[0] = 1.5f;
    w[1] = -2.0f;
    w[2] = 3.25f;
    w.step = 0.5f;
    w.timeShift = 0.75f;
    w.startBase = 10.0f;
    w.scaleUnit = 0.2f;
    w.t1 = 1; w.t2 = 2; w.t3 = 3; w.t4 = 4; w.t5 = 5;
    w.scopeShift = 0.25f;
    w.scopeValue = 6;
    w.scopeAux1 = 7;
    w.scopeAux2 = 8;
    w.scopeShift2 = 0.125f;
    w.description = "probe";
    w.note = "n1";
    w.calibration = 9;
    w.attenuation = 10;
    w.offset = 11;
    w.maxVal = 3.25f;
    w.minVal = -2.0f;
    w.maxPoint = 3;
    w.minPoint = 2;
    return w;
}

} // namespace

TEST(WaveformFileFormat, WrittenBytesSitAtTheirOffsets)
{
    Waveform w = Sample();
    ASSERT_TRUE(w.Write(DString("trace")));
    std::string const b = ReadBytes("trace.wvf");

    EXPECT_EQ(At<int16_t>(b, 0), 4);
    EXPECT_EQ(At<int16_t>(b, 2), 0);
    EXPECT_EQ(At<int32_t>(b, 4), 3);
    EXPECT_EQ(At<float>(b, 8), 4.0f);
    EXPECT_EQ(At<float>(b, 12), 0.5f);
    EXPECT_EQ(At<float>(b, 16), 5.0f);
    EXPECT_EQ(At<float>(b, 20), 9.0f);
    EXPECT_EQ(At<float>(b, 24), 10.0f);
    EXPECT_EQ(At<float>(b, 28), 10.375f); // (startBase + scopeShift) + scopeShift2
    EXPECT_EQ(At<float>(b, 32), 0.75f);
    EXPECT_EQ(At<float>(b, 36), 3.25f);
    EXPECT_EQ(At<float>(b, 40), -2.0f);
    EXPECT_EQ(At<int32_t>(b, 44), 3);
    EXPECT_EQ(At<int32_t>(b, 48), 2);
    EXPECT_EQ(At<float>(b, 52), 0.2f);
    EXPECT_EQ(At<int16_t>(b, 56), 0);
    EXPECT_EQ(At<float>(b, 58), 6.0f);
    EXPECT_EQ(At<float>(b, 62), 1.0f);
    EXPECT_EQ(At<float>(b, 66), 2.0f);
    EXPECT_EQ(At<float>(b, 70), 3.0f);
    EXPECT_EQ(At<float>(b, 74), 11.0f);
    EXPECT_EQ(At<float>(b, 78), 0.25f);
    EXPECT_EQ(At<float>(b, 82), 0.125f);
    EXPECT_EQ(At<float>(b, 86), 7.0f);
    EXPECT_EQ(At<float>(b, 90), 8.0f);

    std::string const date = w.dateStamp.c_str();
    EXPECT_EQ(date.size(), 19u); // mm/dd/yyyy hh:mm:ss
    std::string const strings = LE(int16_t(5)) + "probe" + LE(int16_t(date.size())) + date +
                                LE(int16_t(2)) + "n1" + LE(int16_t(0));
    ASSERT_GE(b.size(), 94 + strings.size());
    EXPECT_EQ(b.substr(94, strings.size()), strings);
    size_t const row = 94 + strings.size();
    EXPECT_EQ(b.substr(row, 10), LE(int16_t(1)) + LE(int32_t(3)) + LE(int32_t(1)));
    EXPECT_EQ(b.substr(row + 10), LE(1.5f) + LE(-2.0f) + LE(3.25f));
}

TEST(WaveformFileFormat, RoundTripRestoresEveryField)
{
    Waveform w = Sample();
    ASSERT_TRUE(w.Write(DString("trace")));
    Waveform r;
    ASSERT_TRUE(r.Read(DString("trace"), -1));

    EXPECT_EQ(r.npnts(), 3);
    EXPECT_EQ(r.fileCount, 3);
    EXPECT_EQ(r[0], 1.5f);
    EXPECT_EQ(r[2], 3.25f);
    EXPECT_EQ(r.Start(), w.Start());
    EXPECT_EQ(r.startBase, w.startBase);
    for (float Waveform::*f : {&Waveform::step, &Waveform::timeShift, &Waveform::scaleUnit,
                               &Waveform::t1, &Waveform::t2, &Waveform::t3, &Waveform::t4,
                               &Waveform::t5, &Waveform::scopeShift, &Waveform::scopeValue,
                               &Waveform::scopeAux1, &Waveform::scopeAux2,
                               &Waveform::scopeShift2, &Waveform::calibration,
                               &Waveform::attenuation, &Waveform::offset, &Waveform::maxVal,
                               &Waveform::minVal})
        EXPECT_EQ(r.*f, w.*f);
    EXPECT_EQ(r.maxPoint, 3);
    EXPECT_EQ(r.minPoint, 2);
    EXPECT_STREQ(r.description.c_str(), "probe");
    EXPECT_STREQ(r.note.c_str(), "n1");
    EXPECT_STREQ(r.dateStamp.c_str(), w.dateStamp.c_str());
    EXPECT_EQ(r.lockState, 0);
}

TEST(WaveformFileFormat, ReadCountSelectsHeaderPrefixOrPadding)
{
    Waveform w = Sample();
    ASSERT_TRUE(w.Write(DString("trace")));

    Waveform header = Sample();
    ASSERT_TRUE(header.Read(DString("trace"), 0));
    EXPECT_EQ(header.npnts(), 0);
    EXPECT_EQ(header.fileCount, 3);

    Waveform first;
    ASSERT_TRUE(first.Read(DString("trace"), 2));
    ASSERT_EQ(first.npnts(), 2);
    EXPECT_EQ(first[1], -2.0f);

    Waveform more;
    ASSERT_TRUE(more.Read(DString("trace"), 6));
    ASSERT_EQ(more.npnts(), 6);
    EXPECT_EQ(more[2], 3.25f);
    EXPECT_EQ(more[3], 0.0f);
    EXPECT_EQ(more[5], 0.0f);
    EXPECT_EQ(more.fileCount, 3);
}

TEST(WaveformFileFormat, OldVersionExtensionAndZeroFields)
{
    WvfImage img;
    img.version = 3;
    img.extension = "EXTRA!";
    img.step = 0;
    img.scaleUnit = 0;
    img.startNoShift = 5.0f;
    img.scopeShift = 1.0f;
    img.scopeShift2 = 123.0f; // not a field in version 3: skipped
    img.aux1 = 4.0f;
    img.samples = {1, 2};
    WriteBytes("old.wvf", img.Bytes());

    Waveform w;
    w.scopeShift2 = 9;
    ASSERT_TRUE(w.Read(DString("old"), -1));
    EXPECT_EQ(w.step, 1.0f);
    EXPECT_EQ(w.scaleUnit, 1.0f);
    EXPECT_EQ(w.scopeShift2, 0.0f);
    EXPECT_EQ(w.startBase, 4.0f);
    EXPECT_EQ(w.scopeAux1, 4.0f);
    ASSERT_EQ(w.npnts(), 2);
    EXPECT_EQ(w[1], 2.0f);

    img.version = 4;
    WriteBytes("new.wvf", img.Bytes());
    ASSERT_TRUE(w.Read(DString("new"), -1));
    EXPECT_EQ(w.scopeShift2, 123.0f);
    EXPECT_EQ(w.startBase, 5.0f - 1.0f - 123.0f);
}

TEST(WaveformFileFormat, StringsEmptyKeepMemberUnitsAppend)
{
    WvfImage img;
    img.description = "probe ";
    img.units = "V";
    img.samples = {1};
    WriteBytes("u.wvf", img.Bytes());

    Waveform w;
    w.note = "kept";
    w.dateStamp = "old date";
    ASSERT_TRUE(w.Read(DString("u"), -1));
    EXPECT_STREQ(w.description.c_str(), "probe units of V");
    EXPECT_STREQ(w.note.c_str(), "kept");
    EXPECT_STREQ(w.dateStamp.c_str(), "old date");
}

TEST(WaveformFileFormat, OverlongStringIsCutSoTheFileStaysReadable)
{
    Waveform w(2);
    w[0] = 1;
    w[1] = 2;
    w.description = DString(std::string(40000, 'x').c_str());
    ASSERT_TRUE(w.Write(DString("long")));
    Waveform r;
    ASSERT_TRUE(r.Read(DString("long"), -1));
    EXPECT_EQ(r.description.Len(), 32767);
    ASSERT_EQ(r.npnts(), 2);
    EXPECT_EQ(r[1], 2.0f);
}

TEST(WaveformFileFormat, WriteReplacesTheWholeFile)
{
    Waveform big(100);
    big.Zero();
    ASSERT_TRUE(big.Write(DString("t")));
    Waveform small(1);
    small[0] = 7;
    ASSERT_TRUE(small.Write(DString("t")));
    Waveform r;
    ASSERT_TRUE(r.Read(DString("t"), -1));
    EXPECT_EQ(r.npnts(), 1);
    EXPECT_EQ(ReadBytes("t.wvf").size(), 94u + 2 + 21 + 2 + 2 + 10 + 4);
    int entries = 0;
    for (auto const& e : std::filesystem::directory_iterator("."))
        entries += e.path().filename() == "t.wvf" ? 1 : 100; // no temporary file is left
    EXPECT_EQ(entries, 1);
}
