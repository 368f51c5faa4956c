// Ranges of shot names and shot sets: widths, group guessing, wildcards and data-file filters.
#include "ExperimentFixture.h"

#include <chrono>
#include <ctime>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

using testsupport::WriteBytes;

namespace {

using Set = std::vector<std::pair<std::string, int>>;

Set AsSet(DStringArray const& shots, DArray<int> const& groups)
{
    Set out;
    for (int i = 0; i < shots.Count(); ++i)
        out.emplace_back(shots[i].c_str(), i < groups.Count() ? groups[i] : -99);
    return out;
}

} // namespace

class ShotSetTest : public ExperimentTest {
protected:
    /// Shot paths Shots (0) and ..\Fast (1), with the given shot folders.
    void Make(std::vector<std::string> const& inShots, std::vector<std::string> const& inFast)
    {
        for (auto const& s : inShots)
            MakeFolder(exp + "/Shots/Shot" + s);
        MakeFolder(data + "/Fast");
        for (auto const& s : inFast)
            MakeFolder(data + "/Fast/Shot" + s);
        Open("[Groups]\r\n..\\Fast;;fast\r\n");
        ASSERT_EQ(Expt.ShotPaths.Count(), 2);
    }
    Set Range(char const* spec, int gnum = -1)
    {
        Expt.GetShotList(spec, gnum, shots, groups, nullptr);
        return AsSet(shots, groups);
    }
    Set Select(char const* source, char const* spec, char const* dataFile,
               DArray<long long>* dates = nullptr)
    {
        Expt.GetShotSet(source, spec, dataFile, shots, groups, dates);
        if (dates) {
            EXPECT_EQ(dates->Count(), shots.Count());
        }
        return AsSet(shots, groups);
    }

    DStringArray shots;
    DArray<int> groups;
};

TEST_F(ShotSetTest, RangesKeepTheFirstWidthAndExistingShots)
{
    Make({"Run98", "Run99", "Run100", "Run101", "A7", "A9", "007", "008", "010"}, {});
    EXPECT_EQ(Range("Run98:Run101"), (Set{{"Run98", 0}, {"Run99", 0}, {"Run100", 0}, {"Run101", 0}}));
    EXPECT_EQ(Range("A7:A9"), (Set{{"A7", 0}, {"A9", 0}}));
    EXPECT_EQ(Range("007:10"), (Set{{"007", 0}, {"008", 0}, {"010", 0}}));
    // The second name contributes only its number.
    EXPECT_EQ(Range("A7:Zzz9"), (Set{{"A7", 0}, {"A9", 0}}));
    EXPECT_EQ(Range("Run99:Run99"), (Set{{"Run99", 0}}));

    for (char const* none : {"A:A9", "A7:A", "A7:", ":9", "A9:A7", "A0:A2000000000"})
        EXPECT_TRUE(Range(none).empty()) << none;
}

TEST_F(ShotSetTest, RangeGroupIsGuessedAndFollowsShotsFoundElsewhere)
{
    Make({"A1", "A2"}, {"A3", "B1", "B2"});
    // The first shot fixes the group; a shot missing there is looked for everywhere, and the
    // group found holds for the entries before it until one of them is missing again.
    EXPECT_EQ(Range("A1:A3"), (Set{{"A1", 0}, {"A2", 0}, {"A3", 1}}));
    EXPECT_EQ(Range("B1:B2"), (Set{{"B1", 1}, {"B2", 1}}));
    EXPECT_EQ(Range("B1:B2", 0), (Set{{"B1", 1}, {"B2", 1}}));
    // An unknown first shot starts in group 0; a group beyond the shot paths is guessed.
    EXPECT_EQ(Range("A0:A2"), (Set{{"A1", 0}, {"A2", 0}}));
    EXPECT_EQ(Range("A1:A2", 9), (Set{{"A1", 0}, {"A2", 0}}));
}

TEST_F(ShotSetTest, WildcardSetsFilteredByDataFile)
{
    Make({"1200", "1234", "1299", "1300"}, {"1250"});
    WriteBytes(exp + "/Shots/Shot1200/probe.wvf", "x");
    WriteBytes(exp + "/Shots/Shot1234/PROBE.WVF", "x");
    WriteBytes(exp + "/Shots/Shot1299/probe.dmt", "x");
    WriteBytes(exp + "/Shots/Shot1300/probe.wvf", "x");
    WriteBytes(data + "/Fast/Shot1250/probe.wvf", "x");
    MakeFolder(exp + "/Shots/Shot1201/probe.wvf"); // a folder is not a data file
    WriteBytes(exp + "/Shots/Shot1298", "a file is not a shot");

    EXPECT_EQ(Select(".\\Shots", "12*", "probe"), (Set{{"1200", 0}, {"1234", 0}}));
    EXPECT_EQ(Select(".\\SHOTS", "12*", "probe.dmt"), (Set{{"1299", 0}}));
    EXPECT_EQ(Select(".\\Shots", "12*", "prob?.*"), (Set{{"1200", 0}, {"1234", 0}, {"1299", 0}}));
    EXPECT_EQ(Select(".\\Shots", "12*", "*"), (Set{{"1200", 0}, {"1201", 0}, {"1234", 0}, {"1299", 0}}));
    EXPECT_EQ(Select(".\\Shots", "12*", ""), Select(".\\Shots", "12*", "*"));
    EXPECT_EQ(Select("..\\Fast", "*", "probe"), (Set{{"1250", 1}}));
    EXPECT_EQ(Select((data + "/Fast").c_str(), "1250", ""), (Set{{"1250", 1}}));
    // A range in one shot path.
    EXPECT_EQ(Select(".\\Shots", "1299:1300", "probe"), (Set{{"1300", 0}}));

    EXPECT_TRUE(Select("..\\Nowhere", "*", "").empty());
    EXPECT_TRUE(Select(".\\Shots", "..\\..\\*", "").empty());
}

TEST_F(ShotSetTest, SetDatesComeFromScalarsOrTheShotFolder)
{
    Make({"1", "2"}, {});
    WriteBytes(exp + "/Shots/Shot1/Scalars.ini", "[Fields]\r\n");
    auto const old = std::filesystem::file_time_type::clock::now() - std::chrono::hours(48);
    std::filesystem::last_write_time(exp + "/Shots/Shot1/Scalars.ini", old);

    DArray<long long> dates;
    EXPECT_EQ(Select(".\\Shots", "*", "", &dates), (Set{{"1", 0}, {"2", 0}}));
    long long const now = (long long)time(nullptr);
    EXPECT_LT(dates[0], now - 47 * 3600); // Scalars.ini's date
    EXPECT_EQ(dates[1], 0);               // no Scalars.ini

    WriteBytes(exp + "/ShotLists/l.txt", "1\r\n2\r\n");
    EXPECT_EQ(Select("(shot LIST)", "l", "", &dates), (Set{{"1", 0}, {"2", 0}}));
    EXPECT_GT(dates[0], now - 3600); // the folders' own dates
    EXPECT_GT(dates[1], now - 3600);
}
