// ParticleGroup object: counts, geometry conversion, extremes, clean-up, header copy, parameters.
#include "DataConstants.h"
#include "ParticleGroup.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(ParticleGroupObject, CountsFollowTheParticlesHeld)
{
    ParticleGroup g(3);
    EXPECT_EQ(g.nParticles(), 3);
    EXPECT_EQ(g.nOrigParticles(), 3);
    EXPECT_EQ(g.Count(), 24);
    EXPECT_EQ(g.PData()[2].col[7], 0.0f);
    EXPECT_EQ(ParticleGroup(-4).nParticles(), 0);
    g.ReSize(5);
    EXPECT_EQ(g.nParticles(), 5);
    EXPECT_THROW(g.ReSize(0x7fffffff), std::bad_alloc);

    // CopyHeader never claims more particles than are held.
    ParticleGroup big(10);
    big.headerA = 2.0f;
    big.t3 = 3.0f;
    big.text2 = "t";
    ParticleGroup small(1);
    small.CopyHeader(big);
    EXPECT_EQ(small.nParticles(), 1);
    EXPECT_EQ(small.nOrigParticles(), 10);
    EXPECT_EQ(small.headerA, 2.0f);
    EXPECT_EQ(small.t3, 3.0f);
    EXPECT_EQ(small.text2, "t");
}

TEST(ParticleGroupObject, GeometryRoundTripsThroughPolar)
{
    ParticleGroup g(2);
    float const first[8] = {3.0f, 4.0f, 5.0f, 1.0f, -2.0f, 6.0f, 7.0f, 8.0f};
    float const second[8] = {-1.0f, 0.5f, 0.0f, 0.25f, 3.0f, 0.0f, 0.0f, 0.0f};
    for (int c = 0; c < 8; ++c) {
        g.PData()[0].col[c] = first[c];
        g.PData()[1].col[c] = second[c];
    }
    EXPECT_TRUE(g.SetGeometry(1));
    EXPECT_EQ(g.Geometry(), 1);
    EXPECT_FLOAT_EQ(g[0], 5.0f);
    EXPECT_FLOAT_EQ(g[1], std::atan2(4.0f, 3.0f));
    // The vector (1, -2) in radial and azimuthal components along theta.
    EXPECT_FLOAT_EQ(g[3], (3.0f * 1.0f + 4.0f * -2.0f) / 5.0f);
    EXPECT_FLOAT_EQ(g[4], (3.0f * -2.0f - 4.0f * 1.0f) / 5.0f);
    EXPECT_EQ(g[2], 5.0f);

    EXPECT_TRUE(g.SetGeometry(2)); // another polar code only relabels
    EXPECT_FLOAT_EQ(g[0], 5.0f);
    EXPECT_TRUE(g.SetGeometry(0));
    for (int c = 0; c < 8; ++c) {
        EXPECT_NEAR(g.PData()[0].col[c], first[c], 1e-5f) << c;
        EXPECT_NEAR(g.PData()[1].col[c], second[c], 1e-5f) << c;
    }
    ParticleGroup empty;
    EXPECT_TRUE(empty.SetGeometry(3));
    EXPECT_EQ(empty.Geometry(), 3);
}

TEST(ParticleGroupObject, ScaleAndCleanUp)
{
    ParticleGroup g(3);
    for (int i = 0; i < 24; ++i)
        g[i] = float(i);
    g[8 + 5] = std::nanf(""); // particle B
    g.Scale();
    EXPECT_EQ(g.Max(0), 16.0f);
    EXPECT_EQ(g.Min(0), 0.0f);
    EXPECT_EQ(g.Max(5), 21.0f);
    EXPECT_EQ(g.Max(8), -DFMax);

    g.CleanUp();
    ASSERT_EQ(g.nParticles(), 2);
    EXPECT_EQ(g[0], 0.0f);  // A
    EXPECT_EQ(g[8], 16.0f); // C moved into B's place

    ParticleGroup nan(2);
    nan[3] = std::nanf("");
    nan[15] = std::nanf("");
    nan.CleanUp();
    EXPECT_EQ(nan.nParticles(), 0);
}

TEST(ParticleGroupObject, ParameterCodes)
{
    ParticleGroup g(4);
    g.t1 = 1.0f;
    g.t5 = 5.0f;
    EXPECT_EQ(g.GetPGroupParam("t1"), 1.0f);
    EXPECT_EQ(g.GetPGroupParam("T5"), 5.0f);
    EXPECT_EQ(g.GetPGroupParam("NP"), 4.0f);
    for (char const* bad : {"t6", "t0", "t1 ", "n", "np2", ""})
        EXPECT_EQ(g.GetPGroupParam(bad), -DFMax) << bad;
}
