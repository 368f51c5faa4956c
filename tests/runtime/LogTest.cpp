// The log: ClearLog's header, the line format, the retries and appends from several processes.
#include "Log.h"

#include "Clock.h"
#include "Core.h"
#include "FileSystem.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <memory>
#include <string>
#include <vector>

namespace {

std::string LogPath()
{
    return testsupport::UserFolder() + "/Log.txt";
}

std::vector<std::string> LogLines()
{
    std::vector<std::string> lines;
    const std::string text = testsupport::ReadBytes(LogPath());
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    EXPECT_EQ(start, text.size()) << "every line ends in CR LF";
    return lines;
}

// Splits "text by 1.23e-02" into its text and its seconds; false when the stamp is malformed.
bool SplitStamp(const std::string& line, std::string& text, double& seconds)
{
    const size_t by = line.rfind(" by ");
    if (by == std::string::npos)
        return false;
    const std::string stamp = line.substr(by + 4);
    if (!std::regex_match(stamp, std::regex(R"(\d\.\d\de[-+]\d\d)")))
        return false;
    text = line.substr(0, by);
    seconds = std::stod(stamp);
    return true;
}

} // namespace

TEST(Log, ClearLogHeaderAndTheSecondsSinceStartUp)
{
    CoreInit("");
    Log("before");
    ClearLog();
    DSleep(120);
    Log("hello");
    const auto lines = LogLines();
    ASSERT_EQ(lines.size(), 4u);
    std::string text;
    double seconds = -1;
    ASSERT_TRUE(SplitStamp(lines[0], text, seconds)) << lines[0];
    EXPECT_TRUE(std::regex_match(text, std::regex(R"(Log initialized at \d\d/\d\d/\d{4} .*)")));
    EXPECT_GE(seconds, 0);
    ASSERT_TRUE(SplitStamp(lines[1], text, seconds)) << lines[1];
    EXPECT_EQ(text, "Talvex running on " + std::string(GetComputerNameD().c_str()));
    ASSERT_TRUE(SplitStamp(lines[2], text, seconds)) << lines[2];
    EXPECT_EQ(text, "Talvexpath is " + std::string(GetTalvexPath().c_str()));
    ASSERT_TRUE(SplitStamp(lines[3], text, seconds)) << lines[3];
    EXPECT_EQ(text, "hello");
    EXPECT_GE(seconds, 0.11);
    EXPECT_LT(seconds, 5.0);
}

TEST(Log, UnwritableLogDropsTheLine)
{
    CoreInit("");
    std::filesystem::create_directories(LogPath()); // a folder where the file should be
    const double t0 = Timer();
    Log("lost");
    EXPECT_GE(Timer() - t0, 0.035) << "five attempts, 10 ms apart";
    EXPECT_TRUE(std::filesystem::is_directory(LogPath()));
}

TEST(Log, NoLogBeforeStartUp)
{
    Log("too early");
    EXPECT_FALSE(testsupport::Exists("Log.txt"));
}

TEST(Log, ProcessesAppendWholeLines)
{
    const std::string longText(6000, 'L');
    const std::string role = testsupport::ChildRole();
    if (!role.empty()) { // one of the appending processes: "append-a" to "append-d"
        CoreInit("");
        for (int i = 0; i < 50; ++i)
            Log(DString(role.back(), 1) + longText.c_str());
        return;
    }
    CoreInit("");
    std::vector<std::unique_ptr<testsupport::ChildProcess>> kids;
    for (char k = 'a'; k < 'e'; ++k)
        kids.push_back(std::make_unique<testsupport::ChildProcess>(std::string("append-") + k));
    for (auto& kid : kids)
        EXPECT_EQ(kid->Wait(), 0);
    const auto lines = LogLines();
    ASSERT_EQ(lines.size(), 200u);
    std::string text;
    double seconds = -1;
    for (const auto& line : lines) {
        ASSERT_TRUE(SplitStamp(line, text, seconds));
        ASSERT_EQ(text.size(), longText.size() + 1);
    }
}
