// Creating, selecting, renaming and deleting shots, and the names and groups derived from them.
#include "ExperimentFixture.h"

using testsupport::Exists;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace {

/// Three shot paths: Shots (0), ..\Fast (1), ..\Slow (2), and cues of every kind.
char const kThreeGroups[] = "[Groups]\r\n..\\Fast;;fast\r\n..\\Slow;;slow\r\n"
                            "[ShotCreation]\r\nTe=..\\Slow\r\n#=..\\Fast\r\nLost=C:\\Nowhere\r\n"
                            "False=..\\Slow\r\n*=.\\Shots\r\n";

} // namespace

TEST_F(ExperimentTest, CreateShotMakesReusesOrRefuses)
{
    Open();
    EXPECT_EQ(Create("1234"), 0);
    EXPECT_TRUE(IsFolder(exp + "/Shots/Shot1234"));
    EXPECT_EQ(S(Expt.GetShotFolder()), N(exp + "/Shots/Shot1234"));
    EXPECT_EQ(Expt.GetShotData("Date").Len(), 19);

    Expt.SetShotData("Date", "kept");
    EXPECT_EQ(Create("1234", "again"), -1);
    DString name = "*1234";
    EXPECT_EQ(Expt.CreateShot(name, "", false), 0);
    EXPECT_EQ(S(name), "1234");
    EXPECT_EQ(S(Expt.GetShotData("Date")), "kept");
    name = "*1234";
    EXPECT_EQ(Expt.CreateShot(name, "note", true), 0);
    EXPECT_NE(S(Expt.GetShotData("Date")), "kept");
    EXPECT_EQ(S(Expt.GetShotData("Comment")), "note");

    // With a data name the shot is reused unless a matching trace is there.
    EXPECT_EQ(Create("1234\\probe"), 0);
    WriteBytes(exp + "/Shots/Shot1234/Xprobe.wvf", "x");
    EXPECT_EQ(Create("1234\\probe"), -1);
    EXPECT_EQ(Create("*1234\\probe"), 0);
}

TEST_F(ExperimentTest, CuesPlaceNewShotsAndNamesFindTheirGroups)
{
    MakeFolder(data + "/Fast");
    MakeFolder(data + "/Slow");
    Open(kThreeGroups);
    ASSERT_EQ(Expt.ShotPaths.Count(), 3);
    struct {
        char const* name;
        int group;
    } const cases[] = {
        {"77", 1}, {"Test7", 2}, {"te9", 2}, {"Lost1", 0}, {"Abc", 2}, {"bcd", 0}, {"1e3x", 0},
    };
    for (auto const& c : cases) {
        EXPECT_EQ(Create(c.name), c.group) << c.name;
        EXPECT_EQ(Expt.GetCurrentGroup(), c.group) << c.name;
    }
    EXPECT_TRUE(IsFolder(data + "/Slow/ShotTest7"));
    EXPECT_EQ(Create("test7"), -3);

    DString shot;
    EXPECT_EQ(Expt.GetShotGNumFromFileName("probe", shot), 0);
    EXPECT_EQ(S(shot), "1e3x");
    EXPECT_EQ(Expt.GetShotGNumFromFileName("77\\probe", shot), 1);
    EXPECT_EQ(S(shot), "77");
    EXPECT_EQ(Expt.GetShotGNumFromFileName("66\\probe", shot), -1);
}

TEST_F(ExperimentTest, ShotNamesAreOneFolderName)
{
    Open();
    MakeFolder(exp + "/Shots/ShotA/sub");
    for (char const* bad : {"a/..\\x", "../x", "..", ".", "*", "\\probe", "*../../x"})
        EXPECT_EQ(Create(bad), -1) << bad;
    EXPECT_FALSE(Exists(data + "/x"));
    EXPECT_FALSE(Exists(exp + "/Shots/Shot"));
    EXPECT_FALSE(Expt.SetShot("A/sub", 0));
    EXPECT_FALSE(Expt.SetShot("A\\sub"));

    ASSERT_TRUE(Expt.SetShot("A"));
    for (char const* bad : {"../../Moved", "x\\y", "..", ""})
        EXPECT_FALSE(Expt.RenameShot(bad)) << bad;
    EXPECT_TRUE(IsFolder(exp + "/Shots/ShotA/sub"));
}

