// DataPtr: allocation, reading, writing and release of the held data object by its kind.
#include "DataPtr.h"

#include "Geometry.h"
#include "Matrix.h"
#include "ParticleGroup.h"
#include "Waveform.h"

#include <climits>
#include <new>

DataPtr::DataPtr() : object(nullptr), type(DTNone) { }

DataPtr::DataPtr(DataPtr&& other) noexcept
    : object(other.object), type(other.type), name(other.name)
{
    other.object = nullptr;
    other.type = DTNone;
    other.name = DString();
}

DataPtr& DataPtr::operator=(DataPtr&& other) noexcept
{
    if (this != &other) {
        Release();
        object = other.object;
        type = other.type;
        name = other.name;
        other.object = nullptr;
        other.type = DTNone;
        other.name = DString();
    }
    return *this;
}

DataPtr::~DataPtr()
{
    Release();
}

void DataPtr::AllocData(DataType kind)
{
    Release();
    try {
        switch (kind) {
        case DTWaveform: object = new Waveform(0); break;
        case DTMatrix: object = new Matrix(1, 1, 1); break;
        case DTParticleGroup: object = new ParticleGroup(0); break;
        case DTGeometry: object = new Geometry(); break;
        default: return;
        }
    } catch (std::bad_alloc const&) {
        object = nullptr;
        return;
    }
    type = kind;
}

bool DataPtr::Read(DString fileName)
{
    if (!object)
        return false;
    switch (type) {
    case DTWaveform: {
        Waveform* w = static_cast<Waveform*>(object);
        return w->Read(fileName, -1) && w->npnts() > 0;
    }
    case DTMatrix: return static_cast<Matrix*>(object)->Read(fileName, -1, 0);
    case DTParticleGroup:
        // Every particle: a cached group is written back whole when it is released.
        return static_cast<ParticleGroup*>(object)->Read(fileName, INT_MAX, 0);
    case DTGeometry: return static_cast<Geometry*>(object)->Read(fileName);
    default: return false;
    }
}

bool DataPtr::Write(DString fileName)
{
    if (!object)
        return false;
    switch (type) {
    case DTWaveform: return static_cast<Waveform*>(object)->Write(fileName);
    case DTMatrix: return static_cast<Matrix*>(object)->Write(fileName);
    case DTParticleGroup: return static_cast<ParticleGroup*>(object)->Write(fileName);
    case DTGeometry: return static_cast<Geometry*>(object)->Write(fileName);
    default: return false;
    }
}

void DataPtr::Release()
{
    switch (object ? type : DTNone) {
    case DTWaveform: delete static_cast<Waveform*>(object); break;
    case DTMatrix: delete static_cast<Matrix*>(object); break;
    case DTParticleGroup: delete static_cast<ParticleGroup*>(object); break;
    case DTGeometry: delete static_cast<Geometry*>(object); break;
    default: break; // an object of no known kind cannot be destroyed safely: it is let go
    }
    object = nullptr;
    type = DTNone;
}
