// DataPtr: the typed, owning holder of one data object, and DataType, the kinds it can hold.
#ifndef TALVEX_DATAPTR_H
#define TALVEX_DATAPTR_H

#include "DString.h"
#include "TalvexApi.h"

/// The kinds of data object; any other value behaves as DTNone.
enum DataType {
    DTNone = 0,
    DTWaveform = 1,      ///< Waveform, .wvf
    DTMatrix = 2,        ///< Matrix, .dmt
    DTParticleGroup = 3, ///< ParticleGroup, .dpt
    DTGeometry = 4       ///< Geometry, .dgm
};

/// Owns one data object of any kind. Move-only: there is always exactly one owner, and moving
/// leaves the source empty. Its members relocate as bytes, so arrays may hold it (add entries
/// with AddBlank, never by copying).
class TALVEX_API DataPtr {
public:
    DataPtr();
    DataPtr(DataPtr&& other) noexcept;
    DataPtr& operator=(DataPtr&& other) noexcept;
    DataPtr(DataPtr const&) = delete;
    DataPtr& operator=(DataPtr const&) = delete;
    /// Releases the object.
    ~DataPtr();

    /// Releases any held object, then holds a new empty object of that kind (Waveform of 0
    /// points, 1 x 1 x 1 Matrix, ParticleGroup of 0 particles, empty Geometry). An unknown
    /// kind, or memory running out, leaves the holder empty.
    void AllocData(DataType kind);
    /// Reads the held object from fileName (no extension): a waveform needs at least one
    /// point; a particle group reads all its particles (not only MaxParticleBatch, since the
    /// cache writes it back whole). False for an empty holder or a failed read.
    bool Read(DString fileName);
    /// Writes the held object to fileName (no extension); false for an empty holder or a
    /// failed write.
    bool Write(DString fileName);
    /// Destroys the held object; the holder is empty afterwards (its name stays).
    void Release();

    void* object;  ///< the held object, null when empty
    DataType type; ///< kind of the held object, DTNone when empty
    DString name;  ///< the data name under which the cache holds the object
};

#endif
