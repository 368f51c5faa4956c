// Ranges of shot names and shot sets: widths, group guessing, wildcards and data-file filters.
#include "ShotListFixture.h"

#include <chrono>
#include <ctime>
#include <filesystem>

using testsupport::WriteBytes;

TEST_F(ShotListTest, RangesKeepTheFirstWidthAndExistingShots)
{
    Make({"Run98", "Run99", "Run100", "Run101", "A7", "A9", "007", "008", "010"}, {});
    Logging = true;
    EXPECT_EQ(List("Run98:Run101"),
              (Set {{"Run98", 0}, {"Run99", 0}, {"Run100", 0}, {"Run101", 0}}));
    EXPECT_NE(LogText().find("Got names of shots in range by "), std::string::npos);
    EXPECT_EQ(List("A7:A9"), (Set {{"A7", 0}, {"A9", 0}}));
    EXPECT_EQ(List("007:10"), (Set {{"007", 0}, {"008", 0}, {"010", 0}}));
    EXPECT_EQ(List("A7:Zzz9"), (Set {{"A7", 0}, {"A9", 0}})); // only B's number counts
    for (char const* none : {"A:A9", "A7:A", "A7:", ":9", "A9:A7", "A0:A2000000000"})
        EXPECT_TRUE(List(none).empty()) << none;
}

TEST_F(ShotListTest, RangesFindFoldersInAnyCaseButNotFiles)
{
    Make({"run1", "RUN3"}, {});
    WriteBytes(exp + "/Shots/ShotRun2", "a file is not a shot");
    MakeFolder(exp + "/Shots/sHOTRun4");
    EXPECT_EQ(List("Run1:Run4"), (Set {{"Run1", 0}, {"Run3", 0}, {"Run4", 0}}));
    DArray<long long> dates;
    EXPECT_EQ(List("Run3:Run4", 0, &dates), (Set {{"Run3", 0}, {"Run4", 0}}));
    ASSERT_EQ(dates.Count(), 2);
    EXPECT_GT(dates[0], 0); // the folder found in another case gives its date
    EXPECT_GT(dates[1], 0);
}

TEST_F(ShotListTest, RangeGroupIsGuessedAndFollowsShotsFoundElsewhere)
{
    Make({"A1", "A2"}, {"A3", "B1", "B2"});
    // The first shot fixes the group; a shot missing there is looked for everywhere, and the
    // group found holds for the entries before it until one of them is missing again.
    EXPECT_EQ(List("A1:A3"), (Set {{"A1", 0}, {"A2", 0}, {"A3", 1}}));
    EXPECT_EQ(List("B1:B2", 0), (Set {{"B1", 1}, {"B2", 1}}));
    // An unknown first shot starts in group 0; a group beyond the shot paths is guessed.
    EXPECT_EQ(List("A0:A2"), (Set {{"A1", 0}, {"A2", 0}}));
    EXPECT_EQ(List("A1:A2", 9), (Set {{"A1", 0}, {"A2", 0}}));
}

TEST_F(ShotListTest, WildcardSetsFilteredByDataFile)
{
    Make({"1200", "1234", "1299", "1300"}, {"1250"});
    WriteBytes(exp + "/Shots/Shot1200/probe.wvf", "x");
    WriteBytes(exp + "/Shots/Shot1234/PROBE.WVF", "x");
    WriteBytes(exp + "/Shots/Shot1299/probe.dmt", "x");
    WriteBytes(exp + "/Shots/Shot1300/probe.wvf", "x");
    WriteBytes(data + "/Fast/Shot1250/probe.wvf", "x");
    MakeFolder(exp + "/Shots/Shot1201/probe.wvf"); // a folder is not a data file
    WriteBytes(exp + "/Shots/Shot1298", "a file is not a shot");

    Set const all = {{"1200", 0}, {"1201", 0}, {"1234", 0}, {"1299", 0}};
    EXPECT_EQ(Select(".\\Shots", "12*", "probe"), (Set {{"1200", 0}, {"1234", 0}}));
    EXPECT_EQ(Select(".\\SHOTS", "12*", "probe.dmt"), (Set {{"1299", 0}}));
    EXPECT_EQ(Select(".\\Shots", "12*", "prob?.*"), (Set {{"1200", 0}, {"1234", 0}, {"1299", 0}}));
    EXPECT_EQ(Select(".\\Shots", "12*", "*"), all);
    EXPECT_EQ(Select(".\\Shots", "12*", ""), all);
    EXPECT_EQ(Select("..\\Fast", "*", "probe"), (Set {{"1250", 1}}));
    EXPECT_EQ(Select((data + "/Fast").c_str(), "1250", ""), (Set {{"1250", 1}}));
    EXPECT_EQ(Select(".\\Shots", "1299:1300", "probe"), (Set {{"1300", 0}}));
    EXPECT_TRUE(Select("..\\Nowhere", "*", "").empty());
    EXPECT_TRUE(Select(".\\Shots", "..\\..\\*", "").empty());
}

TEST_F(ShotListTest, SetDatesComeFromScalarsOrTheShotFolder)
{
    Make({"1", "2"}, {});
    WriteBytes(exp + "/Shots/Shot1/Scalars.ini", "[Fields]\r\n");
    auto const old = std::filesystem::file_time_type::clock::now() - std::chrono::hours(48);
    std::filesystem::last_write_time(exp + "/Shots/Shot1/Scalars.ini", old);
    long long const now = (long long)time(nullptr);

    DArray<long long> dates;
    EXPECT_EQ(Select(".\\Shots", "*", "", &dates), (Set {{"1", 0}, {"2", 0}}));
    EXPECT_LT(dates[0], now - 47 * 3600); // Scalars.ini's date
    EXPECT_EQ(dates[1], 0);               // no Scalars.ini
    WriteBytes(ListFile("l.txt"), "1\r\n2\r\n");
    EXPECT_EQ(Select("(shot LIST)", "l", "", &dates), (Set {{"1", 0}, {"2", 0}}));
    EXPECT_GT(dates[0], now - 3600); // the folders' own dates
}
