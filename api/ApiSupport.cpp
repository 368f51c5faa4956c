// Helpers shared by the C and IDL interfaces: text out, data files and waveform transfers.
#include "ApiSupport_p.h"

#include "Experiment.h"
#include "Waveform.h"

#include <cstring>

namespace api {

void TextOut(DString const& s, int* len, char* out)
{
    if (!len)
        return;
    int const n = (out && *len > 0) ? (s.Len() < *len ? s.Len() : *len) : 0;
    if (n > 0)
        std::memcpy(out, s.c_str(), size_t(n));
    *len = n;
}

DString DataFile(DString const& name)
{
    return Expt.GetDataFileName(name);
}

DString TargetFile(DString const& name)
{
    DString file = DataFile(name);
    if (!file)
        Message(DString("Could not write ") << name
                << " (no current shot, or no shot of that name)");
    return file;
}

bool ReadAligned(DString const& name, int n, float t0, float dt, float* out)
{
    Waveform w;
    DString const file = DataFile(name);
    if (!file || !w.Read(file, -1) || w.npnts() == 0)
        return false;
    w.Align(n, t0, dt);
    // Align leaves the samples as they were when dt <= 0 or the time base is already t0, dt.
    int const copied = w.npnts() < n ? w.npnts() : n;
    if (copied > 0)
        std::memcpy(out, w.Data(), size_t(copied) * sizeof(float));
    for (int i = copied > 0 ? copied : 0; i < n; ++i)
        out[i] = 0.0f;
    return true;
}

bool WriteWaveform(DString const& name, int n, float start, float dt, float const* values)
{
    if (n < 0)
        n = 0;
    if (n > 0 && !values)
        return false;
    DString const file = TargetFile(name);
    if (!file)
        return false;
    Waveform w(n);
    w.startBase = start;
    w.step = dt;
    if (n > 0)
        std::memcpy(w.Data(), values, size_t(n) * sizeof(float));
    w.Scale();
    return w.Write(file);
}

} // namespace api
