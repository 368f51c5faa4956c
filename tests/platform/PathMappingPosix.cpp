// Windows path syntax on POSIX: case-insensitive lookup, roots, shares, mounts and wildcards.
#include "Platform.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace testsupport;

namespace {

std::string Dir()
{
    return TestDir() + "/work";
}

std::string g_driveD;
std::string DriveD(char letter)
{
    return letter == 'D' ? g_driveD : std::string();
}

} // namespace

TEST(PathMapping, LooksElementsUpIgnoringCaseExactFirst)
{
    WriteBytes(Dir() + "/Data/Probe.WVF", "x");
    EXPECT_EQ(platform::ToNative("data\\probe.wvf", false), "Data/Probe.WVF");
    EXPECT_EQ(platform::ToNative(Dir() + "/DATA/PROBE.wvf", false), Dir() + "/Data/Probe.WVF");
    EXPECT_EQ(platform::ToNative("data\\missing", false), "");
    EXPECT_EQ(platform::ToNative("data\\missing", true), "Data/missing");
    EXPECT_EQ(platform::ToNative("nosuch\\missing", true), "");
    EXPECT_EQ(platform::ToNative("data\\PROBE.wvf", true), "Data/Probe.WVF");

    // several variants: the exact name wins, else the first in case-insensitive order
    WriteBytes(Dir() + "/v/aB", "1");
    WriteBytes(Dir() + "/v/Ab", "2");
    WriteBytes(Dir() + "/v/ab", "3");
    EXPECT_EQ(platform::ToNative("v/aB", false), "v/aB");
    EXPECT_EQ(platform::ToNative("v/AB", false), "v/Ab");
}

// A large folder is not read for a missing name whose variants are few: the answers must be
// those of reading it, for names with no letters, few letters and many letters.
TEST(PathMapping, LargeAndSmallFoldersGiveTheSameVariants)
{
    for (const char* folder : {"small", "large"}) {
        std::string d = Dir() + "/" + folder;
        WriteBytes(d + "/shotAb1", "1");
        WriteBytes(d + "/SHOTAB1", "2");
        WriteBytes(d + "/ShotAB1", "3");
        WriteBytes(d + "/Scalars.Ini", "4");
        WriteBytes(d + "/12", "5");
        if (std::string(folder) == "large")
            for (int i = 0; i < 400; ++i)
                WriteBytes(d + "/filler" + std::to_string(i), "");
        struct stat st;
        ASSERT_EQ(stat(d.c_str(), &st), 0);
        ASSERT_EQ(st.st_size > 4096, std::string(folder) == "large")
            << "folder size " << st.st_size;

        std::string f = std::string(folder) + "/";
        EXPECT_EQ(platform::ToNative(f + "shotab1", false), f + "SHOTAB1");
        EXPECT_EQ(platform::ToNative(f + "ShotAB1", false), f + "ShotAB1"); // exact wins
        EXPECT_EQ(platform::ToNative(f + "shotab2", false), "");
        EXPECT_EQ(platform::ToNative(f + "shotab2", true), f + "shotab2");
        EXPECT_EQ(platform::ToNative(f + "SCALARS.INI", false), f + "Scalars.Ini"); // 10 letters
        EXPECT_EQ(platform::ToNative(f + "12", false), f + "12");
        EXPECT_EQ(platform::ToNative(f + "13", false), "");
        EXPECT_EQ(platform::ToNative(f + "FILLER7", false),
                  std::string(folder) == "large" ? f + "filler7" : "");
    }
}

TEST(PathMapping, RootsDrivesAndEmptyPaths)
{
    WriteBytes(Dir() + "/mnt/d/Exp/a.txt", "x");
    EXPECT_EQ(platform::ToNative("", false), "");
    EXPECT_EQ(platform::ToNative("D:\\exp\\a.txt", false), ""); // no drive map
    g_driveD = Dir() + "/mnt/d";
    platform::SetDriveLookup(&DriveD);
    EXPECT_EQ(platform::ToNative("d:\\exp\\A.TXT", false), Dir() + "/mnt/d/Exp/a.txt");
    EXPECT_EQ(platform::ToNative("D:", false), Dir() + "/mnt/d");
    EXPECT_EQ(platform::ToNative("E:\\x", true), "");
    platform::SetDriveLookup(nullptr);
    // a single leading separator of either kind is the native root
    EXPECT_EQ(platform::ToNative(TestDir() + "\\WORK\\mnt", false), Dir() + "/mnt");
}

