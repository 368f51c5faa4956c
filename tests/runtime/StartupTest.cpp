// Start-up: program and per-user folders, the first Talvex.ini, Silent, default paths and clock.
#include "Clock.h"
#include "Core.h"
#include "DNotify.h"
#include "FileSystem.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>

using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace {

std::string Bytes(const DString& s)
{
    return std::string(s.c_str(), size_t(s.Len()));
}

std::string UserFolder()
{
    return testsupport::UserFolder();
}

const char FirstStartIni[] = "[Startup]\r\nPath=*\r\nExperiment=*\r\nQuery=*\r\nShot=*\r\n"
                             "Macro=*\r\n[Preferences]\r\nUseLocalSettings=True";

} // namespace

TEST(Startup, FirstStartCreatesTheSettingsFileInOrder)
{
    CoreInit("");
    EXPECT_EQ(Bytes(GetUserPath()), UserFolder());
    EXPECT_EQ(Bytes(GetLocalSettingsPath()), UserFolder());
    EXPECT_EQ(ReadBytes(UserFolder() + "/Talvex.ini"), FirstStartIni);
    EXPECT_EQ(Bytes(GetWorkingPath()), UserFolder());
    EXPECT_FALSE(PublicWrite);

    // A second start leaves the file alone and reads the working folder and PublicWrite.
    const std::string mine = "[Preferences]\r\nWorkingPath=" + testsupport::TestDir()
                             + "/wp\r\nPublicWriteAccess=true";
    WriteBytes(UserFolder() + "/Talvex.ini", mine);
    CoreInit("");
    EXPECT_EQ(ReadBytes(UserFolder() + "/Talvex.ini"), mine);
    EXPECT_EQ(Bytes(GetWorkingPath()), testsupport::TestDir() + "/wp");
    EXPECT_TRUE(std::filesystem::is_directory(testsupport::TestDir() + "/wp"));
    EXPECT_TRUE(PublicWrite);
}

TEST(Startup, ProgramFolderRules)
{
    const std::string exe = testsupport::ProgramFile();
    CoreInit("");
    EXPECT_EQ(Bytes(GetTalvexPath()), std::filesystem::path(exe).parent_path().string());

    CoreInit("bin");
    EXPECT_EQ(Bytes(GetTalvexPath()), testsupport::Native(testsupport::TestDir() + "/work/bin"));
    SetTalvexPath("C:\\Talvex");
    EXPECT_EQ(Bytes(GetTalvexPath()), "C:\\Talvex");
    SetTalvexPath("\\\\server\\share\\Talvex");
    EXPECT_EQ(Bytes(GetTalvexPath()), "\\\\server\\share\\Talvex");
    SetTalvexPath("/opt/talvex"); // absolute only where '/' separates
    EXPECT_EQ(Bytes(GetTalvexPath()),
              testsupport::kWindows
                  ? testsupport::Native(testsupport::TestDir() + "/work") + "\\/opt/talvex"
                  : "/opt/talvex");
}

TEST(Startup, SilentCreatesNothing)
{
    Silent = true;
    CoreInit("");
    EXPECT_TRUE(Silent) << "CoreInit keeps Silent";
    EXPECT_EQ(Bytes(GetUserPath()), UserFolder());
    EXPECT_FALSE(testsupport::Exists(UserFolder()));
    if (testsupport::FreshProcess()) { // as loaded: no working folder, no settings file
        EXPECT_TRUE(!GetWorkingPath());
        EXPECT_TRUE(!StIni.FileName());
    }
    EXPECT_TRUE(!GetDefaultPath("Data"));
    SetDefaultPath("Data", "/d");
    EXPECT_FALSE(testsupport::Exists(UserFolder()));
}

TEST(Startup, DefaultPathsAndDrivesLiveInTheSettingsFile)
{
    CoreInit("");
    EXPECT_TRUE(!GetDefaultPath("Data"));
    SetDefaultPath("Data", "/data/x");
    EXPECT_EQ(Bytes(GetDefaultPath("data")), "/data/x");
    EXPECT_NE(ReadBytes(UserFolder() + "/Talvex.ini").find("[DefaultPaths]\r\nData=/data/x"),
              std::string::npos);
    CoreInit("");
    EXPECT_EQ(Bytes(GetDefaultPath("DATA")), "/data/x");

    if (testsupport::kWindows) // drive letters are the system's own there
        return;
    // Drive letters resolve through section Drives.
    std::filesystem::create_directories(testsupport::TestDir() + "/drive/sub");
    WriteBytes(testsupport::TestDir() + "/drive/sub/f.txt", "on x");
    StIni.SetSection("Drives");
    StIni.SetKeyValue("X", (testsupport::TestDir() + "/drive").c_str());
    DString path = "x:\\Sub\\F.txt";
    EXPECT_TRUE(FileExists(path));
    EXPECT_FALSE(FileExists(path = "Q:\\sub\\f.txt"));
}

TEST(Startup, CoreInitResetsSinksAndLogging)
{
    struct Sink : DNotify {
        int calls = 0;
        void OnNotify(int, int, const DString&) override { ++calls; }
    } sink;
    struct Shots : QNotify {
        void ShotChanged(DString, int, int, bool) override { }
    } shots;
    CoreInit("");
    SetNotify(&sink);
    SetQNotify(&shots);
    Logging = true;
    PublicWrite = true;
    CoreInit("");
    EXPECT_EQ(GetNotify(), nullptr);
    EXPECT_EQ(QNot, nullptr);
    EXPECT_FALSE(Logging);
    EXPECT_FALSE(PublicWrite) << "read again from the settings file";
    MacroCallback("x");
    EXPECT_EQ(sink.calls, 0);
}

TEST(Startup, ClockUnitsAndDateText)
{
    const double t0 = Timer();
    DSleep(300);
    const double dt = Timer() - t0;
    EXPECT_GE(dt, 0.29);
    EXPECT_LT(dt, 3.0);
    DSleep(-5);
    EXPECT_TRUE(std::regex_match(Bytes(Now()), std::regex(R"(\d\d/\d\d/\d{4} \d\d:\d\d:\d\d)")));
}
