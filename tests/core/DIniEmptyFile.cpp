// DIni loading an empty file: retried while it may be caught in a rewrite, taken as it is when
// it has been empty for a while.
#include "DIni.h"

#include "Core.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace {

std::string LogText()
{
    return ReadBytes(testsupport::UserFolder() + "/Log.txt");
}

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
    std::thread writer([] {
        // The rewrite in place completes a little later.
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        WriteBytes("busy.ini", "[A]\r\nk=v");
    });
    DIni ini("busy.ini");
    writer.join();
    EXPECT_EQ(ini.GetSectionKeyValue("A", "k", "none"), DString("v"));
    EXPECT_NE(LogText().find("tries needed to read from"), std::string::npos) << LogText();

    // Still empty after every retry: loaded as an empty file.
    WriteBytes("stays.ini", "");
    DIni empty("stays.ini");
    EXPECT_EQ(empty.nSections(), 0);
    EXPECT_NE(LogText().find("10 tries needed to read from stays.ini"), std::string::npos)
        << LogText();
}
