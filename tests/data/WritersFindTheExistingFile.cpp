// Whole writes and appends given a name in another case reach the file that exists under it.
#include "DataSamples.h"
#include "Geometry.h"
#include "Matrix.h"
#include "ParticleGroup.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

using testsupport::Grid;
using testsupport::Particles;

namespace {

// The exact names of the current folder's entries that start with `prefix`.
std::set<std::string> Entries(std::string const& prefix)
{
    std::set<std::string> names;
    for (auto const& e : std::filesystem::directory_iterator(std::filesystem::current_path())) {
        std::string const name = e.path().filename().string();
        if (name.compare(0, prefix.size(), prefix) == 0)
            names.insert(name);
    }
    return names;
}

} // namespace

TEST(WritersFindTheExistingFile, MatrixAppendInPlaceAndByRewrite)
{
    ASSERT_TRUE(Grid(2, 1, 0.0f).Write("CaseGrid"));
    ASSERT_TRUE(Grid(2, 1, 10.0f).Append("casegrid"));
    EXPECT_EQ(Entries("CaseGrid"), std::set<std::string> {"CaseGrid.dmt"});
    EXPECT_TRUE(Entries("casegrid").empty());
    Matrix r;
    ASSERT_TRUE(r.Read("CaseGrid"));
    ASSERT_EQ(r.GetSize(2), 2);
    EXPECT_EQ(r[3], 11.0f);

    // A listed last axis is rewritten whole: the old values must be read from the same file.
    Matrix listed = Grid(2, 1, 0.0f);
    listed.SetStep(2, 0.0f);
    ASSERT_TRUE(listed.Write("CaseList"));
    Matrix more = Grid(2, 1, 20.0f);
    more.SetStep(2, 0.0f);
    more.SetCoord(2, 0, 7.0f);
    ASSERT_TRUE(more.Append("CASELIST"));
    EXPECT_EQ(Entries("CaseList"), std::set<std::string> {"CaseList.dmt"});
    EXPECT_TRUE(Entries("CASELIST").empty());
    ASSERT_TRUE(r.Read("CaseList"));
    ASSERT_EQ(r.GetSize(2), 2);
    EXPECT_EQ(r[0], 0.0f);
    EXPECT_EQ(r[3], 21.0f);
}

TEST(WritersFindTheExistingFile, ParticleAppendInPlace)
{
    ASSERT_TRUE(Particles(1, 1.0f).Write("CaseCloud"));
    ASSERT_TRUE(Particles(2, 5.0f).Append("CASECLOUD"));
    EXPECT_EQ(Entries("CaseCloud"), std::set<std::string> {"CaseCloud.dpt"});
    EXPECT_TRUE(Entries("CASECLOUD").empty());
    ParticleGroup r;
    ASSERT_TRUE(r.Read("CaseCloud"));
    ASSERT_EQ(r.nParticles(), 3);
    EXPECT_EQ(r.PData()[0].col[0], 1.0f);
    EXPECT_EQ(r.PData()[2].col[0], 6.0f);
}

TEST(WritersFindTheExistingFile, WholeWritesReplaceItUnderItsOwnName)
{
    ASSERT_TRUE(Grid(2, 1, 0.0f).Write("CaseWhole"));
    ASSERT_TRUE(Grid(3, 1, 4.0f).Write("casewhole"));
    ASSERT_TRUE(Particles(1, 0.0f).Write("CaseWhole"));
    ASSERT_TRUE(Particles(2, 0.0f).Write("CASEWHOLE"));
    Geometry g;
    ASSERT_TRUE(g.Write("CaseWhole"));
    g.Add(Geometry::Object());
    ASSERT_TRUE(g.Write("caseWHOLE"));
    EXPECT_EQ(Entries("CaseWhole"),
              (std::set<std::string> {"CaseWhole.dgm", "CaseWhole.dmt", "CaseWhole.dpt"}));
    EXPECT_TRUE(Entries("casewhole").empty());
    EXPECT_TRUE(Entries("CASEWHOLE").empty());
    EXPECT_TRUE(Entries("caseWHOLE").empty());

    Matrix m;
    ASSERT_TRUE(m.Read("CaseWhole"));
    EXPECT_EQ(m.Count(), 3);
    ParticleGroup p;
    ASSERT_TRUE(p.Read("CaseWhole"));
    EXPECT_EQ(p.nParticles(), 2);
    Geometry back;
    ASSERT_TRUE(back.Read("CaseWhole"));
    EXPECT_EQ(back.Count(), 1);
}
