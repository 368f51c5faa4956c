// DIni: parsing, the written bytes, lookups, write-through and hold, change detection, retries,
// bad files and crash safety of the rewrite.
#include "DIni.h"

#include "Core.h"
#include "DFile.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <thread>

#if !defined(_WIN32)
#include <sys/wait.h>
#include <unistd.h>
#endif

using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace {

std::string Bytes(const DString& s)
{
    return std::string(s.c_str(), size_t(s.Len()));
}

std::string LogText()
{
    return ReadBytes(testsupport::UserFolder() + "/Log.txt");
}

} // namespace

TEST(DIni, ParsesAndWritesBackTheExactBytes)
{
    WriteBytes("a.ini", "x=1\n[A]\r\nk=v\r\n   \n\n[B]\n");
    DIni ini("a.ini");
    EXPECT_EQ(ini.nSections(), 2);
    EXPECT_EQ(Bytes(ini.GetFullSection("a")[0]), "k=v");
    EXPECT_EQ(ini.GetFullSection("A").Count(), 1);
    EXPECT_EQ(ini.GetFullSection("B").Count(), 0);
    ASSERT_TRUE(ini.WriteFile("", false));
    EXPECT_EQ(ReadBytes("a.ini"), "[A]\r\nk=v\r\n[B]\r\n");

    // Raw lines and names are kept verbatim; the last section's lines end the file.
    WriteBytes("b.ini", "[ Sp ]\n  k = v \n;k=c\nk=1\nK=2\n[A\n[x]y]\nz=1\n[sp]\n");
    DIni raw("b.ini");
    EXPECT_EQ(Bytes(raw.GetSectionNames()[0]), " Sp ");
    EXPECT_EQ(Bytes(raw.GetSectionNames()[1]), "A");
    EXPECT_EQ(Bytes(raw.GetSectionNames()[2]), "x]y");
    EXPECT_EQ(Bytes(raw.GetSectionKeyValue(" SP ", "k", "d")), "1") << "first duplicate wins";
    EXPECT_EQ(Bytes(raw.GetKeyValue("k ", "d")), "d") << "no spaces around '='";
    EXPECT_EQ(Bytes(raw.GetKeyValue("  k ", "d")), " v ");
    EXPECT_EQ(Bytes(raw.GetKeyValue(";k", "d")), "d") << "comments are never keys";
    ASSERT_TRUE(raw.WriteFile("c.ini", true));
    EXPECT_EQ(ReadBytes("c.ini"),
              "[ Sp ]\r\n  k = v \r\n;k=c\r\nk=1\r\nK=2\r\n[A]\r\n[x]y]\r\nz=1\r\n[sp]\r\n");
    EXPECT_EQ(Bytes(raw.FileName()), "b.ini");
    ASSERT_TRUE(raw.WriteFile("d.ini", false));
    EXPECT_EQ(Bytes(raw.FileName()), "d.ini");

    DIni empty("e.ini");
    empty.SetSection("Only");
    empty.SetKeyValue("a", "1");
    EXPECT_EQ(ReadBytes("e.ini"), "[Only]\r\na=1");
}

TEST(DIni, GettersAndTheirDefaults)
{
    WriteBytes("g.ini", "[a]\nk=v\ne=\nb1=TRUE\nb2=1\nb3=yes\ni1=2.9\ni2=2e1\ni3=abc\ni4=1e30\n"
                        "i5=-7x\nf1=1.5\nf2=1.5x\nrow=1,2\n");
    DIni ini("g.ini");
    EXPECT_EQ(Bytes(ini.GetKeyValue("k", "d")), "d") << "no section selected";
    EXPECT_EQ(ini.nKeys(), 0);
    ini.SetSection("A");
    EXPECT_EQ(ini.nSections(), 1);
    EXPECT_EQ(ini.nKeys(), 13);
    EXPECT_EQ(Bytes(ini.GetKeyValue("K", "d")), "v");
    EXPECT_EQ(Bytes(ini.GetKeyValue("e", "d")), "d");
    EXPECT_EQ(Bytes(ini.GetKeyValue("missing", nullptr)), "");
    EXPECT_EQ(Bytes(ini.GetSectionKeyValue("a", "e", "d")), "");
    EXPECT_EQ(Bytes(ini.GetSectionKeyValue("none", "k", "d")), "d");
    EXPECT_EQ(Bytes(ini.GetKeyValue("k", "d")), "d") << "an absent section deselects";
    ini.SetSection("a");

    EXPECT_TRUE(ini.GetKeyBoolValue("b1", false));
    EXPECT_TRUE(ini.GetKeyBoolValue("b2", false));
    EXPECT_FALSE(ini.GetKeyBoolValue("b3", true));
    EXPECT_FALSE(ini.GetKeyBoolValue("e", true));
    EXPECT_TRUE(ini.GetKeyBoolValue("missing", true));

    EXPECT_EQ(ini.GetKeyIntValue("i1", 9), 2);
    EXPECT_EQ(ini.GetKeyIntValue("i2", 9), 20);
    EXPECT_EQ(ini.GetKeyIntValue("i3", 9), 9);
    EXPECT_EQ(ini.GetKeyIntValue("i4", 9), 9) << "out of the int range";
    EXPECT_EQ(ini.GetKeyIntValue("i5", 9), -7);
    EXPECT_EQ(ini.GetKeyIntValue("e", 9), 9);
    EXPECT_EQ(ini.GetKeyFloatValue("f1", 0), 1.5f);
    EXPECT_EQ(ini.GetKeyFloatValue("f2", 4), 4.0f);

    DStringArray row = ini.GetKeyRow("row", 3, ",", "");
    ASSERT_EQ(row.Count(), 3);
    EXPECT_EQ(Bytes(row[1]), "2");
    EXPECT_EQ(ini.GetKeyRow("missing", 2, ",", "x,y,z").Count(), 3);
}

