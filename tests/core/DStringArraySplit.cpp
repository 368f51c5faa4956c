// DStringArray splitting: the space, line and general rules, minimum counts and tables.
#include "DStringArray.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Fields(DStringArray const& a)
{
    std::vector<std::string> out;
    for (int i = 0; i < a.Count(); ++i)
        out.emplace_back(a[i].c_str(), size_t(a[i].Len()));
    return out;
}

std::vector<std::string> SplitOf(char const* text, char const* delim, int n = 0)
{
    DStringArray a;
    a.Split(text, delim, n);
    EXPECT_EQ(a.CCount(), 1);
    EXPECT_EQ(a.RCount(), a.Count());
    return Fields(a);
}

using S = std::vector<std::string>;

} // namespace

TEST(DStringArraySplit, GeneralRuleKeepsInnerEmptyFieldsOnly)
{
    EXPECT_EQ(SplitOf("a,,b,", ","), (S {"a", "", "b"}));
    EXPECT_EQ(SplitOf(",a", ","), (S {"", "a"}));
    EXPECT_EQ(SplitOf(",", ","), (S {""}));
    EXPECT_EQ(SplitOf("abc", ","), (S {"abc"}));
    EXPECT_EQ(SplitOf("a<>b<>>c", "<>"), (S {"a", "b", ">c"}));
    EXPECT_EQ(SplitOf("aXbxc", "x"), (S {"aXb", "c"}));
    EXPECT_EQ(SplitOf("\"a,b\",c", ","), (S {"\"a", "b\"", "c"}));
}

TEST(DStringArraySplit, SpaceRuleMergesRunsAndDropsEnds)
{
    EXPECT_EQ(SplitOf("  a   b  ", " "), (S {"a", "b"}));
    EXPECT_EQ(SplitOf("a b", " "), (S {"a", "b"}));
    EXPECT_EQ(SplitOf("   ", " "), S {});
    EXPECT_EQ(SplitOf("a\tb c", " "), (S {"a\tb", "c"}));
    // Two spaces are an ordinary delimiter.
    EXPECT_EQ(SplitOf("  a  b", "  "), (S {"", "a", "b"}));
}

TEST(DStringArraySplit, LineRuleOnlyForTheLDelimPointer)
{
    EXPECT_EQ(SplitOf("x\r\ny\r\n", LDelim), (S {"x", "y"}));
    EXPECT_EQ(SplitOf("x\ny\r\nz", LDelim), (S {"x", "y", "z"}));
    EXPECT_EQ(SplitOf("x\r\r\n\r\n\n", LDelim), (S {"x\r", "", ""}));

    char const crlf[] = "\r\n";
    EXPECT_EQ(SplitOf("x\r\ny\r\n", crlf), (S {"x", "y"}));
    // Without the line rule a lone LF does not split.
    EXPECT_EQ(SplitOf("x\ny\r\nz", crlf), (S {"x\ny", "z"}));
}

TEST(DStringArraySplit, MinimumCountPadsWithEmptyFields)
{
    EXPECT_EQ(SplitOf("", ",", 3), (S {"", "", ""}));
    EXPECT_EQ(SplitOf("", ",", 0), S {});
    EXPECT_EQ(SplitOf("", ",", -1), S {});
    EXPECT_EQ(SplitOf("a", " ", 2), (S {"a", ""}));
    EXPECT_EQ(SplitOf("a,b,c", ",", 2), (S {"a", "b", "c"}));
}

TEST(DStringArraySplit, BadDelimiterTakesTheWholeText)
{
    EXPECT_EQ(SplitOf("a,b", ""), (S {"a,b"}));
    EXPECT_EQ(SplitOf("a,b", nullptr), (S {"a,b"}));
    EXPECT_EQ(SplitOf("", nullptr, 2), (S {"", ""}));
}

TEST(DStringArraySplit, SplitReplacesContentsEvenFromItsOwnElements)
{
    DStringArray a("old,one", ",");
    a.ReSize(2, 1);
    a.Split(a[1], a[0].c_str() + 1); // text "one", delimiter "ld": both inside a
    EXPECT_EQ(Fields(a), (S {"one"}));
    EXPECT_EQ(a.CCount(), 1);

    a.Split(DString("p|q"), "|");
    EXPECT_EQ(Fields(a), (S {"p", "q"}));
    DStringArray b(DString("u v"), " ", 3);
    EXPECT_EQ(Fields(b), (S {"u", "v", ""}));
}

TEST(DStringArraySplit, TablesCountColumnsFromTheFirstHundredLines)
{
    DStringArray lines;
    lines << "a,b"
          << "c"
          << "d,e,f,g";
    DStringArray t;
    t.Split1Dto2D(lines, ",", -1);
    EXPECT_EQ(t.CCount(), 4);
    EXPECT_EQ(t.RCount(), 3);
    EXPECT_EQ(Fields(t), (S {"a", "b", "", "", "c", "", "", "", "d", "e", "f", "g"}));

    t.Split1Dto2D(lines, ",", 1);
    EXPECT_EQ(Fields(t), (S {"a", "c", "d"}));

    DStringArray many;
    for (int i = 0; i < 100; ++i)
        many << "x";
    many << "1,2,3";
    t.Split1Dto2D(many, ",", -1);
    EXPECT_EQ(t.CCount(), 1);
    EXPECT_EQ(t.RCount(), 101);
    EXPECT_STREQ(t(0, 100).c_str(), "1");

    t.Split1Dto2D(DStringArray(), ",", -1);
    EXPECT_EQ(t.Count(), 0);
    EXPECT_EQ(t.CCount(), 1);

    t.Split1Dto2D(t, ",", 2); // lines from this array itself
    EXPECT_EQ(t.Count(), 0);
    lines.Split1Dto2D(lines, ",", 2);
    EXPECT_EQ(Fields(lines), (S {"a", "b", "c", "", "d", "e"}));
}

TEST(DStringArraySplit, Split2DUsesTheLineRule)
{
    DStringArray t;
    t.Split2D("h1;h2\r\n1;2\n3\r\n", ";");
    EXPECT_EQ(t.CCount(), 2);
    EXPECT_EQ(t.RCount(), 3);
    EXPECT_EQ(Fields(t), (S {"h1", "h2", "1", "2", "3", ""}));
}

TEST(DStringArraySplit, MakeTableGivesOneArrayPerString)
{
    DStringArray lines;
    lines << "a b"
          << ""
          << "c";
    DArray<DStringArray, true> table(5);
    lines.MakeTable(table, " ", 2);
    ASSERT_EQ(table.Count(), 3);
    EXPECT_EQ(Fields(table[0]), (S {"a", "b"}));
    EXPECT_EQ(Fields(table[1]), (S {"", ""}));
    EXPECT_EQ(Fields(table[2]), (S {"c", ""}));
}
