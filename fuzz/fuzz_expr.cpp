// Fuzz target: the expression evaluator and the text forms around it. An experiment with two
// shots, a few fields, a waveform, a matrix and a particle group is made once; the input is
// the expression (and the data name, and the text or label to expand).
#include "FuzzSupport.h"
#include "DataConstants.h"
#include "DataPtr.h"
#include "Experiment.h"
#include "Matrix.h"
#include "ParticleGroup.h"
#include "Waveform.h"

#include <cmath>

using namespace fuzzsupport;

namespace {

void MakeShot(const char* name)
{
    DString shot = name;
    if (Expt.CreateShot(shot, "fuzz", true) < 0)
        std::abort();
    Expt.SetShotData("Peak", "3.25");
    Expt.SetShotData("Gain", "2");
    Expt.SetShotData("Chan", "3");
    Expt.SetShotData("Probe", "probe");

    Waveform w(200);
    for (int i = 0; i < w.npnts(); ++i)
        w[i] = float(std::sin(i * 0.05) * 10.0);
    w.step = 0.1f;
    w.Scale();
    Matrix m(4, 5, 1);
    for (int i = 0; i < m.Count(); ++i)
        m[i] = float(i) - 6.0f;
    m.Scale();
    ParticleGroup g(10);
    for (int i = 0; i < g.nParticles(); ++i)
        for (int c = 0; c < ParticleGroup::nParticleCols; ++c)
            g.PData()[i].col[c] = float(i + c);
    g.Scale();
    if (!w.Write(Expt.GetDataFileName("probe")) || !m.Write(Expt.GetDataFileName("grid"))
        || !g.Write(Expt.GetDataFileName("beam")))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Start();
    Expt.SetExperimentFolder((Folder() + "/Exp").c_str());
    MakeShot("1233");
    MakeShot("1234");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const DString text = Text(data, size);
    const float v = Expt.GetScalarData(text);
    FUZZ_CHECK(v == -DFMax || IsVF(v));
    Expt.GetExpandedString(text, false);
    Expt.GetExpandedString(text, true);
    Expt.GetExpandedLabel(text);
    Expt.GetDataFileName(text);
    Expt.CleanDataFileName(text);
    // The input as a data name: whatever it gives is let go again without a write.
    for (DataType type : {DTWaveform, DTMatrix, DTParticleGroup, DTGeometry}) {
        void* p = Expt.GetDataPtr(text, type);
        if (p)
            Expt.ReleaseDataPtr(DString(), type, p);
    }
    return 0;
}
