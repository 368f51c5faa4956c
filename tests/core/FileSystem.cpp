// Lookups, listings, dates and file operations on disk, in Windows and native syntax.
#include "FileSystem.h"
#include "Paths.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>

#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace testsupport;

namespace {

std::string S(DString const& d)
{
    return d.c_str();
}
std::string Dir()
{
    return Native(TestDir() + "/work");
}
// A native path for the library (only '\\' separates on Windows).
DString W(std::string const& s)
{
    return DString(Native(s).c_str());
}

void MakeDir(std::string const& path)
{
    std::filesystem::create_directories(path);
}

std::string Names(DStringArray const& a)
{
    std::string r;
    for (int i = 0; i < a.Count(); ++i)
        r += (i ? "," : "") + S(a[i]);
    return r;
}

void SetTime(std::string const& path, long t)
{
    SetFileTime(path, t);
}

} // namespace

TEST(FileSystem, LookupIgnoresCaseAndRewritesToRealNames)
{
    WriteBytes(Dir() + "/Exp/Shots/Data.WVF", "1234");
    DString p("exp\\shots\\data.wvf");
    EXPECT_TRUE(FileExists(p));
    EXPECT_EQ(S(p), kWindows ? "exp\\shots\\Data.WVF" : "Exp\\Shots\\Data.WVF");

    DString native = W(Dir() + "/EXP/shots/DATA.wvf");
    EXPECT_TRUE(FileExists(native));
    // Windows rewrites the last element only (the folders are the caller's text).
    EXPECT_EQ(S(native), Native(Dir() + (kWindows ? "/EXP/shots" : "/Exp/Shots") + "/Data.WVF"));

    DString folder("exp/Shots");
    EXPECT_FALSE(FileExists(folder));
    EXPECT_EQ(S(folder), "exp/Shots"); // unchanged on false
    EXPECT_TRUE(FolderExists(folder));
    EXPECT_EQ(S(folder), kWindows ? "exp/Shots" : "Exp/Shots");
    DString slash("exp\\shots\\");
    EXPECT_TRUE(FolderExists(slash));
    EXPECT_EQ(S(slash), kWindows ? "exp\\Shots\\" : "Exp\\Shots\\");
    DString missing("exp\\nosuch\\data.wvf"), empty;
    EXPECT_FALSE(FileExists(missing));
    EXPECT_FALSE(FolderExists(missing));
    EXPECT_FALSE(FileExists(empty));

    // case variants: the exact name wins, else the first in case-insensitive order (a file
    // system that ignores case, as Windows', holds one of them only)
    if (kWindows)
        return;
    WriteBytes(Dir() + "/v/aB", "exact");
    WriteBytes(Dir() + "/v/Ab", "first");
    WriteBytes(Dir() + "/v/ab", "last");
    DString exact("v/aB"), other("V/AB");
    EXPECT_TRUE(FileExists(exact));
    EXPECT_EQ(S(exact), "v/aB");
    EXPECT_TRUE(FileExists(other));
    EXPECT_EQ(S(other), "v/Ab");
}

TEST(FileSystem, FirstAndSecondMatchRules)
{
    MakeDir(Dir() + "/a.wvf");
    WriteBytes(Dir() + "/B.wvf", "x");
    DString p("*.WVF");
    EXPECT_TRUE(FileExists(p)); // first match a folder, second a file
    EXPECT_EQ(S(p), "B.wvf");
    DString f("*.wvf");
    EXPECT_TRUE(FolderExists(f));
    EXPECT_EQ(S(f), "a.wvf");

    WriteBytes(Dir() + "/x/1.txt", "1");
    WriteBytes(Dir() + "/x/2.txt", "2");
    MakeDir(Dir() + "/x/3.txt");
    DString two("x/*.txt");
    EXPECT_FALSE(FolderExists(two)); // first a file, second a file: rewritten anyway
    EXPECT_EQ(S(two), "x/2.txt");
    DString lone("x/1.*");
    EXPECT_FALSE(FolderExists(lone));
    EXPECT_EQ(S(lone), "x/1.*");
    MakeDir(Dir() + "/y");
    MakeDir(Dir() + "/y/f1");
    MakeDir(Dir() + "/y/f2");
    DString folders("y/*");
    EXPECT_FALSE(FileExists(folders));
    EXPECT_EQ(S(folders), "y/*");
}

