// Malformed .wvf files: each read fails cleanly, leaves no samples and keeps the header.
#include "WaveformTestUtil.h"

#include <gtest/gtest.h>

using testsupport::LE;
using testsupport::WriteBytes;

namespace {

void ExpectRejected(std::string const& bytes, char const* what)
{
    WriteBytes("bad.wvf", bytes);
    for (int n : {-1, 0, 5}) {
        Waveform w(4);
        w.description = "before";
        w.step = 0.5f;
        EXPECT_FALSE(w.Read(DString("bad"), n)) << what << ", n = " << n;
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

TEST(WvfBadInput, MissingTruncatedAndOverlongFilesFail)
{
    Waveform w(3);
    w.note = "n";
    EXPECT_FALSE(w.Read(DString("absent"), -1));
    EXPECT_EQ(w.npnts(), 0);
    EXPECT_STREQ(w.note.c_str(), "n");

    std::string const full = Good().Bytes();
    ExpectRejected("", "empty");
    ExpectRejected(full.substr(0, 2), "two bytes");
    ExpectRejected(full.substr(0, 60), "cut in the fixed header");
    ExpectRejected(full.substr(0, 96), "cut in the first string");
    ExpectRejected(full.substr(0, full.size() - 1), "cut in the samples");

    for (int32_t count : {1000, 0x7fffffff, -5}) {
        WvfImage img = Good();
        img.count = count;
        ExpectRejected(img.Bytes(), "point count");
    }
    std::string b = full;
    b.replace(94, 2, LE(int16_t(30000)));
    ExpectRejected(b, "description length past the end");
    ExpectRejected(LE(int16_t(4)) + LE(int16_t(20000)) + full.substr(4), "extension too long");
    ExpectRejected(LE(int16_t(4)) + LE(int16_t(-2)) + full.substr(4), "negative extension");

    WriteBytes("extra.wvf", full + "junk"); // bytes after the samples are not looked at
    ASSERT_TRUE(w.Read(DString("extra"), -1));
    EXPECT_EQ(Samples(w), (std::vector<float> {1, 2, 3}));
}
