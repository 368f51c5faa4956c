// A writer killed at random moments while it rewrites a settings file, a waveform and a
// matrix and appends to a particle group: every file keeps its old or its new content and
// reads back.
#include "DIni.h"
#include "Matrix.h"
#include "ParticleGroup.h"
#include "TestSupport.h"
#include "Waveform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <random>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const int Keys = 40;       // keys of the settings file, all holding the version
const int Samples = 4000;  // samples of the waveform, all holding the version
const int Batch = 10;      // particles appended per version, all columns holding it

// Writes version v of every file: the settings file in one held write, the waveform and the
// matrix whole, and one more batch of particles.
void WriteVersion(int v)
{
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
    w.Write("trace");

    Matrix m(30, 20, 1);
    for (int i = 0; i < m.Count(); ++i)
        m[i] = float(v);
    m.t1 = float(v);
    m.Scale();
    m.Write("grid");

    ParticleGroup g(Batch);
    for (int i = 0; i < Batch; ++i)
        for (int c = 0; c < ParticleGroup::nParticleCols; ++c)
            g.PData()[i].col[c] = float(v);
    g.Scale();
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
    if (!g.Read("beam", 1 << 30, 0) || g.nParticles() % Batch != 0 ||
        g.nParticles() != g.nOrigParticles())
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
    Versions last;
    ASSERT_TRUE(Check(last));

    std::mt19937 rng(20240611);
    int progressed = 0, between = 0;
    // Kill moments reach further while the writer makes no progress: a loaded machine or a
    // sanitizer build writes a version many times slower.
    unsigned span = 15000;
    for (int round = 0; round < 200; ++round) {
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
                WriteVersion(v);
        }
        close(ready[1]);
        char byte = 0;
        ASSERT_EQ(read(ready[0], &byte, 1), 1) << "round " << round;
        close(ready[0]);
        usleep(useconds_t(rng() % span));
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "round " << round;

        Versions now;
        ASSERT_TRUE(Check(now)) << "round " << round;
        // The files are written in turn: none is ahead of the batch count by more than the
        // version in progress, and none went back.
        for (int v : {now.settings, now.trace, now.grid}) {
            EXPECT_TRUE(v == now.batches || v == now.batches + 1) << "round " << round;
        }
        EXPECT_GE(now.batches, last.batches);
        progressed += now.batches > last.batches;
        span = now.batches > last.batches ? std::max(15000u, span / 2)
                                          : std::min(span * 2, 2000000u);
        between += now.settings != now.grid || now.grid != now.batches;
        last = now;
    }
    std::printf("200 kills: %d after the writer got on, %d between two files of a version; "
                "%d versions\n", progressed, between, last.batches);
    EXPECT_GE(progressed, 20) << "the writer hardly got on before it was killed";
}
