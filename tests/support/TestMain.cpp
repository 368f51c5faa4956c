// Test entry point: every test runs in a fresh folder of its own, with its own profile and tables.
#include "TestSupport.h"

#include "Core.h"
#include "DNotify.h"
#include "Experiment.h"
#include "Modules.h"
#include "TalvexC.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace fs = std::filesystem;

namespace testsupport {

static fs::path g_parent;  // where g_root lives
static std::string g_root; // this process's folder
static std::string g_dir;  // the running test's folder, inside g_root
static int g_tests = 0;
static std::string g_role; // the role of a child process (ChildProcess)

const std::string& TestDir()
{
    return g_dir;
}

bool FreshProcess()
{
    return g_tests == 1;
}

std::string ChildRole()
{
    return g_role;
}

std::string Native(const std::string& path)
{
    return fs::path(path).make_preferred().string();
}

std::string OwnTestFile(const std::string& extension)
{
    return Native(TestDir() + "/work/"
                  + testing::UnitTest::GetInstance()->current_test_info()->name() + extension);
}

std::string UserFolder()
{
    return Native(kWindows ? g_dir + "/profile/AppData/Local/Talvex"
                           : g_dir + "/home/.local/share/Talvex");
}

std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::string& bytes)
{
    fs::path p(path);
    if (p.has_parent_path())
        fs::create_directories(p.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

bool Exists(const std::string& path)
{
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(path, ec)))
        return false;
    // A file system that ignores case finds every spelling: the stored name decides.
    const fs::path p(path);
    const fs::path name = p.filename();
    if (!kWindows || name.empty() || name == "." || name == "..")
        return true;
    const fs::path parent = p.has_parent_path() ? p.parent_path() : fs::path(".");
    for (auto it = fs::directory_iterator(parent, ec); !ec && it != fs::end(it); it.increment(ec))
        if (it->path().filename() == name)
            return true;
    return false;
}

std::string GetEnv(const char* name)
{
    const char* v = std::getenv(name);
    return v ? v : "";
}

void SetEnv(const char* name, const std::string& value)
{
#if defined(_WIN32)
    _putenv_s(name, value.c_str()); // the C library's copy and the system's both
#else
    setenv(name, value.c_str(), 1);
#endif
}

// A new folder of a random name inside `parent`.
static std::string MakeUniqueFolder(const fs::path& parent, const std::string& stem)
{
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path p = parent / (stem + std::to_string(random() % 1000000000u));
        std::error_code ec;
        if (fs::create_directory(p, ec))
            return fs::canonical(p).make_preferred().string();
    }
    std::abort();
}

// Points the per-user folder, the temporary folder and the share and mount tables into the
// test's folder, so that no test reads the machine's real profile, shares or mounts.
static void EnterTestFolder()
{
    ++g_tests;
    if (g_role.empty())
        g_dir = Native(g_root + "/t" + std::to_string(g_tests));
    fs::create_directories(Native(g_dir + "/work"));
    if (kWindows) {
        fs::create_directories(Native(g_dir + "/profile/AppData/Local"));
        fs::create_directories(Native(g_dir + "/temp"));
        SetEnv("USERPROFILE", Native(g_dir + "/profile"));
        SetEnv("LOCALAPPDATA", Native(g_dir + "/profile/AppData/Local"));
        SetEnv("TEMP", Native(g_dir + "/temp"));
        SetEnv("TMP", Native(g_dir + "/temp"));
    } else {
        fs::create_directories(g_dir + "/home/.local/share");
        SetEnv("HOME", g_dir + "/home");
        SetEnv("XDG_DATA_HOME", g_dir + "/home/.local/share");
        SetEnv("TALVEX_SMB_CONF", g_dir + "/smb.conf");
        SetEnv("TALVEX_MOUNTS", g_dir + "/mounts");
    }
    fs::current_path(Native(g_dir + "/work"));
}

// Removes a folder even where a test took its permissions away.
static void Remove(const std::string& dir)
{
    std::error_code ec;
    fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, ec);
    for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::end(it);
         it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(dir, ec);
}

static bool Keep()
{
    return std::getenv("TALVEX_KEEP_TEST_DIR") != nullptr || !g_role.empty();
}

// What a test may have changed of the library's process-wide state that start-up (CoreInit)
// does not reset, back as it was loaded.
static void ResetLibrary()
{
    Silent = false;
    Logging = false;
    PublicWrite = false;
    ExternalInit = false;
    SetNotify(nullptr);
    SetQNotify(nullptr);
    UnloadModules();
    Expt.ClearDataPtrs();
    Expt = Experiment();
}

static void LeaveTestFolder()
{
    ResetLibrary();
    std::error_code ec;
    fs::current_path(g_role.empty() ? g_root : g_parent.string(), ec);
    if (!Keep())
        Remove(g_dir);
}

/// Gives every test of the program its own folder and environment, so that a program can run
/// all its tests in one process as well as one test per process.
class Isolation : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo&) override { EnterTestFolder(); }
    void OnTestEnd(const testing::TestInfo&) override { LeaveTestFolder(); }
};

} // namespace testsupport

int main(int argc, char** argv)
{
    using namespace testsupport;
    g_parent = fs::temp_directory_path();
    if (const char* role = std::getenv("TALVEX_TEST_CHILD"))
        g_role = role;
    if (!g_role.empty()) { // a child works in its parent's test folder
        const char* dir = std::getenv("TALVEX_TEST_CHILD_DIR");
        g_dir = dir ? dir : "";
        if (g_dir.empty())
            return 2;
        testing::InitGoogleTest(&argc, argv);
        testing::UnitTest::GetInstance()->listeners().Append(new Isolation);
        return RUN_ALL_TESTS();
    }
    g_root = MakeUniqueFolder(g_parent, "talvex-test-");
    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new Isolation);
    int rc = RUN_ALL_TESTS();
    std::error_code ec;
    fs::current_path(g_parent, ec);
    if (!Keep())
        Remove(g_root);
    return rc;
}
