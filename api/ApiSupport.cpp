// Helpers shared by the C and IDL interfaces: text out, data files and waveform transfers.
#include "ApiSupport_p.h"

#include "DFile.h"
#include "Experiment.h"
#include "Waveform.h"
#include "WaveformIO_p.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace api {

namespace {
// Block reads are issued in pieces that keep the byte count of one call inside an int.
constexpr int64_t MaxBlock = int64_t(1) << 30;
} // namespace

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
        Message(DString("Could not write ")
                << name << " (no current shot, or no shot of that name)");
    return file;
}

namespace {

// Reads min(n, stored) samples at the file's position straight into out and zeroes the rest of
// n: what Align leaves when the time base needs no resampling, without an intermediate copy.
bool ReadUnaligned(DFile& file, int stored, int n, float* out)
{
    int const copied = stored < n ? stored : n;
    auto* p = reinterpret_cast<char*>(out);
    int64_t const bytes = int64_t(copied) * 4;
    for (int64_t done = 0; done < bytes; done += MaxBlock)
        file.BRead(p + done, int(std::min<int64_t>(MaxBlock, bytes - done)));
    if (file.IsEOF())
        return false;
    for (int i = copied; i < n; ++i)
        out[i] = 0.0f;
    return true;
}

} // namespace

bool ReadAligned(DString const& name, int n, float t0, float dt, float* out)
{
    DString const file = DataFile(name);
    if (!file)
        return false;
    DFile f;
    if (!f.Open(file + ".wvf", 5))
        return false;
    Waveform w;
    // The header alone first: most callers ask for the time base the trace already has, and
    // then the samples go to out directly (Read with n = 0 has checked that they are all there).
    if (!w.Read(f, 0) || w.fileCount == 0)
        return false;
    if (!(dt > 0.0f) || (t0 == w.Start() && dt == w.step))
        return ReadUnaligned(f, w.fileCount, n, out);
    f.SeekAbs(0);
    if (!w.Read(f, -1) || w.npnts() == 0)
        return false;
    w.Align(n, t0, dt);
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
    Waveform w;
    w.startBase = start;
    w.step = dt;
    return WaveformIO::ScaleAndWrite(w, file, values, n);
}

} // namespace api
