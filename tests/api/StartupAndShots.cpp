// C and IDL start-up, and shot creation and selection through the C interface.
#include "ApiFixture.h"

#include "Core.h"
#include "DNotify.h"
#include "Experiment.h"
#include "Log.h"
#include "TalvexIDL.h"

#include <cctype>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using testsupport::Exists;
using testsupport::Native;
using testsupport::ReadBytes;
using testsupport::TestDir;

namespace {

std::vector<std::string> LogLines()
{
    std::vector<std::string> lines;
    std::ifstream in(Native(std::string(GetUserPath().c_str()) + "/Log.txt"));
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

struct ShotRecorder : QNotify {
    void ShotChanged(DString name, int group, int reserved, bool flag) override
    {
        calls.push_back(std::string(name.c_str()) + "|" + std::to_string(group) + "|"
                        + std::to_string(reserved) + "|" + (flag ? "true" : "false"));
    }
    std::vector<std::string> calls;
};

} // namespace

TEST(CStartup, LoggingSuffixAndRepeatedCall)
{
    std::string const prog = Native(TestDir() + "/prog");
    if (testsupport::FreshProcess()) { // else an earlier test of this process started the core
        EXPECT_FALSE(ExternalInit);
        SetExperimentC(Native(TestDir() + "/early").c_str()); // before start-up: ignored
        EXPECT_FALSE(Exists(Native(TestDir() + "/early/Shots")));
    }

    InitializeTalvexC((prog + "$L").c_str());
    EXPECT_TRUE(ExternalInit);
    EXPECT_TRUE(Logging);
    EXPECT_EQ(GetTalvexPath().c_str(), prog);
    EXPECT_EQ(GetNotify(), CFNotify::ForC());
    auto lines = LogLines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[3].rfind("InitializeTalvexC called from external code at ", 0), 0u);

    // The same folder again, in another letter case and without "$L": only a log line.
    Logging = false;
    SetNotify(nullptr);
    std::string upper = prog;
    for (char& c : upper)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    InitializeTalvexC(upper.c_str());
    lines = LogLines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[4].rfind("InitializeTalvexC called again by ", 0), 0u);
    EXPECT_EQ(GetNotify(), nullptr);

    // Another folder starts the core afresh.
    InitializeTalvexC(Native(TestDir() + "/prog2").c_str());
    EXPECT_FALSE(Logging);
    EXPECT_EQ(GetNotify(), CFNotify::ForC());
    EXPECT_EQ(LogLines().size(), 4u);
}

TEST_F(ApiTest, CreateAndSetShots)
{
    EXPECT_EQ(CreateShotC("1234"), 1);
    EXPECT_EQ(Str(1), "1234");
    EXPECT_TRUE(fs::is_directory(Native(exp + "/Shots/Shot1234")));
    EXPECT_TRUE(messages.empty());

    EXPECT_EQ(CreateShotC("1234"), 0);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Error creating shot 1234 (most likely it already exists and name "
                           "did not have *) expt is "
                               + Native(TestDir() + "/data"));
    EXPECT_EQ(CreateShotC("*1234"), 1);

    EXPECT_EQ(CreateShotC("77"), 1);
    EXPECT_EQ(SetShotC("1234"), 1);
    EXPECT_EQ(Str(1), "1234");
    EXPECT_EQ(SetShotC("999"), 0);
    EXPECT_EQ(messages.back(), "Error setting shot (most likely it does not exist)");
    EXPECT_EQ(Str(1), "1234");
    EXPECT_EQ(SetShotC(nullptr), 0);
}

TEST_F(ApiTest, StarNameComesFromTheCurrentDirectory)
{
    fs::create_directories(Native(TestDir() + "/Shot123"));
    fs::current_path(Native(TestDir() + "/Shot123"));
    EXPECT_EQ(CreateShotC("*"), 1);
    EXPECT_EQ(Str(1), "123");
    EXPECT_TRUE(fs::is_directory(Native(exp + "/Shots/Shot123")));

    fs::create_directories(Native(TestDir() + "/run7"));
    fs::current_path(Native(TestDir() + "/run7"));
    EXPECT_EQ(CreateShotC("*"), 1);
    EXPECT_EQ(Str(1), "run7");

    // A folder named just "Shot" leaves no name: refused, and no nameless shot folder.
    fs::create_directories(Native(TestDir() + "/shot"));
    fs::current_path(Native(TestDir() + "/shot"));
    EXPECT_EQ(CreateShotC("*"), 0);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].rfind("Error creating shot * (most likely", 0), 0u);
    EXPECT_FALSE(Exists(Native(exp + "/Shots/Shot")));
    EXPECT_EQ(Str(1), "run7");
}

TEST(CShots, HostIsToldOfShotChangesUnlessStartedThroughC)
{
    CoreInit("");
    ShotRecorder host;
    SetQNotify(&host);
    Expt.SetExperimentFolder(Native(TestDir() + "/Exp").c_str());
    EXPECT_EQ(CreateShotC("*5\\probe"), 1);
    EXPECT_EQ(SetShotC("*5"), 1);
    EXPECT_EQ(CreateShotC("5"), 0);
    ASSERT_EQ(host.calls.size(), 2u);
    EXPECT_EQ(host.calls[0], "5|0|0|false"); // the shot's name, without the data part
    EXPECT_EQ(host.calls[1], "5|-1|0|false");

    InitializeTalvexC(Native(TestDir() + "/prog").c_str());
    SetQNotify(&host);
    SetExperimentC(Native(TestDir() + "/Exp").c_str());
    EXPECT_EQ(SetShotC("5"), 1);
    EXPECT_EQ(host.calls.size(), 2u);
}

TEST(IdlStartup, EveryCallStartsAfreshAndSelectsTheExperiment)
{
    std::string prog = Native(TestDir() + "/prog"), exp = Native(TestDir() + "/Exp");
    void* args[2] = {prog.data(), exp.data()};
    EXPECT_EQ(InitializeTalvexIDL(1, args), -1);
    if (testsupport::FreshProcess()) {
        EXPECT_EQ(GetTalvexPath().c_str(), std::string()) << "a wrong call starts nothing";
    }

    EXPECT_EQ(InitializeTalvexIDL(2, args), 0);
    EXPECT_EQ(GetNotify(), CFNotify::ForIDL());
    EXPECT_FALSE(ExternalInit);
    EXPECT_TRUE(fs::is_directory(Native(exp + "/Shots")));
    Logging = true;
    Log("extra");
    EXPECT_EQ(InitializeTalvexIDL(2, args), 0);
    EXPECT_FALSE(Logging);
    auto lines = LogLines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[3].rfind("Initialized by IDL at ", 0), 0u);
}
