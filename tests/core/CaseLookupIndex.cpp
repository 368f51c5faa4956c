// Case-insensitive lookups served by the folder name index: other programs' changes are seen,
// this process's own writes are known, and many files in one folder still resolve rightly.
#include "FileSystem.h"
#include "TestSupport.h"
#include "Waveform.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace testsupport;

namespace {

std::string Dir()
{
    return Native(TestDir() + "/idx");
}

DString W(const std::string& s)
{
    return DString(Native(s).c_str());
}

int CountEntries(const std::string& folder)
{
    int n = 0;
    for (auto const& e : std::filesystem::directory_iterator(folder)) {
        (void)e;
        ++n;
    }
    return n;
}

} // namespace

TEST(CaseLookupIndex, SeesEntriesOtherProgramsMakeAndRemove)
{
    std::filesystem::create_directories(Dir());
    DString missing = W(Dir() + "/LONGNAMED.wvf");
    EXPECT_FALSE(FileExists(missing)); // the folder is read and indexed here

    WriteBytes(Dir() + "/LongNamed.wvf", "x"); // another program, at once after
    DString variant = W(Dir() + "/longnamed.WVF");
    ASSERT_TRUE(FileExists(variant));
    EXPECT_EQ(std::string(variant.c_str()), Native(Dir() + "/LongNamed.wvf"));

    std::filesystem::remove(Dir() + "/LongNamed.wvf");
    DString gone = W(Dir() + "/longnamed.wvf");
    EXPECT_FALSE(FileExists(gone));
}

TEST(CaseLookupIndex, OwnWritesAreKnownToLaterLookups)
{
    std::filesystem::create_directories(Dir());
    Waveform w(16);
    for (int i = 0; i < 40; ++i)
        ASSERT_TRUE(w.Write(W(Dir() + "/channel" + std::to_string(i))));
    // Each name again in another spelling: the existing files are replaced, none is added.
    Waveform again(3);
    for (int i = 0; i < 40; ++i)
        ASSERT_TRUE(again.Write(W(Dir() + "/CHANNEL" + std::to_string(i))));
    EXPECT_EQ(CountEntries(Dir()), 40);
#if !defined(_WIN32) // where names differing in case are different files
    EXPECT_FALSE(std::filesystem::exists(Dir() + "/CHANNEL7.wvf"));
#endif
    Waveform back;
    ASSERT_TRUE(back.Read(W(Dir() + "/Channel7")));
    EXPECT_EQ(back.npnts(), 3);
}

TEST(CaseLookupIndex, ARemovedAndRecreatedFolderIsReadAfresh)
{
    std::filesystem::create_directories(Dir());
    Waveform w(4);
    ASSERT_TRUE(w.Write(W(Dir() + "/FirstTrace")));
    std::filesystem::remove_all(Dir());
    std::filesystem::create_directories(Dir());
    WriteBytes(Dir() + "/SecondTrace.wvf", "x");
    DString first = W(Dir() + "/firsttrace.wvf"), second = W(Dir() + "/secondtrace.wvf");
    EXPECT_FALSE(FileExists(first));
    EXPECT_TRUE(FileExists(second));
    ASSERT_TRUE(w.Write(W(Dir() + "/SECONDTRACE")));
    EXPECT_EQ(CountEntries(Dir()), 1);
}

TEST(CaseLookupIndex, FoldersMadeOneAfterAnotherAreKnownInEverySpelling)
{
    std::filesystem::create_directories(Dir());
    DString probe = W(Dir() + "/SHOTNAMEX");
    EXPECT_FALSE(FolderExists(probe)); // the folder is indexed here
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(CreateFolder(W(Dir() + "/ShotName" + std::to_string(i))));
    for (int i = 0; i < 20; ++i) {
        DString variant = W(Dir() + "/shotNAME" + std::to_string(i));
        ASSERT_TRUE(FolderExists(variant)) << i;
        EXPECT_EQ(std::string(variant.c_str()), Native(Dir() + "/ShotName" + std::to_string(i)));
    }
    // Made again in another spelling: the existing folder, none added.
    EXPECT_TRUE(CreateFolder(W(Dir() + "/SHOTNAME3")));
    EXPECT_EQ(CountEntries(Dir()), 20);
}
