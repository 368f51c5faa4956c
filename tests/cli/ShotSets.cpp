// Sets of shots: listing, evaluating expressions over them, shot lists and backups.
#include "CliFixture.h"

#include <ctime>
#include <filesystem>

namespace {

/// Adds shot path 1, ..\Archive\Run1, where shots named A... are created.
void AddArchive(const std::string& exp)
{
    std::filesystem::create_directories(testsupport::TestDir() + "/Archive/Run1");
    testsupport::WriteBytes(exp + "/Exp1.ini",
                            "[General]\r\nDescription=Test series\r\n"
                            "[Groups]\r\n..\\Archive\\Run*;;Archived runs\r\n"
                            "[ShotCreation]\r\nA=..\\Archive\\Run1\r\n*=.\\Shots\r\n");
}

/// Seconds since 1970 as the tool shows dates (local time).
std::string IsoDate(long long seconds)
{
    std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm {};
    char buf[32] = "";
#ifdef _WIN32
    const std::tm* local = std::localtime(&t);
    if (local)
        tm = *local;
    bool const converted = local != nullptr;
#else
    bool const converted = localtime_r(&t, &tm) != nullptr;
#endif
    if (converted)
        std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
    return buf;
}

} // namespace

TEST_F(CliTest, ShotsListsASetWithGroupDateAndComment)
{
    AddArchive(exp);
    ASSERT_EQ(InExp({"create", "A7", "--comment", "archived, kept"}).status, 0);
    ASSERT_EQ(InExp({"set", "A7", "Date", "01/03/2024 09:00:00"}).status, 0);
    EXPECT_TRUE(testsupport::Exists(testsupport::TestDir() + "/Archive/Run1/ShotA7"));

    Result all = InExp({"shots"});
    EXPECT_EQ(all.status, 0) << all.err;
    EXPECT_EQ(all.out, "Shot  Group  Date                 Comment\n"
                       "1001      0  2024-01-02 10:00:00  first shot\n"
                       "1002      0  2024-01-02 10:00:00\n"
                       "A7        1  2024-01-03 09:00:00  archived, kept\n");
    EXPECT_EQ(InExp({"shots", "a*", "--csv"}).out,
              "Shot,Group,Date,Comment\nA7,1,2024-01-03 09:00:00,\"archived, kept\"\n");
    // A range keeps the shots that exist; a source or a data object narrows the set.
    const std::string both = "Shot,Group,Date,Comment\n1001,0,2024-01-02 10:00:00,first shot\n"
                             "1002,0,2024-01-02 10:00:00,\n";
    EXPECT_EQ(InExp({"shots", "1000:1005", "--csv"}).out, both);
    EXPECT_EQ(InExp({"shots", "--source", ".\\Shots", "--csv"}).out, both);
    EXPECT_EQ(InExp({"shots", "--source", "1", "--csv"}).out.substr(24, 3), "A7,");
    EXPECT_EQ(InExp({"shots", "--data", "grid.dmt", "--csv"}).out,
              "Shot,Group,Date,Comment\n1001,0,2024-01-02 10:00:00,first shot\n");
    EXPECT_EQ(InExp({"shots", "9*"}).out, "Shot  Group  Date  Comment\n");
}

TEST_F(CliTest, ShotsReadTheCacheAndFallBackToAShotsOwnFields)
{
    // Shot 1002 loses its cache section and shot 1001 its Date: 1002's comment comes from
    // its own Scalars.ini, 1001's date from the file's date (a range: the folder's date).
    const std::string shots = exp + "/Shots";
    ASSERT_EQ(InExp({"set", "1002", "Comment", "own"}).status, 0);
    ASSERT_EQ(InExp({"unset", "1001", "Date"}).status, 0);
    std::string cache = testsupport::ReadBytes(shots + "/ScalarCache.ini");
    size_t at = cache.find("[Shot1002]");
    ASSERT_NE(at, std::string::npos);
    testsupport::WriteBytes(shots + "/ScalarCache.ini", cache.substr(0, at));
    testsupport::SetFileTime(shots + "/Shot1001/Scalars.ini", 1700000000);
    testsupport::SetFileTime(shots + "/Shot1001", 1600000000);
    EXPECT_EQ(InExp({"shots", "--csv"}).out, "Shot,Group,Date,Comment\n1001,0,"
                                                 + IsoDate(1700000000)
                                                 + ",first shot\n"
                                                   "1002,0,2024-01-02 10:00:00,own\n");
    EXPECT_EQ(InExp({"shots", "1001:1001", "--csv"}).out,
              "Shot,Group,Date,Comment\n1001,0," + IsoDate(1600000000) + ",first shot\n");
}

