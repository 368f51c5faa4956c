// DIni and its file: what it writes reads back exactly, and a file it cannot read is never
// replaced from memory alone.
#include "DIni.h"

#include "FaultLoop.h"
#include "LastFailure.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>

using testsupport::InChild;
using testsupport::MakeUnreadable;
#endif

using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace {

std::string Sections(DIni& ini)
{
    std::string all;
    const DStringArray names = ini.GetSectionNames();
    for (int i = 0; i < names.Count(); ++i) {
        all += "[" + std::string(names[i].c_str(), size_t(names[i].Len())) + "]";
        const DStringArray lines = ini.GetFullSection(names[i]);
        for (int j = 0; j < lines.Count(); ++j)
            all += "<" + std::string(lines[j].c_str(), size_t(lines[j].Len())) + ">";
    }
    return all;
}

} // namespace

// Found by fuzzing: a last line that ends in CR lost the CR on the way back.
TEST(DIniStorage, StrayCarriageReturnsReadBack)
{
    // base64 W0ZpCmskPXYNCnYNCg0NCg==
    WriteBytes("a.ini", std::string("[Fi\nk$=v\r\nv\r\n\r\r\n"));
    DIni ini("a.ini");
    ASSERT_EQ(Sections(ini), "[Fi]<k$=v><v><\r>");
    ASSERT_TRUE(ini.WriteFile("w1.ini", true));
    DIni w1("w1.ini");
    EXPECT_EQ(Sections(w1), Sections(ini));
    ASSERT_TRUE(w1.WriteFile("w2.ini", true));
    EXPECT_EQ(ReadBytes("w2.ini"), ReadBytes("w1.ini"));
    // Files without such a line keep their bytes: no line end is added after the last line.
    WriteBytes("plain.ini", "[A]\r\nk=v");
    DIni plain("plain.ini");
    ASSERT_TRUE(plain.WriteFile("plain2.ini", true));
    EXPECT_EQ(ReadBytes("plain2.ini"), "[A]\r\nk=v");
}

// Sections are made into lines only when used: those left unused must come out of every
// later write, append and merge exactly as the file held them.
TEST(DIniStorage, SectionsUsedLateGiveWhatTheFileHeld)
{
    WriteBytes("a.ini", "junk\n[A]x\r\na=1\n\n  \r\nb=\r\r\n[B]\r\nc=3\r\r\n[C]\r\nlast\r\r\n");
    const std::string held = "[A]<a=1><b=\r>[B]<c=3\r>[C]<last\r>";
    DIni first("a.ini");
    ASSERT_EQ(Sections(first), held);

    DIni ini("a.ini");
    const DIni copy = ini;
    ini.SetSection("D");
    ini.SetKeyValue("d", "4"); // rewritten whole: the file was not as a write gives it
    ini.SetKeyValue("e", "5"); // appended
    DIni other("a.ini");
    other.SetSection("E");
    other.SetKeyValue("f", "6");
    ini.SetSection("D");
    ini.SetKeyValue("g", "7"); // merged with the other writer's change
    const std::string now = held + "[D]<d=4><e=5><g=7>[E]<f=6>";
    EXPECT_EQ(Sections(ini), now);
    DIni reread("a.ini");
    EXPECT_EQ(Sections(reread), now);
    EXPECT_EQ(Sections(const_cast<DIni&>(copy)), held);

    DIni restored("a.ini");
    restored.HoldWrite(true);
    restored.DeleteSection("B");
    restored.RestoreFile();
    EXPECT_EQ(Sections(restored), now);
    EXPECT_EQ(ReadBytes("a.ini"), "[A]\r\na=1\r\nb=\r\r\n[B]\r\nc=3\r\r\n[C]\r\nlast\r\r\n"
                                  "[D]\r\nd=4\r\ne=5\r\ng=7\r\n[E]\r\nf=6");
}

#if !defined(_WIN32) // POSIX permission bits
TEST(DIniStorage, AFileThatCannotBeReadIsNotReplaced)
{
    WriteBytes("secret.ini", "[A]\r\nsecret=1\r\nkeep=2");
    ASSERT_TRUE(MakeUnreadable("secret.ini"));
    EXPECT_TRUE(InChild(true, [] {
        ClearLastFailure();
        DIni ini("secret.ini");
        ini.SetSection("A");
        ini.SetKeyValue("new", "1");
        DString why;
        return GetLastFailure(&why) != 0 && why.Find("secret.ini") != npos
               && why.Find("cannot be read") != npos;
    }));
    ASSERT_EQ(chmod("secret.ini", 0644), 0);
    EXPECT_EQ(ReadBytes("secret.ini"), "[A]\r\nsecret=1\r\nkeep=2");
}

// Loading it as empty made the caller believe the file held nothing.
TEST(DIniStorage, LoadingAFileThatCannotBeReadFails)
{
    WriteBytes("secret.ini", "[A]\r\nsecret=1\r\nkeep=2");
    ASSERT_TRUE(MakeUnreadable("secret.ini"));
    EXPECT_TRUE(InChild(true, [] {
        ClearLastFailure();
        DIni ini;
        const bool loaded = ini.SetFileName("secret.ini");
        DString why;
        const int code = GetLastFailure(&why);
        const bool told = code == EACCES && why.Find("cannot read") != npos
                          && why.Find("secret.ini") != npos && why.Find("ermission denied") != npos;
        return !loaded && told && ini.FileName() == "secret.ini" && ini.nSections() == 0;
    }));
    ASSERT_EQ(chmod("secret.ini", 0644), 0);
}
#endif

// A file another process is replacing cannot be opened for a moment on Windows: a failed read
// at load is tried again, as an empty one is (a lasting one fails, as above).
TEST(DIniStorage, AReadErrorAtLoadIsTriedAgain)
{
    WriteBytes("s.ini", "[A]\r\nkeep=1");
    DIni ini;
    platform::fault::Arm(1, EIO, platform::fault::Open);
    ClearLastFailure();
    const bool loaded = ini.SetFileName("s.ini");
    platform::fault::Disarm();
    EXPECT_TRUE(loaded);
    EXPECT_EQ(GetLastFailure(), 0);
    EXPECT_EQ(ini.GetSectionKeyValue("A", "keep", ""), "1");
    ini.SetSection("A");
    ini.SetKeyValue("new", "1");
    EXPECT_EQ(ReadBytes("s.ini"), "[A]\r\nkeep=1\r\nnew=1");
}
