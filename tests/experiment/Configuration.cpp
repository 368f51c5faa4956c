// Selecting an experiment folder: shot paths, groups, cues, path forms and the run stamp.
#include "ExperimentFixture.h"

#include "DIni.h"

using testsupport::Exists;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

TEST_F(ExperimentTest, FolderWithoutSettingsFileOpensWithDefaults)
{
    Open();
    EXPECT_EQ(S(Expt.GetExperimentName()), "Exp1");
    EXPECT_EQ(S(Expt.GetExperimentPath()), data);
    EXPECT_EQ(S(Expt.GetExperimentFolder()), exp);
    ASSERT_EQ(Expt.ShotPaths.Count(), 1);
    EXPECT_EQ(S(Expt.ShotPaths[0]), exp + "/Shots");
    for (char const* sub : {"/Shots", "/Query", "/Macros"})
        EXPECT_TRUE(std::filesystem::is_directory(exp + sub)) << sub;
    ASSERT_EQ(Expt.Cues.Count(), 1);
    EXPECT_EQ(S(Expt.Cues[0].Cue), "*");
    EXPECT_EQ(Expt.Cues[0].Group, 0);
    EXPECT_EQ(Expt.GetCurrentGroup(), 0);
    EXPECT_TRUE(!Expt.GetShotName());
    EXPECT_TRUE(!Expt.Description);
    EXPECT_EQ(Experiment::CurDataVersion, 19);
}

TEST_F(ExperimentTest, GroupsAddShotPathsInOrderAndCuesFindTheirGroups)
{
    MakeFolder(data + "/Old/Run1");
    MakeFolder(data + "/Old/Run2");
    WriteBytes(data + "/Old/Run3", "a file, not a shot path");
    MakeFolder(data + "/Archive/A1");
    MakeFolder(data + "/Archive/.hidden1");
    Open("[General]\r\nDescription=Test series\r\n"
         "[Groups]\r\n..\\Old\\Run*;x;Old runs=ignored\r\n.\\Nothing*;;Empty\r\n"
         "..\\Archive\\A*;;Archived\r\n"
         "[ShotCreation]\r\n#=..\\Old\\Run2\r\nTest=.\\Shots\r\nX=C:\\Nowhere\r\n"
         "*=..\\Archive\\A1\r\n");
    EXPECT_EQ(S(Expt.Description), "Test series");
    ASSERT_EQ(Expt.Groups.Count(), 3);
    EXPECT_EQ(S(Expt.Groups[0].Pattern), "..\\Old\\Run*");
    EXPECT_EQ(S(Expt.Groups[0].Label), "Old runs");
    EXPECT_EQ(S(Expt.Groups[1].Label), "Empty");
    EXPECT_EQ(S(Expt.Groups[2].Label), "Archived");
    ASSERT_EQ(Expt.ShotPaths.Count(), 4);
    EXPECT_EQ(S(Expt.ShotPaths[1]), data + "/Old/Run1");
    EXPECT_EQ(S(Expt.ShotPaths[2]), data + "/Old/Run2");
    EXPECT_EQ(S(Expt.ShotPaths[3]), data + "/Archive/A1");
    ASSERT_EQ(Expt.Cues.Count(), 4);
    EXPECT_EQ(S(Expt.Cues[0].Cue), "#");
    EXPECT_EQ(Expt.Cues[0].Group, 2);
    EXPECT_EQ(Expt.Cues[1].Group, 0);
    EXPECT_EQ(Expt.Cues[2].Group, -1);
    EXPECT_EQ(Expt.Cues[3].Group, 3);
    EXPECT_EQ(Expt.GetShotGroupNumber("..\\old\\RUN2"), 2);
    EXPECT_EQ(Expt.GetShotGroupNumber(".\\Shots"), 0);
    EXPECT_EQ(Expt.GetShotGroupNumber("..\\Old"), -1);
    EXPECT_EQ(S(Expt.GetShotGroupPath(3)), data + "/Archive/A1");
    EXPECT_TRUE(!Expt.GetShotGroupPath(4));
    EXPECT_TRUE(!Expt.GetShotGroupPath(-1));
}

TEST_F(ExperimentTest, SelectingAnotherFolderReplacesEverythingAndEmptyClosesIt)
{
    MakeFolder(data + "/Old/Run1");
    Open("[Groups]\r\n..\\Old\\Run*\r\n[ShotCreation]\r\nT=..\\Old\\Run1\r\n");
    DString name = "1";
    ASSERT_EQ(Expt.CreateShot(name), 0);

    ASSERT_TRUE(Expt.SetExperimentFolder((data + "/Exp2").c_str()));
    EXPECT_EQ(S(Expt.ExperimentName), "Exp2");
    EXPECT_EQ(Expt.ShotPaths.Count(), 1);
    EXPECT_EQ(Expt.Groups.Count(), 0);
    EXPECT_EQ(Expt.Cues.Count(), 1);
    EXPECT_TRUE(!Expt.ShotName);
    EXPECT_TRUE(!Expt.ScalarsFileName);

    ASSERT_TRUE(Expt.SetExperimentFolder(""));
    EXPECT_TRUE(!Expt.GetExperimentName());
    EXPECT_EQ(Expt.GetCurrentGroup(), -1);
    EXPECT_TRUE(!Expt.GetCurPath());
    name = "2";
    EXPECT_EQ(Expt.CreateShot(name), -1);
    EXPECT_FALSE(Expt.SetShot("1", 0));
    EXPECT_FALSE(Expt.DeleteShot());
}

