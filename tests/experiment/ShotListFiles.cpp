// Shot-list files: reading, saving (round trips), merging, and list names that stay in their folder.
#include "ExperimentFixture.h"

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

using testsupport::Exists;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace {

/// Shot paths Shots (0) and ..\Fast (1).
char const kTwoGroups[] = "[Groups]\r\n..\\Fast;;fast\r\n";

using Set = std::vector<std::pair<std::string, int>>;

Set AsSet(DStringArray const& shots, DArray<int> const& groups)
{
    Set out;
    for (int i = 0; i < shots.Count(); ++i)
        out.emplace_back(shots[i].c_str(), i < groups.Count() ? groups[i] : -99);
    return out;
}

} // namespace

class ShotListTest : public ExperimentTest {
protected:
    void SetUp() override
    {
        ExperimentTest::SetUp();
        for (char const* shot : {"1234", "1235", "Run7"})
            MakeFolder(exp + "/Shots/Shot" + shot);
        MakeFolder(data + "/Fast/ShotRun7");
        MakeFolder(data + "/Fast/ShotF1");
        Open(kTwoGroups);
        ASSERT_EQ(Expt.ShotPaths.Count(), 2);
    }
    Set List(char const* spec, DArray<long long>* dates = nullptr)
    {
        Expt.GetShotList(spec, -1, shots, groups, dates);
        EXPECT_EQ(shots.Count(), groups.Count());
        return AsSet(shots, groups);
    }
    std::string ListFile(std::string const& name) { return exp + "/ShotLists/" + name; }

    DStringArray shots;
    DArray<int> groups;
};

TEST_F(ShotListTest, ListFileLinesQuotesGroupsAndMissingShots)
{
    WriteBytes(ListFile("a.txt"), "\"1234;.\\Shots\"\r\n"  // quoted line
                                  "1235\n"                 // no ';': group 0, LF ending
                                  "Run7;..\\Fast\r\n"      // another shot path, relative
                                  "Run7;.\\Shots\r\n"      // same name in group 0
                                  "Gone;.\\Shots\r\n"      // folder missing
                                  "F1;..\\Nowhere\r\n"     // not a shot path
                                  "\r\n"                   // blank
                                  "x\\..\\1234;.\\Shots\r\n" // not one folder name
                                  "F1;" + data + "/Fast\r\n"); // absolute path
    Set const want = {{"1234", 0}, {"1235", 0}, {"Run7", 1}, {"Run7", 0}, {"F1", 1}};
    EXPECT_EQ(List("a"), want);
    EXPECT_EQ(List("a.txt"), want);
    EXPECT_EQ(List("A.TXT"), want);

    DArray<long long> dates;
    List("a", &dates);
    ASSERT_EQ(dates.Count(), 5);
    for (int i = 0; i < dates.Count(); ++i)
        EXPECT_GT(dates[i], 0);
}

TEST_F(ShotListTest, MissingListReadsEmptyAndCreatesTheFolder)
{
    EXPECT_TRUE(List("nothing").empty());
    EXPECT_TRUE(std::filesystem::is_directory(exp + "/ShotLists"));
    shots.Add("stale");
    groups.Add(3);
    EXPECT_TRUE(List("").empty());
    EXPECT_EQ(shots.Count(), 0);
    EXPECT_EQ(groups.Count(), 0);
}

TEST_F(ShotListTest, SaveThenReadRoundTrip)
{
    std::filesystem::remove_all(exp + "/ShotLists");
    DStringArray s;
    DArray<int> g;
    for (auto const& e : Set{{"1234", 0}, {"Run7", 1}, {"Run7", 0}, {"F1", 1}, {"Later", 0}}) {
        s.Add(e.first.c_str());
        g.Add(e.second);
    }
    Expt.SaveShotList("mine.txt", s, g);
    // Written relative, with backslashes and CR LF, although the folder was missing.
    EXPECT_EQ(ReadBytes(ListFile("mine.txt")), "1234;.\\Shots\r\nRun7;..\\Fast\r\nRun7;.\\Shots\r\n"
                                               "F1;..\\Fast\r\nLater;.\\Shots");
    Set const want = {{"1234", 0}, {"Run7", 1}, {"Run7", 0}, {"F1", 1}};
    EXPECT_EQ(List("mine.txt"), want);
    EXPECT_EQ(List("mine"), want);

    // The name is used as given: no ".txt" is added.
    Expt.SaveShotList("raw", s, g);
    EXPECT_TRUE(Exists(ListFile("raw")));
    EXPECT_FALSE(Exists(ListFile("raw.txt")));
}

