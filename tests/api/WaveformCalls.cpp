// Waveforms through the C interface: the .wvf written, and reads that fill exactly n floats.
#include "ApiFixture.h"

#include "DString.h"
#include "Waveform.h"

#include <algorithm>
#include <filesystem>
#include <limits>

namespace fs = std::filesystem;
using testsupport::Exists;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace {
constexpr float Sentinel = 12345.0f;
std::vector<float> Buffer(size_t n)
{
    return std::vector<float>(n, Sentinel);
}
} // namespace

TEST_F(ApiTest, SetWaveformWritesTheWvfHeaderAndSamples)
{
    ASSERT_EQ(CreateShotC("1"), 1);
    float const v[4] = {1, 3, 2, 0};
    SetWaveformC("probe", 4, 1.5f, 0.25f, v);
    std::string const b = ReadBytes(InShot("probe.wvf"));
    ASSERT_GT(b.size(), 94u + 16u);
    EXPECT_EQ(At<short>(b, 0), 4); // version
    EXPECT_EQ(At<short>(b, 2), 0); // header extension
    EXPECT_EQ(At<int>(b, 4), 4);   // points
    EXPECT_EQ(At<float>(b, 12), 0.25f);
    EXPECT_EQ(At<float>(b, 28), 1.5f); // start without time shift
    EXPECT_EQ(At<float>(b, 36), 3.0f); // extremes from Scale
    EXPECT_EQ(At<float>(b, 40), 0.0f);
    EXPECT_EQ(At<int>(b, 44), 2);
    EXPECT_EQ(At<int>(b, 48), 4);
    EXPECT_EQ(b.compare(b.size() - 16, 16, std::string(reinterpret_cast<char const*>(v), 16)), 0);

    int n = -1;
    float start = 0, dt = 0;
    GetWaveformInfoC("probe", &n, &start, &dt);
    EXPECT_EQ(n, 4);
    EXPECT_EQ(start, 1.5f);
    EXPECT_EQ(dt, 0.25f);
    GetWaveformInfoC("probe", nullptr, nullptr, nullptr);
}

TEST_F(ApiTest, GetWaveformFillsExactlyN)
{
    ASSERT_EQ(CreateShotC("1"), 1);
    float const v[4] = {1, 3, 2, 0};
    SetWaveformC("probe", 4, 1.5f, 0.25f, v);

    auto out = Buffer(8);
    GetWaveformC("probe", 6, 1.5f, 0.25f, out.data()); // same time base, longer: zero tail
    EXPECT_EQ(out, (std::vector<float> {1, 3, 2, 0, 0, 0, Sentinel, Sentinel}));

    out = Buffer(4);
    GetWaveformC("probe", 3, 1.625f, 0.25f, out.data()); // half a step later
    EXPECT_EQ(out, (std::vector<float> {2, 2.5f, 1, Sentinel}));

    // A step of 0 leaves the samples unaligned: the stored ones, then zeros, never more than n.
    out = Buffer(8);
    GetWaveformC("probe", 6, 0.0f, 0.0f, out.data());
    EXPECT_EQ(out, (std::vector<float> {1, 3, 2, 0, 0, 0, Sentinel, Sentinel}));
    out = Buffer(3);
    GetWaveformC("probe", 2, 0.0f, -1.0f, out.data());
    EXPECT_EQ(out, (std::vector<float> {1, 3, Sentinel}));

    // A missing waveform reads as zeros; n <= 0 or a null buffer writes nothing.
    out = Buffer(4);
    GetWaveformC("nothing", 3, 0.0f, 1.0f, out.data());
    EXPECT_EQ(out, (std::vector<float> {0, 0, 0, Sentinel}));
    out = Buffer(1);
    GetWaveformC("probe", 0, 1.5f, 0.25f, out.data());
    GetWaveformC("probe", -3, 1.5f, 0.25f, out.data());
    GetWaveformC("probe", 3, 1.5f, 0.25f, nullptr);
    EXPECT_EQ(out[0], Sentinel);
}

