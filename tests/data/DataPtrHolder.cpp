// DataPtr: allocation by kind, reading and writing through the held object, release and moves.
#include "DataPtr.h"
#include "Geometry.h"
#include "Matrix.h"
#include "ParticleGroup.h"
#include "TestSupport.h"
#include "Waveform.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <utility>

TEST(DataPtrHolder, AllocatesEachKindAndReleases)
{
    DataPtr p;
    EXPECT_EQ(p.object, nullptr);
    EXPECT_EQ(p.type, DTNone);
    p.Release(); // an empty holder stays empty
    EXPECT_EQ(p.type, DTNone);

    p.AllocData(DTMatrix);
    ASSERT_NE(p.object, nullptr);
    EXPECT_EQ(p.type, DTMatrix);
    EXPECT_EQ(static_cast<Matrix*>(p.object)->Count(), 1);
    p.AllocData(DTParticleGroup); // the matrix is released first
    EXPECT_EQ(static_cast<ParticleGroup*>(p.object)->nParticles(), 0);
    p.AllocData(DTWaveform);
    EXPECT_EQ(static_cast<Waveform*>(p.object)->npnts(), 0);
    p.AllocData(DTGeometry);
    EXPECT_EQ(static_cast<Geometry*>(p.object)->Count(), 0);

    p.AllocData(static_cast<DataType>(7));
    EXPECT_EQ(p.object, nullptr);
    EXPECT_EQ(p.type, DTNone);
    EXPECT_FALSE(p.Read("x"));
    EXPECT_FALSE(p.Write("x"));
}

TEST(DataPtrHolder, MovesKeepOneOwner)
{
    DArray<DataPtr, 1> cache;
    cache.AddBlank(1);
    cache[0].AllocData(DTMatrix);
    cache[0].name = "@m";
    void* const object = cache[0].object;
    cache.AddBlank(300); // growth relocates the entries as bytes

    DataPtr taken(std::move(cache[0]));
    EXPECT_EQ(taken.object, object);
    EXPECT_EQ(taken.name, "@m");
    EXPECT_EQ(cache[0].object, nullptr);
    EXPECT_EQ(cache[0].type, DTNone);

    DataPtr other;
    other.AllocData(DTGeometry);
    other = std::move(taken); // the geometry is released, the matrix moves over
    EXPECT_EQ(other.type, DTMatrix);
    EXPECT_EQ(other.object, object);
    EXPECT_EQ(taken.object, nullptr);
}

TEST(DataPtrHolder, ReadsAndWritesThroughTheHeldObject)
{
    DataPtr p;
    p.AllocData(DTMatrix);
    static_cast<Matrix*>(p.object)->t2 = 4.0f;
    ASSERT_TRUE(p.Write("m"));
    DataPtr q;
    q.AllocData(DTMatrix);
    ASSERT_TRUE(q.Read("m"));
    EXPECT_EQ(static_cast<Matrix*>(q.object)->t2, 4.0f);

    p.AllocData(DTParticleGroup);
    static_cast<ParticleGroup*>(p.object)->ReSize(2);
    ASSERT_TRUE(p.Write("g"));
    q.AllocData(DTParticleGroup);
    ASSERT_TRUE(q.Read("g"));
    EXPECT_EQ(static_cast<ParticleGroup*>(q.object)->nParticles(), 2);

    p.AllocData(DTGeometry);
    static_cast<Geometry*>(p.object)->text1 = "g";
    ASSERT_TRUE(p.Write("s"));
    q.AllocData(DTGeometry);
    ASSERT_TRUE(q.Read("s"));
    EXPECT_EQ(static_cast<Geometry*>(q.object)->text1, "g");

    // A waveform file of no points is not a successful read.
    p.AllocData(DTWaveform);
    ASSERT_TRUE(p.Write("w"));
    q.AllocData(DTWaveform);
    EXPECT_FALSE(q.Read("w"));
    static_cast<Waveform*>(p.object)->ReSize(3);
    ASSERT_TRUE(p.Write("w"));
    EXPECT_TRUE(q.Read("w"));
    EXPECT_FALSE(q.Read("missing"));
    EXPECT_EQ(q.type, DTWaveform);
}

TEST(DataPtrHolder, ReadsEveryParticleOfALargeGroup)
{
    // A cached group is written back whole on release: reading only the first batch would cut
    // the file. The particles past the header are a sparse run of zeros.
    ParticleGroup head(0);
    ASSERT_TRUE(head.Write("big"));
    std::string bytes = testsupport::ReadBytes("big.dpt");
    int const count = MaxParticleBatch + 1;
    bytes.replace(12, 4, testsupport::LE<int>(count));
    testsupport::WriteBytes("big.dpt", bytes);
    std::filesystem::resize_file("big.dpt", bytes.size() + size_t(count) * 32);

    DataPtr p;
    p.AllocData(DTParticleGroup);
    ASSERT_TRUE(p.Read("big"));
    EXPECT_EQ(static_cast<ParticleGroup*>(p.object)->nParticles(), count);
}
