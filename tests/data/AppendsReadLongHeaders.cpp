// Appends to files whose header runs past the part read ahead: long texts, long extensions.
#include "DataSamples.h"
#include "Matrix.h"
#include "ParticleGroup.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>

using testsupport::Grid;
using testsupport::LE;
using testsupport::WriteBytes;

namespace {

std::string Str(std::string const& s)
{
    return LE<int>(int(s.size())) + s;
}

} // namespace

TEST(AppendsReadLongHeaders, MatrixTextsAcrossTheReadAhead)
{
    // The first text starts inside the part read ahead and ends past it.
    std::string const longText(700, 'n');
    Matrix first = Grid(2, 1, 1.0f);
    first.name2 = longText.c_str();
    first.name1 = "after";
    ASSERT_TRUE(first.Write("longtext"));
    ASSERT_TRUE(Grid(2, 1, 5.0f).Append("longtext"));

    Matrix r;
    ASSERT_TRUE(r.Read("longtext"));
    ASSERT_EQ(r.GetSize(2), 2);
    EXPECT_EQ(r[1], 2.0f);
    EXPECT_EQ(r[3], 6.0f);
    EXPECT_EQ(r.Max(), 6.0f);
    EXPECT_EQ(std::string(r.name2.c_str()), longText);
    EXPECT_EQ(r.name1, "after");
}

TEST(AppendsReadLongHeaders, MatrixExtensionPastTheReadAhead)
{
    // Version 4, a 1000-byte extension, rank 1: three values on a regular axis.
    std::string file = LE<int>(4) + LE<int>(1000) + std::string(1000, 'x') + LE<int>(1) + LE<int>(3)
                       + LE<float>(1.0f) + LE<float>(0.0f) + LE<float>(3.0f) + LE<float>(1.0f)
                       + LE<float>(2.5f) + LE<float>(1.0f);
    for (int i = 0; i < 5; ++i)
        file += LE<float>(0.0f);
    file += Str("n2") + Str("n1") + Str("date");
    for (float v : {1.0f, 2.0f, 3.0f})
        file += LE<float>(v);
    WriteBytes("longext.dmt", file);

    Matrix more(2, 1);
    more[0] = 7.0f;
    more[1] = 8.0f;
    more.calibration = 2.5f;
    ASSERT_TRUE(more.Append("longext"));
    Matrix r;
    ASSERT_TRUE(r.Read("longext"));
    ASSERT_EQ(r.Count(), 5);
    EXPECT_EQ(r[2], 3.0f);
    EXPECT_EQ(r[4], 8.0f);
    EXPECT_EQ(r.Max(), 8.0f);
    EXPECT_EQ(r.name2, "n2");
}

TEST(AppendsReadLongHeaders, ParticleTextsAcrossTheReadAhead)
{
    std::string const longText(900, 't');
    ParticleGroup first(1);
    first.PData()[0].col[0] = 1.0f;
    first.text1 = longText.c_str();
    first.text2 = "second";
    first.Scale();
    ASSERT_TRUE(first.Write("longcloud"));
    ParticleGroup more(1);
    more.PData()[0].col[0] = 4.0f;
    more.Scale();
    ASSERT_TRUE(more.Append("longcloud"));

    ParticleGroup r;
    ASSERT_TRUE(r.Read("longcloud"));
    ASSERT_EQ(r.nParticles(), 2);
    EXPECT_EQ(r.PData()[1].col[0], 4.0f);
    EXPECT_EQ(r.Max(0), 4.0f);
    EXPECT_EQ(std::string(r.text1.c_str()), longText);
    EXPECT_EQ(r.text2, "second");
}
