// The data cache: `@` objects, objects read from files, release by write, drop or rename.
#include "EvaluatorFixture.h"

using testsupport::Exists;
using testsupport::WriteBytes;

using DataCacheTest = ShotDataTest;

TEST_F(DataCacheTest, AtNamesLiveOnlyInTheCache)
{
    EXPECT_EQ(Expt.GetDataPtr("@tmp", DTWaveform), nullptr);
    void* p = Expt.InitDataPtr("@tmp", DTWaveform);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(Expt.GetDataPtr("@TMP", DTWaveform), p);
    EXPECT_EQ(Expt.GetDataPtr("@tmp", DTMatrix), nullptr);

    void* q = p;
    EXPECT_TRUE(Expt.ReleaseDataPtr("@tmp2", DTWaveform, q));
    EXPECT_EQ(q, nullptr);
    EXPECT_EQ(Expt.GetDataPtr("@tmp", DTWaveform), nullptr);
    EXPECT_EQ(Expt.GetDataPtr("@tmp2", DTWaveform), p);
    EXPECT_FALSE(Exists(ShotDir() + "/@tmp2.wvf"));

    // Released through the entry's own field: the entry goes, nothing dangles.
    EXPECT_TRUE(Expt.ReleaseDataPtr("", DTWaveform, Expt.DataPtrs[0].object));
    EXPECT_EQ(Expt.DataPtrs.Count(), 0);

    // Particle groups are never cache-only: an `@` group name is a file name.
    WriteGroup("@beam", 3, 1.0f);
    void* g = Expt.GetDataPtr("@beam", DTParticleGroup);
    ASSERT_NE(g, nullptr);
    EXPECT_TRUE(Expt.ReleaseDataPtr("@beam2", DTParticleGroup, g));
    EXPECT_TRUE(Exists(ShotDir() + "/@beam2.dpt"));
}

TEST_F(DataCacheTest, ObjectsThatCannotBeMadeLeaveNoEntry)
{
    EXPECT_EQ(Expt.InitDataPtr("", DTWaveform), nullptr);
    EXPECT_EQ(Expt.InitDataPtr("@g", DTParticleGroup), nullptr);
    EXPECT_EQ(Expt.InitDataPtr("@n", DTNone), nullptr);
    EXPECT_EQ(Expt.InitDataPtr("@n", DataType(7)), nullptr);
    EXPECT_EQ(Expt.GetDataPtr("", DTNone), nullptr);
    WriteRamp("probe", 1.0f, "Run0099");
    WriteBytes(ShotDir() + "/empty.wvf", "");
    for (char const* name : {"missing", "Run0098\\probe", "empty", "[Missing]"})
        EXPECT_EQ(Expt.GetDataPtr(name, DTWaveform), nullptr) << name;
    EXPECT_EQ(Expt.GetDataPtr("Run0099\\probe", DTMatrix), nullptr);
    EXPECT_EQ(Expt.DataPtrs.Count(), 0);
    EXPECT_NE(Expt.GetDataPtr("", DTMatrix), nullptr); // an anonymous object
    EXPECT_EQ(Expt.DataPtrs.Count(), 1);
}

TEST_F(DataCacheTest, NamedObjectsAreReadAndWrittenBack)
{
    WriteRamp("probe", 10.0f, "Run0099");
    auto* w = static_cast<Waveform*>(Expt.GetDataPtr("Run0099\\probe", DTWaveform));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->npnts(), 101);
    EXPECT_EQ(S(Expt.DataPtrs[0].name), "Run0099\\probe");
    w->t3 = 6.0f;
    void* p = w;
    EXPECT_TRUE(Expt.ReleaseDataPtr("copy", DTWaveform, p));
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(Expt.DataPtrs.Count(), 0);
    EXPECT_EQ(ReadWave(ShotDir() + "/copy").t3, 6.0f);
}

TEST_F(DataCacheTest, ReleasesThatWriteNothingFail)
{
    void* p = Expt.InitDataPtr("@w", DTWaveform);
    ASSERT_NE(p, nullptr);
    // To a name that resolves to no file: nothing written, reported, entry gone.
    EXPECT_FALSE(Expt.ReleaseDataPtr("Run0098\\w", DTWaveform, p));
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(Expt.DataPtrs.Count(), 0);

    // An object the cache does not hold (or not as that kind) is neither written nor dropped.
    Waveform own(2);
    void* mine = &own;
    EXPECT_FALSE(Expt.ReleaseDataPtr("w", DTWaveform, mine));
    EXPECT_EQ(mine, &own);
    void* const m = Expt.InitDataPtr("@m", DTMatrix);
    p = m;
    EXPECT_FALSE(Expt.ReleaseDataPtr("m", DTWaveform, p));
    EXPECT_TRUE(Expt.ReleaseDataPtr("", DTWaveform, p));
    EXPECT_EQ(p, m);
    EXPECT_EQ(Expt.DataPtrs.Count(), 1);
    EXPECT_FALSE(Exists(ShotDir() + "/w.wvf") || Exists(ShotDir() + "/m.wvf"));

    // A failed write is reported; the entry goes all the same.
    MakeFolder(ShotDir() + "/m.dmt");
    EXPECT_FALSE(Expt.ReleaseDataPtr("m", DTMatrix, p));
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(Expt.DataPtrs.Count(), 0);
}

TEST_F(DataCacheTest, CopiesNeverShareCachedObjects)
{
    void* p = Expt.InitDataPtr("@a", DTWaveform);
    {
        Experiment copy(Expt);
        EXPECT_EQ(copy.DataPtrs.Count(), 0);
        EXPECT_EQ(S(copy.ShotName), "Run0100");
        Experiment other;
        other.InitDataPtr("@b", DTMatrix);
        other = Expt;
        ASSERT_EQ(other.DataPtrs.Count(), 1);
        EXPECT_EQ(S(other.DataPtrs[0].name), "@b");
        EXPECT_EQ(S(other.ShotFolder), S(Expt.ShotFolder));
    }
    EXPECT_EQ(Expt.GetDataPtr("@a", DTWaveform), p);
    Expt.ClearDataPtrs();
    EXPECT_EQ(Expt.DataPtrs.Count(), 0);
}
