// DIni adding at the end of its file in place: the bytes of a full rewrite, only within the
// file's last page, never over another writer's change, and the old bytes after a failure.
#include "DIni.h"

#include "FaultLoop.h"
#include "LastFailure.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <memory>
#include <string>

using testsupport::FaultCase;
using testsupport::LoopFaults;
using testsupport::ReadBytes;
using testsupport::WriteBytes;
namespace fault = platform::fault;

namespace {

// What a full rewrite of the object's memory gives.
std::string Rewritten(DIni& ini)
{
    EXPECT_TRUE(ini.WriteFile("rewrite.ini", true));
    return ReadBytes("rewrite.ini");
}

// Runs `change` and tells whether it replaced the file (a rename) instead of appending to it.
template <class F> bool Replaces(F change)
{
    fault::Arm(0, EIO, fault::Rename);
    change();
    const bool renamed = fault::Calls() > 0;
    fault::Disarm();
    return renamed;
}

void SetKey(DIni& ini, const char* section, const char* key, const char* value)
{
    ini.SetSection(section);
    ini.SetKeyValue(key, value);
}

} // namespace

TEST(DIniAppend, AddedKeysAndSectionsGiveTheBytesOfAFullRewrite)
{
    // An empty file, a last section with and without lines, a last line ending in CR.
    for (const std::string old : {"", "[A]\r\nk=v", "[Z]\r\nz=1\r\n[A]\r\n", "[A]\r\nk=v\r\r\n"}) {
        WriteBytes("s.ini", old);
        DIni ini("s.ini");
        const auto check = [&](const char* step) {
            EXPECT_EQ(ReadBytes("s.ini"), Rewritten(ini)) << step << " after " << old;
        };
        EXPECT_FALSE(Replaces([&] { SetKey(ini, "A", "n1", "1"); }));
        check("key in the last section");
        EXPECT_FALSE(Replaces([&] { SetKey(ini, "B", "x", "y\r"); }));
        check("new section, value ending in CR");
        EXPECT_FALSE(Replaces([&] { SetKey(ini, "B", "x2", "z"); }));
        check("key after a stray CR");
        EXPECT_FALSE(Replaces([&] { ini.SetSection("Empty"); }));
        EXPECT_FALSE(Replaces([&] { ini.SetFullSection("C", DStringArray("c1,c2", ",", 0)); }));
        check("section after an empty one");
        EXPECT_FALSE(Replaces([&] {
            ini.HoldWrite(true);
            for (const char* s : {"C", "D", "E"})
                SetKey(ini, s, "held", s);
            ini.HoldWrite(false);
        }));
        check("held changes");
        DIni again("s.ini");
        EXPECT_EQ(again.GetSectionKeyValue("B", "x", ""), "y\r");
        EXPECT_EQ(again.GetSectionKeyValue("E", "held", ""), "E");
    }
}

TEST(DIniAppend, ChangesInsideTheFileRewriteIt)
{
    WriteBytes("s.ini", "[A]\r\na=1\r\n[B]\r\nb=1");
    DIni ini("s.ini");
    EXPECT_TRUE(Replaces([&] { SetKey(ini, "B", "b", "2"); }));
    EXPECT_TRUE(Replaces([&] { SetKey(ini, "A", "a2", "1"); }));
    EXPECT_TRUE(Replaces([&] { ini.DeleteKey("B", "b"); }));
    EXPECT_TRUE(Replaces([&] { ini.RenameSection("B", "C"); }));
    EXPECT_EQ(ReadBytes("s.ini"), "[A]\r\na=1\r\na2=1\r\n[C]\r\n");
    // A file not as a write gives it (LF line ends, a blank line) is rewritten whole.
    WriteBytes("lf.ini", "[A]\na=1\n\n[B]\nb=1");
    DIni lf("lf.ini");
    EXPECT_TRUE(Replaces([&] { SetKey(lf, "B", "c", "3"); }));
    EXPECT_EQ(ReadBytes("lf.ini"), "[A]\r\na=1\r\n[B]\r\nb=1\r\nc=3");
}

