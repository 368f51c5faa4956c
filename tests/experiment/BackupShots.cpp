// Backup: the backup folder and its redirection, mirrored shot folders, and copies that never
// replace an earlier one, also when several processes back up the same shot at once.
#include "ExperimentFixture.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

using testsupport::Exists;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace fs = std::filesystem;

namespace {

/// Names and contents of the files in a folder, in name order.
std::string Listing(std::string const& folder)
{
    std::vector<std::string> names;
    for (auto const& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    std::string out;
    for (auto const& name : names)
        out += name + "=" + ReadBytes(folder + "/" + name) + "\n";
    return out;
}

} // namespace

class BackupTest : public ExperimentTest {
protected:
    /// Opens the experiment (a settings file with content, so that reading it never waits)
    /// and makes shot 1234 current with one data file.
    void OpenWithShot(std::string const& ini = "[General]\r\nDescription=x\r\n")
    {
        Open(ini);
        DString name = "1234";
        ASSERT_EQ(Expt.CreateShot(name), 0);
        WriteBytes(N(exp + "/Shots/Shot1234/probe.wvf"), "trace");
    }
    std::string Folder() { return S(Expt.GetBackupShotFolder()); }
};

TEST_F(BackupTest, DefaultFolderMirrorsTheShotAndNumbersLaterCopies)
{
    OpenWithShot();
    EXPECT_EQ(S(Expt.GetBackupPath()), N(data + "/Backup"));
    EXPECT_TRUE(IsFolder(N(data + "/Backup")));

    std::string const mirror = N(data + "/Backup/Exp1/Shots/Shot1234");
    EXPECT_EQ(Folder(), mirror);
    EXPECT_FALSE(Exists(mirror)); // not created by asking
    for (std::string suffix : {"", "_1", "_2"}) {
        Expt.BackupShot();
        EXPECT_EQ(ReadBytes(N(mirror + suffix + "/probe.wvf")), "trace") << suffix;
        EXPECT_EQ(ReadBytes(N(mirror + suffix + "/Scalars.ini")),
                  ReadBytes(N(exp + "/Shots/Shot1234/Scalars.ini")));
    }
    EXPECT_EQ(Folder(), mirror + "_3");
    // Any entry of the name, in any letter case, takes the name.
    WriteBytes(N(data + "/Backup/Exp1/Shots/SHOT1234_3"), "file");
    EXPECT_EQ(Folder(), mirror + "_4");
    Expt.BackupShot();
    EXPECT_EQ(ReadBytes(N(data + "/Backup/Exp1/Shots/SHOT1234_3")), "file");
    EXPECT_TRUE(Exists(mirror + "_4/probe.wvf"));

    // Another folder, given explicitly and with a trailing separator.
    EXPECT_EQ(S(Expt.GetBackupShotFolder(N(exp + "/Query/").c_str())),
              N(data + "/Backup/Exp1/Query"));
}

TEST_F(BackupTest, ConfiguredRedirectedAndStoredBackupFolders)
{
    OpenWithShot("[Backup]\r\nPath=..\\Store\r\n");
    EXPECT_EQ(S(Expt.GetBackupPath()), N(data + "/Store"));
    EXPECT_TRUE(IsFolder(N(data + "/Store")));

    std::string const elsewhere = N(testsupport::TestDir() + "/archive");
    WriteBytes(N(data + "/Store/BackupLocation.ini"), "[General]\r\nBackupLocation=" + elsewhere);
    EXPECT_EQ(Folder(), N(elsewhere + "/Exp1/Shots/Shot1234"));
    Expt.BackupShot();
    EXPECT_EQ(ReadBytes(N(elsewhere + "/Exp1/Shots/Shot1234/probe.wvf")), "trace");
    WriteBytes(N(data + "/Store/BackupLocation.ini"), "[General]\r\nOther=1\r\n");
    EXPECT_EQ(S(Expt.GetBackupPath()), N(data + "/Store"));

    // Stored relative, without a last element naming the experiment.
    Expt.SetBackupPath(N(data + "/Backup2/Exp1").c_str());
    EXPECT_NE(ReadBytes(N(exp + "/Exp1.ini")).find("[Backup]\r\nPath=..\\Backup2"),
              std::string::npos);
    EXPECT_EQ(S(Expt.GetBackupPath()), N(data + "/Backup2"));
    Expt.SetBackupPath(N(data + "/Other/EXP1/").c_str());
    EXPECT_EQ(S(Expt.GetBackupPath()), N(data + "/Other"));
    Expt.SetBackupPath(N(exp + "/Inside").c_str());
    EXPECT_NE(ReadBytes(N(exp + "/Exp1.ini")).find("Path=.\\Inside"), std::string::npos);
}

TEST_F(BackupTest, NothingIsCopiedIntoTheShotItselfOrWithoutAnExperiment)
{
    OpenWithShot("[Backup]\r\nPath=.\\Shots\\Shot1234\\b\r\n");
    Expt.BackupShot();
    EXPECT_FALSE(Exists(N(exp + "/Shots/Shot1234/b/Exp1")));

    Expt.SetExperimentFolder("");
    EXPECT_EQ(S(Expt.GetBackupPath()), "");
    EXPECT_EQ(Folder(), "");
    Expt.BackupShot();
    EXPECT_FALSE(Exists(N(testsupport::TestDir() + "/work/Backup")));
}

TEST_F(BackupTest, ShotPathsOutsideTheParentUseTheFallback)
{
    // data2 begins with the text of the experiment's parent folder but lies outside it.
    std::string const sibling = N(testsupport::TestDir() + "/data2/Runs");
    MakeFolder(N(sibling + "/Shot77"));
    MakeFolder(N(data + "/Store"));
    OpenWithShot("[Groups]\r\n" + sibling + ";;\r\n[Backup]\r\nPath=..\\Store\r\n");
    ASSERT_EQ(Expt.ShotPaths.Count(), 2);
    ASSERT_TRUE(Expt.SetShot("77", 1));
    WriteBytes(N(sibling + "/Shot77/a.wvf"), "77");

    std::string const fallback = N(data + "/Backup/Exp1/Shots/Shot77");
    EXPECT_EQ(Folder(), fallback);
    Expt.BackupShot();
    EXPECT_EQ(ReadBytes(N(fallback + "/a.wvf")), "77");
    // The fallback names the folder given, not the current shot.
    EXPECT_EQ(S(Expt.GetBackupShotFolder(N(sibling + "/Shot78").c_str())),
              N(data + "/Backup/Exp1/Shots/Shot78"));
}

TEST_F(BackupTest, ProcessesBackingUpAtOnceEachGetTheirOwnFolder)
{
    // Each child counts itself in and waits until all are in, so that the last one to arrive
    // and the one running beside it start at the same moment. (Starting a process costs far
    // more on Windows: fewer rounds there.)
    constexpr int kProcs = 4;
    const int rounds = testsupport::kWindows ? 3 : 12;
    const std::string gate = N(testsupport::TestDir() + "/gate");
    const int child = testsupport::ChildIndex("backup");
    if (child >= 0) {
        Open();
        ASSERT_TRUE(Expt.SetShot("1234"));
        WriteBytes(gate + "/" + std::to_string(child), "in");
        for (int waited = 0; waited < 60000; ++waited) {
            if (std::distance(fs::directory_iterator(gate), fs::directory_iterator()) >= kProcs)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        Expt.BackupShot();
        return;
    }
    OpenWithShot();
    for (int i = 0; i < 5; ++i)
        WriteBytes(N(exp + "/Shots/Shot1234/d") + std::to_string(i) + ".wvf",
                   std::string(4096, 'a' + i));
    Expt.GetBackupPath();
    for (int round = 0; round < rounds; ++round) {
        fs::remove_all(gate);
        fs::create_directories(gate);
        EXPECT_TRUE(testsupport::RunChildren("backup", kProcs)) << "round " << round;
    }

    std::string const shot = Listing(N(exp + "/Shots/Shot1234"));
    std::string const mirror = N(data + "/Backup/Exp1/Shots/Shot1234");
    for (int n = 0; n < rounds * kProcs; ++n) {
        std::string const folder = n == 0 ? mirror : mirror + "_" + std::to_string(n);
        ASSERT_TRUE(fs::is_directory(folder)) << folder;
        EXPECT_EQ(Listing(folder), shot) << folder;
    }
    EXPECT_FALSE(Exists(mirror + "_" + std::to_string(rounds * kProcs)));
}
