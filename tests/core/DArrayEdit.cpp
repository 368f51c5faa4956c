// DArray insertion, removal, replacement, reordering, sorting and swapping.
#include "DArray.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

namespace {

DArray<int> Make(std::initializer_list<int> values, int columns = 1)
{
    DArray<int> a;
    for (int v : values)
        a.Add(v);
    a.ReSize(columns, a.Count() / columns);
    return a;
}

std::vector<int> Values(DArray<int> const& a)
{
    return std::vector<int>(a.Data(), a.Data() + a.Count());
}

using V = std::vector<int>;

int Ascending(void const* a, void const* b)
{
    return *static_cast<int const*>(a) - *static_cast<int const*>(b);
}

} // namespace

TEST(DArrayEdit, InsertClampsPositionAndCutsToWholeRows)
{
    int const src[] = {7, 8, 9, 10};
    DArray<int> a = Make({1, 2, 3});
    a.Insert(src, -5, 2);
    EXPECT_EQ(Values(a), (V {7, 8, 1, 2, 3}));
    a.Insert(src, 99, 1);
    EXPECT_EQ(Values(a), (V {7, 8, 1, 2, 3, 7}));
    a.Insert(src, 2, 0);
    a.Insert(src, 2, -1);
    a.Insert(nullptr, 2, 1);
    EXPECT_EQ(a.Count(), 6);

    DArray<int> t = Make({1, 2, 3, 4, 5, 6}, 3);
    t.Insert(src, 0, 4);
    EXPECT_EQ(Values(t), (V {7, 8, 9, 1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(t.RCount(), 3);
    t.Insert(src, 3, 2);
    t.InsertBlank(0, 2);
    EXPECT_EQ(t.Count(), 9);
    t.InsertBlank(3, 3);
    EXPECT_EQ(Values(t), (V {7, 8, 9, 0, 0, 0, 1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(t.RCount(), 4);
}

TEST(DArrayEdit, InsertFromItsOwnStorageSurvivesRelocation)
{
    DArray<int> a;
    for (int i = 0; i < 256; ++i)
        a.Add(i);
    ASSERT_EQ(a.Capacity(), a.Count());
    a.Add(a[5]);
    EXPECT_EQ(a.Last(), 5);
    a.Insert(&a[0], 1, 3);
    EXPECT_EQ(Values(a).size(), 260u);
    EXPECT_EQ((V {a[0], a[1], a[2], a[3], a[4], a[5]}), (V {0, 0, 1, 2, 1, 2}));
}

TEST(DArrayEdit, RemoveClampsAndKeepsRows)
{
    DArray<int> a = Make({1, 2, 3, 4, 5});
    a.Remove(1, 2);
    EXPECT_EQ(Values(a), (V {1, 4, 5}));
    a.Remove(99, 5);
    EXPECT_EQ(Values(a), (V {1, 4}));
    a.Remove(-3, 1);
    a.Remove(0, -1);
    EXPECT_EQ(Values(a), (V {4}));
    a.Remove(0, 1);
    a.Remove(0, 1);
    EXPECT_EQ(a.Count(), 0);
    EXPECT_EQ(a.RCount(), 0);

    DArray<int> t = Make({1, 2, 3, 4, 5, 6}, 3);
    t.Remove(0, 2);
    EXPECT_EQ(t.Count(), 6);
    t.Remove(0, 5);
    EXPECT_EQ(Values(t), (V {4, 5, 6}));
    EXPECT_EQ(t.RCount(), 1);
}

TEST(DArrayEdit, ReplaceAssignsWithinBoundsEvenWhenOverlapping)
{
    int const src[] = {7, 8, 9};
    DArray<int> a = Make({1, 2, 3, 4});
    a.Replace(src, 2, 3);
    EXPECT_EQ(Values(a), (V {1, 2, 7, 8}));
    a.Replace(src, 50, 3);
    EXPECT_EQ(Values(a), (V {1, 2, 7, 7}));
    a.Replace(&a[0], 1, 3);
    EXPECT_EQ(Values(a), (V {1, 1, 2, 7}));

    DArray<int> empty;
    empty.Replace(src, 0, 1);
    EXPECT_EQ(empty.Count(), 0);
}

TEST(DArrayEdit, ReorderMovesWholeRowsBothWays)
{
    DArray<int> a = Make({0, 1, 2, 3, 4, 5});
    a.Reorder(1, 4, 2);
    EXPECT_EQ(Values(a), (V {0, 3, 4, 5, 1, 2}));
    a.Reorder(4, 0, 5);
    EXPECT_EQ(Values(a), (V {1, 2, 0, 3, 4, 5}));
    a.Reorder(2, 2, 1);
    a.Reorder(-4, 99, 0);
    EXPECT_EQ(Values(a), (V {2, 0, 3, 4, 5, 1}));

    DArray<int> t = Make({1, 2, 3, 4, 5, 6, 7, 8}, 2);
    t.Reorder(1, 7, 1); // row 0 to row 3, one row
    EXPECT_EQ(Values(t), (V {3, 4, 5, 6, 7, 8, 1, 2}));
    t.Reorder(6, 2, 4); // rows 3 onward to row 1: one row fits
    EXPECT_EQ(Values(t), (V {3, 4, 1, 2, 5, 6, 7, 8}));
}

TEST(DArrayEdit, SortAndSwapData)
{
    DArray<int> a = Make({3, 1, 2});
    a.Sort(Ascending);
    EXPECT_EQ(Values(a), (V {1, 2, 3}));
    a.Sort(nullptr);
    EXPECT_EQ(Values(a), (V {1, 2, 3}));

    DArray<int> t = Make({9, 8, 7, 6}, 2);
    EXPECT_FALSE(a.SwapData(a));
    EXPECT_TRUE(a.SwapData(t));
    EXPECT_EQ(Values(a), (V {9, 8, 7, 6}));
    EXPECT_EQ(a.CCount(), 2);
    EXPECT_EQ(a.RCount(), 2);
    EXPECT_EQ(Values(t), (V {1, 2, 3}));
    EXPECT_EQ(t.CCount(), 1);
}

TEST(DArrayEdit, ExportedFloatInstantiationLinks)
{
    DArray<float> f(2, 1);
    float const x[2] = {1.5f, 2.5f};
    f.Insert(x, 0, 2);
    f.Remove(2, 2);
    EXPECT_EQ(f(1, 0), 2.5f);
    EXPECT_EQ(f.RCount(), 1);
}