TEST(DIni, WriteThroughAndHold)
{
    DIni ini("w.ini");
    ini.SetSection("S");
    EXPECT_EQ(ReadBytes("w.ini"), "") << "selecting a section never writes";
    ini.SetKeyValue("a", "1");
    EXPECT_EQ(ReadBytes("w.ini"), "[S]\r\na=1");
    ini.SetKeyValue("A", "2");
    EXPECT_EQ(ReadBytes("w.ini"), "[S]\r\nA=2");

    ini.HoldWrite(true);
    ini.SetKeyValue("b", "3");
    ini.SetFullSection("T", DStringArray("x=1,y=2", ",", 0));
    ini.RenameSection("S", "R");
    EXPECT_EQ(ReadBytes("w.ini"), "[S]\r\nA=2");
    ini.HoldWrite(false);
    EXPECT_EQ(ReadBytes("w.ini"), "[R]\r\nA=2\r\nb=3\r\n[T]\r\nx=1\r\ny=2");
    ini.HoldWrite(false); // not holding: no write, nothing changes
    EXPECT_EQ(ReadBytes("w.ini"), "[R]\r\nA=2\r\nb=3\r\n[T]\r\nx=1\r\ny=2");

    ini.DeleteKey("r", "b");
    EXPECT_EQ(ReadBytes("w.ini"), "[R]\r\nA=2\r\n[T]\r\nx=1\r\ny=2");
    ini.DeleteSection("R");
    EXPECT_EQ(ReadBytes("w.ini"), "[T]\r\nx=1\r\ny=2");
    EXPECT_EQ(ini.nKeys(), 0);
    ini.SetKeyValue("lost", "1"); // no section selected: nothing
    EXPECT_EQ(ReadBytes("w.ini"), "[T]\r\nx=1\r\ny=2");
}

TEST(DIni, DuplicateSectionsAfterDeleteAndRename)
{
    WriteBytes("dup.ini", "[A]\nk=1\n[a]\nk=2\n[B]\nk=3\n");
    DIni ini("dup.ini");
    EXPECT_EQ(Bytes(ini.GetSectionKeyValue("A", "k", "")), "1");
    ini.DeleteSection("a");
    EXPECT_EQ(Bytes(ini.GetSectionKeyValue("A", "k", "")), "2");
    ini.RenameSection("a", "C");
    EXPECT_FALSE(ini.SectionExists("A"));
    EXPECT_EQ(Bytes(ini.GetSectionKeyValue("c", "k", "")), "2");
    ini.AddSection("A", DStringArray("k=4", ",", 0));
    EXPECT_EQ(Bytes(ini.GetSectionKeyValue("A", "k", "")), "4");
    EXPECT_EQ(ReadBytes("dup.ini"), "[C]\r\nk=2\r\n[B]\r\nk=3\r\n[A]\r\nk=4");

    DIni copy = ini;
    copy.SetSection("B");
    EXPECT_EQ(Bytes(copy.GetKeyValue("k", "")), "3");
    DIni assigned;
    assigned = copy;
    EXPECT_EQ(Bytes(assigned.GetKeyValue("k", "")), "3") << "the current section is copied";
}

