// Values over the wire: float32 bytes read back exactly, and min/max decimation for plotting.
#include "ServeFixture.h"

#include "DataConstants.h"
#include "Experiment.h"
#include "Paths.h"
#include "Waveform.h"

#include <cmath>
#include <cstring>

namespace {

std::vector<float> Floats(const std::string& bytes)
{
    std::vector<float> v(bytes.size() / 4);
    // The test machines are little-endian, as the format is.
    std::memcpy(v.data(), bytes.data(), v.size() * 4);
    return v;
}

/// Writes waveform name of n samples of a fixed pseudo-random walk into shot 1001, with
/// every 1000th sample invalid, from start by step; returns the samples.
std::vector<float> WriteLongTrace(const char* name, int n, float start, float step)
{
    EXPECT_TRUE(Expt.SetShot("1001", 0));
    Waveform w(n);
    unsigned state = 12345;
    float level = 0;
    for (int i = 0; i < n; ++i) {
        state = state * 1103515245u + 12345u;
        level += float(int(state >> 16 & 0xff) - 128) / 64.0f;
        w[i] = i % 1000 == 999 ? -DFMax : level;
    }
    w.startBase = start;
    w.step = step;
    EXPECT_TRUE(w.Write(AppendPathElts(Expt.ShotFolder, name)));
    Waveform back;
    EXPECT_TRUE(back.Read(AppendPathElts(Expt.ShotFolder, name)));
    return std::vector<float>(back.Data(), back.Data() + back.npnts());
}

} // namespace

TEST_F(ServeTest, WaveformAsFloat32WithItsTimeBase)
{
    Waveform w(4);
    const float values[] = {-1.5f, 3.0e-7f, 123456.789f, 0.1f};
    for (int i = 0; i < 4; ++i)
        w[i] = values[i];
    w.startBase = -2.5f;
    w.step = 0.125f;
    ASSERT_TRUE(w.Write(AppendPathElts(Expt.ShotFolder, "odd")));
    Start();
    httplib::Result r = Get("/api/shots/1001/data/odd?format=f32");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 200);
    EXPECT_EQ(r->get_header_value("Content-Type"), "application/octet-stream");
    EXPECT_EQ(r->get_header_value("X-Talvex-Count"), "4");
    EXPECT_EQ(std::stod(r->get_header_value("X-Talvex-Start")), -2.5);
    EXPECT_EQ(std::stod(r->get_header_value("X-Talvex-Step")), 0.125);
    ASSERT_EQ(r->body.size(), 16u);
    EXPECT_EQ(r->body, std::string(reinterpret_cast<const char*>(values), 16));
}

TEST_F(ServeTest, MatrixAsFloat32InFileOrderWithItsSizes)
{
    Start();
    httplib::Result r = Get("/api/shots/1001/data/grid?format=f32");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 200);
    EXPECT_EQ(r->get_header_value("X-Talvex-Sizes"), "2,3,1");
    EXPECT_EQ(Floats(r->body), (std::vector<float> {1, 2, 3, 4, 5, 6}));
}

TEST_F(ServeTest, ParticlesAsFloat32RowsOfEightColumns)
{
    Start();
    httplib::Result r = Get("/api/shots/1001/data/beam?format=f32");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->get_header_value("X-Talvex-Sizes"), "8,2");
    std::vector<float> v = Floats(r->body);
    ASSERT_EQ(v.size(), 16u);
    EXPECT_EQ(v[7], 7.0f);
    EXPECT_EQ(v[8], 10.0f);
}

TEST_F(ServeTest, DecimationKeepsEachBucketsMinimumAndMaximumInTimeOrder)
{
    const int n = 100003;
    const size_t buckets = 97;
    std::vector<float> s = WriteLongTrace("long", n, 0.0f, 1.0f);
    Start();
    Json j = GetJson("/api/shots/1001/data/long?points=" + std::to_string(buckets));
    EXPECT_EQ(j["points"], n);
    EXPECT_EQ(j["decimated"], true);
    std::vector<double> t = j["t"], v = j["v"];
    ASSERT_EQ(t.size(), v.size());
    EXPECT_LE(t.size(), 2 * buckets);
    for (size_t k = 1; k < t.size(); ++k)
        EXPECT_LT(t[k - 1], t[k]) << "not in time order at " << k;
    for (size_t k = 0; k < t.size(); ++k)
        EXPECT_EQ(float(v[k]), s[size_t(t[k])]) << "point " << k << " is not a sample";
    for (size_t b = 0; b < buckets; ++b) {
        size_t from = b * n / buckets, to = (b + 1) * n / buckets;
        float lo = INFINITY, hi = -INFINITY;
        for (size_t i = from; i < to; ++i) {
            if (s[i] > -1e30f) {
                lo = std::min(lo, s[i]);
                hi = std::max(hi, s[i]);
            }
        }
        bool hasLo = false, hasHi = false;
        for (size_t k = 0; k < t.size(); ++k) {
            if (t[k] >= double(from) && t[k] < double(to)) {
                hasLo = hasLo || float(v[k]) == lo;
                hasHi = hasHi || float(v[k]) == hi;
            }
        }
        EXPECT_TRUE(hasLo && hasHi) << "bucket " << b;
    }
}

TEST_F(ServeTest, DecimationOfAWindowStaysInsideIt)
{
    std::vector<float> s = WriteLongTrace("long", 50000, 10.0f, 0.5f);
    Start();
    Json j = GetJson("/api/shots/1001/data/long?points=50&from=1010&to=1510");
    std::vector<double> t = j["t"];
    ASSERT_FALSE(t.empty());
    EXPECT_LE(t.size(), 100u);
    EXPECT_GE(t.front(), 1010.0 - 0.5);
    EXPECT_LE(t.back(), 1510.0 + 0.5);
    // A window of fewer samples than asked for gives every valid one.
    Json few = GetJson("/api/shots/1001/data/long?points=50&from=20&to=30");
    EXPECT_EQ(few["decimated"], false);
    EXPECT_EQ(few["t"].size(), 21u);
    EXPECT_EQ(float(few["v"][0].get<double>()), s[20]);
}

TEST_F(ServeTest, ATraceWrittenAgainIsServedAsItIsNow)
{
    Start();
    EXPECT_EQ(GetJson("/api/shots/1001/data/probe?points=10")["v"][3], 5.0);
    Waveform w(3);
    w[0] = 7;
    w[1] = 9;
    w[2] = 8;
    ASSERT_TRUE(w.Write(AppendPathElts(Expt.ShotFolder, "probe")));
    Json j = GetJson("/api/shots/1001/data/probe?points=10");
    EXPECT_EQ(j["points"], 3);
    EXPECT_EQ(j["v"], Json({7.0, 9.0, 8.0}));
    EXPECT_EQ(GetJson("/api/shots/1001/data")["data"][2]["max"], 9.0);
}
