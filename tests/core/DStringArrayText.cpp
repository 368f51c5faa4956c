// DStringArray joining, lookup, sorting and the ownership of its string elements.
#include "DStringArray.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

int ByteOrder(void const* a, void const* b)
{
    return std::strcmp(static_cast<DString const*>(a)->c_str(),
                       static_cast<DString const*>(b)->c_str());
}

} // namespace

TEST(DStringArrayText, JoinPutsTheSeparatorBetween)
{
    DStringArray a;
    EXPECT_EQ(a.Join(","), "");
    a << "x";
    EXPECT_EQ(a.Join(", "), "x");
    a << ""
      << "yz";
    EXPECT_EQ(a.Join(", "), "x, , yz");
    EXPECT_EQ(a.Join(""), "xyz");
}

TEST(DStringArrayText, JoinIntoStopsAtTheMarkedSize)
{
    DStringArray a;
    a << "ab"
      << "cde"
      << "f";
    char buf[32];

    std::strcpy(buf, "           "); // 11 marked: ab CR LF cde CR LF fits (9), f CR LF does not
    std::memset(buf + 12, '#', sizeof buf - 12);
    a.JoinInto(buf);
    EXPECT_EQ(std::string(buf, 12), std::string("ab\r\ncde\r\n  ") + '\0');
    EXPECT_EQ(buf[12], '#');

    std::strcpy(buf, "            "); // 12 marked: an exact fit
    a.JoinInto(buf);
    EXPECT_STREQ(buf, "ab\r\ncde\r\nf\r\n");

    std::strcpy(buf, "123");
    a.JoinInto(buf);
    EXPECT_STREQ(buf, "123");
    std::strcpy(buf, "1234");
    a.JoinInto(buf);
    EXPECT_STREQ(buf, "ab\r\n");

    a.JoinInto(nullptr);
    DStringArray().JoinInto(buf);
    EXPECT_STREQ(buf, "ab\r\n");
}

TEST(DStringArrayText, IndexIgnoresCaseButNotLength)
{
    DStringArray a;
    a << "Alpha"
      << "beta"
      << "BETA";
    EXPECT_EQ(a.Index("alpha"), 0);
    EXPECT_EQ(a.Index("Beta"), 1);
    EXPECT_EQ(a.Index("alph"), -1);
    EXPECT_EQ(a.Index("alphas"), -1);
    EXPECT_EQ(a.Index(""), -1);
    EXPECT_EQ(DStringArray().Index("x"), -1);
}

TEST(DStringArrayText, SortFoldsCaseUnlessGivenAComparison)
{
    DStringArray a;
    a << "b"
      << "A"
      << "C"
      << "_"
      << "a1";
    a.Sort(nullptr);
    EXPECT_EQ(a.Join(" "), "_ A a1 b C"); // folded to lower case, '_' sorts first
    a.Sort(ByteOrder);
    EXPECT_EQ(a.Join(" "), "A C _ a1 b");
}

TEST(DStringArrayText, ElementsShareBuffersAndAreReleasedOnce)
{
    DString s("a string longer than a small block");
    {
        DStringArray a;
        for (int i = 0; i < 1000; ++i) // relocates the storage several times
            a.Add(s);
        EXPECT_EQ(s.GetRefs(), 1001);
        a.Add(a[999]);
        a.Insert(&a[0], 0, 3);
        a.Append(a);
        EXPECT_EQ(a.Count(), 2008);
        EXPECT_EQ(s.GetRefs(), 2009);

        DStringArray b(a);
        DStringArray c(std::move(b));
        EXPECT_EQ(s.GetRefs(), 4017);
        c.Remove(0, 8);
        a.Reorder(0, 1000, 500);
        a.Sort(nullptr);
        a.Size(3);
        EXPECT_EQ(s.GetRefs(), 2001);
        c.ReSize(1);
        c[0] = "other";
        EXPECT_EQ(s.GetRefs(), 1);
    }
    EXPECT_EQ(s.GetRefs(), 1);
    EXPECT_EQ(s, "a string longer than a small block");
}

TEST(DStringArrayText, TablesOfArraysRelocateSafely)
{
    DArray<DStringArray, true> table;
    DStringArray row("a,b,c", ",");
    for (int i = 0; i < 600; ++i)
        table.Add(row);
    table.Remove(0, 100);
    table.InsertBlank(10, 2);
    ASSERT_EQ(table.Count(), 502);
    EXPECT_EQ(table[10].Count(), 0);
    EXPECT_EQ(table[501].Join(""), "abc");
    EXPECT_EQ(row[0].GetRefs(), 501);
}
