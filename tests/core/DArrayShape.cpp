// DArray construction, shape invariants, resizing and capacity growth.
#include "DArray.h"

#include <gtest/gtest.h>

#include <type_traits>

namespace {

struct Counted {
    static int alive;
    int v = 7;
    Counted() { ++alive; }
    Counted(Counted const& o) : v(o.v) { ++alive; }
    Counted& operator=(Counted const&) = default;
    ~Counted() { --alive; }
};
int Counted::alive = 0;

template <class A> void ExpectShape(A const& a, int columns, int rows)
{
    EXPECT_EQ(a.CCount(), columns);
    EXPECT_EQ(a.RCount(), rows);
    EXPECT_EQ(a.Count(), columns * rows);
    EXPECT_GE(a.Capacity(), a.Count());
}

} // namespace

TEST(DArrayShape, DefaultFlagFollowsTheElementType)
{
    static_assert(std::is_same<DArray<int>, DArray<int, false>>::value);
    static_assert(std::is_same<DArray<Counted>, DArray<Counted, true>>::value);
    static_assert(std::has_virtual_destructor<DArray<int>>::value);
}

TEST(DArrayShape, ConstructorsSetShapeAndClampBadSizes)
{
    DArray<int> empty;
    ExpectShape(empty, 1, 0);
    EXPECT_EQ(empty.Capacity(), 0);
    EXPECT_EQ(empty.Data(), nullptr);

    ExpectShape(DArray<int>(5), 1, 5);
    ExpectShape(DArray<int>(-3), 1, 0);
    ExpectShape(DArray<int>(0, 4), 1, 4);
    ExpectShape(DArray<int>(3, -1), 3, 0);

    DArray<int> t(2, 5);
    ExpectShape(t, 2, 5);
    for (int i = 0; i < t.Count(); ++i)
        t[i] = i;
    EXPECT_EQ(&t(1, 4), &t.Last());
    EXPECT_EQ(t(1, 2), 5);
    EXPECT_EQ(t(0, 3), 6);
}

TEST(DArrayShape, BlankPlainElementsAreZero)
{
    DArray<double> a(3, 4);
    for (int i = 0; i < a.Count(); ++i)
        EXPECT_EQ(a[i], 0.0);
    a.AddBlank(3);
    a.InsertBlank(0, 3);
    for (int i = 0; i < a.Count(); ++i)
        EXPECT_EQ(a[i], 0.0);
}

TEST(DArrayShape, CapacityGrowsInBlocksAndShrinksOnlyOnClearOrSize)
{
    DArray<int> a;
    a.Add(1);
    EXPECT_EQ(a.Capacity(), 256);
    for (int i = 1; i < 256; ++i)
        a.Add(i);
    EXPECT_EQ(a.Capacity(), 256);
    a.Add(0);
    EXPECT_EQ(a.Capacity(), 512);
    a.ReSize(3);
    EXPECT_EQ(a.Capacity(), 512);
    a.Reserve(1000);
    EXPECT_EQ(a.Capacity(), 1024);
    a.Reserve(-5);
    EXPECT_EQ(a.Capacity(), 1024);
    a.Size(10);
    EXPECT_EQ(a.Capacity(), 256);
    a.Clear();
    ExpectShape(a, 1, 0);
    EXPECT_EQ(a.Capacity(), 0);

    DArray<int> full(256);
    DArray<int> copy(full);
    EXPECT_EQ(copy.Capacity(), 512);
}

TEST(DArrayShape, ReSizeKeepsLeadingElementsAndSetsShape)
{
    DArray<int> a;
    for (int i = 0; i < 6; ++i)
        a.Add(i);
    a.ReSize(3, 3);
    ExpectShape(a, 3, 3);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(a[i], i);
    EXPECT_EQ(a(2, 2), 0);
    a.ReSize(0, 1);
    ExpectShape(a, 1, 1);
    EXPECT_EQ(a[0], 0);
    a.ReSize(-2);
    ExpectShape(a, 1, 0);

    a.Size(4, 2);
    ExpectShape(a, 4, 2);
    a.Size(-1);
    ExpectShape(a, 1, 0);
}

TEST(DArrayShape, AddBlankAddsWholeRowsOnly)
{
    DArray<int> a(3, 2);
    a.AddBlank(2);
    ExpectShape(a, 3, 2);
    a.AddBlank(4);
    ExpectShape(a, 3, 3);
    a.AddBlank(-6);
    ExpectShape(a, 3, 3);
    DArray<int> b;
    b.AddBlank(5);
    ExpectShape(b, 1, 5);
}

TEST(DArrayShape, HugeShapesFailAsAllocationFailure)
{
    DArray<int> a(2, 2);
    EXPECT_THROW(a.ReSize(65536, 65536), std::bad_alloc);
    EXPECT_THROW(a.AddBlank(2147483647), std::bad_alloc);
    ExpectShape(a, 2, 2);
}

TEST(DArrayShape, ObjectsAreConstructedCopiedAndDestroyedOnce)
{
    {
        DArray<Counted> a(4);
        EXPECT_EQ(Counted::alive, 4);
        DArray<Counted> b(a);
        EXPECT_EQ(Counted::alive, 8);
        b = a;
        DArray<Counted>& same = b;
        b = same;
        EXPECT_EQ(Counted::alive, 8);
        DArray<Counted> c(std::move(b));
        EXPECT_EQ(b.Count(), 0);
        EXPECT_EQ(Counted::alive, 8);
        for (int i = 0; i < 600; ++i) // several relocations
            a.Add(a[0]);
        EXPECT_EQ(Counted::alive, 608);
        a.ReSize(2);
        c.Remove(0, 3);
        EXPECT_EQ(Counted::alive, 3);
        a.Size(2, 2);
        EXPECT_EQ(Counted::alive, 5);
        a.Clear();
        EXPECT_EQ(Counted::alive, 1);
    }
    EXPECT_EQ(Counted::alive, 0);
}
