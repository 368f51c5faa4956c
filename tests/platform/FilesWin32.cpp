// The Windows platform layer: replacement, streams, copy, removal, renaming and process facts.
#include "Platform.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include <windows.h>
// The platform layer's functions of these names, not the system's.
#undef CopyFile
#undef LoadLibrary

using namespace testsupport;

namespace {

std::string Dir()
{
    return Native(TestDir() + "/work");
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

DWORD Attributes(const std::string& path)
{
    return GetFileAttributesA(path.c_str());
}

} // namespace

TEST(PlatformFilesWin32, ReplacementKeepsAttributesAndNeverWaitsForReaders)
{
    std::string t = Dir() + "\\real.ini";
    WriteBytes(t, "old");
    SetFileAttributesA(t.c_str(), FILE_ATTRIBUTE_HIDDEN);
    std::string temp = platform::MakeTempBeside(t);
    EXPECT_EQ(temp.rfind(Dir() + "\\.real.ini", 0), 0u) << temp;
    platform::DiscardTemp(temp);
    EXPECT_FALSE(Exists(temp));

    // A reader keeps the version it opened; the writer replaces the file all the same.
    std::FILE* reader = platform::OpenStream(t, "rb");
    ASSERT_NE(reader, nullptr);
    ASSERT_TRUE(WriteViaTemp(t, "new"));
    char got[4] = {};
    EXPECT_EQ(std::fread(got, 1, 3, reader), 3u);
    EXPECT_EQ(std::string(got), "old");
    std::fclose(reader);
    EXPECT_EQ(ReadBytes(t), "new");
    EXPECT_TRUE(Attributes(t) & FILE_ATTRIBUTE_HIDDEN);

    ASSERT_TRUE(WriteViaTemp(Dir() + "\\fresh.ini", "f"));
    EXPECT_EQ(ReadBytes(Dir() + "\\fresh.ini"), "f");
    EXPECT_EQ(platform::OpenStream(Dir(), "rb"), nullptr);
    EXPECT_EQ(platform::OpenStream("", "rb"), nullptr);
    EXPECT_EQ(platform::MakeTempBeside(Dir() + "\\nosuch\\x"), "");
    std::filesystem::create_directories(Dir() + "\\folder.ini");
    temp = platform::MakeTempBeside(Dir() + "\\folder.ini");
    EXPECT_FALSE(platform::CommitTemp(temp, Dir() + "\\folder.ini"));
    EXPECT_FALSE(Exists(temp)) << "a failed commit leaves no temporary file";
}

TEST(PlatformFilesWin32, AppendsFromTwoStreamsLandAtTheEnd)
{
    std::string f = Dir() + "\\log.txt";
    std::FILE* a = platform::OpenStream(f, "a+b");
    std::FILE* b = platform::OpenStream(f, "ab");
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    std::setvbuf(a, nullptr, _IONBF, 0);
    std::setvbuf(b, nullptr, _IONBF, 0);
    std::fputs("one\n", a);
    std::fputs("two\n", b);
    std::fputs("three\n", a);
    std::fclose(a);
    std::fclose(b);
    EXPECT_EQ(ReadBytes(f), "one\ntwo\nthree\n");
}

TEST(PlatformFilesWin32, CopyRenameAndRemove)
{
    WriteBytes(Dir() + "\\src\\a.bin", "abc");
    WriteBytes(Dir() + "\\src\\sub\\b.bin", "b");
    WriteBytes(Dir() + "\\src\\.dot", "d");
    ASSERT_TRUE(platform::MakeFolder(Dir() + "\\dst"));
    EXPECT_TRUE(platform::CopyTree(Dir() + "\\src", Dir() + "\\dst"));
    EXPECT_EQ(ReadBytes(Dir() + "\\dst\\sub\\b.bin"), "b");
    EXPECT_EQ(ReadBytes(Dir() + "\\dst\\.dot"), "d");
    EXPECT_FALSE(platform::CopyTree(Dir() + "\\src", Dir() + "\\SRC\\sub")); // into itself
    ASSERT_TRUE(platform::MakeFolder(Dir() + "\\empty"));
    EXPECT_TRUE(platform::CopyTree(Dir() + "\\empty", Dir() + "\\dst"));

    EXPECT_TRUE(platform::CopyFile(Dir() + "\\src\\a.bin", Dir() + "\\SRC\\A.BIN"));
    EXPECT_EQ(ReadBytes(Dir() + "\\src\\a.bin"), "abc");
    EXPECT_FALSE(platform::CopyFile(Dir() + "\\src", Dir() + "\\x"));
    EXPECT_TRUE(platform::CopyFile(Dir() + "\\src\\a.bin", Dir() + "\\copy.bin"));
    EXPECT_EQ(ReadBytes(Dir() + "\\copy.bin"), "abc");

    WriteBytes(Dir() + "\\other", "keep");
    EXPECT_FALSE(platform::Rename(Dir() + "\\dst\\a.bin", Dir() + "\\other"));
    EXPECT_EQ(ReadBytes(Dir() + "\\other"), "keep");
    EXPECT_TRUE(platform::Rename(Dir() + "\\dst\\a.bin", Dir() + "\\moved"));
    EXPECT_FALSE(platform::Rename(Dir() + "\\dst", Dir() + "\\src")); // no merge of folders
    EXPECT_TRUE(platform::Rename(Dir() + "\\dst", Dir() + "\\Dst"));  // letter case only
    EXPECT_TRUE(Exists(Dir() + "\\Dst"));
    EXPECT_TRUE(platform::Rename(Dir() + "\\Dst", Dir() + "\\src\\dst2")); // into another folder
    EXPECT_EQ(ReadBytes(Dir() + "\\src\\dst2\\sub\\b.bin"), "b");

    EXPECT_FALSE(platform::RemoveTree(Dir() + "\\moved"));
    EXPECT_TRUE(platform::RemoveTree(Dir() + "\\src"));
    EXPECT_FALSE(Exists(Dir() + "\\src"));
    EXPECT_FALSE(platform::RemoveFile(Dir() + "\\empty"));
    EXPECT_TRUE(platform::RemoveFile(Dir() + "\\moved"));
    EXPECT_TRUE(platform::SameFile(Dir() + "\\copy.bin", Dir() + "\\COPY.BIN"));
    EXPECT_FALSE(platform::SameFile(Dir() + "\\copy.bin", Dir() + "\\other"));
}

TEST(PlatformFilesWin32, ProcessFacts)
{
    EXPECT_EQ(platform::CurrentDirectory(), Dir());
    EXPECT_EQ(platform::PerUserDataFolder(), Native(TestDir() + "/profile/AppData/Local"));
    SetEnv("LOCALAPPDATA", "relative");
    std::string shell = platform::PerUserDataFolder(); // the shell's own folder
    EXPECT_EQ(shell.substr(1, 2), ":\\") << shell;
    EXPECT_NE(platform::ExecutablePath().find("test_platform.exe"), std::string::npos);
    EXPECT_EQ(platform::HostName().find('.'), std::string::npos);
    EXPECT_FALSE(platform::HostName().empty());
    EXPECT_EQ(platform::LoadLibrary(Dir() + "\\nosuch.dll"), nullptr);
    EXPECT_EQ(platform::GetSymbol(nullptr, "x"), nullptr);
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    void* kernel = platform::LoadLibrary(std::string(system) + "\\kernel32.dll");
    ASSERT_NE(kernel, nullptr);
    EXPECT_NE(platform::GetSymbol(kernel, "GetTickCount"), nullptr);
    EXPECT_EQ(platform::GetSymbol(kernel, "NoSuchEntry"), nullptr);
    platform::FreeLibrary(kernel);
    EXPECT_EQ(platform::NetworkDriveRemote(Dir()[0]), ""); // a local drive
    EXPECT_TRUE(platform::MountTable().empty());
}

TEST(PlatformFilesWin32, StampsTellVersionsApart)
{
    std::string f = Dir() + "\\a.ini";
    WriteBytes(f, "abc");
    platform::FileStamp a, b;
    ASSERT_TRUE(platform::GetFileStamp(f, a));
    ASSERT_TRUE(platform::GetFileStamp(f, b));
    EXPECT_TRUE(a == b);
    EXPECT_EQ(a.size, 3);

    WriteBytes(f, "xyz"); // same file, same size, one step later
    SetWriteTimeNs(f, a.modifiedNs + kFileTimeStepNs);
    ASSERT_TRUE(platform::GetFileStamp(f, b));
    EXPECT_EQ(a.inode, b.inode);
    EXPECT_TRUE(a != b);

    std::string g = Dir() + "\\b.ini"; // another file, same size and time
    WriteBytes(g, "xyz");
    SetWriteTimeNs(g, b.modifiedNs);
    platform::FileStamp c;
    ASSERT_TRUE(platform::GetFileStamp(g, c));
    EXPECT_EQ(c.modifiedNs, b.modifiedNs);
    EXPECT_TRUE(c != b);
    EXPECT_FALSE(platform::GetFileStamp(Dir() + "\\missing", c));
    EXPECT_FALSE(platform::GetFileStamp("", c));
}
