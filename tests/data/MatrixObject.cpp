// Matrix object: sizing and axes, element addressing, header copies, extremes and calibration.
#include "Matrix.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(MatrixObject, ConstructionSetsRankAxesAndValueCount)
{
    Matrix a(5);
    EXPECT_EQ(a.Rank(), 2);
    EXPECT_EQ(a.GetSize(1), 5);
    EXPECT_EQ(a.GetSize(2), 1);
    EXPECT_EQ(a.GetSize(3), 1);
    EXPECT_EQ(a.Count(), 5);
    EXPECT_EQ(a.GetCoord(3, 0), 0.0f);

    Matrix b(5, 4, 1);
    EXPECT_EQ(b.Rank(), 2);
    EXPECT_EQ(b.Count(), 20);

    Matrix c(5, 4, 2);
    EXPECT_EQ(c.Rank(), 3);
    EXPECT_EQ(c.Count(), 40);
    EXPECT_EQ(c.GetOrigSize(3), 2);
    // New coordinates run from 0 by the step.
    EXPECT_EQ(c.GetCoord(1, 4), 4.0f);
    EXPECT_EQ(c.GetCoord(2, 3), 3.0f);

    for (int i = 0; i < c.Count(); ++i)
        c[i] = float(i);
    EXPECT_EQ(c(1, 2), c[1 + 2 * 5]); // first index fastest
    EXPECT_EQ(c(3, 1, 1), float(3 + 5 * (1 + 4 * 1)));

    Matrix d(0, -3, -1);
    EXPECT_EQ(d.Count(), 1);
    EXPECT_EQ(d.Rank(), 2);
    EXPECT_THROW(Matrix(65536, 65536, 2), std::bad_alloc);
}

TEST(MatrixObject, SizingKeepsOrDropsValuesAndExtendsCoordinates)
{
    Matrix m(3, 2);
    m.SetStep(1, 0.5f, 10.0f);
    for (int i = 0; i < 6; ++i)
        m[i] = float(i + 1);

    m.ReSize(3, 3);
    EXPECT_EQ(m.Count(), 9);
    EXPECT_EQ(m[5], 6.0f);
    EXPECT_EQ(m.GetCoord(2, 2), 2.0f);

    m.ReSize(5, 3);
    EXPECT_EQ(m.GetCoord(1, 3), 11.5f); // continues from the last coordinate by the step
    EXPECT_EQ(m.GetCoord(1, 4), 12.0f);
    EXPECT_EQ(m.GetOrigSize(1), 5);

    m.Reserve(10, 10, 10);
    EXPECT_EQ(m.Count(), 15);
    EXPECT_EQ(m.Rank(), 3);
    EXPECT_GE(m.Capacity(), 1000);

    m.Size(2, 2);
    EXPECT_EQ(m.Count(), 4);
    EXPECT_EQ(m.Rank(), 2);
    EXPECT_EQ(m.GetSize(3), 1);
    EXPECT_EQ(m.GetCoord(3, 0), 0.0f);
}

TEST(MatrixObject, CopiesFollowTheCalibrationRules)
{
    Matrix src(2, 2, 2);
    for (int i = 0; i < 8; ++i)
        src[i] = float(i);
    src.calibration = 3.0f;
    src.t1 = 1.5f;
    src.t5 = -2.0f;
    src.name1 = "a";
    src.name2 = "b";
    src.SetStep(3, 0.25f, 1.0f);
    src.Scale();

    Matrix copy(src);
    EXPECT_EQ(copy.Calibration(), 1.0f);
    EXPECT_EQ(copy[7], 7.0f);
    EXPECT_EQ(copy.t5, -2.0f);
    EXPECT_EQ(copy.name2, "b");
    EXPECT_EQ(copy.GetCoord(3, 1), 1.25f);
    EXPECT_EQ(copy.Max(), 7.0f);

    Matrix assigned(1, 1);
    assigned.calibration = 5.0f;
    assigned = src;
    EXPECT_EQ(assigned.Calibration(), 5.0f);
    EXPECT_EQ(assigned.name1, "a");

    Matrix blank(1, 1);
    blank.InitFrom(src, false);
    EXPECT_EQ(blank.Count(), 8);
    EXPECT_EQ(blank.t1, 0.0f);
    EXPECT_EQ(blank.name1, "");
    blank.InitFrom(src, true);
    EXPECT_EQ(blank.t1, 1.5f);
    EXPECT_EQ(blank.Calibration(), 3.0f);
}

TEST(MatrixObject, ScaleAndCalibration)
{
    Matrix m(2, 2);
    m[0] = 1.0f;
    m[1] = -3.0f;
    m[2] = std::nanf("");
    m[3] = 2.0f;
    m.Scale();
    EXPECT_EQ(m.Max(), 2.0f);
    EXPECT_EQ(m.Min(), -3.0f);
    EXPECT_FLOAT_EQ(m.scaleUnit, 0.5f);

    m.SetCalibration(0.0f);
    m.SetCalibration(std::nanf(""));
    EXPECT_EQ(m.Calibration(), 1.0f);
    EXPECT_EQ(m[0], 1.0f);

    m.SetCalibration(4.0f);
    EXPECT_EQ(m.Calibration(), 4.0f);
    EXPECT_EQ(m[1], -12.0f);
    EXPECT_EQ(m.Max(), 8.0f);
    EXPECT_EQ(m.Min(), -12.0f);
    EXPECT_FLOAT_EQ(m.scaleUnit, 2.0f);

    m.Zero();
    EXPECT_EQ(m[1], 0.0f);
    EXPECT_EQ(m[2], 0.0f);
}
