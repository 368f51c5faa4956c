// Selecting an experiment folder: shot paths, groups, cues, path forms and the run stamp.
#include "ExperimentFixture.h"

#include "DIni.h"

using testsupport::ReadBytes;
using testsupport::WriteBytes;

TEST_F(ExperimentTest, FolderWithoutSettingsFileOpensWithDefaults)
{
    Logging = true;
    Open();
    EXPECT_EQ(S(Expt.GetExperimentName()), "Exp1");
    EXPECT_EQ(S(Expt.GetExperimentPath()), data);
    ASSERT_EQ(Expt.ShotPaths.Count(), 1);
    EXPECT_EQ(S(Expt.ShotPaths[0]), N(exp + "/Shots"));
    for (char const* sub : {"/Shots", "/Query", "/Macros"})
        EXPECT_TRUE(IsFolder(exp + sub)) << sub;
    ASSERT_EQ(Expt.Cues.Count(), 1);
    EXPECT_EQ(S(Expt.Cues[0].Cue), "*");
    EXPECT_EQ(Expt.Cues[0].Group, 0);
    EXPECT_EQ(Expt.GetCurrentGroup(), 0);
    EXPECT_TRUE(!Expt.GetShotName());
    EXPECT_NE(LogText().find("Parsing out shot groups... by "), std::string::npos);
    EXPECT_NE(LogText().find("Getting cues... by "), std::string::npos);
}

TEST_F(ExperimentTest, GroupsAddShotPathsInOrderAndCuesFindTheirGroups)
{
    MakeFolder(data + "/Old/Run1");
    MakeFolder(data + "/Old/Run2");
    WriteBytes(data + "/Old/Run3", "a file, not a shot path");
    MakeFolder(data + "/Archive/A1");
    Open("[General]\r\nDescription=Test series\r\n"
         "[Groups]\r\n..\\Old\\Run*;x;Old "
         "runs=ignored\r\n.\\Nothing*;;Empty\r\n..\\Archive\\A*;;Arch\r\n"
         "[ShotCreation]\r\n#=..\\Old\\Run2\r\nTest=.\\Shots\r\nX=C:\\Nowhere\r\n*=.."
         "\\Archive\\A1\r\n");
    EXPECT_EQ(S(Expt.Description), "Test series");
    ASSERT_EQ(Expt.Groups.Count(), 3);
    EXPECT_EQ(S(Expt.Groups[0].Pattern), "..\\Old\\Run*");
    EXPECT_EQ(S(Expt.Groups[0].Label), "Old runs");
    ASSERT_EQ(Expt.ShotPaths.Count(), 4);
    EXPECT_EQ(S(Expt.ShotPaths[1]), N(data + "/Old/Run1"));
    EXPECT_EQ(S(Expt.ShotPaths[2]), N(data + "/Old/Run2"));
    EXPECT_EQ(S(Expt.ShotPaths[3]), N(data + "/Archive/A1"));
    ASSERT_EQ(Expt.Cues.Count(), 4);
    int const groups[] = {2, 0, -1, 3};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(Expt.Cues[i].Group, groups[i]) << i;
    EXPECT_EQ(Expt.GetShotGroupNumber("..\\old\\RUN2"), 2);
    EXPECT_EQ(Expt.GetShotGroupNumber("..\\Old"), -1);
    EXPECT_TRUE(!Expt.GetShotGroupPath(4));

    // Another folder replaces everything; an empty one closes the experiment.
    ASSERT_TRUE(Expt.SetExperimentFolder((data + "/Exp2").c_str()));
    EXPECT_EQ(Expt.ShotPaths.Count(), 1);
    EXPECT_EQ(Expt.Groups.Count(), 0);
    ASSERT_TRUE(Expt.SetExperimentFolder(""));
    EXPECT_TRUE(!Expt.GetExperimentName());
    EXPECT_EQ(Expt.GetCurrentGroup(), -1);
    EXPECT_TRUE(!Expt.GetCurPath());
    EXPECT_EQ(Create("2"), -1);
}

TEST_F(ExperimentTest, PathFormsMatchWholeElementsAndWriteBackslashes)
{
    Expt.ExperimentFolder = "D:\\Data\\Exp1";
    Expt.ExperimentPath = "D:\\Data";
    EXPECT_EQ(S(Expt.FullPath("..\\Calib\\c1")), "D:\\Data\\Calib\\c1");
    // Only '\' separates on Windows: "./" is no prefix there.
    EXPECT_EQ(S(Expt.FullPath("./Query/q")),
              testsupport::kWindows ? "./Query/q" : "D:\\Data\\Exp1\\Query\\q");
    EXPECT_EQ(S(Expt.RelativePath("D:\\Data\\Exp1\\Query\\q")), ".\\Query\\q");
    EXPECT_EQ(S(Expt.RelativePath("d:/data/EXP1/Query")), ".\\Query");
    EXPECT_EQ(S(Expt.RelativePath("D:\\Data\\Exp10\\x")), "..\\Exp10\\x");
    EXPECT_EQ(S(Expt.RelativePath("D:\\DataX\\y")), "D:\\DataX\\y");

    Open();
    EXPECT_EQ(S(Expt.RelativePath((data + "/Archive/Run1").c_str())), "..\\Archive\\Run1");
    EXPECT_EQ(S(Expt.FullPath(Expt.RelativePath(Expt.ShotPaths[0]))), N(exp + "/Shots"));
}

TEST_F(ExperimentTest, StampConfigFileReplacesLastRunWhole)
{
    Open();
    ASSERT_EQ(Create("12"), 0);
    std::string file = testsupport::TestDir() + "/module.ini";
    WriteBytes(file, "[LastRun]\r\nOld=1\r\nShot=x\r\n[Other]\r\nk=v\r\n");
    DIni ini(file.c_str());
    Expt.StampConfigFile(ini);
    std::string text = ReadBytes(file);
    std::string expected = "[Other]\r\nk=v\r\n[LastRun]\r\nShot=12\r\nShotPath=" + N(exp + "/Shots")
                           + "\r\nStarted=";
    ASSERT_EQ(text.substr(0, expected.size()), expected);
    EXPECT_EQ(text.size(), expected.size() + 19); // "%m/%d/%Y %H:%M:%S"
}