TEST(FileSystem, ListingsSortHideDotNamesAndMatchWildcards)
{
    for (const char* n : {"b.wvf", "C.wvf", "a.WVF", ".tmp.wvf", "noext", "x.dmt"})
        WriteBytes(Dir() + "/s/" + n, "x");
    for (const char* n : {"Shot2", "shot10", "Shot1", ".hidden"})
        MakeDir(Dir() + "/s/" + n);

    DStringArray names;
    names.Add("zz");
    EXPECT_TRUE(GetFiles("S\\*.wvf", names, true));
    EXPECT_EQ(Names(names), "a.WVF,b.wvf,C.wvf");
    EXPECT_TRUE(GetFiles("s/*.dmt", names, false));
    EXPECT_EQ(Names(names), "a.WVF,b.wvf,C.wvf,x.dmt");
    GetFiles("s/*.*", names, true);
    EXPECT_EQ(Names(names), "a.WVF,b.wvf,C.wvf,noext,x.dmt");
    GetFiles("s/nosuch/*", names, true);
    EXPECT_EQ(names.Count(), 0);

    names.Add("first");
    EXPECT_TRUE(GetFolders("s\\shot*", names, false));
    EXPECT_EQ(Names(names), "first,Shot1,shot10,Shot2"); // search order, list not re-sorted
    GetFolders("s/Shot?", names, true);
    EXPECT_EQ(Names(names), "Shot1,Shot2");

    DArray<__int64, 0> created, modified;
    SetTime(Dir() + "/s/b.wvf", 1000000000L);
    EXPECT_TRUE(GetFilesDates("s/?.wvf", names, created, modified));
    ASSERT_EQ(names.Count(), 3);
    ASSERT_EQ(created.Count(), 3);
    ASSERT_EQ(modified.Count(), 3);
    EXPECT_EQ(S(names[1]), "b.wvf");
    EXPECT_EQ(modified[1], 1000000000LL);
    EXPECT_GE(created[0], time(nullptr) - 3600);
}

#if !defined(_WIN32)
// Listings take an entry's kind from the folder listing where it can; a link must still be
// judged by what it points to.
TEST(FileSystem, ListingsJudgeLinksByTheirTargets)
{
    MakeDir(Dir() + "/s/real");
    WriteBytes(Dir() + "/s/file.wvf", "x");
    ASSERT_EQ(symlink("real", (Dir() + "/s/to_folder").c_str()), 0);
    ASSERT_EQ(symlink("file.wvf", (Dir() + "/s/to_file.wvf").c_str()), 0);
    ASSERT_EQ(symlink("gone", (Dir() + "/s/dangling").c_str()), 0);

    DStringArray names;
    GetFolders("s/*", names, true);
    EXPECT_EQ(Names(names), "real,to_folder");
    GetFiles("s/*", names, true);
    EXPECT_EQ(Names(names), "dangling,file.wvf,to_file.wvf");
}
#endif

TEST(FileSystem, DatesAndLengths)
{
    WriteBytes(Dir() + "/f.bin", std::string(1000, 'x'));
    SetTime(Dir() + "/f.bin", 1234567890L);
    EXPECT_EQ(FileDate("F.BIN"), 1234567890LL);
    EXPECT_EQ(FileDate(W(Dir() + "/f.bin")), 1234567890LL);
    EXPECT_EQ(GetFileLen("f.bin"), 1000);
    EXPECT_EQ(FileDate("missing"), 0);
    EXPECT_EQ(GetFileLen("missing"), 0);
    EXPECT_EQ(FileDate("D:\\unmapped\\f.bin"), 0);
}