TEST_F(ShotListTest, SaveLeavesOutWhatCannotBeReadBack)
{
    DStringArray s;
    DArray<int> g;
    for (auto const& e : Set{{"a;..\\Fast", 0}, {"b\r\nc;.\\Shots", 0}, {"", 0}, {"\"q", 0},
                             {"x\\y", 0}, {"1234", 7}, {"1235", 0}}) {
        s.Add(e.first.c_str());
        g.Add(e.second);
    }
    s.Add("1234"); // no group given
    Expt.SaveShotList("odd.txt", s, g);
    EXPECT_EQ(ReadBytes(ListFile("odd.txt")), "1234;\r\n1235;.\\Shots\r\n1234;");
    EXPECT_EQ(List("odd"), (Set{{"1235", 0}}));
}

TEST_F(ShotListTest, ListNamesNeverLeaveTheListFolder)
{
    DStringArray s;
    DArray<int> g;
    s.Add("1234");
    g.Add(0);
    for (char const* bad : {"../evil.txt", "..\\evil.txt", "sub/x.txt", "..", ".", ""})
        Expt.SaveShotList(bad, s, g);
    EXPECT_FALSE(Exists(exp + "/evil.txt"));
    EXPECT_FALSE(Exists(exp + "/ShotLists/sub"));
    EXPECT_EQ(Expt.GetExperimentName().Len(), 4);

    WriteBytes(exp + "/outside.txt", "1234;.\\Shots\r\n");
    EXPECT_TRUE(List("..\\outside").empty());
    EXPECT_TRUE(List("../outside").empty());

    // Nothing is written while no experiment is open.
    Expt.SetExperimentFolder("");
    Expt.SaveShotList("closed.txt", s, g);
    EXPECT_FALSE(Exists(ListFile("closed.txt")));
}

TEST_F(ShotListTest, MergeAddsNewShotsAndMarksListedOnes)
{
    WriteBytes(ListFile("base.txt"), "\"1234;.\\Shots\"\r\nF1;..\\Fast\r\nOld;..\\Retired\r\n");
    DStringArray s;
    DArray<int> g;
    for (auto const& e : Set{{"1234", 0},   // listed: -1
                             {"f1", 1},     // listed, other letter case: -1
                             {"Run7", 1},   // new
                             {"Run7", 0},   // same name, other group: new
                             {"Run7", 1},   // given twice: the second is -1
                             {"1235", -1}}) // not to be added
    {
        s.Add(e.first.c_str());
        g.Add(e.second);
    }
    Expt.MergeShotList("base", "merged.txt", s, g);
    EXPECT_EQ(AsSet(s, g), (Set{{"1234", -1}, {"f1", -1}, {"Run7", 1}, {"Run7", 0}, {"Run7", -1},
                                {"1235", -1}}));
    // One line per shot; a line whose shot path is no longer configured is kept as written.
    EXPECT_EQ(ReadBytes(ListFile("merged.txt")), "1234;.\\Shots\r\nF1;..\\Fast\r\nOld;..\\Retired\r\n"
                                                 "Run7;..\\Fast\r\nRun7;.\\Shots");
    EXPECT_EQ(List("merged"), (Set{{"1234", 0}, {"F1", 1}, {"Run7", 1}, {"Run7", 0}}));

    // Merging into a list that does not exist yet saves the given shots.
    DStringArray n;
    DArray<int> ng;
    n.Add("1235");
    ng.Add(0);
    Expt.MergeShotList("new.txt", "new.txt", n, ng);
    EXPECT_EQ(ReadBytes(ListFile("new.txt")), "1235;.\\Shots");
    EXPECT_EQ(ng[0], 0);
}

TEST_F(ShotListTest, LogLinesWhenLogging)
{
    Logging = true;
    WriteBytes(ListFile("a.txt"), "1234\r\n");
    List("a");
    List("1234:1235");
    std::string log = ReadBytes(std::string(GetUserPath().c_str()) + "/Log.txt");
    EXPECT_NE(log.find("Got names of shots in range by "), std::string::npos);
    EXPECT_NE(log.find("Got shot list and checked for existance by "), std::string::npos);
}
