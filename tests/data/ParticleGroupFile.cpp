// The .dpt file: layout, partial reads, appends, older versions and bad input.
#include "ParticleGroup.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using testsupport::LE;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace {

template <class T> T At(std::string const& bytes, size_t offset)
{
    T v {};
    std::memcpy(&v, bytes.data() + offset, sizeof v);
    return v;
}

// n particles whose column c holds first + 10 * particle + c.
ParticleGroup Numbered(int n, float first = 0.0f)
{
    ParticleGroup g(n);
    for (int i = 0; i < n; ++i)
        for (int c = 0; c < 8; ++c)
            g.PData()[i].col[c] = first + 10.0f * float(i) + float(c);
    return g;
}

// A hand-made header: version, extension, geometry, count, columns, 7 floats, extremes, texts.
std::string Head(int version, int count, int cols, std::string const& ext = "")
{
    std::string s = LE<int>(version) + LE<int>(int(ext.size())) + ext + LE<int>(0) + LE<int>(count)
                    + LE<int>(cols);
    for (int i = 0; i < 7 + 2 * cols; ++i)
        s += LE<float>(float(i));
    return s + LE<int>(2) + "ab" + LE<int>(0) + LE<int>(1) + "d";
}

std::string Floats(int n, float first)
{
    std::string s;
    for (int i = 0; i < n; ++i)
        s += LE<float>(first + float(i));
    return s;
}

} // namespace

TEST(ParticleGroupFile, WriteLaysOutTheDocumentedBytes)
{
    ParticleGroup g = Numbered(2);
    g.geometry = 3;
    g.headerB = 1.5f;
    g.headerA = 2.5f;
    g.t2 = 7.0f;
    g.text1 = "one";
    g.Scale();
    ASSERT_TRUE(g.Write("g"));

    std::string expected = LE<int>(2) + LE<int>(0) + LE<int>(3) + LE<int>(2) + LE<int>(8);
    for (float v : {1.5f, 2.5f, 0.0f, 7.0f, 0.0f, 0.0f, 0.0f})
        expected += LE<float>(v);
    for (int c = 0; c < 8; ++c)
        expected += LE<float>(float(10 + c));
    expected += Floats(8, 0.0f) + LE<int>(3) + "one" + LE<int>(0) + LE<int>(g.dateStamp.Len())
                + g.dateStamp.c_str();
    for (int i = 0; i < 2; ++i)
        expected += Floats(8, float(10 * i));
    EXPECT_EQ(ReadBytes("g.dpt"), expected);
}

TEST(ParticleGroupFile, ReadTakesTheParticlesAskedFor)
{
    ASSERT_TRUE(Numbered(100).Write("h"));
    ParticleGroup g;
    ASSERT_TRUE(g.Read("h", -1, 5));
    EXPECT_EQ(g.nParticles(), 100);
    EXPECT_EQ(g[0], 0.0f);
    ASSERT_TRUE(g.Read("h", 10, 95));
    EXPECT_EQ(g.nParticles(), 5);
    EXPECT_EQ(g[0], 950.0f);
    EXPECT_EQ(g.nOrigParticles(), 100);
    ASSERT_TRUE(g.Read("h", 10, 120));
    EXPECT_EQ(g.nParticles(), 0);
    ASSERT_TRUE(g.Read("h", 3, -7)); // a negative start reads from the first particle
    EXPECT_EQ(g.nParticles(), 3);
    EXPECT_EQ(g[8], 10.0f);
    ASSERT_TRUE(g.Read("h", 0, 0));
    EXPECT_EQ(g.nParticles(), 0);
    EXPECT_EQ(g.GetPGroupParam("np"), 100.0f);
}

TEST(ParticleGroupFile, AppendAddsParticlesAndMergesTheHeader)
{
    ParticleGroup one = Numbered(1, 5.0f);
    one.headerB = 9.0f;
    one.text1 = "kept";
    one.Scale();
    ASSERT_TRUE(one.Append("a")); // missing: written whole

    ParticleGroup two = Numbered(2, -100.0f);
    two.headerB = 1.0f;
    two.Scale();
    ASSERT_TRUE(two.Append("a"));
    EXPECT_EQ(two.headerB, 9.0f); // the file's values win
    EXPECT_EQ(two.nOrigParticles(), 3);

    ParticleGroup r;
    ASSERT_TRUE(r.Read("a"));
    ASSERT_EQ(r.nParticles(), 3);
    EXPECT_EQ(r[0], 5.0f);
    EXPECT_EQ(r[8], -100.0f);
    EXPECT_EQ(r[16], -90.0f);
    EXPECT_EQ(r.Max(0), 5.0f);
    EXPECT_EQ(r.Min(0), -100.0f);
    EXPECT_EQ(r.Max(7), 12.0f);
    EXPECT_EQ(r.text1, "kept");

    // Appending Cartesian particles to a polar file converts them.
    ParticleGroup polar = Numbered(1);
    polar.SetGeometry(1);
    ASSERT_TRUE(polar.Write("p"));
    ParticleGroup xy(1);
    xy[0] = 0.0f;
    xy[1] = 2.0f;
    ASSERT_TRUE(xy.Append("p"));
    ASSERT_TRUE(r.Read("p"));
    EXPECT_EQ(r.Geometry(), 1);
    EXPECT_FLOAT_EQ(r[8], 2.0f);
    EXPECT_FLOAT_EQ(r[9], 1.5707964f);
}