TEST(DIniAppend, OnlyWithinTheLastPage)
{
    // 4090 bytes: one line of 5 bytes stays in the first 4096, the next crosses.
    const std::string old = "[A]\r\nk=" + std::string(4090 - 7, 'v');
    WriteBytes("s.ini", old);
    DIni ini("s.ini");
    EXPECT_FALSE(Replaces([&] { SetKey(ini, "A", "b", "1"); }));
    EXPECT_EQ(ReadBytes("s.ini").size(), 4095u);
    EXPECT_TRUE(Replaces([&] { SetKey(ini, "A", "c", "1"); }));
    EXPECT_FALSE(Replaces([&] { SetKey(ini, "A", "d", "1"); }));
    EXPECT_EQ(ReadBytes("s.ini"), old + "\r\nb=1\r\nc=1\r\nd=1");
}

TEST(DIniAppend, AnotherWritersChangeIsTakenInFirst)
{
    WriteBytes("s.ini", "[A]\r\na=1");
    DIni ini("s.ini");
    DIni other("s.ini");
    SetKey(other, "A", "theirs", "2");
    EXPECT_TRUE(Replaces([&] { SetKey(ini, "B", "mine", "3"); }));
    EXPECT_EQ(ReadBytes("s.ini"), "[A]\r\na=1\r\ntheirs=2\r\n[B]\r\nmine=3");
    // Edited in place by a program of its own: same file, new bytes.
    WriteBytes("s.ini", "[A]\r\na=9\r\n[B]\r\nmine=3");
    SetKey(ini, "B", "more", "4");
    EXPECT_EQ(ReadBytes("s.ini"), "[A]\r\na=9\r\n[B]\r\nmine=3\r\nmore=4");
    // The object now appends again.
    EXPECT_FALSE(Replaces([&] { SetKey(ini, "B", "last", "5"); }));
    EXPECT_EQ(ReadBytes("s.ini"), Rewritten(ini));
}

TEST(DIniAppend, AFailedAppendKeepsTheOldBytes)
{
    static std::unique_ptr<DIni> ini;
    FaultCase c;
    c.target = "s.ini";
    c.replaces = false;
    c.restore = [] {
        WriteBytes("s.ini", "[A]\r\nsecret=1\r\n[B]\r\nx=y");
        ini.reset(new DIni("s.ini"));
    };
    c.write = [] {
        ClearLastFailure();
        SetKey(*ini, "B", "new", "1");
        return GetLastFailure() == 0;
    };
    c.restore();
    ASSERT_FALSE(Replaces(c.write));
    EXPECT_GE(LoopFaults(c), 2); // open, write, sync
    ini.reset();
}

TEST(DIniAppend, AChangeThatFailedIsWrittenByTheNextWrite)
{
    WriteBytes("s.ini", "[A]\r\na=1");
    DIni ini("s.ini");
    fault::Arm(1, ENOSPC, fault::Sync);
    ClearLastFailure();
    SetKey(ini, "A", "lost", "1");
    fault::Disarm();
    EXPECT_EQ(GetLastFailure(), ENOSPC);
    EXPECT_EQ(ReadBytes("s.ini"), "[A]\r\na=1");
    EXPECT_EQ(ini.GetSectionKeyValue("A", "lost", ""), "1");
    SetKey(ini, "A", "next", "2");
    EXPECT_EQ(ReadBytes("s.ini"), "[A]\r\na=1\r\nlost=1\r\nnext=2");
}

// A full write leaves the text last read in memory; the next additions are checked against the
// last section as written, not against that text.
TEST(DIniAppend, AfterAFullWriteTheLastSectionAsWrittenDecides)
{
    for (const std::string old :
         {"[A]\r\na=1\r\n[B]\r\nb=1", "[A]\r\na=1\r\n[B]\r\n", "[A]\r\na=1\r\n[B]\r\nb=v\r\r\n"}) {
        WriteBytes("s.ini", old);
        DIni ini("s.ini");
        const auto check = [&](const char* step) {
            EXPECT_EQ(ReadBytes("s.ini"), Rewritten(ini)) << step << " after " << old;
        };
        EXPECT_TRUE(Replaces([&] { SetKey(ini, "A", "a", "2"); }));
        check("a change before the last section");
        EXPECT_FALSE(Replaces([&] { SetKey(ini, "B", "c", "3"); }));
        check("a key added to the last section");
        EXPECT_TRUE(Replaces([&] { SetKey(ini, "B", "c", "4"); }));
        check("a line of the last section changed");
        EXPECT_FALSE(Replaces([&] { SetKey(ini, "C", "d", "5"); }));
        check("a section added");
        ini.DeleteKey("A", "a");
        check("a key deleted");
        EXPECT_FALSE(Replaces([&] { SetKey(ini, "C", "e", "6"); }));
        check("a key added after the delete");
    }
}
