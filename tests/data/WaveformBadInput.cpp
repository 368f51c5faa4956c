// Malformed .wvf files: every one fails cleanly, leaves no samples and keeps the header.
#include "Waveform.h"

#include "TestSupport.h"
#include "WvfImage.h"

#include <gtest/gtest.h>

#include <string>

using testsupport::LE;
using testsupport::WriteBytes;

namespace {

// Reads `bytes` as bad.wvf into a waveform that held samples and a description.
void ExpectRejected(std::string const& bytes, char const* what)
{
    WriteBytes("bad.wvf", bytes);
    for (int n : {-1, 0, 5}) {
        Waveform w(4);
        w.Zero();
        w.description = "before";
        w.step = 0.5f;
        EXPECT_FALSE(w.Read(DString("bad"), n)) << what << " n=" << n;
        EXPECT_EQ(w.npnts(), 0) << what;
        EXPECT_STREQ(w.description.c_str(), "before") << what;
        EXPECT_EQ(w.step, 0.5f) << what;
    }
}

WvfImage Good()
{
    WvfImage img;
    img.description = "d";
    img.samples = {1, 2, 3};
    return img;
}

} // namespace

TEST(WaveformBadInput, MissingFileEmptiesSamplesOnly)
{
    Waveform w(3);
    w.note = "n";
    EXPECT_FALSE(w.Read(DString("absent"), -1));
    EXPECT_EQ(w.npnts(), 0);
    EXPECT_STREQ(w.note.c_str(), "n");
}

TEST(WaveformBadInput, TruncatedFilesAreRejected)
{
    std::string const full = Good().Bytes();
    ExpectRejected("", "empty file");
    ExpectRejected(full.substr(0, 2), "two bytes");
    ExpectRejected(full.substr(0, 60), "cut in the fixed header");
    ExpectRejected(full.substr(0, 96), "cut in the first string");
    ExpectRejected(full.substr(0, full.size() - 1), "cut in the samples");
}

TEST(WaveformBadInput, CountsAndLengthsPastTheEndAreRejected)
{
    WvfImage img = Good();
    img.count = 1000;
    ExpectRejected(img.Bytes(), "count past the end");
    img.count = 0x7fffffff;
    ExpectRejected(img.Bytes(), "count of 2^31 - 1");
    img.count = -5;
    ExpectRejected(img.Bytes(), "negative count");

    std::string b = Good().Bytes();
    b.replace(94, 2, LE(int16_t(30000)));
    ExpectRejected(b, "description length past the end");

    std::string ext = LE(int16_t(4)) + LE(int16_t(20000)) + Good().Bytes().substr(4);
    ExpectRejected(ext, "extension past the end");
    std::string neg = LE(int16_t(4)) + LE(int16_t(-2)) + Good().Bytes().substr(4);
    ExpectRejected(neg, "negative extension length");
}

TEST(WaveformBadInput, TrailingBytesAfterTheSamplesAreIgnored)
{
    WriteBytes("extra.wvf", Good().Bytes() + "junk");
    Waveform w;
    ASSERT_TRUE(w.Read(DString("extra"), -1));
    ASSERT_EQ(w.npnts(), 3);
    EXPECT_EQ(w[2], 3.0f);
}