TEST(ParticleGroupFile, AppendAfterAnInterruptedAppendWritesAtTheStoredEnd)
{
    ASSERT_TRUE(Numbered(2).Write("c"));
    // Particles written but the count never patched: readers still see two particles.
    WriteBytes("c.dpt", ReadBytes("c.dpt") + Floats(8, 555.0f));
    ParticleGroup r;
    ASSERT_TRUE(r.Read("c"));
    EXPECT_EQ(r.nParticles(), 2);
    ASSERT_TRUE(Numbered(1, 1000.0f).Append("c"));
    ASSERT_TRUE(r.Read("c"));
    ASSERT_EQ(r.nParticles(), 3);
    EXPECT_EQ(r[16], 1000.0f);
}

TEST(ParticleGroupFile, OlderFilesAreReadAndRewrittenBeforeAppending)
{
    // Version 1 with 7 columns: the eighth column reads as 0.
    WriteBytes("v1.dpt", Head(1, 2, 7) + Floats(14, 1.0f));
    ParticleGroup g;
    ASSERT_TRUE(g.Read("v1"));
    ASSERT_EQ(g.nParticles(), 2);
    EXPECT_EQ(g[6], 7.0f);
    EXPECT_EQ(g[7], 0.0f);
    EXPECT_EQ(g[8], 8.0f);
    EXPECT_EQ(g.t5, 6.0f);
    EXPECT_EQ(g.Max(6), 13.0f);
    EXPECT_EQ(g.text1, "ab");
    ASSERT_TRUE(g.Read("v1", 1, 1));
    EXPECT_EQ(g[0], 8.0f);

    ASSERT_TRUE(Numbered(1, 100.0f).Append("v1"));
    std::string const b = ReadBytes("v1.dpt");
    EXPECT_EQ(At<int>(b, 0), 2);
    EXPECT_EQ(At<int>(b, 12), 3);
    ASSERT_TRUE(g.Read("v1"));
    ASSERT_EQ(g.nParticles(), 3);
    EXPECT_EQ(g[8], 8.0f);
    EXPECT_EQ(g[15], 0.0f);
    EXPECT_EQ(g[16], 100.0f);
    EXPECT_EQ(g.text1, "ab");

    // A header extension is skipped on reading and gone after an append.
    WriteBytes("ext.dpt", Head(2, 1, 8, "EXTENSION") + Floats(8, 1.0f));
    ASSERT_TRUE(g.Read("ext"));
    EXPECT_EQ(g[7], 8.0f);
    ASSERT_TRUE(Numbered(1, 50.0f).Append("ext"));
    EXPECT_EQ(At<int>(ReadBytes("ext.dpt"), 4), 0);
    ASSERT_TRUE(g.Read("ext"));
    ASSERT_EQ(g.nParticles(), 2);
    EXPECT_EQ(g[0], 1.0f);
    EXPECT_EQ(g[8], 50.0f);
}

TEST(ParticleGroupFile, MalformedFilesFailWithoutChangingTheGroup)
{
    ParticleGroup src = Numbered(3);
    src.text2 = "xyz";
    ASSERT_TRUE(src.Write("good"));
    std::string const good = ReadBytes("good.dpt");

    ParticleGroup g = Numbered(1, 42.0f);
    for (size_t cut = 0; cut < good.size(); cut += 3) {
        WriteBytes("cut.dpt", good.substr(0, cut));
        EXPECT_FALSE(g.Read("cut")) << cut;
    }
    char const* names[] = {"cols0", "cols9", "colsHuge", "negCount", "pastEnd", "text", "ext"};
    std::string const files[] = {
        Head(2, 1, 0) + Floats(8, 0.0f),
        Head(2, 1, 9) + Floats(9, 0.0f),
        LE<int>(2) + LE<int>(0) + LE<int>(0) + LE<int>(1) + LE<int>(1 << 30) + Floats(64, 0.0f),
        Head(2, -1, 8),
        Head(2, 0x7fffffff, 8) + Floats(8, 0.0f),
        LE<int>(2) + LE<int>(0) + LE<int>(0) + LE<int>(0) + LE<int>(8) + Floats(23, 0.0f)
            + LE<int>(-5),
        LE<int>(2) + LE<int>(1 << 30) + Floats(64, 0.0f),
    };
    for (int i = 0; i < 7; ++i) {
        WriteBytes(std::string(names[i]) + ".dpt", files[i]);
        EXPECT_FALSE(g.Read(names[i])) << names[i];
        EXPECT_FALSE(Numbered(1).Append(names[i])) << names[i];
        EXPECT_EQ(ReadBytes(std::string(names[i]) + ".dpt"), files[i]) << names[i];
    }
    EXPECT_FALSE(g.Read("missing"));
    ASSERT_EQ(g.nParticles(), 1);
    EXPECT_EQ(g[0], 42.0f);
}