TEST(FileSystem, CreateFolderMakesParentsAndSaysWhetherItExists)
{
    EXPECT_TRUE(CreateFolder("a\\b\\c"));
    EXPECT_TRUE(Exists(Dir() + "/a/b/c"));
    EXPECT_TRUE(CreateFolder("a\\b\\c\\"));
    EXPECT_TRUE(CreateFolder(W(Dir() + "/n1/n2")));
    EXPECT_FALSE(CreateFolder("single"));
    EXPECT_FALSE(Exists(Dir() + "/single"));
    EXPECT_TRUE(CreateFolder("A\\B\\new")); // existing case variants are reused
    EXPECT_TRUE(Exists(Dir() + "/a/b/new"));
    EXPECT_FALSE(Exists(Dir() + "/A"));

    WriteBytes(Dir() + "/file", "x");
    EXPECT_FALSE(CreateFolder("file\\sub")); // a file is in the way
    EXPECT_FALSE(CreateFolder("D:\\unmapped\\x"));
#if !defined(_WIN32) // a folder the process may not write to
    chmod(Dir().c_str(), 0555);
    if (access((Dir() + "/.").c_str(), W_OK) != 0) { // not when running as root
        EXPECT_FALSE(CreateFolder("ro\\x"));
    }
    chmod(Dir().c_str(), 0755);
#endif
}

TEST(FileSystem, CopyFilesAndFolders)
{
    WriteBytes(Dir() + "/src/a.wvf", "A");
    WriteBytes(Dir() + "/src/b.WVF", "B");
    WriteBytes(Dir() + "/src/c.txt", "C");
    MakeDir(Dir() + "/src/d.wvf");
    SetTime(Dir() + "/src/a.wvf", 1100000000L);

    EXPECT_TRUE(CopyFileD("SRC\\A.wvf", "new\\deep\\copy.wvf"));
    EXPECT_EQ(ReadBytes(Dir() + "/new/deep/copy.wvf"), "A");
    EXPECT_EQ(FileDate("new\\deep\\copy.wvf"), 1100000000LL);
    WriteBytes(Dir() + "/new/deep/copy.wvf", "older");
    EXPECT_TRUE(CopyFileD("src\\a.wvf", "new\\deep\\COPY.WVF")); // the existing variant
    EXPECT_EQ(ReadBytes(Dir() + "/new/deep/copy.wvf"), "A");
    EXPECT_FALSE(Exists(Dir() + "/new/deep/COPY.WVF"));
    EXPECT_FALSE(CopyFileD("src\\missing", "x"));
    EXPECT_FALSE(CopyFileD("src", "x"));

    EXPECT_TRUE(CopyFileD("src\\*.wvf", "dst"));
    EXPECT_EQ(ReadBytes(Dir() + "/dst/a.wvf"), "A");
    EXPECT_EQ(ReadBytes(Dir() + "/dst/b.WVF"), "B");
    EXPECT_FALSE(Exists(Dir() + "/dst/c.txt"));
    EXPECT_FALSE(Exists(Dir() + "/dst/d.wvf"));
    EXPECT_FALSE(CopyFileD("src\\*.none", "dst"));

    WriteBytes(Dir() + "/src/d.wvf/inner/deep.bin", "D");
    EXPECT_TRUE(CopyFolder("src", W(Dir() + "/backup/src")));
    EXPECT_EQ(ReadBytes(Dir() + "/backup/src/d.wvf/inner/deep.bin"), "D");
    EXPECT_EQ(ReadBytes(Dir() + "/backup/src/c.txt"), "C");
    EXPECT_FALSE(CopyFolder("src", "src\\d.wvf\\again")); // never into itself
    EXPECT_FALSE(CopyFolder("nosuch", "x2"));
}