TEST_F(CliTest, EvalGivesOneRowPerShotAndOneColumnPerExpression)
{
    Result run = InExp({"eval", "Peak*2", "-x", "probe\\mx", "-x", "Gain::1+Missing"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Shot  Peak*2  probe\\mx  Gain::1+Missing\n"
                       "1001     6.5         5      (undefined)\n"
                       "1002       3         5      (undefined)\n");
    EXPECT_EQ(InExp({"eval", "[Peak]-1", "1002", "--csv"}).out, "Shot,[Peak]-1\n1002,0.5\n");
    EXPECT_EQ(InExp({"eval", "Nothing", "1001", "--csv"}).out, "Shot,Nothing\n1001,\n");
    // The next shot's trace, through the data name's offset mark.
    EXPECT_EQ(InExp({"eval", ">\\probe\\mx", "--csv"}).out, "Shot,>\\probe\\mx\n1001,5\n1002,\n");
}

TEST_F(CliTest, ListSaveAndMergeWriteShotListFiles)
{
    Result saved = InExp({"list", "save", "Good", "1001"});
    EXPECT_EQ(saved.status, 0) << saved.err;
    EXPECT_EQ(saved.out, "saved 1 shot as list Good\n");
    EXPECT_EQ(testsupport::ReadBytes(exp + "/ShotLists/Good.txt"), "1001;.\\Shots");

    EXPECT_EQ(InExp({"list", "merge", "Good.txt", "100*"}).out,
              "added 1 of 2 shots to list Good\n");
    EXPECT_EQ(InExp({"shots", "--list", "Good", "--csv"}).out,
              "Shot,Group,Date,Comment\n1001,0,2024-01-02 10:00:00,first shot\n"
              "1002,0,2024-01-02 10:00:00,\n");
    EXPECT_EQ(InExp({"eval", "Peak", "--list", "Good", "--csv"}).out,
              "Shot,Peak\n1001,3.25\n1002,1.5\n");
}

TEST_F(CliTest, BackupCopiesTheShotAndNeverReplacesAnEarlierCopy)
{
    const std::string backup = testsupport::TestDir() + "/Backup/Exp1/Shots/Shot1001";
    Result first = InExp({"backup", "1001"});
    EXPECT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(first.out, backup + "\n");
    EXPECT_EQ(InExp({"backup", "1001"}).out, backup + "_1\n");
    EXPECT_EQ(testsupport::ReadBytes(backup + "_1/probe.wvf"),
              testsupport::ReadBytes(exp + "/Shots/Shot1001/probe.wvf"));
}

TEST_F(CliTest, ListSaveTakesSeveralShotsAndNamesFromStandardInput)
{
    ASSERT_EQ(InExp({"create", "1003"}).status, 0);
    Result several = InExp({"list", "save", "Pick", "1003", "1001", "1003"});
    EXPECT_EQ(several.status, 0) << several.err;
    EXPECT_EQ(several.out, "saved 2 shots as list Pick\n");
    // In the order given.
    EXPECT_EQ(testsupport::ReadBytes(exp + "/ShotLists/Pick.txt"),
              "1003;.\\Shots\r\n1001;.\\Shots");

    // One name a line; blanks around a name and empty lines do not count.
    Result piped = InExp({"list", "save", "Piped", "-"}, "1002\r\n\n  1003 \n1002\n");
    EXPECT_EQ(piped.status, 0) << piped.err;
    EXPECT_EQ(piped.out, "saved 2 shots as list Piped\n");
    Result merged = InExp({"list", "merge", "Piped", "-", "100*"}, "1001\n");
    EXPECT_EQ(merged.out, "added 1 of 3 shots to list Piped\n");

    // A name that is no shot fails the whole command and keeps the list.
    const std::string before = testsupport::ReadBytes(exp + "/ShotLists/Piped.txt");
    Result unknown = InExp({"list", "save", "Piped", "-"}, "1001\n9999\n");
    EXPECT_EQ(unknown.status, 1);
    EXPECT_EQ(unknown.err.rfind("talvex: no shot '9999' in ", 0), 0u) << unknown.err;
    EXPECT_EQ(testsupport::ReadBytes(exp + "/ShotLists/Piped.txt"), before);
    Result nothing = InExp({"list", "save", "Empty", "-"}, "\n");
    EXPECT_EQ(nothing.err, "talvex: no shot names on standard input\n");
}
