// ParticleGroup: construction, sizing, geometry conversion, extremes, clean-up and parameters.
#include "ParticleGroup.h"

#include "DataConstants.h"

#include <climits>
#include <cmath>
#include <cstring>
#include <new>

static_assert(sizeof(PGParticle) == ParticleGroup::nParticleCols * sizeof(float),
              "a particle is exactly its columns");

namespace {

const float ExtremeStart = 3.3e38f;

// Floats for n particles; more than an int can count is an allocation failure.
int FloatsFor(int n)
{
    long long const floats = static_cast<long long>(n < 0 ? 0 : n) * ParticleGroup::nParticleCols;
    if (floats > INT_MAX)
        throw std::bad_alloc();
    return int(floats);
}

bool HasNaN(float const* p)
{
    for (int c = 0; c < ParticleGroup::nParticleCols; ++c) {
        if (p[c] != p[c])
            return true;
    }
    return false;
}

void ToCartesian(float* p)
{
    double const r = p[0];
    double const theta = p[1];
    double const c = std::cos(theta);
    double const s = std::sin(theta);
    double const v3 = p[3];
    double const v4 = p[4];
    p[0] = float(r * c);
    p[1] = float(r * s);
    p[3] = float(c * v3 - s * v4);
    p[4] = float(s * v3 + c * v4);
}

void ToPolar(float* p)
{
    double const x = p[0];
    double const y = p[1];
    double const theta = std::atan2(y, x);
    double const c = std::cos(theta);
    double const s = std::sin(theta);
    double const v3 = p[3];
    double const v4 = p[4];
    p[0] = float(std::sqrt(x * x + y * y));
    p[1] = float(theta);
    p[3] = float(c * v3 + s * v4);
    p[4] = float(c * v4 - s * v3);
}

} // namespace

ParticleGroup::ParticleGroup(int n)
{
    ValueStore::ReSize(FloatsFor(n));
    fileCount = nParticles();
}

ParticleGroup::~ParticleGroup() = default;

void ParticleGroup::Size(int n)
{
    ValueStore::Size(FloatsFor(n));
}

void ParticleGroup::ReSize(int n)
{
    ValueStore::ReSize(FloatsFor(n));
}

void ParticleGroup::Reserve(int n)
{
    ValueStore::Reserve(FloatsFor(n));
}

float ParticleGroup::Min(int col) const
{
    return col >= 0 && col < nParticleCols ? minVals[col] : -DFMax;
}

float ParticleGroup::Max(int col) const
{
    return col >= 0 && col < nParticleCols ? maxVals[col] : -DFMax;
}

bool ParticleGroup::SetGeometry(int g)
{
    if (g == geometry)
        return true;
    bool const wasPolar = geometry != 0;
    geometry = g;
    if ((g != 0) == wasPolar || count == 0)
        return true;
    int const n = nParticles();
    for (int i = 0; i < n; ++i) {
        float* p = data + static_cast<long long>(i) * nParticleCols;
        if (wasPolar)
            ToCartesian(p);
        else
            ToPolar(p);
    }
    return true;
}

void ParticleGroup::Scale()
{
    for (int c = 0; c < nParticleCols; ++c) {
        maxVals[c] = -ExtremeStart;
        minVals[c] = ExtremeStart;
    }
    int const n = nParticles();
    for (int i = 0; i < n; ++i) {
        float const* p = data + static_cast<long long>(i) * nParticleCols;
        for (int c = 0; c < nParticleCols; ++c) {
            if (p[c] > maxVals[c])
                maxVals[c] = p[c];
            if (p[c] < minVals[c])
                minVals[c] = p[c];
        }
    }
}

void ParticleGroup::CleanUp()
{
    int n = nParticles();
    int i = 0;
    while (i < n) {
        float* p = data + static_cast<long long>(i) * nParticleCols;
        if (!HasNaN(p)) {
            ++i;
            continue;
        }
        --n;
        if (i < n)
            std::memcpy(p, data + static_cast<long long>(n) * nParticleCols, sizeof(PGParticle));
    }
    ValueStore::ReSize(n * nParticleCols);
}

void ParticleGroup::CopyHeader(ParticleGroup const& other)
{
    if (this == &other)
        return;
    headerB = other.headerB;
    headerA = other.headerA;
    geometry = other.geometry;
    t1 = other.t1;
    t2 = other.t2;
    t3 = other.t3;
    t4 = other.t4;
    t5 = other.t5;
    text1 = other.text1;
    text2 = other.text2;
    dateStamp = other.dateStamp;
    fileCount = other.fileCount;
}

float ParticleGroup::GetPGroupParam(DString const& name) const
{
    DString code(name);
    code.ToLower();
    if (code.Len() != 2)
        return -DFMax;
    float const marks[5] = {t1, t2, t3, t4, t5};
    if (code[0] == 't' && code[1] >= '1' && code[1] <= '5')
        return marks[code[1] - '1'];
    if (code == "np")
        return float(fileCount);
    return -DFMax;
}

float* ParticleGroup::uninitialized(long long n)
{
    // The particles are about to be read over: growing without clearing saves a pass.
    if (n > capacity) {
        ValueStore::Clear();
        ValueStore::Reserve(int(n));
    }
    count = rows = int(n);
    columns = 1;
    return data;
}

void ParticleGroup::takeFrom(ParticleGroup& other)
{
    ValueStore::SwapData(other);
    CopyHeader(other);
    std::memcpy(maxVals, other.maxVals, sizeof maxVals);
    std::memcpy(minVals, other.minVals, sizeof minVals);
}
