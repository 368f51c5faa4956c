// Shot-list files: reading, saving (round trips), merging, and list names that stay in their
// folder.
#include "ShotListFixture.h"

#include <filesystem>

using testsupport::Exists;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

class ShotListFileTest : public ShotListTest {
protected:
    void SetUp() override
    {
        ShotListTest::SetUp();
        Make({"1234", "1235", "Run7"}, {"Run7", "F1"});
    }
};

TEST_F(ShotListFileTest, LinesQuotesGroupsAndMissingShots)
{
    Logging = true;
    WriteBytes(ListFile("a.txt"), "\"1234;.\\Shots\"\r\n"    // quoted line
                                  "1235\n"                   // no ';': group 0, LF ending
                                  "Run7;..\\Fast\r\n"        // another shot path, relative
                                  "Run7;.\\Shots\r\n"        // same name in group 0
                                  "Gone;.\\Shots\r\n"        // folder missing
                                  "F1;..\\Nowhere\r\n"       // not a shot path
                                  "\r\n"                     // blank
                                  "x\\..\\1234;.\\Shots\r\n" // not one folder name
                                  "F1;"
                                      + data + "/Fast\r\n"); // absolute path
    Set const want = {{"1234", 0}, {"1235", 0}, {"Run7", 1}, {"Run7", 0}, {"F1", 1}};
    EXPECT_EQ(List("a"), want);
    EXPECT_EQ(List("A.TXT"), want);
    DArray<long long> dates;
    List("a", -1, &dates);
    EXPECT_GT(dates[4], 0);
    EXPECT_NE(LogText().find("Got shot list and checked for existance by "), std::string::npos);

    EXPECT_TRUE(List("nothing").empty());
    EXPECT_TRUE(IsFolder(exp + "/ShotLists"));
    EXPECT_TRUE(List("").empty());
    EXPECT_EQ(groups.Count(), 0);
}

TEST_F(ShotListFileTest, SaveThenReadRoundTrip)
{
    std::filesystem::remove_all(exp + "/ShotLists");
    Give({{"1234", 0}, {"Run7", 1}, {"Run7", 0}, {"F1", 1}, {"Later", 0}});
    Expt.SaveShotList("mine.txt", shots, groups);
    // Written relative, with backslashes and CR LF, although the folder was missing.
    EXPECT_EQ(ReadBytes(ListFile("mine.txt")),
              "1234;.\\Shots\r\nRun7;..\\Fast\r\nRun7;.\\Shots\r\nF1;..\\Fast\r\nLater;.\\Shots");
    EXPECT_EQ(List("mine.txt"), (Set {{"1234", 0}, {"Run7", 1}, {"Run7", 0}, {"F1", 1}}));

    // The name is used as given: no ".txt" is added.
    Expt.SaveShotList("raw", shots, groups);
    EXPECT_TRUE(Exists(ListFile("raw")));
    EXPECT_FALSE(Exists(ListFile("raw.txt")));
}

TEST_F(ShotListFileTest, SaveLeavesOutWhatCannotBeReadBackOrWouldLeaveTheFolder)
{
    Give({{"a;..\\Fast", 0},
          {"b\r\nc;.\\Shots", 0},
          {"", 0},
          {"\"q", 0},
          {"x\\y", 0},
          {"1234", 7},
          {"1235", 0}});
    Expt.SaveShotList("odd.txt", shots, groups);
    EXPECT_EQ(ReadBytes(ListFile("odd.txt")), "1234;\r\n1235;.\\Shots");
    EXPECT_EQ(List("odd"), (Set {{"1235", 0}}));

    for (char const* bad : {"../evil.txt", "..\\evil.txt", "sub/x.txt", "..", ""})
        Expt.SaveShotList(bad, shots, groups);
    EXPECT_FALSE(Exists(exp + "/evil.txt"));
    EXPECT_FALSE(Exists(exp + "/ShotLists/sub"));
    WriteBytes(exp + "/outside.txt", "1234;.\\Shots\r\n");
    EXPECT_TRUE(List("..\\outside").empty());

    Expt.SetExperimentFolder("");
    Expt.SaveShotList("closed.txt", shots, groups);
    EXPECT_FALSE(Exists(ListFile("closed.txt")));
}

TEST_F(ShotListFileTest, MergeAddsNewShotsAndMarksListedOnes)
{
    WriteBytes(ListFile("base.txt"), "\"1234;.\\Shots\"\r\nF1;..\\Fast\r\nOld;..\\Retired\r\n");
    Give({{"1234", 0},    // listed: -1
          {"f1", 1},      // listed, other letter case: -1
          {"Run7", 1},    // new
          {"Run7", 0},    // same name, other group: new
          {"Run7", 1},    // given twice: the second is -1
          {"1235", -1}}); // not to be added
    Expt.MergeShotList("base", "merged.txt", shots, groups);
    EXPECT_EQ(
        Got(),
        (Set {{"1234", -1}, {"f1", -1}, {"Run7", 1}, {"Run7", 0}, {"Run7", -1}, {"1235", -1}}));
    // One line per shot; a line whose shot path is no longer configured is kept as written.
    EXPECT_EQ(ReadBytes(ListFile("merged.txt")),
              "1234;.\\Shots\r\nF1;..\\Fast\r\n"
              "Old;..\\Retired\r\nRun7;..\\Fast\r\nRun7;.\\Shots");

    // Into a list that does not exist yet: the given shots.
    Give({{"1235", 0}});
    Expt.MergeShotList("new.txt", "new.txt", shots, groups);
    EXPECT_EQ(ReadBytes(ListFile("new.txt")), "1235;.\\Shots");
    EXPECT_EQ(groups[0], 0);
}