TEST(DIni, CommitRestoreAndChanged)
{
    WriteBytes("c.ini", "[A]\nk=1\n");
    DIni ini("c.ini");
    ini.SetSection("A");
    ini.SetKeyValue("k", "2");
    ini.RestoreFile();
    EXPECT_EQ(ReadBytes("c.ini"), "[A]\r\nk=1");
    EXPECT_EQ(Bytes(ini.GetSectionKeyValue("A", "k", "")), "1");

    ini.SetKeyValue("k", "3");
    ini.CommitFile();
    ini.SetKeyValue("k", "4");
    ini.RestoreFile();
    EXPECT_EQ(Bytes(ini.GetSectionKeyValue("A", "k", "")), "3");
    EXPECT_FALSE(ini.Changed());

    // Order does not matter; another writer's line, a lost section or a stray line does.
    WriteBytes("c.ini", "[B]\r\n[A]\r\n k=3\r\n");
    ini.SetSection("B");
    EXPECT_FALSE(ini.Changed());
    WriteBytes("c.ini", "[A]\r\nk=3\r\nnew=1\r\n[B]");
    EXPECT_TRUE(ini.Changed());
    WriteBytes("c.ini", "[A]\r\nk=3\r\n");
    EXPECT_TRUE(ini.Changed());
    WriteBytes("c.ini", "[A]\r\nk=3\r\n[B]\r\n[Z]\r\n");
    EXPECT_TRUE(ini.Changed());
    WriteBytes("c.ini", "top\r\n[A]\r\nk=3\r\n[B]\r\n");
    EXPECT_TRUE(ini.Changed());
}

TEST(DIni, MissingEmptyAndUnwritableFiles)
{
    DIni ini;
    EXPECT_FALSE(ini.SetFileName(""));
    EXPECT_TRUE(ini.SetFileName("new.ini"));
    EXPECT_TRUE(testsupport::Exists("new.ini"));
    EXPECT_EQ(ReadBytes("new.ini"), "");

    std::filesystem::create_directories("folder.ini");
    EXPECT_FALSE(ini.SetFileName("folder.ini"));
    EXPECT_FALSE(ini.SetFileName("no/such/dir/x.ini"));
    EXPECT_TRUE(!ini.FileName());
    ini.SetSection("S");
    ini.SetKeyValue("k", "v"); // no file: memory only
    EXPECT_EQ(Bytes(ini.GetKeyValue("k", "")), "v");

    WriteBytes("plain.txt", "x");
    EXPECT_FALSE(ini.SetFileName("plain.txt/x.ini"));

#if !defined(_WIN32) // folder permissions of POSIX
    // A folder the process may not read: no file, no crash.
    std::filesystem::create_directories("locked");
    WriteBytes("locked/x.ini", "[A]\nk=v\n");
    std::filesystem::permissions("locked", std::filesystem::perms::none);
    std::filesystem::permissions(".", std::filesystem::perms::others_exec,
                                 std::filesystem::perm_options::add);
    std::filesystem::permissions(testsupport::TestDir(), std::filesystem::perms::others_exec,
                                 std::filesystem::perm_options::add);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (getuid() == 0 && setuid(65534) != 0)
            _exit(2);
        DIni locked;
        const bool loaded = locked.SetFileName("locked/x.ini");
        locked.SetSection("A");
        locked.SetKeyValue("k", "w");
        _exit(!loaded && !DFile::GetText("locked/x.ini") ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    std::filesystem::permissions("locked", std::filesystem::perms::owner_all);
    EXPECT_EQ(ReadBytes("locked/x.ini"), "[A]\nk=v\n");
#endif

    // A write that fails is logged and the memory copy stays for a later write.
    CoreInit("");
    ASSERT_TRUE(ini.SetFileName("gone/x.ini") == false);
    std::filesystem::create_directories("gone");
    ASSERT_TRUE(ini.SetFileName("gone/x.ini"));
    ini.SetSection("S");
    std::filesystem::remove_all("gone");
    ini.SetKeyValue("k", "v");
    EXPECT_NE(LogText().find("error opening for write: "), std::string::npos);
    EXPECT_EQ(Bytes(ini.GetKeyValue("k", "")), "v");
    std::filesystem::create_directories("gone");
    ASSERT_TRUE(ini.WriteFile("", false));
    EXPECT_EQ(ReadBytes("gone/x.ini"), "[S]\r\nk=v");
}

TEST(DIni, EmptyReadsAreRetriedAndLogged)
{
    CoreInit("");
    Logging = true;
    WriteBytes("empty.ini", "");
    DIni ini("empty.ini");
    EXPECT_EQ(ini.nSections(), 0);
    EXPECT_NE(LogText().find("10 tries needed to read from empty.ini by "), std::string::npos);

    // A file another writer fills while the reader waits is read whole.
    WriteBytes("late.ini", "");
    std::thread writer([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(120));
        WriteBytes("late.ini.tmp", "[L]\r\nk=v");
        std::filesystem::rename("late.ini.tmp", "late.ini");
    });
    DIni late("late.ini");
    writer.join();
    EXPECT_EQ(Bytes(late.GetSectionKeyValue("L", "k", "")), "v");
    EXPECT_NE(LogText().find(" tries needed to read from late.ini by "), std::string::npos);
}

