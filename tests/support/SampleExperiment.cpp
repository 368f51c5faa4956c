// SampleExperiment: one shared experiment for the tests of the tool and the server.
#include "SampleExperiment.h"
#include "TestSupport.h"

#include "Core.h"
#include "Experiment.h"
#include "Matrix.h"
#include "ParticleGroup.h"
#include "Paths.h"
#include "Waveform.h"

#include <gtest/gtest.h>

namespace testsupport {

namespace {

void WriteShot(const char* name, const char* comment, const char* peak)
{
    DString shot(name);
    ASSERT_EQ(Expt.CreateShot(shot, comment), 0);
    Expt.SetShotData("Date", "01/02/2024 10:00:00");
    Expt.SetShotData("Peak", peak);
    Waveform w(5);
    const float values[] = {1, 3, 2, 5, 4};
    for (int i = 0; i < 5; ++i)
        w[i] = values[i];
    w.step = 0.5f;
    w.Scale();
    ASSERT_TRUE(w.Write(AppendPathElts(Expt.ShotFolder, "probe")));
}

} // namespace

void MakeSampleExperiment(const std::string& exp)
{
    // A settings file with content: an empty one makes every reader wait for a writer.
    WriteBytes(exp + "/Exp1.ini", "[General]\r\nDescription=Test series\r\n");
    CoreInit("");
    Expt.SetExperimentFolder(exp.c_str());
    WriteShot("1001", "first shot", "3.25");
    WriteShot("1002", "", "1.5");
    ASSERT_TRUE(Expt.SetShot("1001", 0));

    Matrix m(2, 3);
    for (int i = 0; i < 6; ++i)
        m[i] = float(i + 1);
    m.SetStep(1, 1.0f, 0.0f);
    m.SetStep(2, 0.5f, 10.0f);
    m.Scale();
    ASSERT_TRUE(m.Write(AppendPathElts(Expt.ShotFolder, "grid")));

    ParticleGroup p(2);
    for (int c = 0; c < 8; ++c) {
        p.PData()[0].col[c] = float(c);
        p.PData()[1].col[c] = float(10 + c);
    }
    ASSERT_TRUE(p.Write(AppendPathElts(Expt.ShotFolder, "beam")));
}

} // namespace testsupport
