// Loading a settings file again: memory is kept only while the file is provably unchanged.
#include "DIni.h"

#include "Core.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

using testsupport::ReadBytes;
using testsupport::TestDir;
using testsupport::WriteBytes;

namespace {

/// A settings file of the running test's own.
std::string File()
{
    return testsupport::OwnTestFile(".ini");
}

long long WriteTime(std::string const& path)
{
    return testsupport::WriteTimeNs(path);
}

void SetWriteTime(std::string const& path, long long t)
{
    testsupport::SetWriteTimeNs(path, t);
}

std::string Value(DIni& ini, char const* section, char const* key)
{
    return ini.GetSectionKeyValue(section, key, "").c_str();
}

/// Rewrites the file in place (same inode) and puts its write time back.
void RewriteUnseen(std::string const& path, std::string const& bytes)
{
    long long t = WriteTime(path);
    WriteBytes(path, bytes);
    SetWriteTime(path, t);
}

} // namespace

TEST(DIniReload, UnchangedFileKeepsMemoryAfterOwnWrites)
{
    CoreInit("");
    DIni ini(File().c_str());
    ini.SetSection("A");
    ini.SetKeyValue("k", "1");
    ASSERT_EQ(ReadBytes(File()), "[A]\r\nk=1");

    // Same inode, size and write time: the load keeps memory, so the hidden edit is not read.
    RewriteUnseen(File(), "[A]\r\nk=2");
    ASSERT_TRUE(ini.SetFileName(File().c_str()));
    EXPECT_EQ(Value(ini, "A", "k"), "1");

    // Any of size, write time or identity changing makes it read the file.
    WriteBytes(File(), "[A]\r\nk=33");
    ASSERT_TRUE(ini.SetFileName(File().c_str()));
    EXPECT_EQ(Value(ini, "A", "k"), "33");

    long long t = WriteTime(File());
    WriteBytes(File(), "[A]\r\nk=44");
    SetWriteTime(File(), t + testsupport::kFileTimeStepNs); // one step later, same size

    ASSERT_TRUE(ini.SetFileName(File().c_str()));
    EXPECT_EQ(Value(ini, "A", "k"), "44");

    t = WriteTime(File());
    std::string other = TestDir() + "/work/other.ini";
    WriteBytes(other, "[A]\r\nk=55");
    SetWriteTime(other, t);
    std::filesystem::rename(other, File());
    ASSERT_TRUE(ini.SetFileName(File().c_str()));
    EXPECT_EQ(Value(ini, "A", "k"), "55");
}

TEST(DIniReload, LoadDropsWhatMemoryHasAndTheFileHasNot)
{
    CoreInit("");
    DIni ini(File().c_str());
    ini.SetSection("A");
    ini.SetKeyValue("k", "1");
    ini.SetSection("Appended");
    ASSERT_TRUE(ini.SetFileName(File().c_str()));
    EXPECT_EQ(ini.nSections(), 1);

    ini.SetSection("A");
    ini.HoldWrite(true);
    ini.SetKeyValue("k", "2");
    ASSERT_TRUE(ini.SetFileName(File().c_str()));
    EXPECT_EQ(Value(ini, "A", "k"), "1");

    // Lines that do not read back as written: memory takes the form the file gives.
    ini.SetSection("A");
    ini.SetKeyValue("k", "1\n[B]");
    DStringArray lines;
    lines << "   "
          << "x=1";
    ini.SetFullSection("C", lines);
    ASSERT_TRUE(ini.SetFileName(File().c_str()));
    EXPECT_TRUE(ini.SectionExists("B"));
    EXPECT_EQ(Value(ini, "A", "k"), "1");
    ini.SetSection("C");
    EXPECT_EQ(ini.nKeys(), 1);
}

TEST(DIniReload, KeptMemoryCarriesTheFileAsSnapshot)
{
    CoreInit("");
    DIni ini(File().c_str());
    ini.SetSection("A");
    ini.SetKeyValue("k", "1");
    ASSERT_TRUE(ini.Refresh());
    ini.SetSection("A");
    ini.HoldWrite(true);
    ini.SetKeyValue("k", "2");
    ini.RestoreFile();
    EXPECT_EQ(ReadBytes(File()), "[A]\r\nk=1");
    EXPECT_EQ(Value(ini, "A", "k"), "1");
}

// A full write is made from pieces and keeps the text it read: a load after it must not take
// that old text as the file RestoreFile returns to.
TEST(DIniReload, LoadAfterAFullWriteTakesTheWrittenFileAsSnapshot)
{
    CoreInit("");
    WriteBytes(File(), "[A]\r\nk=1\r\n[B]\r\nj=1");
    DIni ini(File().c_str());
    ini.SetSection("A");
    ini.SetKeyValue("k", "2"); // not at the end: the file is written whole
    ASSERT_EQ(ReadBytes(File()), "[A]\r\nk=2\r\n[B]\r\nj=1");
    ASSERT_TRUE(ini.SetFileName(File().c_str()));
    ini.SetSection("B");
    ini.HoldWrite(true);
    ini.SetKeyValue("j", "3");
    ini.RestoreFile();
    EXPECT_EQ(ReadBytes(File()), "[A]\r\nk=2\r\n[B]\r\nj=1");
    EXPECT_EQ(Value(ini, "A", "k"), "2");
    EXPECT_EQ(Value(ini, "B", "j"), "1");
}
