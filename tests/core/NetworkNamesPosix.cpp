// Network (UNC) and local forms of paths through the share table and the mount table.
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
std::string Host()
{
    SetComputerNameD();
    return S(GetComputerNameD());
}

void WriteTables()
{
    WriteBytes(TestDir() + "/smb.conf", "[global]\n  workgroup = LAB\n  path = /\n"
                                        "[exp]\n  path = /data/exp\n"
                                        "[Deep]\n  Path = /data/exp/deep/\n"
                                        "[root]\n  path = /\n");
    WriteBytes(TestDir() + "/mounts", "proc /proc proc rw 0 0\n"
                                      "//fs1/Archive /mnt/arch cifs rw 0 0\n"
                                      "//fs2/pub/sub /mnt/with\\040space smb3 rw 0 0\n");
}

} // namespace

TEST(NetworkNames, UncFormOfLocalFolders)
{
    WriteTables();
    std::string h = Host();
    EXPECT_EQ(S(GetUNCFileName("\\\\srv\\x")), "\\\\srv\\x");
    EXPECT_EQ(S(GetUNCFileName("/data/exp/Shots/S1")), "\\\\" + h + "\\exp\\Shots\\S1");
    EXPECT_EQ(S(GetUNCFileName("/DATA/exp")), "\\\\" + h + "\\exp");
    EXPECT_EQ(S(GetUNCFileName("/data/exp/deep/a")), "\\\\" + h + "\\Deep\\a"); // longest
    EXPECT_EQ(S(GetUNCFileName("/data/expfoo/a")), "\\\\" + h + "\\root\\data\\expfoo\\a");
    EXPECT_EQ(S(GetUNCFileName("/mnt/arch/2024/run1")), "\\\\fs1\\Archive\\2024\\run1");
    EXPECT_EQ(S(GetUNCFileName("/mnt/with space/f")), "\\\\fs2\\pub\\sub\\f");
    EXPECT_EQ(S(GetUNCFileName("relative\\x")), "relative\\x");
    EXPECT_EQ(S(GetUNCFileName("Q:\\unmapped")), "Q:\\unmapped");
    EXPECT_EQ(S(GetUNCFileName("")), "");
}

TEST(NetworkNames, SharesMatchWholeElementsOnly)
{
    WriteBytes(TestDir() + "/smb.conf", "[exp]\npath = /data/exp\n");
    EXPECT_EQ(S(GetUNCFileName("/data/expfoo/a")), "/data/expfoo/a");
    EXPECT_EQ(S(GetUNCFileName("/data/ex")), "/data/ex");
    std::string h = Host();
    EXPECT_EQ(S(GetLocalFileName(W("\\\\" + h + "X\\exp\\a"))), "\\\\" + h + "X\\exp\\a");
    EXPECT_EQ(S(GetLocalFileName(W("\\\\" + h + "\\expfoo\\a"))), "\\\\" + h + "\\expfoo\\a");
}

TEST(NetworkNames, LocalFormOfThisComputersShares)
{
    WriteTables();
    std::string h = Host(), upper = h;
    for (char& c : upper)
        c = char(toupper(c));
    EXPECT_EQ(S(GetLocalFileName(W("\\\\" + upper + "\\EXP\\Shots\\S1"))), "/data/exp/Shots/S1");
    EXPECT_EQ(S(GetLocalFileName(W("\\\\" + h + "\\deep\\a"))), "/data/exp/deep/a");
    EXPECT_EQ(S(GetLocalFileName(W("\\\\" + h + "\\exp"))), "/data/exp");
    EXPECT_EQ(S(GetLocalFileName(W("\\\\" + h + "\\root\\etc"))), "/etc");
    EXPECT_EQ(S(GetLocalFileName("\\\\fs1\\Archive\\x")), "\\\\fs1\\Archive\\x");
    EXPECT_EQ(S(GetLocalFileName("D:\\exp")), "D:\\exp");

    // an unknown share or an unreadable table leaves the path as it is
    EXPECT_EQ(S(GetLocalFileName(W("\\\\" + h + "\\nosuch\\a"))), "\\\\" + h + "\\nosuch\\a");
    EXPECT_EQ(S(GetLocalFileName(W("\\\\" + h))), "\\\\" + h);
    setenv("TALVEX_SMB_CONF", (TestDir() + "/none").c_str(), 1);
    EXPECT_EQ(S(GetLocalFileName(W("\\\\" + h + "\\exp\\a"))), "\\\\" + h + "\\exp\\a");
}

TEST(NetworkNames, NetworkPathsOpenThroughTheTables)
{
    std::string h = Host();
    WriteBytes(TestDir() + "/share/Shots/Data.wvf", "x");
    WriteBytes(TestDir() + "/mnt/Shots/m.wvf", "m");
    WriteBytes(TestDir() + "/smb.conf", "[Data]\npath=" + TestDir() + "/share\n");
    WriteBytes(TestDir() + "/mounts", "//fs1/arch " + TestDir() + "/mnt cifs rw 0 0\n");
    DString p = W("\\\\" + h + "\\data\\shots\\data.wvf");
    EXPECT_TRUE(FileExists(p));
    EXPECT_EQ(S(p), "\\\\" + h + "\\data\\Shots\\Data.wvf");
    DString m("\\\\FS1\\arch\\shots\\*.wvf");
    EXPECT_TRUE(FileExists(m));
    EXPECT_EQ(S(m), "\\\\FS1\\arch\\Shots\\m.wvf");
    DString none("\\\\fs9\\arch\\Shots\\m.wvf");
    EXPECT_FALSE(FileExists(none));
    EXPECT_TRUE(CreateFolder("\\\\fs1\\arch\\new\\dir"));
    EXPECT_TRUE(Exists(TestDir() + "/mnt/new/dir"));
}
