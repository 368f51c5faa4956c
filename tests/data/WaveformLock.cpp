// The lock marker: which lockState values write it, which may overwrite a locked file.
#include "Waveform.h"

#include "DNotify.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

using testsupport::ReadBytes;

namespace {

class Collect : public DNotify {
public:
    std::vector<std::string> messages;
    void OnNotify(int code, int, DString const& text) override
    {
        if (code == 2)
            messages.emplace_back(text.c_str());
    }
};

int16_t VersionWord(std::string const& file)
{
    std::string const b = ReadBytes(file);
    int16_t v = 0;
    if (b.size() >= 2)
        v = int16_t(uint8_t(b[0]) | (uint8_t(b[1]) << 8));
    return v;
}

Waveform Points(int n, float value)
{
    Waveform w(n);
    for (int i = 0; i < n; ++i)
        w[i] = value;
    return w;
}

} // namespace

TEST(WaveformLock, MarkerIsWrittenReadAndGuardsTheFile)
{
    Collect sink;
    SetNotify(&sink);

    Waveform locked = Points(2, 1.0f);
    locked.lockState = 2;
    ASSERT_TRUE(locked.Write(DString("shot")));
    EXPECT_EQ(VersionWord("shot.wvf"), -4);

    Waveform r;
    ASSERT_TRUE(r.Read(DString("shot"), -1));
    EXPECT_EQ(r.lockState, 1);
    std::string const before = ReadBytes("shot.wvf");

    for (int state : {0, 1}) {
        Waveform w = Points(3, 5.0f);
        w.lockState = state;
        EXPECT_FALSE(w.Write(DString("shot"))) << state;
        EXPECT_EQ(ReadBytes("shot.wvf"), before) << state;
    }
    ASSERT_EQ(sink.messages.size(), 2u);
    EXPECT_EQ(sink.messages[0], "Could not write to shot.wvf because it is locked");

    Waveform over = Points(3, 5.0f);
    over.lockState = 4;
    ASSERT_TRUE(over.Write(DString("shot")));
    EXPECT_EQ(VersionWord("shot.wvf"), 4);

    // 4 unlocked the file; 6 overwrites and locks it again.
    over.lockState = 6;
    ASSERT_TRUE(over.Write(DString("shot")));
    EXPECT_EQ(VersionWord("shot.wvf"), -4);
    over.lockState = 0;
    EXPECT_FALSE(over.Write(DString("shot")));
    EXPECT_EQ(sink.messages.size(), 3u);
    SetNotify(nullptr);
}

TEST(WaveformLock, ReadOfAnUnlockedFileKeepsLockState)
{
    Waveform w = Points(1, 2.0f);
    ASSERT_TRUE(w.Write(DString("plain")));
    Waveform r;
    r.lockState = 4;
    ASSERT_TRUE(r.Read(DString("plain"), -1));
    EXPECT_EQ(r.lockState, 4);
}

TEST(WaveformLock, UncreatableTargetFailsSilently)
{
    Collect sink;
    SetNotify(&sink);
    Waveform w = Points(1, 2.0f);
    EXPECT_FALSE(w.Write(DString("no-such-folder/x")));
    EXPECT_TRUE(sink.messages.empty());
    SetNotify(nullptr);
}
