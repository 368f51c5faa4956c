// The .wvf file: bytes at their offsets, round trips, partial reads, older files, the lock.
#include "WaveformTestUtil.h"

#include "DNotify.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

using testsupport::LE;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace {

// Every header field distinct, so a field written to the wrong place shows.
Waveform Distinct()
{
    Waveform w = Trace({1.5f, -2, 3.25f}, 10, 0.5f);
    float Waveform::*const fields[] = {
        &Waveform::t4,          &Waveform::t5,        &Waveform::calibration,
        &Waveform::attenuation, &Waveform::timeShift, &Waveform::scaleUnit,
        &Waveform::scopeValue,  &Waveform::t1,        &Waveform::t2,
        &Waveform::t3,          &Waveform::offset,    &Waveform::scopeShift,
        &Waveform::scopeShift2, &Waveform::scopeAux1, &Waveform::scopeAux2};
    float v = 20;
    for (auto f : fields)
        w.*f = v++;
    w.description = "probe";
    w.note = "n1";
    return w;
}

class Collect : public DNotify {
public:
    std::vector<std::string> messages;
    void OnNotify(int code, int, DString const& text) override
    {
        if (code == 2)
            messages.emplace_back(text.c_str());
    }
};

int16_t VersionWord(char const* file)
{
    int16_t v = 0;
    std::string const b = ReadBytes(file);
    if (b.size() >= 2)
        std::memcpy(&v, b.data(), 2);
    return v;
}

} // namespace

TEST(WvfFormat, WrittenBytesSitAtTheirOffsets)
{
    Waveform w = Distinct();
    ASSERT_TRUE(w.Write(DString("trace")));
    std::string const b = ReadBytes("trace.wvf");
    std::string const date = w.dateStamp.c_str();
    ASSERT_EQ(date.size(), 19u);

    std::string expect = LE(int16_t(4)) + LE(int16_t(0)) + LE(int32_t(3));
    for (float f : {20.0f, 0.5f, 21.0f, 22.0f, 23.0f, 10.0f + 31 + 32, 24.0f, 3.25f, -2.0f})
        expect += LE(f); // t4 step t5 cal att, start without time shift, timeShift max min
    expect += LE(int32_t(3)) + LE(int32_t(2)) + LE(25.0f) + LE(int16_t(0));
    for (float f : {26.0f, 27.0f, 28.0f, 29.0f, 30.0f, 31.0f, 32.0f, 33.0f, 34.0f})
        expect += LE(f); // scopeValue t1 t2 t3 offset scopeShift scopeShift2 aux1 aux2
    ASSERT_EQ(expect.size(), 94u);
    expect += LE(int16_t(5)) + "probe" + LE(int16_t(19)) + date + LE(int16_t(2)) + "n1"
              + LE(int16_t(0)) + LE(int16_t(1)) + LE(int32_t(3)) + LE(int32_t(1)) + LE(1.5f)
              + LE(-2.0f) + LE(3.25f);
    EXPECT_EQ(b, expect);
}

TEST(WvfFormat, RoundTripAndReadCounts)
{
    Waveform w = Distinct();
    ASSERT_TRUE(w.Write(DString("trace")));
    Waveform r;
    ASSERT_TRUE(r.Read(DString("trace"), -1));
    EXPECT_EQ(Samples(r), Samples(w));
    EXPECT_EQ(r.Start(), w.Start());
    EXPECT_EQ(r.startBase, w.startBase);
    for (auto f :
         {&Waveform::t1, &Waveform::t4, &Waveform::step, &Waveform::scaleUnit, &Waveform::scopeAux2,
          &Waveform::scopeShift2, &Waveform::offset, &Waveform::calibration, &Waveform::minVal})
        EXPECT_EQ(r.*f, w.*f);
    EXPECT_EQ(r.maxPoint, 3);
    EXPECT_EQ(r.minPoint, 2);
    EXPECT_STREQ(r.note.c_str(), "n1");
    EXPECT_STREQ(r.dateStamp.c_str(), w.dateStamp.c_str());
    EXPECT_EQ(r.lockState, 0);

    ASSERT_TRUE(r.Read(DString("trace"), 0));
    EXPECT_EQ(r.npnts(), 0);
    EXPECT_EQ(r.fileCount, 3);
    ASSERT_TRUE(r.Read(DString("trace"), 2));
    EXPECT_EQ(Samples(r), (std::vector<float> {1.5f, -2}));
    ASSERT_TRUE(r.Read(DString("trace"), 5));
    EXPECT_EQ(Samples(r), (std::vector<float> {1.5f, -2, 3.25f, 0, 0}));
}