TEST(PathMapping, SharesOfThisComputerAndMountedShares)
{
    std::string host = platform::HostName();
    ASSERT_FALSE(host.empty());
    WriteBytes(Dir() + "/srv/exp/Shots/s1", "x");
    WriteBytes(Dir() + "/m/z/sub/f", "y");
    WriteBytes(TestDir() + "/smb.conf",
               "[global]\n path = /etc\n[homes]\npath=/home\n; comment\n[Data]\n"
               "  PATH  =  "
                   + Dir() + "/srv/exp  \r\n[noPath]\ncomment = x\n");
    WriteBytes(TestDir() + "/mounts",
               "/dev/sda1 / ext4 rw 0 0\n//Files/Pub " + Dir()
                   + "/m/z cifs rw 0 0\n"
                     "//files/pub/sub/deeper /nowhere smb3 rw 0 0\n//nfs/x /y nfs rw 0 0\n");

    auto shares = platform::ShareTable();
    ASSERT_EQ(shares.size(), 1u); // [noPath] has no folder
    EXPECT_EQ(shares[0].name, "Data");
    EXPECT_EQ(shares[0].folder, Dir() + "/srv/exp");

    EXPECT_EQ(platform::ToNative("\\\\" + host + "\\DATA\\shots\\S1", false),
              Dir() + "/srv/exp/Shots/s1");
    EXPECT_EQ(platform::ToNative("\\\\" + host + "\\global\\passwd", false), "");
    EXPECT_EQ(platform::ToNative("\\\\" + host + "X\\Data\\Shots", false), "");
    EXPECT_EQ(platform::ToNative("\\\\FILES\\pub\\SUB\\f", false), Dir() + "/m/z/sub/f");
    EXPECT_EQ(platform::ToNative("\\\\files\\pubX\\sub", false), "");
    EXPECT_EQ(platform::ToNative("\\\\nfs\\x\\a", true), "");
    EXPECT_EQ(platform::ToNative("\\\\files", true), "");
}

TEST(PathMapping, BadTablesGiveNoShares)
{
    WriteBytes(TestDir() + "/smb.conf", std::string("[a\0b]\npath=/x\0y\n[ok]\npath=/ok\n", 30)
                                            + std::string(3 << 20, '\x01'));
    auto shares = platform::ShareTable();
    ASSERT_EQ(shares.size(), 1u);
    EXPECT_EQ(shares[0].folder, "/ok");
    setenv("TALVEX_SMB_CONF", "/dev/zero", 1);
    EXPECT_TRUE(platform::ShareTable().empty());
    setenv("TALVEX_SMB_CONF", (TestDir() + "/none").c_str(), 1);
    EXPECT_TRUE(platform::ShareTable().empty());
    ASSERT_EQ(mkfifo((TestDir() + "/fifo").c_str(), 0600), 0);
    setenv("TALVEX_SMB_CONF", (TestDir() + "/fifo").c_str(), 1);
    EXPECT_TRUE(platform::ShareTable().empty()); // a pipe without writer does not hang
    setenv("TALVEX_SMB_CONF", TestDir().c_str(), 1);
    EXPECT_TRUE(platform::ShareTable().empty());
    setenv("TALVEX_MOUNTS", "/dev/urandom", 1);
    platform::MountTable(); // no crash, whatever it finds
}

TEST(PathMapping, WildcardsIgnoreCase)
{
    EXPECT_TRUE(platform::WildcardMatch("*.wvf", "Probe.WVF"));
    EXPECT_TRUE(platform::WildcardMatch("*.*", "noext"));
    EXPECT_TRUE(platform::WildcardMatch("shot1?", "Shot12"));
    EXPECT_FALSE(platform::WildcardMatch("shot1?", "Shot1"));
    EXPECT_FALSE(platform::WildcardMatch("shot1?", "Shot123"));
    EXPECT_TRUE(platform::WildcardMatch("a*b*c", "aXXbYbc"));
    EXPECT_FALSE(platform::WildcardMatch("*.wvf", "a.wvf.bak"));
    EXPECT_TRUE(platform::WildcardMatch("probe.*", "probe"));
    EXPECT_TRUE(platform::HasWildcard("C:\\x?\\a*"));
    EXPECT_FALSE(platform::HasWildcard("C:\\x?\\a"));
}

TEST(PathMapping, SearchSortsHidesDotNamesAndRewritesFolders)
{
    for (const char* n : {"b.wvf", "A.wvf", "c.txt", ".hidden.wvf", "a.WVF"})
        WriteBytes(Dir() + "/Exp/Shots/" + n, "x");
    mkdir((Dir() + "/Exp/Shots/dir.wvf").c_str(), 0777);
    std::string folder;
    auto found = platform::FindEntries("exp\\shots\\*.wvf", &folder);
    ASSERT_EQ(found.size(), 4u);
    EXPECT_EQ(found[0].name, "A.wvf");
    EXPECT_EQ(found[1].name, "a.WVF");
    EXPECT_EQ(found[2].name, "b.wvf");
    EXPECT_EQ(found[3].name, "dir.wvf");
    EXPECT_TRUE(found[3].folder);
    EXPECT_EQ(folder, "Exp\\Shots\\");
    EXPECT_EQ(platform::FindEntries("exp/shots/.hid*").size(), 1u);
    auto one = platform::FindEntries("EXP/SHOTS/C.TXT");
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].name, "c.txt");
    EXPECT_EQ(one[0].size, 1);
    EXPECT_GT(one[0].modified, 1600000000);
    EXPECT_GT(one[0].created, 1600000000);
    EXPECT_TRUE(platform::FindEntries("exp/nosuch/*").empty());
    EXPECT_TRUE(platform::FindEntries("/").empty());
}