TEST_F(ExperimentTest, FolderEndingInSeparatorChangesOnlyThePathMembers)
{
    Open();
    ASSERT_TRUE(Expt.SetExperimentFolder((data + "/").c_str()));
    EXPECT_TRUE(!Expt.ExperimentName);
    EXPECT_EQ(S(Expt.ExperimentFolder), data + "/");
    EXPECT_EQ(Expt.ShotPaths.Count(), 1);
    EXPECT_EQ(S(Expt.ShotPaths[0]), exp + "/Shots");
}

TEST_F(ExperimentTest, LoggingTracesGroupsAndCues)
{
    Logging = true;
    Open();
    std::string log = ReadBytes(std::string(GetUserPath().c_str()) + "/Log.txt");
    EXPECT_NE(log.find("Parsing out shot groups... by "), std::string::npos);
    EXPECT_NE(log.find("Getting cues... by "), std::string::npos);
}

TEST_F(ExperimentTest, FullPathResolvesRelativeForms)
{
    Expt.ExperimentFolder = "D:\\Data\\Exp1";
    Expt.ExperimentPath = "D:\\Data";
    EXPECT_EQ(S(Expt.FullPath("..\\Calib\\c1")), "D:\\Data\\Calib\\c1");
    EXPECT_EQ(S(Expt.FullPath(".\\Query\\q")), "D:\\Data\\Exp1\\Query\\q");
    EXPECT_EQ(S(Expt.FullPath("./Query/q")), "D:\\Data\\Exp1\\Query\\q");
    EXPECT_EQ(S(Expt.FullPath("E:\\x")), "E:\\x");
    EXPECT_EQ(S(Expt.AppendExptPathElts("a", "b")), "D:\\Data\\Exp1\\a\\b");
}

TEST_F(ExperimentTest, RelativePathMatchesWholeElementsAndWritesBackslashes)
{
    Expt.ExperimentFolder = "D:\\Data\\Exp1";
    Expt.ExperimentPath = "D:\\Data";
    EXPECT_EQ(S(Expt.RelativePath("D:\\Data\\Exp1\\Query\\q")), ".\\Query\\q");
    EXPECT_EQ(S(Expt.RelativePath("d:/data/EXP1/Query")), ".\\Query");
    EXPECT_EQ(S(Expt.RelativePath("D:\\Data\\Other\\x")), "..\\Other\\x");
    EXPECT_EQ(S(Expt.RelativePath("D:\\Data\\Exp10\\x")), "..\\Exp10\\x");
    EXPECT_EQ(S(Expt.RelativePath("D:\\DataX\\y")), "D:\\DataX\\y");

    Open();
    EXPECT_EQ(S(Expt.RelativePath((data + "/Archive/Run1").c_str())), "..\\Archive\\Run1");
    EXPECT_EQ(S(Expt.RelativePath(Expt.ShotPaths[0])), ".\\Shots");
    EXPECT_EQ(S(Expt.FullPath(Expt.RelativePath(Expt.ShotPaths[0]))), exp + "/Shots");
}

TEST_F(ExperimentTest, StampConfigFileReplacesLastRunWhole)
{
    Open();
    DString shot = "12";
    ASSERT_EQ(Expt.CreateShot(shot), 0);
    std::string file = testsupport::TestDir() + "/module.ini";
    WriteBytes(file, "[LastRun]\r\nOld=1\r\nShot=x\r\n[Other]\r\nk=v\r\n");
    DIni ini(file.c_str());
    Expt.StampConfigFile(ini);
    std::string text = ReadBytes(file);
    std::string expected = "[Other]\r\nk=v\r\n[LastRun]\r\nShot=12\r\nShotPath=" + exp + "/Shots\r\nStarted=";
    ASSERT_EQ(text.substr(0, expected.size()), expected);
    EXPECT_EQ(text.size(), expected.size() + 19); // "%m/%d/%Y %H:%M:%S"
}

TEST_F(ExperimentTest, CopiesAreIndependent)
{
    Open();
    Experiment copy(Expt);
    copy.ShotPaths[0] = "elsewhere";
    EXPECT_EQ(S(Expt.ShotPaths[0]), exp + "/Shots");
    Experiment& alias = copy;
    copy = alias;
    EXPECT_EQ(S(copy.ShotPaths[0]), "elsewhere");
}
