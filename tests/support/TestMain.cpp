// Test entry point: every test process runs in a fresh folder with its own profile and tables.
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace testsupport {

static std::string g_dir;

const std::string& TestDir() { return g_dir; }

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
    return fs::exists(fs::symlink_status(path, ec));
}

// Points HOME, the per-user folder and the share and mount tables into the test folder, so
// that no test reads the machine's real profile, shares or mounts.
static void Isolate()
{
    std::string base = fs::temp_directory_path().string() + "/talvex-test-XXXXXX";
    if (!mkdtemp(base.data()))
        std::abort();
    g_dir = fs::canonical(base).string();
    fs::create_directories(g_dir + "/home/.local/share");
    setenv("HOME", (g_dir + "/home").c_str(), 1);
    setenv("XDG_DATA_HOME", (g_dir + "/home/.local/share").c_str(), 1);
    setenv("TALVEX_SMB_CONF", (g_dir + "/smb.conf").c_str(), 1);
    setenv("TALVEX_MOUNTS", (g_dir + "/mounts").c_str(), 1);
    fs::create_directories(g_dir + "/work");
    if (chdir((g_dir + "/work").c_str()) != 0)
        std::abort();
}

static void CleanUp()
{
    if (g_dir.empty() || getenv("TALVEX_KEEP_TEST_DIR"))
        return;
    std::error_code ec;
    fs::current_path(fs::temp_directory_path(), ec);
    fs::permissions(g_dir, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(g_dir, ec);
}

} // namespace testsupport

int main(int argc, char** argv)
{
    testsupport::Isolate();
    testing::InitGoogleTest(&argc, argv);
    int rc = RUN_ALL_TESTS();
    testsupport::CleanUp();
    return rc;
}