// SetWaveformC stores exactly what a Waveform given the samples stores after Scale: invalid
// samples as -DFMax with the extremes over the rest; the caller's samples are left as they were.
TEST_F(ApiTest, SetWaveformStoresWhatScaleAndWriteStore)
{
    ASSERT_EQ(CreateShotC("1"), 1);
    float const nan = std::numeric_limits<float>::quiet_NaN();
    std::vector<std::vector<float>> const cases = {{1, 3, 2, 0}, {1, nan, -4, 2e35f, 5}, {nan}, {}};
    for (std::vector<float> const& v : cases) {
        std::vector<float> given = v;
        SetWaveformC("probe", int(v.size()), 0.5f, 2.0f, given.empty() ? nullptr : given.data());
        if (!v.empty()) { // memcmp takes no null pointer, even for no bytes
            EXPECT_EQ(std::memcmp(given.data(), v.data(), v.size() * sizeof(float)), 0);
        }

        Waveform w(int(v.size()));
        std::copy(v.begin(), v.end(), w.Data());
        w.startBase = 0.5f;
        w.step = 2.0f;
        w.Scale();
        ASSERT_TRUE(w.Write(DString(InShot("expected").c_str())));

        std::string const got = ReadBytes(InShot("probe.wvf"));
        std::string const want = ReadBytes(InShot("expected.wvf"));
        ASSERT_EQ(got.size(), want.size()) << v.size();
        size_t const tail = 10 + v.size() * 4; // row descriptor and samples, after the date
        EXPECT_EQ(got.substr(0, 94), want.substr(0, 94)) << v.size();
        EXPECT_EQ(got.substr(got.size() - tail), want.substr(want.size() - tail)) << v.size();
    }
}

// Reads on the stored time base take the samples straight from the file: a shorter n stops
// early, and a file cut inside its samples or its header still reads as zeros.
TEST_F(ApiTest, GetWaveformOnTheStoredTimeBase)
{
    ASSERT_EQ(CreateShotC("1"), 1);
    std::vector<float> v(1000);
    for (size_t i = 0; i < v.size(); ++i)
        v[i] = float(i) * 0.5f;
    SetWaveformC("probe", int(v.size()), -2.0f, 0.125f, v.data());

    auto out = Buffer(4);
    GetWaveformC("probe", 3, -2.0f, 0.125f, out.data());
    EXPECT_EQ(out, (std::vector<float> {0, 0.5f, 1, Sentinel}));
    out = Buffer(1001);
    GetWaveformC("probe", 1000, -2.0f, 0.125f, out.data());
    EXPECT_TRUE(std::equal(v.begin(), v.end(), out.begin()));
    EXPECT_EQ(out[1000], Sentinel);

    std::string const whole = ReadBytes(InShot("probe.wvf"));
    for (size_t cut : {whole.size() - 1, whole.size() - 2000, size_t(50)}) {
        WriteBytes(InShot("probe.wvf"), whole.substr(0, cut));
        out = Buffer(4);
        GetWaveformC("probe", 3, -2.0f, 0.125f, out.data());
        EXPECT_EQ(out, (std::vector<float> {0, 0, 0, Sentinel})) << cut;
    }
}

TEST_F(ApiTest, WaveformFromPairs)
{
    ASSERT_EQ(CreateShotC("1"), 1);
    float const xy[6] = {0, 5, 2, 6, 4, 7};
    SetWaveformXYC("xy", 3, xy);
    int n = 0;
    float start = -1, dt = 0;
    GetWaveformInfoC("xy", &n, &start, &dt);
    EXPECT_EQ(n, 3);
    EXPECT_EQ(start, 0.0f);
    EXPECT_EQ(dt, 2.0f);
    auto out = Buffer(3);
    GetWaveformC("xy", 3, 0.0f, 2.0f, out.data());
    EXPECT_EQ(out, (std::vector<float> {5, 6, 7}));

    SetWaveformXYC("one", 1, xy);
    SetWaveformXYC("none", 3, nullptr);
    EXPECT_FALSE(Exists(InShot("one.wvf")));
    EXPECT_FALSE(Exists(InShot("none.wvf")));
}

TEST_F(ApiTest, WaveformWritesThatCannotOrMayNotHappen)
{
    float const v[2] = {1, 2};
    // No current shot: refused with a message, nothing written beside the current directory.
    SetWaveformC("probe", 2, 0.0f, 1.0f, v);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Could not write probe (no current shot, or no shot of that name)");
    EXPECT_FALSE(Exists(".wvf"));
    EXPECT_FALSE(Exists("probe.wvf"));

    ASSERT_EQ(CreateShotC("1"), 1);
    SetWaveformC("probe", 2, 0.0f, 1.0f, nullptr); // no samples to take: nothing written
    EXPECT_FALSE(Exists(InShot("probe.wvf")));
    SetWaveformC("empty", -4, 0.0f, 1.0f, nullptr); // negative count: an empty waveform
    EXPECT_EQ(At<int>(ReadBytes(InShot("empty.wvf")), 4), 0);

    // A locked file stays as it is.
    SetWaveformC("probe", 2, 0.0f, 1.0f, v);
    std::string b = ReadBytes(InShot("probe.wvf"));
    b[0] = char(-4);
    b[1] = char(-1);
    WriteBytes(InShot("probe.wvf"), b);
    messages.clear();
    float const w[3] = {7, 8, 9};
    SetWaveformC("probe", 3, 0.0f, 1.0f, w);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Could not write to " + InShot("probe.wvf") + " because it is locked");
    EXPECT_EQ(ReadBytes(InShot("probe.wvf")), b);
}
