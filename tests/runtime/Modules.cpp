// Module loading: finding modules under the program folder, the "SvInit" handshake, the
// reports of a failed load and the module table.
#include "TestSupport.h"

#include "Core.h"
#include "DNotify.h"
#include "Modules.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Received {
    int code;
    int value;
    std::string text;
};

class RecordingSink : public DNotify {
public:
    std::vector<Received> got;
    void OnNotify(int code, int value, const DString& text) override
    {
        got.push_back({code, value, text.c_str()});
    }
};

class ModulesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        program = testsupport::Native(testsupport::TestDir() + "/prog");
        fs::create_directories(program);
        CoreInit(program.c_str());
        SetNotify(&host);
    }
    void TearDown() override { UnloadModules(); }

    std::string Place(const std::string& moduleFile, const std::string& relative)
    {
        fs::path target = fs::path(program) / relative;
        fs::create_directories(target.parent_path());
        fs::copy_file(moduleFile, target, fs::copy_options::overwrite_existing);
        return target.string();
    }

    /// True while the module file is loaded in this process.
    static bool Loaded(const std::string& file) { return testsupport::ModuleLoaded(file); }

    std::string LogText() const
    {
        return testsupport::ReadBytes(std::string(GetUserPath().c_str()) + "/Log.txt");
    }

    std::string program;
    RecordingSink host;
};

} // namespace

TEST_F(ModulesTest, ConnectLoadsThePluginUnderTheProgramFolderAndExchangesSinks)
{
    Place(TALVEX_TEST_ECHO, std::string("Plugins/Echo/Echo") + testsupport::kModuleExtension);
    for (const char* path : {"Plugins\\Echo\\Echo", "Plugins/Echo/Echo", "plugins\\ECHO\\echo"}) {
        DNotify* module = nullptr;
        ASSERT_TRUE(DLLConnect(path, 5, &host, module)) << path;
        ASSERT_NE(module, nullptr);
        host.got.clear();
        module->OnNotify(129, 0, "hi");
        ASSERT_EQ(host.got.size(), 1u);
        EXPECT_EQ(host.got[0].code, 31);
        EXPECT_EQ(host.got[0].text, "Echo 129 mode 5 rank 0 of 1 [hi]");
    }
}

TEST_F(ModulesTest, MissingModuleIsReportedByNameAndLoggedWithItsPath)
{
    DNotify* module = nullptr;
    EXPECT_FALSE(DLLConnect("Plugins\\Gone\\Gone", 0, &host, module));
    ASSERT_EQ(host.got.size(), 1u);
    EXPECT_EQ(host.got[0].code, 2);
    EXPECT_EQ(host.got[0].text, "Could not load module: Gone");
    const std::string file = testsupport::Native(program + "/Plugins/Gone/Gone");
    EXPECT_NE(
        LogText().find("Could not load module: " + file + testsupport::kModuleExtension + " by "),
        std::string::npos)
        << LogText();
}

TEST_F(ModulesTest, ModuleWithoutEntryPointStaysOutOfTheTable)
{
    std::string file = Place(TALVEX_TEST_NOENTRY, std::string("Plugins/NoEntry/NoEntry")
                                                      + testsupport::kModuleExtension);
    DNotify* module = nullptr;
    EXPECT_FALSE(DLLConnect("Plugins\\NoEntry\\NoEntry", 0, &host, module));
    ASSERT_EQ(host.got.size(), 1u);
    EXPECT_EQ(host.got[0].text, "Could not load symbol: SvInit");
    EXPECT_NE(LogText().find("Could not load symbol: SvInit by "), std::string::npos);
    // Not in the table: releasing the table leaves it loaded.
    UnloadModules();
    EXPECT_TRUE(Loaded(file));
}

TEST_F(ModulesTest, PluginThatIsNotReadyOrHasNoSinkIsNotConnected)
{
    Place(TALVEX_TEST_REFUSE, std::string("Plugins/Refuse/Refuse") + testsupport::kModuleExtension);
    for (int mode : {0, 1}) {
        DNotify* module = nullptr;
        EXPECT_FALSE(DLLConnect("Plugins\\Refuse\\Refuse", mode, &host, module)) << mode;
    }
    EXPECT_TRUE(host.got.empty());
}

TEST_F(ModulesTest, EveryLoadIsATableEntryReleasedByOneUnload)
{
    std::string file = Place(TALVEX_TEST_ECHO,
                             std::string("mods/Echo") + testsupport::kModuleExtension);
    bool ok = true;
    EXPECT_NE(GetProc(program.c_str(), "mods/Echo", "SvInit", ok, 0), nullptr);
    EXPECT_NE(GetProc(program.c_str(), "mods/Echo", "SvInit", ok, 0), nullptr);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(Loaded(file));
    UnloadModules();
    EXPECT_FALSE(Loaded(file));
    UnloadModules(); // an empty table releases nothing
}

TEST_F(ModulesTest, FlagEightLoadsTheNameAsGiven)
{
    Place(TALVEX_TEST_ECHO, "Echo.plugin");
    bool ok = true;
    EXPECT_EQ(GetProc(program.c_str(), "Echo.plugin", "SvInit", ok, 0), nullptr);
    EXPECT_FALSE(ok);
    EXPECT_EQ(host.got.back().text, "Could not load module: Echo.plugin");

    // ok is only ever cleared: a success leaves a false flag false.
    EXPECT_NE(GetProc(program.c_str(), "Echo.plugin", "SvInit", ok, ModuleNoExtension), nullptr);
    EXPECT_FALSE(ok);
}
