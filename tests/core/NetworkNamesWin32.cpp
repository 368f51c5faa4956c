// Network (UNC) and local forms of paths through the registry's share table, and drive letters
// as the system's own.
#include "Core.h"
#include "FileSystem.h"
#include "RegistryShares.h"
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

} // namespace

TEST(NetworkNamesWin32, UncFormOfFoldersUnderShares)
{
    const std::string root = Native(TestDir() + "/data");
    RegistryShares shares;
    shares.Add("exp", root + "\\exp");
    shares.Add("deep", root + "\\exp\\deep\\");
    // A remark that mentions a path is no "Path" entry.
    shares.AddRaw("remark", "Remark=Path=" + root + "\\x" + '\0' + "Type=0" + '\0' + '\0');
    std::string h = Host(), exp = shares.Name("exp"), deep = shares.Name("deep");

    EXPECT_EQ(S(GetUNCFileName(W(root + "\\exp\\Shots\\S1"))),
              "\\\\" + h + "\\" + exp + "\\Shots\\S1");
    EXPECT_EQ(S(GetUNCFileName(W(root + "\\EXP"))), "\\\\" + h + "\\" + exp);
    EXPECT_EQ(S(GetUNCFileName(W(root + "\\exp\\deep\\a"))), "\\\\" + h + "\\" + deep + "\\a");
    // Whole elements only, and a share without a "Path" entry is none.
    EXPECT_EQ(S(GetUNCFileName(W(root + "\\expfoo\\a"))), root + "\\expfoo\\a");
    EXPECT_EQ(S(GetUNCFileName(W(root + "\\x"))), root + "\\x");
    EXPECT_EQ(S(GetUNCFileName("\\\\srv\\x")), "\\\\srv\\x");
    EXPECT_EQ(S(GetUNCFileName("relative\\x")), "relative\\x");
    EXPECT_EQ(S(GetUNCFileName("")), "");
}

TEST(NetworkNamesWin32, LocalFormOfThisComputersShares)
{
    const std::string root = Native(TestDir() + "/data");
    RegistryShares shares;
    shares.Add("exp", root + "\\exp");
    shares.Add("top", root + "\\");
    std::string h = Host(), exp = shares.Name("exp"), top = shares.Name("top"), upper = h;
    for (char& c : upper)
        c = char(toupper(c));

    EXPECT_EQ(S(GetLocalFileName(W("\\\\" + upper + "\\" + exp + "\\Shots\\S1"))),
              root + "\\exp\\Shots\\S1");
    EXPECT_EQ(S(GetLocalFileName(W("\\\\" + h + "\\" + exp))), root + "\\exp");
    EXPECT_EQ(S(GetLocalFileName(W("\\\\" + h + "\\" + top + "\\a"))), root + "\\a");
    // Another server, an unknown share or a longer share name: the path as it is.
    EXPECT_EQ(S(GetLocalFileName("\\\\fs1\\Archive\\x")), "\\\\fs1\\Archive\\x");
    EXPECT_EQ(S(GetLocalFileName(W("\\\\" + h + "\\" + exp + "foo\\a"))),
              "\\\\" + h + "\\" + exp + "foo\\a");
    EXPECT_EQ(S(GetLocalFileName(W("\\\\" + h + "X\\" + exp + "\\a"))),
              "\\\\" + h + "X\\" + exp + "\\a");
    EXPECT_EQ(S(GetLocalFileName("D:\\exp")), "D:\\exp");
}

TEST(NetworkNamesWin32, DriveLettersAreTheSystemsOwn)
{
    const std::string dir = Native(TestDir() + "/work");
    ASSERT_EQ(dir[1], ':');
    WriteBytes(dir + "\\Exp\\Data.wvf", "x");
    DString p = W(dir + "\\exp\\DATA.wvf");
    EXPECT_TRUE(FileExists(p));
    EXPECT_EQ(S(p), dir + "\\exp\\Data.wvf");
    EXPECT_TRUE(CreateFolder(W(dir + "\\Exp\\Shots\\Shot1")));
    EXPECT_TRUE(Exists(dir + "\\Exp\\Shots\\Shot1"));

    // Section Drives of the settings file maps nothing here; a drive that is not there
    // does not resolve.
    CoreInit(W(TestDir()));
    StIni.SetSection("Drives");
    StIni.SetKeyValue("Q", W(dir));
    DString q("Q:\\Exp\\Data.wvf");
    EXPECT_FALSE(FileExists(q));
    EXPECT_FALSE(CreateFolder("Q:\\Exp\\new"));
    EXPECT_EQ(S(GetUNCFileName("Q:\\Exp")), "Q:\\Exp");
    EXPECT_FALSE(DeleteFolder(W(dir.substr(0, 3))));
}
