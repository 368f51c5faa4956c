// The Windows directory search and path lookups: order, dot names, wildcards, the caller's
// folder text, and the registry's share table.
#include "Platform.h"
#include "RegistryShares.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

using namespace testsupport;

namespace {

std::string Dir()
{
    return Native(TestDir() + "/work");
}

std::string Names(const std::vector<platform::FoundEntry>& found)
{
    std::string r;
    for (const platform::FoundEntry& e : found)
        r += (r.empty() ? "" : ",") + e.name + (e.folder ? "/" : "");
    return r;
}

} // namespace

TEST(SearchWin32, MatchesSortHideDotNamesAndKeepTheCallersFolderText)
{
    for (const char* n : {"b.wvf", "A.wvf", "c.txt", ".hidden.wvf", "_x.wvf", "a.wvfx"})
        WriteBytes(Dir() + "\\Exp\\Shots\\" + n, "x");
    std::filesystem::create_directories(Dir() + "\\Exp\\Shots\\dir.wvf");
    std::string folder;
    auto found = platform::FindEntries("exp\\shots\\*.WVF", &folder);
    // Case-insensitive order by lower case ('_' before the letters, where the file system's
    // own order by upper case puts it after them); the long name decides what matches.
    EXPECT_EQ(Names(found), "_x.wvf,A.wvf,b.wvf,dir.wvf/");
    EXPECT_EQ(folder, "exp\\shots\\") << "the folders as the caller wrote them";
    EXPECT_EQ(Names(platform::FindEntries("exp/shots/.hid*")), ".hidden.wvf");
    auto one = platform::FindEntries("EXP\\SHOTS\\C.TXT");
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].name, "c.txt");
    EXPECT_EQ(one[0].size, 1);
    EXPECT_GT(one[0].modified, 1600000000);
    EXPECT_GT(one[0].created, 1600000000);
    EXPECT_EQ(Names(platform::FindEntries("exp\\shots\\")), "Shots/") << "trailing separator";
    EXPECT_TRUE(platform::FindEntries("exp\\nosuch\\*").empty());
    EXPECT_TRUE(platform::FindEntries(Dir().substr(0, 3)).empty()) << "a root has no entry";
    EXPECT_TRUE(platform::FindEntries(Dir().substr(0, 2)).empty());
    EXPECT_TRUE(platform::FindEntries("").empty());

    platform::FoundEntry e;
    ASSERT_TRUE(platform::StatPath(Dir() + "\\Exp\\Shots\\dir.wvf", e));
    EXPECT_TRUE(e.folder);
    EXPECT_EQ(e.name, "dir.wvf");
    EXPECT_FALSE(platform::StatPath(Dir() + "\\nosuch", e));
}

TEST(SearchWin32, PathsResolveAsWritten)
{
    WriteBytes(Dir() + "\\Data\\Probe.WVF", "x");
    EXPECT_EQ(platform::ToNative("data\\probe.wvf", false), "data\\probe.wvf");
    EXPECT_EQ(platform::ToNative("data\\missing", false), "");
    EXPECT_EQ(platform::ToNative("data\\missing", true), "data\\missing");
    EXPECT_EQ(platform::ToNative("nosuch\\missing", true), "");
    EXPECT_EQ(platform::ToNative("Data\\Probe.WVF\\x", true), "") << "a file is no folder";
    EXPECT_EQ(platform::ToNative("data\\*.wvf", false), "");
    EXPECT_EQ(platform::ToNative("", true), "");
    EXPECT_EQ(platform::ToNative(Dir(), false), Dir());
    EXPECT_EQ(platform::ToNative(Dir().substr(0, 2) + "new.txt", true),
              Dir().substr(0, 2) + "new.txt")
        << "a drive's own current folder";
}

TEST(SearchWin32, ShareTableComesFromTheRegistry)
{
    RegistryShares shares;
    shares.Add("data", "D:\\exp");
    shares.AddRaw("nofolder", std::string("Path=") + '\0' + '\0');
    shares.AddRaw("remark",
                  std::string("Remark=see Path=D:\\x") + '\0' + "Path=E:\\y" + '\0' + '\0');
    std::vector<std::string> mine;
    for (const platform::Share& s : platform::ShareTable())
        if (s.name.rfind(shares.Name(""), 0) == 0)
            mine.push_back(s.name.substr(shares.Name("").size()) + "=" + s.folder);
    std::sort(mine.begin(), mine.end());
    ASSERT_EQ(mine.size(), 2u);
    EXPECT_EQ(mine[0], "data=D:\\exp");
    EXPECT_EQ(mine[1], "remark=E:\\y");
}
