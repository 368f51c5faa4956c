// A writer killed at random moments while it rewrites a settings file, a waveform and a
// matrix and appends to a particle group: every file keeps its old or its new content and
// reads back.
#include "DIni.h"
#include "Matrix.h"
#include "ParticleGroup.h"
#include "TestSupport.h"
#include "Waveform.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <new>
#include <random>
#include <sched.h>
#include <string>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const int Keys = 40;      // keys of the settings file, all holding the version
const int Samples = 4000; // samples of the waveform, all holding the version
const int Batch = 10;     // particles appended per version, all columns holding it

// What the writer is doing, kept in memory shared with the parent so that each kill can be
// put down to the kind of file it interrupted.
enum Stage { Starting, Settings, Trace, Grid, Append, Stages };
const char* const StageNames[Stages] = {"starting", "settings file", "waveform", "matrix",
                                        "particle append"};

// Writes version v of every file: the settings file in one held write, the waveform and the
// matrix whole, and one more batch of particles.
void WriteVersion(int v, std::atomic<int>* stage = nullptr)
{
    auto enter = [stage](Stage s) {
        if (stage)
            stage->store(s);
    };
    enter(Settings);
    DIni ini("run.ini");
    ini.HoldWrite(true);
    ini.SetSection("Run");
    for (int k = 0; k < Keys; ++k)
        ini.SetKeyValue(DString("key") + DString(k), DString(v));
    ini.HoldWrite(false);

    Waveform w(Samples);
    for (int i = 0; i < Samples; ++i)
        w[i] = float(v);
    w.t1 = float(v);
    w.Scale();
    enter(Trace);
    w.Write("trace");

    Matrix m(30, 20, 1);
    for (int i = 0; i < m.Count(); ++i)
        m[i] = float(v);
    m.t1 = float(v);
    m.Scale();
    enter(Grid);
    m.Write("grid");

    ParticleGroup g(Batch);
    for (int i = 0; i < Batch; ++i)
        for (int c = 0; c < ParticleGroup::nParticleCols; ++c)
            g.PData()[i].col[c] = float(v);
    g.Scale();
    enter(Append);
    g.Append("beam");
}

// The version every file holds; a failure when a file does not read or is torn.
struct Versions {
    int settings = -1, trace = -1, grid = -1, batches = -1;
};

::testing::AssertionResult Check(Versions& out)
{
    DIni ini("run.ini");
    ini.SetSection("Run");
    if (ini.nKeys() != Keys)
        return ::testing::AssertionFailure() << "settings file holds " << ini.nKeys() << " keys";
    out.settings = ini.GetKeyIntValue("key0", -1);
    for (int k = 1; k < Keys; ++k)
        if (ini.GetKeyIntValue(DString("key") + DString(k), -1) != out.settings)
            return ::testing::AssertionFailure() << "settings file mixes versions";

    Waveform w;
    if (!w.Read("trace", -1) || w.npnts() != Samples)
        return ::testing::AssertionFailure() << "waveform does not read";
    out.trace = int(w.t1);
    for (int i = 0; i < Samples; ++i)
        if (w[i] != w.t1 || w.maxVal != w.t1)
            return ::testing::AssertionFailure() << "waveform mixes versions";

    Matrix m(1, 1, 1);
    if (!m.Read("grid") || m.Count() != 600)
        return ::testing::AssertionFailure() << "matrix does not read";
    out.grid = int(m.t1);
    for (int i = 0; i < m.Count(); ++i)
        if (m[i] != m.t1 || m.Max() != m.t1)
            return ::testing::AssertionFailure() << "matrix mixes versions";

    // Batch b (from 0) holds version b + 1; the header's extremes cover exactly the batches.
    ParticleGroup g;
    if (!g.Read("beam", 1 << 30, 0) || g.nParticles() % Batch != 0
        || g.nParticles() != g.nOrigParticles())
        return ::testing::AssertionFailure() << "particle group does not read whole";
    out.batches = g.nParticles() / Batch;
    for (int i = 0; i < g.nParticles(); ++i)
        for (int c = 0; c < ParticleGroup::nParticleCols; ++c)
            if (g.PData()[i].col[c] != float(i / Batch + 1))
                return ::testing::AssertionFailure() << "particle " << i << " is wrong";
    if (out.batches > 0 && (g.maxVals[0] != float(out.batches) || g.minVals[7] != 1.0f))
        return ::testing::AssertionFailure() << "particle extremes do not match the particles";
    return ::testing::AssertionSuccess();
}

} // namespace

