// Creating, selecting, renaming and deleting shots, and the names and groups derived from them.
#include "ExperimentFixture.h"

#include "Core.h"

#include <filesystem>

using testsupport::Exists;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace {

/// Three shot paths: Shots (0), ..\Fast (1), ..\Slow (2).
char const kThreeGroups[] = "[Groups]\r\n..\\Fast;;fast\r\n..\\Slow;;slow\r\n"
                            "[ShotCreation]\r\nTe=..\\Slow\r\n#=..\\Fast\r\nLost=C:\\Nowhere\r\n"
                            "False=..\\Slow\r\n*=.\\Shots\r\n";

} // namespace

TEST_F(ExperimentTest, CreateShotMakesUsesOrRefusesExistingShots)
{
    Open();
    DString name = "1234";
    EXPECT_EQ(Expt.CreateShot(name, "", false), 0);
    EXPECT_TRUE(std::filesystem::is_directory(exp + "/Shots/Shot1234"));
    EXPECT_EQ(S(Expt.GetShotName()), "1234");
    EXPECT_EQ(S(Expt.GetShotFolder()), exp + "/Shots/Shot1234");
    EXPECT_EQ(Expt.GetShotData("Date").Len(), 19);

    Expt.SetShotData("Date", "kept");
    std::string before = ReadBytes(exp + "/Shots/Shot1234/Scalars.ini");
    EXPECT_EQ(Expt.CreateShot(name, "again", true), -1);
    EXPECT_EQ(ReadBytes(exp + "/Shots/Shot1234/Scalars.ini"), before);

    name = "*1234";
    EXPECT_EQ(Expt.CreateShot(name, "", false), 0);
    EXPECT_EQ(S(name), "1234");
    EXPECT_EQ(S(Expt.GetShotData("Date")), "kept");
    name = "*1234";
    EXPECT_EQ(Expt.CreateShot(name, "note", true), 0);
    EXPECT_NE(S(Expt.GetShotData("Date")), "kept");
    EXPECT_EQ(S(Expt.GetShotData("Comment")), "note");
}

TEST_F(ExperimentTest, CreateShotWithDataNameReusesUnlessTheTraceExists)
{
    Open();
    DString name = "1234";
    ASSERT_EQ(Expt.CreateShot(name), 0);
    name = "1234\\probe";
    EXPECT_EQ(Expt.CreateShot(name), 0);
    WriteBytes(exp + "/Shots/Shot1234/Xprobe.wvf", "x");
    name = "1234\\probe";
    EXPECT_EQ(Expt.CreateShot(name), -1);
    name = "*1234\\probe";
    EXPECT_EQ(Expt.CreateShot(name), 0);
    EXPECT_EQ(S(name), "1234\\probe");
}

TEST_F(ExperimentTest, CuesPlaceNewShots)
{
    MakeFolder(data + "/Fast");
    MakeFolder(data + "/Slow");
    Open(kThreeGroups);
    ASSERT_EQ(Expt.ShotPaths.Count(), 3);
    struct {
        char const* name;
        int group;
    } const cases[] = {
        {"77", 1},     // '#': a number
        {"Test7", 2},  // prefix cue, tried before '#'
        {"te9", 2},    // prefixes ignore case
        {"Lost1", 0},  // the cue's folder is not a shot path
        {"Abc", 2},    // first letter is the table's first: "False"
        {"bcd", 0},    // "True"
        {"1e3x", 0},   // not a number as a whole
    };
    for (auto const& c : cases) {
        DString name = c.name;
        EXPECT_EQ(Expt.CreateShot(name), c.group) << c.name;
        EXPECT_EQ(Expt.GetCurrentGroup(), c.group) << c.name;
    }
    EXPECT_TRUE(std::filesystem::is_directory(data + "/Fast/Shot77"));
    EXPECT_TRUE(std::filesystem::is_directory(data + "/Slow/ShotTest7"));

    // An existing shot is found wherever it is: -(g+1).
    DString again = "Test7";
    EXPECT_EQ(Expt.CreateShot(again), -3);
}

