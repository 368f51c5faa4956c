// Path text: joining in the first part's style, splitting, absolute paths and comparisons.
#include "Paths.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

using testsupport::kWindows;

namespace {

std::string S(DString const& d)
{
    return d.c_str();
}

} // namespace

TEST(Paths, AppendJoinsInTheFirstPartsStyle)
{
    EXPECT_EQ(S(AppendPathElts("C:\\a", "b")), "C:\\a\\b");
    EXPECT_EQ(S(AppendPathElts("", "b/c")), "b/c");
    EXPECT_EQ(S(AppendPathElts("C:\\a", "")), "C:\\a");
    EXPECT_EQ(S(AppendPathElts("C:\\", "b")), "C:\\\\b"); // nothing collapsed
    EXPECT_EQ(S(AppendPathElts("C:", "b")), "C:\\b");
    if (kWindows) { // a + '\' + b, exactly as written
        EXPECT_EQ(S(AppendPathElts("\\\\srv\\x", "a/b")), "\\\\srv\\x\\a/b");
        EXPECT_EQ(S(AppendPathElts("Shots", "a\\b")), "Shots\\a\\b");
        EXPECT_EQ(S(AppendPathElts("a\\b", "c", "d/e", "f", "g")), "a\\b\\c\\d/e\\f\\g");
        EXPECT_EQ(S(AppendPathElts("x", "", "y", "")), "x\\y");
        return;
    }
    EXPECT_EQ(S(AppendPathElts("/data/x", "Archive\\Run1")), "/data/x/Archive/Run1");
    EXPECT_EQ(S(AppendPathElts("\\\\srv\\x", "a/b")), "\\\\srv\\x\\a\\b");
    EXPECT_EQ(S(AppendPathElts("Shots", "a\\b")), "Shots/a/b");
    EXPECT_EQ(S(AppendPathElts("a\\b", "c", "d/e", "f", "g")), "a\\b\\c\\d\\e\\f\\g");
    EXPECT_EQ(S(AppendPathElts("/x", "", "y", "")), "/x/y");
}

TEST(Paths, SplitQualifyAndTranslate)
{
    DString folder("old"), name("old");
    SplitPathElts("file.txt", folder, name);
    EXPECT_EQ(S(folder), "");
    EXPECT_EQ(S(name), "file.txt");
    SplitPathElts("C:\\a\\b/c.wvf", folder, name);
    EXPECT_EQ(S(folder), kWindows ? "C:\\a" : "C:\\a\\b");
    EXPECT_EQ(S(name), kWindows ? "b/c.wvf" : "c.wvf"); // only '\' separates on Windows
    DString same("\\x\\y");
    SplitPathElts(same, same, name); // folder aliases the path
    EXPECT_EQ(S(same), "\\x");
    EXPECT_EQ(S(name), "y");

    EXPECT_TRUE(IsFullQual("C:\\x"));
    EXPECT_TRUE(IsFullQual("\\\\srv\\x"));
    EXPECT_EQ(IsFullQual("/tmp/x"), !kWindows);
    EXPECT_FALSE(IsFullQual("x\\y"));
    EXPECT_FALSE(IsFullQual("\\x"));
    EXPECT_FALSE(IsFullQual(""));
    EXPECT_EQ(S(TranslateFileName("a\\b/c\\")), kWindows ? "a\\b\\c\\" : "a/b/c/");

    EXPECT_TRUE(IsWindowsStylePath("a\\b"));
    EXPECT_TRUE(IsWindowsStylePath("C:/x"));
    EXPECT_EQ(IsWindowsStylePath("a\\b/c"), kWindows); // every path is, on Windows
    EXPECT_EQ(IsWindowsStylePath("name"), kWindows);
}

TEST(Paths, ComparisonTreatsSeparatorsAndCaseAlike)
{
    EXPECT_TRUE(PathsEqual("D:\\Exp\\Shots", "d:/exp/shots/"));
    EXPECT_TRUE(PathsEqual("D:\\\\Exp", "D:\\Exp"));
    EXPECT_FALSE(PathsEqual("\\\\srv\\x", "\\srv\\x"));
    EXPECT_FALSE(PathsEqual("D:\\Exp", "D:\\Exp2"));
    EXPECT_TRUE(PathsEqual("", ""));
    EXPECT_FALSE(PathsEqual("", "a"));
    EXPECT_TRUE(PathsEqual("/", "\\"));
}

TEST(Paths, PrefixMatchesWholeElementsOnly)
{
    EXPECT_TRUE(PathStartsWith("D:\\exp\\a", "D:\\EXP"));
    EXPECT_TRUE(PathStartsWith("D:\\exp\\a", "D:/exp/"));
    EXPECT_TRUE(PathStartsWith("D:\\exp", "D:\\exp"));
    EXPECT_FALSE(PathStartsWith("D:\\expfoo\\a", "D:\\exp"));
    EXPECT_FALSE(PathStartsWith("D:\\exp", "D:\\exp\\a"));
    EXPECT_FALSE(PathStartsWith("/data", ""));
    EXPECT_FALSE(PathStartsWith("data/x", "/data"));

    DString rest("unchanged");
    EXPECT_FALSE(PathAfterPrefix("D:\\expfoo\\a", "D:\\exp", rest));
    EXPECT_EQ(S(rest), "unchanged");
    EXPECT_TRUE(PathAfterPrefix("D:\\Exp\\\\Shots/Shot12\\", "d:\\exp", rest));
    EXPECT_EQ(S(rest), "Shots/Shot12\\");
    EXPECT_TRUE(PathAfterPrefix("/data/x", "/DATA/x/", rest));
    EXPECT_EQ(S(rest), "");
}