TEST(KilledWriters, EveryFileKeepsItsOldOrNewContent)
{
    WriteVersion(0);
    ParticleGroup empty;
    ASSERT_TRUE(empty.Write("beam")); // version 0 has no particles
    // The kills fall within two versions' time after the writer starts, however fast this
    // build writes.
    auto const began = std::chrono::steady_clock::now();
    for (int v = 1; v <= 3; ++v)
        WriteVersion(v);
    long long const span = std::chrono::duration_cast<std::chrono::microseconds>(
                               std::chrono::steady_clock::now() - began)
                                   .count()
                               / 3
                           + 1;
    Versions last;
    ASSERT_TRUE(Check(last));

    void* shared = mmap(nullptr, sizeof(std::atomic<int>), PROT_READ | PROT_WRITE,
                        MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(shared, MAP_FAILED);
    auto* stage = new (shared) std::atomic<int>(Starting);

    std::mt19937 rng(20240611);
    int progressed = 0, between = 0, kills[Stages] = {};
    for (int round = 0; round < 200; ++round) {
        stage->store(Starting);
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            close(ready[0]);
            // Versions go on from what the files hold: the next batch number.
            Versions now;
            if (!Check(now))
                _exit(1);
            if (write(ready[1], "r", 1) != 1)
                _exit(1);
            for (int v = now.batches + 1;; ++v)
                WriteVersion(v, stage);
        }
        close(ready[1]);
        char byte = 0;
        ASSERT_EQ(read(ready[0], &byte, 1), 1) << "round " << round;
        close(ready[0]);
        using Clock = std::chrono::steady_clock;
        if (round % 10 == 9) {
            // Some kills wait for a whole version, so that versions complete however much
            // slower the syncs have become than when the span was measured.
            auto const giveUp = Clock::now() + std::chrono::seconds(10);
            while (stage->load() != Append && Clock::now() < giveUp)
                sched_yield();
            while (stage->load() != Settings && Clock::now() < giveUp)
                sched_yield();
        } else if (round % 2 == 0) {
            usleep(useconds_t(rng() % (2 * span)));
        } else {
            // Every other kill waits for one kind of file in turn (a short one such as the
            // append is rarely hit by chance), then falls at a random moment soon after.
            // Sleeping would overshoot it, so the parent yields while it waits.
            int const target = Settings + round / 2 % (Stages - Settings);
            auto const giveUp = Clock::now() + std::chrono::seconds(5);
            while (stage->load() != target && Clock::now() < giveUp)
                sched_yield();
            auto const at = Clock::now() + std::chrono::microseconds(rng() % (span / 50 + 1));
            while (Clock::now() < at)
                sched_yield();
        }
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "round " << round;
        ++kills[stage->load()];

        Versions now;
        ASSERT_TRUE(Check(now)) << "round " << round;
        // The files are written in turn: none is ahead of the batch count by more than the
        // version in progress, and none went back.
        for (int v : {now.settings, now.trace, now.grid}) {
            EXPECT_TRUE(v == now.batches || v == now.batches + 1) << "round " << round;
        }
        EXPECT_GE(now.batches, last.batches);
        progressed += now.batches > last.batches;
        between += now.settings != now.grid || now.grid != now.batches;
        last = now;
    }
    munmap(shared, sizeof(std::atomic<int>));

    std::printf("200 kills (%d after the writer got on, %d between two files of a version, "
                "%d versions):",
                progressed, between, last.batches);
    for (int s = 0; s < Stages; ++s)
        std::printf(" %d %s", kills[s], StageNames[s]);
    std::printf("\n");
    EXPECT_GE(progressed, 10) << "the writer hardly got on before it was killed";
    for (int s = Settings; s < Stages; ++s)
        EXPECT_GE(kills[s], 5) << "too few kills while writing the " << StageNames[s];
}