TEST(DIni, JunkAndHugeLinesLoadWithoutHarm)
{
    std::mt19937 rng(7);
    std::string junk(200000, '\0');
    for (char& c : junk)
        c = char(rng() % 7 == 0 ? "[]=\r\n; "[rng() % 7] : rng());
    WriteBytes("junk.ini", junk);
    DIni ini("junk.ini");
    ASSERT_TRUE(ini.WriteFile("junk2.ini", true));
    DIni again("junk2.ini");
    EXPECT_EQ(again.nSections(), ini.nSections());
    ASSERT_TRUE(again.WriteFile("junk3.ini", true));
    EXPECT_EQ(ReadBytes("junk3.ini"), ReadBytes("junk2.ini")) << "the written form reads back";

    const std::string huge(1 << 20, 'h');
    WriteBytes("huge.ini", "[H]\nk=" + huge + "\n[" + huge + "]\nz=1\n");
    DIni big("huge.ini");
    big.SetSection("H");
    EXPECT_EQ(big.GetKeyValue("k", "").Len(), 1 << 20);
    EXPECT_EQ(Bytes(big.GetSectionKeyValue(huge.c_str(), "z", "")), "1");
}

TEST(DIni, KilledWriterLeavesOldOrNewFile)
{
    // Every version the writer produces is this template with a different counter.
    const int nSections = 3000;
    auto content = [&](int counter) {
        char c[16];
        std::snprintf(c, sizeof c, "%08d", counter);
        std::string s = std::string("[S0]\r\ncounter=") + c;
        for (int i = 1; i < nSections; ++i) {
            s += "\r\n[S" + std::to_string(i) + "]";
            for (int k = 0; k < 10; ++k)
                s += "\r\nkey" + std::to_string(k) + "=value " + std::to_string(i * k);
        }
        return s;
    };
    if (testsupport::ChildRole() == "writer") { // rewrites until it is killed
        DIni ini("crash.ini");
        ini.SetSection("S0");
        WriteBytes("ready", "r");
        for (int n = ini.GetKeyIntValue("counter", 0) + 1;; ++n) {
            char c[16];
            std::snprintf(c, sizeof c, "%08d", n);
            ini.SetKeyValue("counter", c);
        }
    }
    WriteBytes("crash.ini", content(0));
    const size_t size = content(0).size();
    // Kill moments span a few rewrites as this build and load run them, so that some rewrites
    // complete and the rest are cut at every stage.
    WriteBytes("probe.ini", content(0));
    DIni probe("probe.ini");
    probe.SetSection("S0");
    auto const t0 = std::chrono::steady_clock::now();
    probe.SetKeyValue("counter", "00000001");
    auto const rewriteUs = std::chrono::duration_cast<std::chrono::microseconds>(
                               std::chrono::steady_clock::now() - t0)
                               .count();
    const unsigned span = unsigned(std::max<long long>(25000, 4 * rewriteUs));
    std::mt19937 rng(12345);
    int seen = 0;
    // Starting a process costs far more on Windows: fewer rounds there.
    for (int round = 0; round < (testsupport::kWindows ? 8 : 30); ++round) {
        testsupport::ChildProcess writer("writer");
        ASSERT_TRUE(writer.Started());
        // Killed at a random moment of its rewriting, once it has loaded the file.
        for (int wait = 0; wait < 60000 && !testsupport::Exists("ready"); ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ASSERT_TRUE(testsupport::Exists("ready")) << "round " << round;
        std::this_thread::sleep_for(std::chrono::microseconds(rng() % span));
        writer.Kill();
        writer.Wait();
        std::filesystem::remove("ready");

        const std::string now = ReadBytes("crash.ini");
        ASSERT_EQ(now.size(), size) << "round " << round;
        const int counter = std::stoi(now.substr(14, 8));
        ASSERT_EQ(now, content(counter)) << "round " << round;
        seen = counter;
    }
    EXPECT_GT(seen, 0) << "the writer never got to write";
}
