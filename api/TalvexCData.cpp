// The C interface's data functions: waveforms, matrices and particle groups by data name.
#include "TalvexC.h"

#include "ApiSupport_p.h"
#include "Matrix.h"
#include "ParticleGroup.h"
#include "ParticleGroupIO_p.h"
#include "Waveform.h"

#include <climits>
#include <cstring>

using api::DataFile;
using api::GuardVoid;
using api::Put;
using api::TargetFile;

namespace {

// GetPGroupC's start value that also converts the particles to geometry 0.
constexpr int StartCartesian = -77;

// A new group of n particles (n < 0 counts as 0) with its header set, ready to store.
bool MakeGroup(ParticleGroup& g, int n, int geometry, float headerA, float headerB,
               float const* particles)
{
    if (n < 0)
        n = 0;
    if (n > 0 && !particles)
        return false;
    if (n > INT_MAX / ParticleGroup::nParticleCols)
        return false;
    g.Size(n);
    g.SetGeometry(geometry); // no particles yet: the values below are stored as given
    g.headerA = headerA;
    g.headerB = headerB;
    if (n > 0)
        std::memcpy(g.Data(), particles, size_t(n) * ParticleGroup::nParticleCols * sizeof(float));
    g.Scale();
    return true;
}

} // namespace

void GetWaveformC(const char* name, int n, float start, float dt, float* out)
{
    if (n <= 0 || !out)
        return;
    GuardVoid("GetWaveformC", [&] {
        if (!api::ReadAligned(DString(name), n, start, dt, out))
            std::memset(out, 0, size_t(n) * sizeof(float));
    });
}

void SetWaveformC(const char* name, int n, float start, float dt, const float* values)
{
    GuardVoid("SetWaveformC", [&] { api::WriteWaveform(DString(name), n, start, dt, values); });
}

void SetWaveformXYC(const char* name, int n, const float* xy)
{
    if (n <= 1 || !xy)
        return;
    GuardVoid("SetWaveformXYC", [&] {
        if (n > INT_MAX / 2)
            return;
        float const x0 = xy[0];
        float const dt = (xy[2 * (n - 1)] - x0) / float(n - 1);
        DArray<float, 0> y(n);
        for (int i = 0; i < n; ++i)
            y[i] = xy[2 * i + 1];
        api::WriteWaveform(DString(name), n, x0, dt, y.Data());
    });
}

void GetWaveformInfoC(const char* name, int* n, float* start, float* dt)
{
    GuardVoid("GetWaveformInfoC", [&] {
        Waveform w;
        DString const file = DataFile(name);
        if (~file)
            w.Read(file, 0);
        Put(n, w.fileCount);
        Put(start, w.Start());
        Put(dt, w.step);
    });
}

void GetMatrixC(const char* name, int nx, float, float, int ny, float, float, int nz, float, float,
                float* out)
{
    if (!out)
        return;
    GuardVoid("GetMatrixC", [&] {
        Matrix m;
        DString const file = DataFile(name);
        if (!file || !m.Read(file, -1, 0))
            return;
        if (m.GetSize(1) != nx || m.GetSize(2) != ny || m.GetSize(3) != nz)
            return;
        if (static_cast<long long>(nx) * ny * nz != m.Count())
            return;
        std::memcpy(out, m.Data(), size_t(m.Count()) * sizeof(float));
    });
}

void SetMatrixC(const char* name, int nx, float x0, float dx, int ny, float y0, float dy, int nz,
                float z0, float dz, const float* values)
{
    if (nx < 1 || ny < 1 || nz < 0 || !values)
        return;
    GuardVoid("SetMatrixC", [&] {
        long long const count = static_cast<long long>(nx) * ny * (nz > 1 ? nz : 1);
        if (count > INT_MAX)
            return;
        DString const file = TargetFile(name);
        if (!file)
            return;
        Matrix m(nx, ny, nz);
        m.SetStep(1, dx, x0);
        m.SetStep(2, dy, y0);
        m.SetStep(3, dz, z0);
        std::memcpy(m.Data(), values, size_t(count) * sizeof(float));
        m.Scale();
        m.Write(file);
    });
}

void GetMatrixInfoC(const char* name, int* nx, float* x0, float* dx, int* ny, float* y0, float* dy,
                    int* nz, float* z0, float* dz)
{
    GuardVoid("GetMatrixInfoC", [&] {
        Matrix m;
        DString const file = DataFile(name);
        // One slice is enough for the header; a matrix that cannot be read reports no axes.
        bool const ok = ~file && m.Read(file, 1, 0);
        int* sizes[3] = {nx, ny, nz};
        float* firsts[3] = {x0, y0, z0};
        float* steps[3] = {dx, dy, dz};
        for (int d = 1; d <= 3; ++d) {
            Put(sizes[d - 1], ok ? m.GetOrigSize(d) : 0);
            Put(firsts[d - 1], ok ? m.GetCoord(d, 0) : 0.0f);
            Put(steps[d - 1], ok ? m.GetStep(d) : 0.0f);
        }
    });
}

void SetPGroupC(const char* name, int n, int geometry, float headerA, float headerB,
                const float* particles)
{
    GuardVoid("SetPGroupC", [&] {
        ParticleGroup g;
        if (!MakeGroup(g, n, geometry, headerA, headerB, particles))
            return;
        DString const file = TargetFile(name);
        if (~file)
            g.Write(file);
    });
}

void AppendPGroupC(const char* name, int n, int geometry, float headerA, float headerB,
                   const float* particles)
{
    GuardVoid("AppendPGroupC", [&] {
        ParticleGroup g;
        if (!MakeGroup(g, n, geometry, headerA, headerB, particles))
            return;
        DString const file = TargetFile(name);
        if (~file)
            g.Append(file);
    });
}

void GetPGroupC(const char* name, int* n, int start, float* out)
{
    if (!n)
        return;
    if (!out) {
        *n = 0;
        return;
    }
    GuardVoid("GetPGroupC", [&] {
        DString const file = DataFile(name);
        bool const cartesian = start == StartCartesian;
        int direct = 0;
        if (!file) {
            *n = 0;
            return;
        }
        if (!cartesian && ParticleGroupIO::ReadInto(file, *n, start, out, direct)) {
            *n = direct;
            return;
        }
        ParticleGroup g;
        g.Read(file, *n, cartesian || start < 0 ? 0 : start);
        if (cartesian)
            g.SetGeometry(0);
        int const count = g.nParticles();
        if (count > 0)
            std::memcpy(out, g.Data(),
                        size_t(count) * ParticleGroup::nParticleCols * sizeof(float));
        *n = count;
    });
}

void GetPGroupInfoC(const char* name, int* nOrig, int* geometry, float* headerA, float* headerB)
{
    GuardVoid("GetPGroupInfoC", [&] {
        ParticleGroup g;
        DString const file = DataFile(name);
        if (~file)
            g.Read(file, 0, 0);
        Put(nOrig, g.nOrigParticles());
        Put(geometry, g.Geometry());
        Put(headerA, g.headerA);
        Put(headerB, g.headerB);
    });
}