TEST(FileSystem, DeleteFilesAndFolders)
{
    for (const char* n : {"a.wvf", "B.WVF", "c.txt", ".keep.wvf"})
        WriteBytes(Dir() + "/s/" + n, "x");
    MakeDir(Dir() + "/s/dir.wvf");
    EXPECT_TRUE(DeleteFileD("s\\*.wvf"));
    EXPECT_FALSE(Exists(Dir() + "/s/a.wvf"));
    EXPECT_FALSE(Exists(Dir() + "/s/B.WVF"));
    EXPECT_TRUE(Exists(Dir() + "/s/c.txt"));
    EXPECT_TRUE(Exists(Dir() + "/s/.keep.wvf"));
    EXPECT_TRUE(Exists(Dir() + "/s/dir.wvf"));
    EXPECT_FALSE(DeleteFileD("s\\*.wvf")); // nothing left to delete
    EXPECT_FALSE(DeleteFileD("s\\dir.wvf"));
    EXPECT_TRUE(DeleteFileD("S\\C.TXT"));
    EXPECT_FALSE(DeleteFileD("s\\c.txt"));

    WriteBytes(Dir() + "/outside/keep", "k");
    WriteBytes(Dir() + "/tree/a/b/c", "x");
#if !defined(_WIN32) // a link out of the tree is removed, never followed
    ASSERT_EQ(symlink((Dir() + "/outside").c_str(), (Dir() + "/tree/a/link").c_str()), 0);
#endif
    EXPECT_FALSE(DeleteFolder("tree\\a\\b\\c"));
    EXPECT_TRUE(DeleteFolder("TREE"));
    EXPECT_FALSE(Exists(Dir() + "/tree"));
    EXPECT_EQ(ReadBytes(Dir() + "/outside/keep"), "k");
    EXPECT_FALSE(DeleteFolder("tree"));
    EXPECT_FALSE(DeleteFolder("/"));
    EXPECT_FALSE(DeleteFolder("\\"));
    EXPECT_FALSE(DeleteFolder("C:\\"));
    EXPECT_FALSE(DeleteFolder("s\\.."));
    EXPECT_TRUE(Exists(Dir() + "/outside"));
}

TEST(FileSystem, RenameNeverReplaces)
{
    WriteBytes(Dir() + "/a.txt", "a");
    WriteBytes(Dir() + "/b.txt", "b");
    EXPECT_FALSE(RenameFile("a.txt", "B.TXT"));
    EXPECT_EQ(ReadBytes(Dir() + "/b.txt"), "b");
    EXPECT_TRUE(RenameFile("A.TXT", "c.txt"));
    EXPECT_EQ(ReadBytes(Dir() + "/c.txt"), "a");
    EXPECT_TRUE(RenameFile("c.txt", "C.txt")); // case only
    EXPECT_TRUE(Exists(Dir() + "/C.txt"));
    EXPECT_FALSE(Exists(Dir() + "/c.txt"));
    EXPECT_FALSE(RenameFile("missing", "x"));
    EXPECT_FALSE(RenameFile("b.txt", "nosuch\\b.txt"));

    WriteBytes(Dir() + "/Shots/Shot1/f", "1");
    MakeDir(Dir() + "/Shots/Shot2");
    EXPECT_FALSE(RenameFolder("shots\\shot1", "shots\\SHOT2"));
    EXPECT_FALSE(RenameFolder("b.txt", "d.txt"));
    EXPECT_TRUE(RenameFolder("shots\\shot1", W(Dir() + "/Shots/Shot3")));
    EXPECT_EQ(ReadBytes(Dir() + "/Shots/Shot3/f"), "1");
}

TEST(FileSystem, CurrentDirectoryAndComputerName)
{
    MakeDir(Dir() + "/Sub");
    EXPECT_EQ(S(GetCurrentDirectoryD()), Dir());
    EXPECT_TRUE(SetCurrentDirectoryD("sub"));
    // Windows keeps the spelling it was given, elsewhere the folder's own name is found
    EXPECT_EQ(S(GetCurrentDirectoryD()), Native(Dir() + (kWindows ? "/sub" : "/Sub")));
    EXPECT_TRUE(SetCurrentDirectoryD(W(TestDir() + "\\work")));
    EXPECT_FALSE(SetCurrentDirectoryD("nosuch"));
    EXPECT_EQ(S(GetCurrentDirectoryD()), Dir());

    if (FreshProcess()) {
        EXPECT_EQ(S(GetComputerNameD()), "") << "empty until start-up";
    }
    SetComputerNameD();
    DString name = GetComputerNameD();
    EXPECT_TRUE(~name);
    EXPECT_EQ(name.Find('.'), int(npos));
}