TEST(WvfFormat, HandMadeFiles)
{
    WvfImage img;
    img.version = 3;
    img.extension = "EXTRA!";
    img.step = 0;
    img.scaleUnit = 0;
    img.startNoShift = 5;
    img.scopeShift = 1;
    img.scopeShift2 = 123; // not a field before version 4
    img.description = "probe ";
    img.units = "V";
    img.samples = {1, 2};
    WriteBytes("old.wvf", img.Bytes());

    Waveform w;
    w.note = "kept"; // the file's note is empty: the member stays
    ASSERT_TRUE(w.Read(DString("old"), -1));
    EXPECT_EQ(w.step, 1.0f);
    EXPECT_EQ(w.scaleUnit, 1.0f);
    EXPECT_EQ(w.scopeShift2, 0.0f);
    EXPECT_EQ(w.startBase, 4.0f);
    EXPECT_STREQ(w.description.c_str(), "probe units of V");
    EXPECT_STREQ(w.note.c_str(), "kept");
    EXPECT_EQ(Samples(w), (std::vector<float> {1, 2}));

    img.version = 4;
    WriteBytes("new.wvf", img.Bytes());
    ASSERT_TRUE(w.Read(DString("new"), -1));
    EXPECT_EQ(w.scopeShift2, 123.0f);
    EXPECT_EQ(w.startBase, 5.0f - 1 - 123);
}

TEST(WvfFormat, LockMarkerGuardsTheFile)
{
    Collect sink;
    SetNotify(&sink);
    Waveform w = Trace({1, 2});
    w.lockState = 2;
    ASSERT_TRUE(w.Write(DString("shot")));
    EXPECT_EQ(VersionWord("shot.wvf"), -4);
    Waveform r;
    ASSERT_TRUE(r.Read(DString("shot"), -1));
    EXPECT_EQ(r.lockState, 1);

    std::string const locked = ReadBytes("shot.wvf");
    for (int state : {0, 1}) {
        r.lockState = state;
        EXPECT_FALSE(r.Write(DString("shot")));
        EXPECT_EQ(ReadBytes("shot.wvf"), locked);
    }
    ASSERT_EQ(sink.messages.size(), 2u);
    EXPECT_EQ(sink.messages[0], "Could not write to shot.wvf because it is locked");

    r.lockState = 4;
    ASSERT_TRUE(r.Write(DString("shot")));
    EXPECT_EQ(VersionWord("shot.wvf"), 4);
    r.lockState = 6;
    ASSERT_TRUE(r.Write(DString("shot")));
    EXPECT_EQ(VersionWord("shot.wvf"), -4);

    EXPECT_FALSE(r.Write(DString("no-such-folder/x")));
    EXPECT_EQ(sink.messages.size(), 2u); // an uncreatable target fails silently
    SetNotify(nullptr);
}

TEST(WvfFormat, WritesReplaceTheWholeFile)
{
    Waveform big(100);
    big.Zero();
    big.description = DString('x', 40000); // cut to 32767 so that the lengths read back
    ASSERT_TRUE(big.Write(DString("t")));
    Waveform r;
    ASSERT_TRUE(r.Read(DString("t"), -1));
    EXPECT_EQ(r.description.Len(), 32767);
    EXPECT_EQ(r.npnts(), 100);

    ASSERT_TRUE(Trace({7}).Write(DString("t")));
    ASSERT_TRUE(r.Read(DString("t"), -1));
    EXPECT_EQ(Samples(r), std::vector<float> {7});
    for (auto const& e : std::filesystem::directory_iterator("."))
        EXPECT_NE(e.path().filename().string()[0], '.') << "temporary file left behind";
}