TEST_F(ExperimentTest, ShotNamesAreOneFolderName)
{
    Open();
    MakeFolder(exp + "/Shots/ShotA/sub");
    for (char const* bad : {"a/..\\x", "../x", "a/b", "..", ".", "*", "\\probe", "*../../x"}) {
        DString name = bad;
        EXPECT_EQ(Expt.CreateShot(name), -1) << bad;
    }
    EXPECT_FALSE(Exists(data + "/x"));
    EXPECT_FALSE(Exists(exp + "/x"));
    EXPECT_FALSE(Exists(exp + "/Shots/Shot"));
    EXPECT_FALSE(Expt.SetShot("A/sub", 0));
    EXPECT_FALSE(Expt.SetShot("A\\sub"));
    EXPECT_FALSE(Expt.SetShot("..", 0));
    DString nested = "A\\sub";
    EXPECT_EQ(Expt.GuessPathFromShot(nested), -1);

    ASSERT_TRUE(Expt.SetShot("A"));
    for (char const* bad : {"../../Moved", "x\\y", "..", ".", ""})
        EXPECT_FALSE(Expt.RenameShot(bad)) << bad;
    EXPECT_TRUE(std::filesystem::is_directory(exp + "/Shots/ShotA"));
    EXPECT_EQ(S(Expt.ShotName), "A");
}

TEST_F(ExperimentTest, SetShotSelectsSearchesAndRefuses)
{
    MakeFolder(data + "/Fast/Shot5");
    MakeFolder(data + "/Slow/Shot5");
    MakeFolder(data + "/Slow/Shot6");
    Open(kThreeGroups);
    Logging = true;
    EXPECT_TRUE(Expt.SetShot("*6"));
    EXPECT_EQ(Expt.GetCurrentGroup(), 2);
    EXPECT_EQ(S(Expt.ScalarsFileName), data + "/Slow/Shot6/Scalars.ini");
    EXPECT_EQ(S(Expt.ScalarCacheFileName), data + "/Slow/ScalarCache.ini");
    // The current group is searched first.
    EXPECT_TRUE(Expt.SetShot("5"));
    EXPECT_EQ(Expt.GetCurrentGroup(), 2);
    EXPECT_TRUE(Expt.SetShot("5", 1));
    EXPECT_EQ(Expt.GetCurrentGroup(), 1);
    // An explicit group does not need the folder.
    EXPECT_TRUE(Expt.SetShot("404", 0));
    EXPECT_FALSE(Expt.SetShot("nowhere"));
    EXPECT_FALSE(Expt.SetShot("5", 3));
    EXPECT_EQ(S(Expt.ShotName), "404");

    std::string log = ReadBytes(std::string(GetUserPath().c_str()) + "/Log.txt");
    EXPECT_NE(log.find("setting ini's in SetShot by "), std::string::npos);
    EXPECT_NE(log.find("Finished setting shot by "), std::string::npos);
    EXPECT_NE(log.find("gnum is -1 by "), std::string::npos);
    EXPECT_NE(log.find("gnum is 3 by "), std::string::npos);

    ASSERT_TRUE(Expt.SetExperimentFolder(""));
    EXPECT_FALSE(Expt.SetShot("5", 1));
    EXPECT_EQ(Expt.GetCurrentGroup(), -1);
    log = ReadBytes(std::string(GetUserPath().c_str()) + "/Log.txt");
    EXPECT_NE(log.find("experiment name not defined by "), std::string::npos);
}

TEST_F(ExperimentTest, DeleteShotRemovesFolderAndCacheSection)
{
    Open();
    DString a = "A", b = "B";
    ASSERT_EQ(Expt.CreateShot(b), 0);
    ASSERT_EQ(Expt.CreateShot(a), 0);
    Expt.SetShotData("Peak", "1");
    EXPECT_TRUE(Expt.DeleteShot());
    EXPECT_FALSE(Exists(exp + "/Shots/ShotA"));
    std::string cache = ReadBytes(exp + "/Shots/ScalarCache.ini");
    EXPECT_EQ(cache.find("[ShotA]"), std::string::npos);
    EXPECT_NE(cache.find("[ShotB]"), std::string::npos);
    EXPECT_EQ(S(Expt.ShotName), "A");
    EXPECT_TRUE(Exists(exp + "/Shots/ShotB"));

    // The deleted shot cannot be renamed into existence.
    EXPECT_FALSE(Expt.RenameShot("C"));
    EXPECT_FALSE(Exists(exp + "/Shots/ShotC"));
    EXPECT_EQ(S(Expt.ShotName), "A");
}

