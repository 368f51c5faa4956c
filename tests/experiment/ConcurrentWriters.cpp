// Several processes writing fields and data marks of shots in one shot path at once.
#include "ExperimentFixture.h"

#include "DIni.h"
#include "Waveform.h"

#include <sys/wait.h>
#include <unistd.h>

namespace {

class ConcurrentWritersTest : public ExperimentTest {
protected:
    /// Runs body(p) in `n` child processes at once, each with the experiment selected
    /// afresh; true when all of them exited cleanly.
    template <class F> bool InProcesses(int n, F body)
    {
        std::vector<pid_t> pids;
        for (int p = 0; p < n; ++p) {
            pid_t pid = fork();
            if (pid == 0) {
                Expt = Experiment();
                Expt.SetExperimentFolder(exp.c_str());
                body(p);
                _exit(0);
            }
            pids.push_back(pid);
        }
        bool ok = true;
        for (pid_t pid : pids) {
            int status = 0;
            waitpid(pid, &status, 0);
            ok = ok && WIFEXITED(status) && WEXITSTATUS(status) == 0;
        }
        return ok;
    }
};

} // namespace

TEST_F(ConcurrentWritersTest, NoFieldIsLostFromEitherFile)
{
    // Four processes, two on each shot: both field files and the shared cache file have
    // several writers at once. Part of the fields go through paused (held) writes.
    const int processes = 4, fields = 200;
    Open();
    ASSERT_GE(Create("A"), 0);
    ASSERT_GE(Create("B"), 0);
    const char* shots[] = {"A", "A", "B", "B"};
    ASSERT_TRUE(InProcesses(processes, [&](int p) {
        Expt.SetShot(shots[p]);
        for (int k = 0; k < fields; ++k) {
            const bool paused = k % 40 >= 30;
            Expt.SetPauseIO(paused);
            Expt.SetShotData(DString("p") + DString(p) + "_" + DString(k), DString(k));
        }
        Expt.SetPauseIO(false);
    }));

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
    Open();
    ASSERT_GE(Create("A"), 0);
    Waveform w(16);
    w.Zero();
    ASSERT_TRUE(w.Write(Expt.GetDataFileName("probe")));
    // Each process sets its own mark over and over: every write reads the file first, so an
    // unlocked writer would put back the others' old marks.
    ASSERT_TRUE(InProcesses(5, [&](int p) {
        Expt.SetShot("A");
        const DString mark = DString("probe\\t") + DString(p + 1);
        for (int k = 1; k <= 60; ++k)
            Expt.SetScalarData(mark, float(k));
    }));
    Waveform back;
    ASSERT_TRUE(back.Read(Expt.GetDataFileName("probe"), -1));
    EXPECT_EQ(back.t1, 60.0f);
    EXPECT_EQ(back.t2, 60.0f);
    EXPECT_EQ(back.t3, 60.0f);
    EXPECT_EQ(back.t4, 60.0f);
    EXPECT_EQ(back.t5, 60.0f);
    EXPECT_EQ(back.npnts(), 16);
}
