// DIni loading an empty file: retried while it may be caught in a rewrite, taken as it is when
// it has been empty for a while.
#include "DIni.h"

#include "Core.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace {

std::string LogText() { return ReadBytes(testsupport::TestDir() + "/home/.local/share/Talvex/Log.txt"); }

} // namespace

TEST(DIniEmptyFile, AnEmptyFileUntouchedForAWhileLoadsWithoutRetries)
{
    CoreInit("");
    Logging = true;
    WriteBytes("old.ini", "");
    std::filesystem::last_write_time("old.ini", std::filesystem::file_time_type::clock::now()
                                                     - std::chrono::hours(1));
    DIni ini("old.ini");
    EXPECT_EQ(ini.FileName(), DString("old.ini"));
    EXPECT_EQ(ini.nSections(), 0);
    EXPECT_EQ(LogText().find("tries needed"), std::string::npos) << LogText();

    // Written by DIni itself, then loaded again later: the same.
    DIni made("made.ini");
    std::filesystem::last_write_time("made.ini", std::filesystem::file_time_type::clock::now()
                                                      - std::chrono::seconds(5));
    EXPECT_TRUE(made.Refresh());
    EXPECT_EQ(LogText().find("tries needed"), std::string::npos) << LogText();
}

TEST(DIniEmptyFile, AFileEmptiedJustNowIsReadAgainUntilItsWriterFillsIt)
{
    CoreInit("");
    Logging = true;
    WriteBytes("busy.ini", "");
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        usleep(150000); // the rewrite in place completes a little later
        WriteBytes("busy.ini", "[A]\r\nk=v");
        _exit(0);
    }
    DIni ini("busy.ini");
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(ini.GetSectionKeyValue("A", "k", "none"), DString("v"));
    EXPECT_NE(LogText().find("tries needed to read from"), std::string::npos) << LogText();

    // Still empty after every retry: loaded as an empty file.
    WriteBytes("stays.ini", "");
    DIni empty("stays.ini");
    EXPECT_EQ(empty.nSections(), 0);
    EXPECT_NE(LogText().find("10 tries needed to read from stays.ini"), std::string::npos)
        << LogText();
}
