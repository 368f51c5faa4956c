// Writes that cannot be done are reported (result, message and last failure) and change nothing.
#include "ExperimentFixture.h"

#include "LastFailure.h"

#include <filesystem>
#if !defined(_WIN32)
#include <unistd.h>
#endif

namespace fs = std::filesystem;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace {

class WriteFailuresTest : public ExperimentTest {
protected:
    void SetUp() override
    {
        ExperimentTest::SetUp();
        // A child of the test finds the experiment made.
        Open();
        if (!testsupport::ChildRole().empty())
            return;
        ASSERT_GE(Create("1", "one"), 0);
        Expt.SetShotData("Peak", "3");
        ClearLastFailure();
        sink.got.clear();
    }
    std::string Cache() { return ReadBytes(exp + "/Shots/ScalarCache.ini"); }
#if !defined(_WIN32) // permissions hold for nobody, not for root
    /// In a child started as "nobody": gives up root, so that permissions hold (the test
    /// ends there when the child cannot); elsewhere false.
    bool AsNobody()
    {
        if (testsupport::ChildRole() != "nobody")
            return false;
        if (setgid(65534) != 0 || setuid(65534) != 0)
            std::_Exit(3);
        return true;
    }
    /// Lets nobody into the test folder and change everything in it.
    static void OpenToNobody()
    {
        fs::permissions(testsupport::TestDir(), fs::perms::all);
        for (auto const& entry : fs::recursive_directory_iterator(testsupport::TestDir()))
            fs::permissions(entry.path(), fs::perms::all);
    }
#endif
};

} // namespace

TEST_F(WriteFailuresTest, FieldWriteToAShotRenamedUnderneathFails)
{
    // Another process renames the shot's folder; the current shot still names the old one.
    fs::rename(exp + "/Shots/Shot1", exp + "/Shots/Shot9");
    std::string const before = Cache();
    Expt.SetShotData("Peak", "4");
    Expt.SetScalarData("Gain", 2.0f);
    EXPECT_EQ(Cache(), before);
    DString why;
    EXPECT_NE(GetLastFailure(&why), 0);
    EXPECT_NE(S(why).find("no longer exists"), std::string::npos) << S(why);
    EXPECT_FALSE(sink.got.empty());
    EXPECT_FALSE(fs::exists(exp + "/Shots/Shot1"));
}

TEST_F(WriteFailuresTest, FieldWriteToADeletedShotFails)
{
    fs::remove_all(exp + "/Shots/Shot1");
    std::string const before = Cache();
    Expt.SetShotData("Peak", "4");
    EXPECT_EQ(Cache(), before);
    EXPECT_NE(GetLastFailure(), 0);
    EXPECT_FALSE(fs::exists(exp + "/Shots/Shot1"));
}

#if !defined(_WIN32)
TEST_F(WriteFailuresTest, BackupThatCannotCopyEveryFileFailsAndLeavesNoFolder)
{
    if (AsNobody()) {
        ASSERT_TRUE(Expt.SetShot("1"));
        Expt.BackupShot();
        EXPECT_EQ(S(Expt.GetLastBackupFolder()), "");
        EXPECT_NE(GetLastFailure(), 0);
        EXPECT_FALSE(sink.got.empty());
        std::_Exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    WriteBytes(exp + "/Shots/Shot1/secret.wvf", "bytes");
    WriteBytes(data + "/Backup/keep.txt", "x");
    OpenToNobody();
    // Nobody can read this one file: the copy falls short of the shot.
    fs::permissions(exp + "/Shots/Shot1/secret.wvf", fs::perms::none);
    testsupport::ChildProcess child("nobody");
    ASSERT_EQ(child.Wait(), 0);
    EXPECT_FALSE(fs::exists(data + "/Backup/Exp1/Shots/Shot1"));
}
#endif

TEST_F(WriteFailuresTest, CreateReportsAFieldItCouldNotWrite)
{
    // A folder where the cache file belongs: no field write of the shot path can succeed.
    fs::remove(exp + "/Shots/ScalarCache.ini");
    fs::create_directory(exp + "/Shots/ScalarCache.ini");
    DString name = "2";
    Expt.CreateShot(name, "hello", false);
    EXPECT_NE(GetLastFailure(), 0);
}

TEST_F(WriteFailuresTest, HeldFieldsOfAShotRenamedUnderneathAreNotWritten)
{
    ASSERT_TRUE(Expt.SetShot("1"));
    Expt.SetPauseIO(true);
    Expt.SetShotData("Held", "1");
    std::string const before = Cache();
    fs::rename(exp + "/Shots/Shot1", exp + "/Shots/Shot9");
    Expt.SetPauseIO(false);
    EXPECT_EQ(Cache(), before);
    EXPECT_NE(GetLastFailure(), 0);
}
