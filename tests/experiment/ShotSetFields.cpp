// Fields of a whole set read from the cache files: the same values as GetShotData, the
// cache first, each shot's own Scalars.ini where the cache has no section for it.
#include "ExperimentFixture.h"

using testsupport::Exists;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace {

class ShotSetFieldsTest : public ExperimentTest {
protected:
    /// The values of `names` for `shots` (group 0 unless given), row by row.
    std::vector<std::string> Fields(std::vector<std::string> const& shots,
                                    std::vector<std::string> const& names,
                                    std::vector<int> const& groups = {})
    {
        DStringArray s, n, values;
        DArray<int> g;
        for (size_t i = 0; i < shots.size(); ++i) {
            s.Add(shots[i].c_str());
            g.Add(i < groups.size() ? groups[i] : 0);
        }
        for (std::string const& name : names)
            n.Add(name.c_str());
        Expt.GetShotSetFields(s, g, n, values);
        std::vector<std::string> out;
        for (int i = 0; i < values.Count(); ++i)
            out.push_back(S(values[i]));
        return out;
    }
    /// What GetShotData gives for each name with the shot current.
    std::vector<std::string> Current(std::string const& shot, std::vector<std::string> const& names)
    {
        EXPECT_TRUE(Expt.SetShot(shot.c_str(), 0));
        std::vector<std::string> out;
        for (std::string const& name : names)
            out.push_back(S(Expt.GetShotData(name.c_str())));
        return out;
    }
    std::string Shots() const { return exp + "/Shots"; }
};

} // namespace

TEST_F(ShotSetFieldsTest, CacheSectionsReadAsGetShotDataReadsScalars)
{
    Open();
    // Odd but legal text: names in another case, duplicates, blanks, CRs, a header without
    // its bracket, empty values, a key that is a prefix of another.
    std::string const section = "Date=d1\r\nCOMMENT=first\r\ncomment=second\r\n   \r\n"
                                "Gain=\r\nGain0=2\r\nPeak=3.25 \r\n;Note=x\r\nA=1=2\r\n";
    for (char const* shot : {"A", "B"})
        MakeFolder(Shots() + "/Shot" + shot);
    WriteBytes(Shots() + "/ShotA/Scalars.ini", "[Fields]\r\n" + section);
    WriteBytes(Shots() + "/ShotB/Scalars.ini", "[FIELDS]\nDate=d2\n[Fields]\nDate=late\n[Other");
    WriteBytes(Shots() + "/ScalarCache.ini",
               "x=1\r\n[shota]\r\n" + section + "[ShotB]\nDate=d2\n[SHOTB]\nDate=late\n[Other");
    std::vector<std::string> const names = {"Date", "Comment", "comment", "Gain::Gain0",
                                            "Peak", "Missing", ";Note",   "A",
                                            "A=1",  "Shot",    "shot"};
    std::vector<std::string> expected = Current("A", names);
    std::vector<std::string> const b = Current("B", names);
    expected.insert(expected.end(), b.begin(), b.end());
    Expt.SetExperimentFolder(exp.c_str());
    EXPECT_EQ(Fields({"A", "B"}, names), expected);
    EXPECT_EQ(expected[1], "first");
    EXPECT_EQ(expected[3], "2");
    EXPECT_EQ(expected[9], "A");
}

TEST_F(ShotSetFieldsTest, ShotWithoutCacheSectionFallsBackToItsOwnFile)
{
    Open();
    ASSERT_EQ(Create("1", "one"), 0);
    ASSERT_EQ(Create("2", "two"), 0);
    MakeFolder(Shots() + "/Shot3"); // no field file at all
    // Shot 2's section is lost, as when the cache was written by a program that failed.
    std::string cache = ReadBytes(Shots() + "/ScalarCache.ini");
    size_t const at = cache.find("[Shot2]");
    ASSERT_NE(at, std::string::npos);
    WriteBytes(Shots() + "/ScalarCache.ini", cache.substr(0, at));
    EXPECT_EQ(Fields({"1", "2", "3"}, {"Comment"}), (std::vector<std::string> {"one", "two", ""}));
    EXPECT_FALSE(Exists(Shots() + "/Shot3/Scalars.ini")); // reading creates nothing
}

TEST_F(ShotSetFieldsTest, MissingCacheFileReadsEveryShotsOwnFile)
{
    Open();
    ASSERT_EQ(Create("1", "one"), 0);
    ASSERT_EQ(Create("2", "two"), 0);
    std::remove((Shots() + "/ScalarCache.ini").c_str());
    EXPECT_EQ(Fields({"2", "1"}, {"Comment", "Shot"}),
              (std::vector<std::string> {"two", "2", "one", "1"}));
    EXPECT_FALSE(Exists(Shots() + "/ScalarCache.ini"));
}

TEST_F(ShotSetFieldsTest, StaleCacheSectionIsWhatTheListingShowsUntilRebuilt)
{
    Open();
    ASSERT_EQ(Create("1", "old"), 0);
    // Another program changed Scalars.ini alone: the cache is the listing's source.
    std::string scalars = ReadBytes(Shots() + "/Shot1/Scalars.ini");
    scalars.replace(scalars.find("Comment=old"), 11, "Comment=new");
    WriteBytes(Shots() + "/Shot1/Scalars.ini", scalars);
    EXPECT_EQ(Fields({"1"}, {"Comment"}), (std::vector<std::string> {"old"}));
    ASSERT_TRUE(Expt.SetShot("1", 0));
    Expt.SetShotCacheData();
    EXPECT_EQ(Fields({"1"}, {"Comment"}), (std::vector<std::string> {"new"}));
}

TEST_F(ShotSetFieldsTest, HeldWritesOfAPauseAreSeenAndUnknownGroupsGiveNothing)
{
    Open();
    ASSERT_EQ(Create("1", "one"), 0);
    Expt.SetPauseIO(true);
    Expt.SetShotData("Comment", "held");
    EXPECT_EQ(Fields({"1", "1", "1"}, {"Comment"}, {0, 3, -1}),
              (std::vector<std::string> {"held", "", ""}));
    Expt.SetPauseIO(false);
    EXPECT_EQ(Fields({"1"}, {"Comment"}), (std::vector<std::string> {"held"}));
}