TEST_F(ExperimentTest, RenameShotMovesFolderAndCacheSection)
{
    Open();
    DString a = "A", b = "B";
    ASSERT_EQ(Expt.CreateShot(b), 0);
    ASSERT_EQ(Expt.CreateShot(a, "first"), 0);

    EXPECT_FALSE(Expt.RenameShot("b"));
    ASSERT_EQ(sink.got.size(), 1u);
    EXPECT_EQ(sink.got[0].first, 2);
    EXPECT_EQ(sink.got[0].second, "Shot b already exists, rename aborted");

    // A stale cache section of a shot that is gone does not shadow the renamed one.
    DIni cache((exp + "/Shots/ScalarCache.ini").c_str());
    cache.SetSection("ShotC");
    cache.SetKeyValue("Comment", "stale");

    EXPECT_TRUE(Expt.RenameShot("*C"));
    EXPECT_FALSE(Exists(exp + "/Shots/ShotA"));
    EXPECT_TRUE(std::filesystem::is_directory(exp + "/Shots/ShotC"));
    EXPECT_EQ(S(Expt.ShotName), "C");
    EXPECT_EQ(S(Expt.ScalarsFileName), exp + "/Shots/ShotC/Scalars.ini");
    std::string text = ReadBytes(exp + "/Shots/ScalarCache.ini");
    EXPECT_EQ(text.find("[ShotA]"), std::string::npos);
    EXPECT_EQ(text.find("stale"), std::string::npos);
    EXPECT_NE(text.find("[ShotC]\r\nComment=first\r\nDate="), std::string::npos);
    EXPECT_EQ(S(Expt.GetShotData("Comment")), "first");

    // Letter case only: no existence check, the folder takes the new name.
    EXPECT_TRUE(Expt.RenameShot("c"));
    EXPECT_EQ(S(Expt.ShotName), "c");
    EXPECT_TRUE(std::filesystem::is_directory(exp + "/Shots/Shotc"));
    EXPECT_FALSE(std::filesystem::exists(exp + "/Shots/ShotC"));
}

TEST_F(ExperimentTest, TempShotIsRestored)
{
    Open();
    DString a = "A", b = "B";
    ASSERT_EQ(Expt.CreateShot(b), 0);
    ASSERT_EQ(Expt.CreateShot(a), 0);
    Expt.SetTempShot("B", -1);
    EXPECT_EQ(S(Expt.ShotName), "B");
    Expt.ResetShot();
    EXPECT_EQ(S(Expt.ShotName), "A");
}

TEST_F(ExperimentTest, OffsetShotNamesKeepTheirWidth)
{
    Open();
    struct {
        char const* current;
        int offset;
        char const* expected;
    } const cases[] = {
        {"Run0099", 1, "Run0100"}, {"Run0099", -100, "Run-0001"}, {"A9", 1, "A10"},
        {"Base", 5, "Base"},       {"Run0099", 0, "Run0099"},      {"7", -7, "0"},
    };
    for (auto const& c : cases) {
        ASSERT_TRUE(Expt.SetShot(c.current, 0));
        EXPECT_EQ(S(Expt.GetOffsetShotName(c.offset)), c.expected) << c.current << c.offset;
    }
}

TEST_F(ExperimentTest, ValidNamesDependOnTheSet)
{
    EXPECT_TRUE(Expt.IsValidName("", false));
    EXPECT_TRUE(Expt.IsValidName("", true));
    EXPECT_FALSE(Expt.IsValidName("a=b", false));
    EXPECT_TRUE(Expt.IsValidName("a=b", true));
    for (char const* name : {"a@b", "a\\b"}) {
        EXPECT_FALSE(Expt.IsValidName(name, false)) << name;
        EXPECT_TRUE(Expt.IsValidName(name, true)) << name;
    }
    for (char const* name : {"a&b", "a,b", "a/b", "a<b", "a>b", "a|b"}) {
        EXPECT_TRUE(Expt.IsValidName(name, false)) << name;
        EXPECT_FALSE(Expt.IsValidName(name, true)) << name;
    }
    for (char c : std::string("!\"#$*:;?{}~")) {
        std::string name = std::string("x") + c;
        EXPECT_FALSE(Expt.IsValidName(name.c_str(), false)) << name;
        EXPECT_FALSE(Expt.IsValidName(name.c_str(), true)) << name;
    }
}

TEST_F(ExperimentTest, ShotAndGroupFromFileName)
{
    MakeFolder(data + "/Fast/Shot5");
    Open(kThreeGroups);
    ASSERT_TRUE(Expt.SetShot("9", 0));
    DString shot;
    EXPECT_EQ(Expt.GetShotGNumFromFileName("probe", shot), 0);
    EXPECT_EQ(S(shot), "9");
    EXPECT_EQ(Expt.GetShotGNumFromFileName("5\\probe", shot), 1);
    EXPECT_EQ(S(shot), "5");
    EXPECT_EQ(Expt.GetShotGNumFromFileName("6\\probe", shot), -1);
}
