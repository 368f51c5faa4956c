// Reading a settings file for lookups only: nothing made or written, the same matching rules.
#include "DIni.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

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

/// FindValue's answer, "<absent>" when it finds nothing.
std::string Find(DIni const& ini, char const* section, char const* key)
{
    DString value("<stale>");
    return ini.FindValue(section, key, value) ? value.c_str() : "<absent>";
}

const char kTricky[] = "[Shot1]\r\nA=1\r\nB=\r\n  \r\na=dup\r\n;c=no\r\n[shot1]\r\nA=second\r\n"
                       "[Open\r\nX=y=z\r\n[Tail] note]\r\nQ=last";

} // namespace

TEST(DIniLookup, MissingFileIsNeitherMadeNorLocked)
{
    const std::string path = File();
    DIni ini;
    EXPECT_TRUE(ini.Load(path.c_str()));
    EXPECT_EQ(ini.nSections(), 0);
    // Not the file, nor a lock or temporary file beside it.
    const std::string base = std::filesystem::path(path).filename().string();
    for (auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(path).parent_path()))
        EXPECT_NE(entry.path().filename().string().rfind(base, 0), 0u) << entry.path();
}

TEST(DIniLookup, ChangesStayInMemory)
{
    const std::string path = File();
    WriteBytes(path, "[S]\r\nK=1");
    DIni ini;
    ASSERT_TRUE(ini.Load(path.c_str()));
    ini.SetSection("S");
    ini.SetKeyValue("K", "2");
    ini.SetSection("New");
    EXPECT_EQ(ReadBytes(path), "[S]\r\nK=1");
    EXPECT_EQ(Find(ini, "s", "k"), "2");
    EXPECT_EQ(ini.FileName(), DString());
}

// A section still lying in the text and one made into strings answer alike, and as a bound
// file does.
TEST(DIniLookup, FindValueMatchesAsGetSectionKeyValue)
{
    const std::string path = File();
    WriteBytes(path, kTricky);
    DIni bound(path.c_str());
    DIni loaded;
    ASSERT_TRUE(loaded.Load(path.c_str()));
    DIni fromText;
    fromText.LoadText(kTricky);
    const char* cases[][2] = {{"SHOT1", "a"}, {"shot1", "B"}, {"Shot1", "C"},      {"Shot1", ";c"},
                              {"Open", "X"},  {"Tail", "Q"},  {"Tail] note", "Q"}, {"None", "A"}};
    for (auto& c : cases) {
        const DString want = bound.GetSectionKeyValue(c[0], c[1], "<absent>");
        EXPECT_EQ(Find(loaded, c[0], c[1]), want.c_str()) << c[0] << " " << c[1];
        EXPECT_EQ(Find(fromText, c[0], c[1]), want.c_str()) << c[0] << " " << c[1];
    }
    // The same again once every section is held as strings.
    for (auto& c : cases)
        loaded.GetFullSection(c[0]);
    for (auto& c : cases)
        EXPECT_EQ(Find(loaded, c[0], c[1]), Find(fromText, c[0], c[1])) << c[0] << " " << c[1];
    EXPECT_EQ(Find(fromText, "Shot1", "A"), "1");
    EXPECT_EQ(Find(fromText, "Shot1", "B"), "");
    EXPECT_EQ(Find(fromText, "Open", "x"), "y=z");
}

TEST(DIniLookup, LoadForgetsWhatWasHeld)
{
    DIni ini;
    ini.LoadText("[A]\r\nK=1");
    ini.SetSection("A");
    ini.HoldWrite(true);
    ini.SetKeyValue("K", "2");
    ini.LoadText("[B]\r\nK=3");
    EXPECT_FALSE(ini.SectionExists("A"));
    EXPECT_EQ(Find(ini, "B", "K"), "3");
    EXPECT_EQ(ini.nKeys(), 0);
}

#if !defined(_WIN32) // POSIX permission bits
TEST(DIniLookup, UnreadableFileFailsAndHoldsNothing)
{
    const std::string path = File();
    WriteBytes(path, "[A]\r\nK=1");
    ASSERT_TRUE(testsupport::MakeUnreadable(path));
    EXPECT_TRUE(testsupport::InChild(true, [path] {
        DIni ini;
        ini.LoadText("[Old]\r\nK=0");
        return !ini.Load(path.c_str()) && ini.nSections() == 0;
    }));
    EXPECT_EQ(ReadBytes(path), "[A]\r\nK=1");
}
#endif

// The section index grows while sections are added one by one and keeps the first of names
// that differ only in case.
TEST(DIniLookup, ManySectionsAddedOneByOne)
{
    DIni ini;
    ini.LoadText("[Base]\r\nK=base");
    ini.HoldWrite(true);
    const int n = 3000;
    for (int i = 0; i < n; ++i) {
        ini.SetSection("Shot" + DString(i));
        ini.SetKeyValue("K", DString(i));
    }
    ini.SetFullSection("SHOT7", DStringArray()); // the same section: replaced, not added
    ini.AddSection("base2", DStringArray());
    EXPECT_EQ(ini.nSections(), n + 2);
    for (int i = 0; i < n; i += 7) {
        const std::string name = "sHoT" + std::to_string(i);
        EXPECT_EQ(Find(ini, name.c_str(), "k"), i == 7 ? "<absent>" : std::to_string(i)) << i;
    }
    EXPECT_EQ(Find(ini, "BASE", "K"), "base");
    EXPECT_EQ(Find(ini, "Shot3000", "K"), "<absent>");
    ini.RenameSection("Shot1", "Renamed");
    EXPECT_EQ(Find(ini, "renamed", "K"), "1");
    EXPECT_EQ(Find(ini, "Shot1", "K"), "<absent>");
    ini.DeleteSection("Shot2");
    EXPECT_EQ(Find(ini, "Shot2", "K"), "<absent>");
    EXPECT_EQ(Find(ini, "Shot2999", "K"), "2999");
}

TEST(DIniLookup, DuplicateSectionsInALargeFileAnswerWithTheFirst)
{
    std::string text;
    for (int i = 0; i < 500; ++i)
        text += "[S" + std::to_string(i) + "]\r\nK=" + std::to_string(i) + "\r\n";
    text += "[s250]\r\nK=later\r\n[S250]\r\nK=latest";
    DIni ini;
    ini.LoadText(text.c_str());
    EXPECT_EQ(Find(ini, "S250", "K"), "250");
    ini.SetSection("s250");
    EXPECT_EQ(std::string(ini.GetKeyValue("K", "").c_str()), "250");
}
