// File operations of the platform layer: atomic replacement, copy, removal and renaming.
#include "Platform.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace testsupport;

namespace {

std::string Dir()
{
    return TestDir() + "/work";
}

mode_t Mode(const std::string& p)
{
    struct stat st;
    return stat(p.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

bool WriteViaTemp(const std::string& target, const std::string& bytes)
{
    std::string temp = platform::MakeTempBeside(target);
    if (temp.empty())
        return false;
    std::FILE* f = platform::OpenStream(temp, "wb");
    if (!f)
        return false;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return platform::CommitTemp(temp, target);
}

} // namespace

TEST(PlatformFiles, AtomicReplacementKeepsModeAndFollowsLinks)
{
    std::string t = Dir() + "/real.ini";
    WriteBytes(t, "old");
    chmod(t.c_str(), 0640);
    ASSERT_EQ(symlink("real.ini", (Dir() + "/link.ini").c_str()), 0);
    std::string temp = platform::MakeTempBeside(Dir() + "/link.ini");
    EXPECT_EQ(temp.rfind(Dir() + "/.real.ini", 0), 0u) << temp;
    platform::DiscardTemp(temp);
    EXPECT_FALSE(Exists(temp));

    ASSERT_TRUE(WriteViaTemp(Dir() + "/link.ini", "new"));
    EXPECT_EQ(ReadBytes(t), "new");
    EXPECT_EQ(Mode(t), 0640u);
    struct stat st;
    ASSERT_EQ(lstat((Dir() + "/link.ini").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));

    ASSERT_TRUE(WriteViaTemp(Dir() + "/fresh.ini", "f"));
    EXPECT_EQ(ReadBytes(Dir() + "/fresh.ini"), "f");
    EXPECT_NE(Mode(Dir() + "/fresh.ini") & 0600, 0u);
    EXPECT_EQ(platform::OpenStream(Dir(), "rb"), nullptr);
    EXPECT_EQ(platform::OpenStream("", "rb"), nullptr);
    EXPECT_EQ(platform::MakeTempBeside(Dir() + "/nosuch/x"), "");
}

// The temporary file is made with the bits it will keep; what changes before the commit, or
// bits a creation cannot give, must still come out exactly as the target's.
TEST(PlatformFiles, ReplacementGivesExactlyTheTargetsBits)
{
    mode_t const mask = umask(022);
    ASSERT_TRUE(WriteViaTemp(Dir() + "/new.ini", "n"));
    EXPECT_EQ(Mode(Dir() + "/new.ini"), 0644u);
    umask(027);
    ASSERT_TRUE(WriteViaTemp(Dir() + "/new2.ini", "n"));
    EXPECT_EQ(Mode(Dir() + "/new2.ini"), 0640u);
    umask(022);

    for (mode_t m : {0444u, 0604u, 0664u, 0700u, 02750u}) {
        std::string t = Dir() + "/kept" + std::to_string(m);
        WriteBytes(t, "old");
        ASSERT_EQ(chmod(t.c_str(), m), 0);
        ASSERT_TRUE(WriteViaTemp(t, "new"));
        EXPECT_EQ(ReadBytes(t), "new");
        EXPECT_EQ(Mode(t), m) << std::oct << m;
    }

    std::string t = Dir() + "/changed.ini";
    WriteBytes(t, "old");
    std::string temp = platform::MakeTempBeside(t);
    ASSERT_FALSE(temp.empty());
    ASSERT_EQ(chmod(t.c_str(), 0600), 0);
    ASSERT_TRUE(platform::CommitTemp(temp, t));
    EXPECT_EQ(Mode(t), 0600u);
    umask(mask);
}

TEST(PlatformFiles, CopyRenameAndRemove)
{
    WriteBytes(Dir() + "/src/a.bin", "abc");
    WriteBytes(Dir() + "/src/sub/b.bin", "b");
    ASSERT_EQ(symlink("a.bin", (Dir() + "/src/ln").c_str()), 0);
    ASSERT_TRUE(platform::MakeFolder(Dir() + "/dst"));
    EXPECT_TRUE(platform::CopyTree(Dir() + "/src", Dir() + "/dst"));
    EXPECT_EQ(ReadBytes(Dir() + "/dst/sub/b.bin"), "b");
    EXPECT_EQ(ReadBytes(Dir() + "/dst/ln"), "abc");
    EXPECT_FALSE(platform::CopyTree(Dir() + "/src", Dir() + "/src/sub")); // into itself

    EXPECT_TRUE(platform::CopyFile(Dir() + "/src/a.bin", Dir() + "/src/a.bin"));
    EXPECT_EQ(ReadBytes(Dir() + "/src/a.bin"), "abc");
    EXPECT_FALSE(platform::CopyFile(Dir() + "/src", Dir() + "/x"));

    WriteBytes(Dir() + "/other", "keep");
    EXPECT_FALSE(platform::Rename(Dir() + "/dst/a.bin", Dir() + "/other"));
    EXPECT_EQ(ReadBytes(Dir() + "/other"), "keep");
    EXPECT_TRUE(platform::Rename(Dir() + "/dst/a.bin", Dir() + "/moved"));

    // removing a tree never follows a link out of it
    ASSERT_EQ(symlink((Dir() + "/src").c_str(), (Dir() + "/dst/outside").c_str()), 0);
    EXPECT_FALSE(platform::RemoveTree(Dir() + "/moved"));
    EXPECT_TRUE(platform::RemoveTree(Dir() + "/dst"));
    EXPECT_FALSE(Exists(Dir() + "/dst"));
    EXPECT_EQ(ReadBytes(Dir() + "/src/sub/b.bin"), "b");
    EXPECT_FALSE(platform::RemoveFile(Dir() + "/src"));
    EXPECT_TRUE(platform::RemoveFile(Dir() + "/moved"));
}

TEST(PlatformFiles, ProcessFacts)
{
    EXPECT_EQ(platform::CurrentDirectory(), Dir());
    EXPECT_EQ(platform::PerUserDataFolder(), TestDir() + "/home/.local/share");
    setenv("XDG_DATA_HOME", "relative", 1);
    EXPECT_EQ(platform::PerUserDataFolder(), TestDir() + "/home/.local/share");
    EXPECT_NE(platform::ExecutablePath().find("test_platform"), std::string::npos);
    EXPECT_EQ(platform::HostName().find('.'), std::string::npos);
    EXPECT_EQ(platform::LoadLibrary(Dir() + "/nosuch.so"), nullptr);
    EXPECT_EQ(platform::GetSymbol(nullptr, "x"), nullptr);
}
