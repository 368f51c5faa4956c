// DIni between several writers: held changes applied to the file as others left it, and
// concurrent processes losing no key.
#include "DIni.h"

#include "DFile.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace {

std::string Bytes(const DString& s)
{
    return std::string(s.c_str(), size_t(s.Len()));
}

} // namespace

TEST(DIniSharing, HeldChangesApplyToTheFileAsOthersLeftIt)
{
    WriteBytes("s.ini", "[Fields]\r\nold=1\r\ngone=2\r\n[Keep]\r\nk=v\r\n[From]\r\nf=1");
    DIni paused("s.ini");
    paused.HoldWrite(true);
    paused.SetSection("Fields");
    paused.SetKeyValue("mine", "a");
    paused.SetKeyValue("old", "changed");
    paused.DeleteKey("Fields", "gone");
    paused.RenameSection("From", "To");
    paused.SetFullSection("Whole", DStringArray("w1,w2", ",", 0));
    paused.SetSection("Empty");

    DIni other("s.ini");
    other.SetSection("Fields");
    other.SetKeyValue("theirs", "b");
    other.SetSection("Keep");
    other.SetKeyValue("k2", "v2");
    other.SetSection("From");
    other.SetKeyValue("f2", "2");
    other.DeleteSection("Whole"); // absent: nothing to lose

    paused.HoldWrite(false);
    EXPECT_EQ(ReadBytes("s.ini"), "[Fields]\r\nold=changed\r\ntheirs=b\r\nmine=a\r\n"
                                  "[Keep]\r\nk=v\r\nk2=v2\r\n[To]\r\nf=1\r\nf2=2\r\n"
                                  "[Whole]\r\nw1\r\nw2\r\n[Empty]\r\n");
    // The memory copy is the merged file, the current section still selected.
    EXPECT_FALSE(paused.Changed());
    EXPECT_EQ(Bytes(paused.GetKeyValue("theirs", "")), "");
    EXPECT_EQ(Bytes(paused.GetSectionKeyValue("Fields", "theirs", "")), "b");

    // A plain rewrite of an object that changed nothing keeps the other writer's keys.
    other.SetSection("Fields");
    other.SetKeyValue("late", "c");
    DIni idle("s.ini");
    ASSERT_TRUE(idle.WriteFile("", false));
    other.DeleteKey("Fields", "late");
    ASSERT_TRUE(idle.WriteFile("", false));
    EXPECT_EQ(ReadBytes("s.ini").find("late"), std::string::npos);
    EXPECT_NE(ReadBytes("s.ini").find("mine=a"), std::string::npos);
}

TEST(DIniSharing, RestoreAndCopiesWriteTheMemoryCopyAsItIs)
{
    WriteBytes("r.ini", "[A]\r\nk=1");
    DIni ini("r.ini");
    DIni other("r.ini");
    other.SetSection("A");
    other.SetKeyValue("x", "2");
    ini.SetSection("A");
    ini.SetKeyValue("k", "3");
    EXPECT_EQ(ReadBytes("r.ini"), "[A]\r\nk=3\r\nx=2");
    // RestoreFile goes back to what this object loaded, whoever changed the file since.
    ini.RestoreFile();
    EXPECT_EQ(ReadBytes("r.ini"), "[A]\r\nk=1");
    // A copy elsewhere is not merged with that file, nor does it change this object's file.
    WriteBytes("copy.ini", "[B]\r\nz=1");
    ASSERT_TRUE(ini.WriteFile("copy.ini", true));
    EXPECT_EQ(ReadBytes("copy.ini"), "[A]\r\nk=1");
    EXPECT_EQ(Bytes(ini.FileName()), "r.ini");
}

TEST(DIniSharing, ConcurrentProcessesLoseNoKey)
{
    // Each process sets its own keys in two files: one through a fresh object per key (as a
    // shot's field file is bound for every change), one through a long-lived object that never
    // re-reads, part of the time holding its writes.
    const int processes = 4, keys = 200;
    const int child = testsupport::ChildIndex("writer");
    if (child >= 0) {
        DIni kept("kept.ini");
        kept.SetSection("All");
        for (int k = 0; k < keys; ++k) {
            const DString key = DString("p") + DString(child) + "_" + DString(k);
            DIni bound("bound.ini");
            bound.SetSection("Fields");
            bound.SetKeyValue(key, DString(k));
            kept.HoldWrite(k % 50 < 10);
            kept.SetKeyValue(key, DString(k));
        }
        kept.HoldWrite(false);
        return;
    }
    WriteBytes("bound.ini", "");
    ASSERT_TRUE(testsupport::RunChildren("writer", processes));
    DIni bound("bound.ini"), kept("kept.ini");
    int lostBound = 0, lostKept = 0;
    for (int p = 0; p < processes; ++p)
        for (int k = 0; k < keys; ++k) {
            const DString key = DString("p") + DString(p) + "_" + DString(k);
            lostBound += bound.GetSectionKeyValue("Fields", key, "?") != DString(k);
            lostKept += kept.GetSectionKeyValue("All", key, "?") != DString(k);
        }
    EXPECT_EQ(lostBound, 0);
    EXPECT_EQ(lostKept, 0);
    EXPECT_EQ(bound.nSections(), 1);
    EXPECT_EQ(kept.nSections(), 1);
}
