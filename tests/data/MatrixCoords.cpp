// Matrix coordinates: listed and regular axes, look-ups, axis exchanges, Collapse, parameters.
#include "DataConstants.h"
#include "Matrix.h"

#include <gtest/gtest.h>

namespace {
DArray<float, 0> Floats(std::initializer_list<float> v)
{
    DArray<float, 0> a;
    for (float x : v)
        a.Add(x);
    return a;
}
} // namespace

TEST(MatrixCoords, SetCoordOnlyOnListedAxesAndNeverBelowThePredecessor)
{
    Matrix m(4, 2);
    m.SetCoord(1, 2, 7.0f);
    EXPECT_EQ(m.GetCoord(1, 2), 2.0f); // step 1 > 0: ignored

    m.SetAllCoords(1, Floats({0.0f, 5.0f, 6.0f, 7.0f}));
    EXPECT_EQ(m.GetStep(1), 0.0f);
    m.SetCoord(1, 2, 3.0f);
    EXPECT_EQ(m.GetCoord(1, 2), 5.0f);
    m.SetCoord(1, 0, -9.0f);
    EXPECT_EQ(m.GetCoord(1, 0), -9.0f);
    m.SetCoord(1, 4, 1.0f); // past the end
    m.SetCoord(0, 0, 1.0f); // bad axis
    EXPECT_EQ(m.GetCoord(1, 4), -1.0f);
    EXPECT_EQ(m.GetCoord(4, 0), -1.0f);

    m.SetAllCoords(2, Floats({1.0f, 2.0f, 3.0f})); // wrong length: nothing
    EXPECT_EQ(m.GetStep(2), 1.0f);
    EXPECT_EQ(m.GetStep(0), -1.0f);
    EXPECT_EQ(m.GetSize(4), -1);
    EXPECT_EQ(m.GetOrigSize(0), -1);
    EXPECT_EQ(m.GetAllCoords(9).Count(), 4); // axis 1 for a bad axis
}

TEST(MatrixCoords, LookUpsAndRanges)
{
    Matrix m(4, 2);
    EXPECT_EQ(m.PointAtCoord(1, 1.5f), 2);
    EXPECT_EQ(m.PointAtCoord(1, 99.0f), 3);
    EXPECT_EQ(m.PointAtCoord(3, 0.0f), 0); // beyond the rank

    DArray<float, 0> in = m.GetPartialCoords(1, 0.5f, 2.5f);
    ASSERT_EQ(in.Count(), 2);
    EXPECT_EQ(in[0], 1.0f);
    EXPECT_EQ(in[1], 2.0f);
    EXPECT_EQ(m.GetPartialCoords(1, -DFMax, DFMax).Count(), 4);
    DArray<float, 0> below = m.GetPartialCoords(1, -10.0f, -5.0f);
    ASSERT_EQ(below.Count(), 1);
    EXPECT_EQ(below[0], 0.0f);
    DArray<float, 0> above = m.GetPartialCoords(1, 10.0f, 20.0f);
    ASSERT_EQ(above.Count(), 1);
    EXPECT_EQ(above[0], 3.0f);
    EXPECT_EQ(m.GetPartialCoords(4, 0.0f, 1.0f).Count(), 0);
}

TEST(MatrixCoords, CopySwapAndCollapseMoveWholeAxes)
{
    Matrix m(4, 3);
    m.SetStep(2, 2.0f, 100.0f);
    m.SwapCoords(2, 1);
    EXPECT_EQ(m.GetSize(1), 3);
    EXPECT_EQ(m.GetCoord(1, 1), 102.0f);
    EXPECT_EQ(m.GetStep(1), 2.0f);
    EXPECT_EQ(m.GetOrigSize(1), 4); // stays with the axis number
    m.SwapCoords(1, 2);
    EXPECT_EQ(m.GetSize(1), 4);
    m.SwapCoords(1, 3); // beyond the rank: nothing
    EXPECT_EQ(m.GetSize(3), 1);

    Matrix other(2, 2, 5);
    other.SetStep(3, 0.5f, 1.0f);
    m.CopyCoords(1, 3, other);
    EXPECT_EQ(m.GetSize(1), 5);
    EXPECT_EQ(m.GetCoord(1, 4), 3.0f);
    EXPECT_EQ(m.GetOrigSize(1), 5);

    Matrix c(4, 1, 3);
    for (int i = 0; i < 12; ++i)
        c[i] = float(i);
    c.SetStep(3, 10.0f, 0.0f);
    c.Collapse();
    EXPECT_EQ(c.Rank(), 2);
    EXPECT_EQ(c.GetSize(1), 4);
    EXPECT_EQ(c.GetSize(2), 3);
    EXPECT_EQ(c.GetCoord(2, 2), 20.0f);
    EXPECT_EQ(c.GetSize(3), 1); // the dropped axis reads as any axis beyond the rank
    EXPECT_EQ(c.GetMatrixParam("lb"), 0.0f);
    EXPECT_EQ(c(3, 2), 11.0f);
    c.Collapse(); // rank 2: nothing
    EXPECT_EQ(c.Rank(), 2);

    Matrix full(2, 2, 2);
    full.Collapse();
    EXPECT_EQ(full.Rank(), 3);
}

TEST(MatrixCoords, ParameterCodes)
{
    Matrix m(4, 3);
    m.SetStep(1, 0.5f, 10.0f);
    m.SetStep(2, 2.0f, -1.0f);
    m.t1 = 1.0f;
    m.t5 = 5.0f;
    m.maxVal = 9.0f;
    m.minVal = -9.0f;
    m.scaleUnit = 2.0f;

    struct {
        char const* code;
        float value;
    } const codes[] = {{"rs", 0.5f}, {"rb", 10.0f}, {"r1", 0.5f},  {"re", 11.5f}, {"RC", 4.0f},
                       {"cc", 3.0f}, {"cs", 2.0f},  {"cb", -1.0f}, {"c1", 2.0f},  {"ce", 3.0f},
                       {"lc", 1.0f}, {"ls", 1.0f},  {"lb", 0.0f},  {"l1", 0.0f},  {"le", 0.0f},
                       {"t1", 1.0f}, {"T5", 5.0f},  {"mx", 9.0f},  {"mn", -9.0f}, {"su", 2.0f}};
    for (auto const& c : codes)
        EXPECT_EQ(m.GetMatrixParam(c.code), c.value) << c.code;
    for (char const* bad : {"rc(1)", "t6", "t0", "r", "", "xx", "rz", " rc"})
        EXPECT_EQ(m.GetMatrixParam(bad), -DFMax) << bad;
}
