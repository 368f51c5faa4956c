// Several processes writing fields and data marks of shots in one shot path at once.
#include "ExperimentFixture.h"

#include "DIni.h"
#include "Waveform.h"

namespace {

class ConcurrentWritersTest : public ExperimentTest {
protected:
    /// In a child process of InProcesses: runs body(its number) with the experiment selected
    /// afresh and gives true (the test then ends there); elsewhere false.
    template <class F> bool AsChild(F body)
    {
        const int p = testsupport::ChildIndex("writer");
        if (p < 0)
            return false;
        Expt.SetExperimentFolder(exp.c_str());
        body(p);
        return true;
    }
    /// Runs this test in `n` child processes at once; true when all of them exited cleanly.
    static bool InProcesses(int n) { return testsupport::RunChildren("writer", n); }
};

} // namespace

TEST_F(ConcurrentWritersTest, NoFieldIsLostFromEitherFile)
{
    // Four processes, two on each shot: both field files and the shared cache file have
    // several writers at once. Part of the fields go through paused (held) writes.
    const int processes = 4, fields = 200;
    const char* shots[] = {"A", "A", "B", "B"};
    if (AsChild([&](int p) {
            Expt.SetShot(shots[p]);
            for (int k = 0; k < fields; ++k) {
                const bool paused = k % 40 >= 30;
                Expt.SetPauseIO(paused);
                Expt.SetShotData(DString("p") + DString(p) + "_" + DString(k), DString(k));
            }
            Expt.SetPauseIO(false);
        }))
        return;
    Open();
    ASSERT_GE(Create("A"), 0);
    ASSERT_GE(Create("B"), 0);
    ASSERT_TRUE(InProcesses(processes));

    int lost = 0;
    DIni cache(DString(exp.c_str()) + "/Shots/ScalarCache.ini");
    for (int p = 0; p < processes; ++p) {
        ASSERT_TRUE(Expt.SetShot(shots[p]));
        DIni scalars(Expt.GetShotFolder() + "/Scalars.ini");
        for (int k = 0; k < fields; ++k) {
            const DString name = DString("p") + DString(p) + "_" + DString(k);
            lost += Expt.GetShotData(name) != DString(k);
            lost += scalars.GetSectionKeyValue("Fields", name, "?") != DString(k);
            lost += cache.GetSectionKeyValue(DString("Shot") + shots[p], name, "?") != DString(k);
        }
    }
    EXPECT_EQ(lost, 0);
    // Nothing is left behind but the shots' own files.
    for (auto& e : std::filesystem::recursive_directory_iterator(exp))
        EXPECT_NE(e.path().filename().string()[0], '.') << e.path();
}

TEST_F(ConcurrentWritersTest, DataMarksOfOneObjectAreNotLost)
{
    // Each process sets its own mark over and over: every write reads the file first, so an
    // unlocked writer would put back the others' old marks.
    if (AsChild([&](int p) {
            Expt.SetShot("A");
            const DString mark = DString("probe\\t") + DString(p + 1);
            for (int k = 1; k <= 60; ++k)
                Expt.SetScalarData(mark, float(k));
        }))
        return;
    Open();
    ASSERT_GE(Create("A"), 0);
    Waveform w(16);
    w.Zero();
    ASSERT_TRUE(w.Write(Expt.GetDataFileName("probe")));
    ASSERT_TRUE(InProcesses(5));
    Waveform back;
    ASSERT_TRUE(back.Read(Expt.GetDataFileName("probe"), -1));
    EXPECT_EQ(back.t1, 60.0f);
    EXPECT_EQ(back.t2, 60.0f);
    EXPECT_EQ(back.t3, 60.0f);
    EXPECT_EQ(back.t4, 60.0f);
    EXPECT_EQ(back.t5, 60.0f);
    EXPECT_EQ(back.npnts(), 16);
}
