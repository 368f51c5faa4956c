// Drive letters through section Drives of the program settings file.
#include "Core.h"
#include "FileSystem.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

std::string S(DString const& d)
{
    return d.c_str();
}
DString W(std::string const& s)
{
    return DString(s.c_str());
}

void MapDrives(std::initializer_list<std::pair<const char*, std::string>> drives)
{
    CoreInit(W(TestDir()));
    for (auto const& d : drives) {
        StIni.SetSection("Drives");
        StIni.SetKeyValue(d.first, W(d.second));
    }
    StIni.SetSection("Preferences"); // lookups must not depend on the current section
}

} // namespace

TEST(FileSystemDrives, MappedDrivesResolveUnmappedOnesDoNot)
{
    WriteBytes(TestDir() + "/disk/Exp/Data.wvf", "x");
    DString before("X:\\exp\\data.wvf");
    EXPECT_FALSE(FileExists(before));

    MapDrives({{"X", TestDir() + "/disk"}, {"y", "  " + TestDir() + "/disk/Exp  "}});
    DString p("x:\\EXP\\data.WVF");
    EXPECT_TRUE(FileExists(p));
    EXPECT_EQ(S(p), "x:\\Exp\\Data.wvf");
    DString q("Y:\\data.wvf");
    EXPECT_TRUE(FileExists(q)); // spaces around the folder do not count
    EXPECT_TRUE(CreateFolder("X:\\exp\\Shots\\Shot1"));
    EXPECT_TRUE(Exists(TestDir() + "/disk/Exp/Shots/Shot1"));
    DStringArray names;
    GetFiles("X:\\Exp\\*.*", names, true);
    ASSERT_EQ(names.Count(), 1);
    EXPECT_EQ(S(names[0]), "Data.wvf");

    DString unmapped("Q:\\exp\\data.wvf");
    EXPECT_FALSE(FileExists(unmapped));
    EXPECT_FALSE(CreateFolder("Q:\\exp\\new"));
    EXPECT_FALSE(DeleteFolder("X:\\"));
    EXPECT_TRUE(Exists(TestDir() + "/disk/Exp/Data.wvf"));
}

TEST(FileSystemDrives, DrivesOnNetworkPathsAndOtherDrives)
{
    SetComputerNameD();
    std::string h = S(GetComputerNameD());
    WriteBytes(TestDir() + "/share/Run/f.bin", "f");
    WriteBytes(TestDir() + "/smb.conf", "[data]\npath = " + TestDir() + "/share\n");
    MapDrives({{"N", "\\\\" + h + "\\data\\"},
               {"M", "N:\\run"},
               {"A", "B:\\"},
               {"B", "A:\\"},
               {"R", "relative/folder"}});
    DString n("N:\\run\\F.BIN"), m("M:\\f.bin"), a("A:\\x"), r("R:\\x");
    EXPECT_TRUE(FileExists(n));
    EXPECT_EQ(S(n), "N:\\Run\\f.bin");
    EXPECT_TRUE(FileExists(m));
    EXPECT_FALSE(FileExists(a)); // a cycle ends
    EXPECT_FALSE(FileExists(r));
    EXPECT_EQ(S(GetUNCFileName("N:\\run\\f.bin")), "\\\\" + h + "\\data\\run\\f.bin");
    EXPECT_EQ(S(GetUNCFileName("N:")), "\\\\" + h + "\\data");
    EXPECT_EQ(S(GetUNCFileName("n:run/f.bin")), "\\\\" + h + "\\data\\run\\f.bin");
}

TEST(FileSystemDrives, NetworkFormOfDrivesOnMountsAndShares)
{
    SetComputerNameD();
    std::string h = S(GetComputerNameD());
    WriteBytes(TestDir() + "/smb.conf", "[exp]\npath = /srv/exp\n");
    WriteBytes(TestDir() + "/mounts", "//fs1/arch /mnt/z cifs rw 0 0\n");
    MapDrives({{"Z", "/mnt/z"}, {"D", "/srv"}});
    EXPECT_EQ(S(GetUNCFileName("Z:\\a\\b")), "\\\\fs1\\arch\\a\\b");
    EXPECT_EQ(S(GetUNCFileName("D:\\exp\\Shots")), "\\\\" + h + "\\exp\\Shots");
    EXPECT_EQ(S(GetUNCFileName("D:\\expfoo\\a")), "D:\\expfoo\\a");
    EXPECT_EQ(S(GetUNCFileName("E:\\exp")), "E:\\exp");
}

TEST(FileSystemDrives, NoDriveResolvesWhileSilent)
{
    WriteBytes(TestDir() + "/disk/f", "x");
    MapDrives({{"X", TestDir() + "/disk"}});
    DString p("X:\\f");
    EXPECT_TRUE(FileExists(p));
    Silent = true;
    DString q("X:\\f");
    EXPECT_FALSE(FileExists(q));
    EXPECT_EQ(S(GetUNCFileName("X:\\f")), "X:\\f");
    Silent = false;
}