TEST_F(ExperimentTest, SetShotSelectsSearchesAndRefuses)
{
    MakeFolder(data + "/Fast/Shot5");
    MakeFolder(data + "/Slow/Shot5");
    MakeFolder(data + "/Slow/Shot6");
    Open(kThreeGroups);
    Logging = true;
    EXPECT_TRUE(Expt.SetShot("*6"));
    EXPECT_EQ(S(Expt.ScalarsFileName), N(data + "/Slow/Shot6/Scalars.ini"));
    EXPECT_EQ(S(Expt.ScalarCacheFileName), N(data + "/Slow/ScalarCache.ini"));
    EXPECT_TRUE(Expt.SetShot("5")); // the current group is searched first
    EXPECT_EQ(Expt.GetCurrentGroup(), 2);
    Expt.SetTempShot("5", 1);
    EXPECT_EQ(Expt.GetCurrentGroup(), 1);
    Expt.ResetShot();
    EXPECT_EQ(Expt.GetCurrentGroup(), 2);
    EXPECT_TRUE(Expt.SetShot("404", 0)); // an explicit group needs no folder
    EXPECT_FALSE(Expt.SetShot("nowhere"));
    EXPECT_FALSE(Expt.SetShot("5", 3));
    EXPECT_EQ(S(Expt.ShotName), "404");
    ASSERT_TRUE(Expt.SetExperimentFolder(""));
    EXPECT_FALSE(Expt.SetShot("5", 1));
    EXPECT_EQ(Expt.GetCurrentGroup(), -1);

    std::string log = LogText();
    for (char const* line : {"setting ini's in SetShot by ", "Finished setting shot by ",
                             "gnum is -1 by ", "gnum is 3 by ", "experiment name not defined by "})
        EXPECT_NE(log.find(line), std::string::npos) << line;
}

TEST_F(ExperimentTest, DeleteShotRemovesFolderAndCacheSection)
{
    Open();
    ASSERT_EQ(Create("B"), 0);
    ASSERT_EQ(Create("A"), 0);
    EXPECT_TRUE(Expt.DeleteShot());
    EXPECT_FALSE(Exists(exp + "/Shots/ShotA"));
    std::string cache = ReadBytes(exp + "/Shots/ScalarCache.ini");
    EXPECT_EQ(cache.find("[ShotA]"), std::string::npos);
    EXPECT_NE(cache.find("[ShotB]"), std::string::npos);
    EXPECT_EQ(S(Expt.ShotName), "A");
    // A shot whose folder is gone cannot be renamed into existence.
    EXPECT_FALSE(Expt.RenameShot("C"));
    EXPECT_FALSE(Exists(exp + "/Shots/ShotC"));
}

TEST_F(ExperimentTest, RenameShotMovesFolderAndCacheSection)
{
    Open();
    ASSERT_EQ(Create("B"), 0);
    ASSERT_EQ(Create("A", "first"), 0);
    EXPECT_FALSE(Expt.RenameShot("b"));
    ASSERT_EQ(sink.got.size(), 1u);
    EXPECT_EQ(sink.got[0], std::make_pair(2, std::string("Shot b already exists, rename aborted")));

    // A stale cache section of a shot that is gone does not shadow the renamed one.
    DIni cache((exp + "/Shots/ScalarCache.ini").c_str());
    cache.SetSection("ShotC");
    cache.SetKeyValue("Comment", "stale");
    EXPECT_TRUE(Expt.RenameShot("*C"));
    EXPECT_TRUE(IsFolder(exp + "/Shots/ShotC"));
    EXPECT_EQ(S(Expt.ScalarsFileName), N(exp + "/Shots/ShotC/Scalars.ini"));
    std::string text = ReadBytes(exp + "/Shots/ScalarCache.ini");
    EXPECT_EQ(text.find("[ShotA]"), std::string::npos);
    EXPECT_EQ(text.find("stale"), std::string::npos);
    EXPECT_NE(text.find("[ShotC]\r\nComment=first\r\nDate="), std::string::npos);

    // Letter case only: no existence check, the folder takes the new name.
    EXPECT_TRUE(Expt.RenameShot("c"));
    EXPECT_EQ(S(Expt.ShotName), "c");
    EXPECT_TRUE(IsFolder(exp + "/Shots/Shotc"));
    EXPECT_FALSE(testsupport::Exists(exp + "/Shots/ShotC")); // the stored name
}

TEST_F(ExperimentTest, OffsetNamesAndValidNames)
{
    Open();
    struct {
        char const* current;
        int offset;
        char const* expected;
    } const offsets[] = {
        {"Run0099", 1, "Run0100"},
        {"Run0099", -100, "Run-0001"},
        {"A9", 1, "A10"},
        {"Base", 5, "Base"},
    };
    for (auto const& c : offsets) {
        ASSERT_TRUE(Expt.SetShot(c.current, 0));
        EXPECT_EQ(S(Expt.GetOffsetShotName(c.offset)), c.expected) << c.current << c.offset;
    }
    // Names valid only with the first set, only with the second, and with neither.
    EXPECT_TRUE(Expt.IsValidName("", false) && Expt.IsValidName("", true));
    for (char const* name : {"a&b", "a,b", "a/b", "a<b", "a>b", "a|b"})
        EXPECT_TRUE(Expt.IsValidName(name, false) && !Expt.IsValidName(name, true)) << name;
    for (char const* name : {"a=b", "a@b", "a\\b"})
        EXPECT_TRUE(!Expt.IsValidName(name, false) && Expt.IsValidName(name, true)) << name;
    for (char c : std::string("!\"#$*:;?{}~")) {
        DString name(c);
        EXPECT_FALSE(Expt.IsValidName(name, false) || Expt.IsValidName(name, true)) << c;
    }
}
