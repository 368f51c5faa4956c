// ParticleGroup: a table of particles of 8 floats each with a small header, stored as a .dpt file.
#ifndef TALVEX_PARTICLEGROUP_H
#define TALVEX_PARTICLEGROUP_H

#include "DArray.h"
#include "DString.h"
#include "TalvexApi.h"

#include <string>

class DFile;

/// The number of particles a read returns when no maximum is given.
constexpr int MaxParticleBatch = 10000000;

/// One particle: columns 0-7 as ParticleGroup describes them.
struct PGParticle {
    float col[8];
};

/// Particles of 8 floats, particle after particle. Columns 0 and 1 are x and y in geometry 0
/// (Cartesian) and r and theta (radians) in any other geometry (polar); columns 3 and 4 are a
/// vector in x, y components or in radial and azimuthal components; columns 2, 5, 6 and 7 do
/// not depend on the geometry. All non-zero geometry codes mean polar.
class TALVEX_API ParticleGroup : public DArray<float, 0> {
public:
    /// Floats per particle.
    static constexpr int nParticleCols = 8;

    /// n particles (negative n counts as 0), all columns 0.0, with an empty header.
    explicit ParticleGroup(int n = 0);
    ~ParticleGroup() override;

    /// Empties the group, then n particles of 0.0.
    void Size(int n);
    /// n particles, keeping the leading ones (new ones 0.0).
    void ReSize(int n);
    /// Makes room for n particles.
    void Reserve(int n);

    /// Particles held.
    int nParticles() const { return count / nParticleCols; }
    /// Particles in the file the group was last read from (or appended to).
    int nOrigParticles() const { return fileCount; }
    int Geometry() const { return geometry; }
    PGParticle* PData() { return reinterpret_cast<PGParticle*>(data); }
    PGParticle const* PData() const { return reinterpret_cast<PGParticle const*>(data); }
    /// Extremes of column col as last set by Scale; -DFMax for a column outside 0..7.
    float Min(int col) const;
    float Max(int col) const;

    /// Converts every particle to geometry g (0 Cartesian, other values polar); changing
    /// between two polar codes only relabels. Returns true.
    bool SetGeometry(int g);
    /// maxVals and minVals over all particles (-3.3e38 and 3.3e38 when there are none).
    void Scale();
    /// Removes every particle with a NaN in any column; the survivors' order is not kept.
    void CleanUp();
    /// Copies headerB, headerA, geometry, t1..t5, the three texts and nOrigParticles; not the
    /// particles (nParticles stays the count held).
    void CopyHeader(ParticleGroup const& other);
    /// "t1".."t5" and "np" (nOrigParticles), case ignored; -DFMax for any other name.
    float GetPGroupParam(DString const& name) const;

    // Files; the name is given without ".dpt".
    /// Reads at most maxCount particles from particle start (maxCount < 0: MaxParticleBatch
    /// from the first; start < 0: from the first). False, group unchanged, when the file does
    /// not open or is malformed.
    bool Read(DString name, int maxCount = -1, int start = 0);
    /// Writes the whole file (atomically), stamping dateStamp.
    bool Write(DString name);
    /// Adds this group's particles at the end of the file; a missing file is written whole.
    /// The file's header values win: this group takes its geometry (its particles converted),
    /// headerB, headerA and t1..t5; its extremes (call Scale first) merge with the stored
    /// ones, and nOrigParticles becomes the new total. False, file unchanged, when the file is
    /// malformed or the total would pass 2^31 - 1 particles.
    bool Append(DString name);

    int fileCount = 0;    ///< nOrigParticles
    int geometry = 0;     ///< 0 Cartesian, other values polar
    float headerB = 0.0f; ///< the header float stored first
    float headerA = 0.0f; ///< the header float stored second
    float t1 = 0.0f;      ///< free values (parameters "t1" .. "t5")
    float t2 = 0.0f;
    float t3 = 0.0f;
    float t4 = 0.0f;
    float t5 = 0.0f;
    float maxVals[8] = {};
    float minVals[8] = {};
    DString text1;
    DString text2;
    DString dateStamp; ///< time of the last write

protected:
    bool Read(DFile& file, int maxCount, int start);
    bool Write(DFile& file);
    /// The in-place append to a file opened with mode 7: false, file unchanged, unless it is a
    /// version-2 file with 8 columns and no header extension.
    bool Append(DFile& file);

private:
    friend struct ParticleGroupIO; // reads into memory the caller keeps (ParticleGroupIO_p.h)
    using ValueStore = DArray<float, 0>;
    enum AppendPlan { AppendRefused, AppendInPlace, AppendRewrite };
    struct FileHead;

    /// How this group would be appended to the open file, whose header (read from its current
    /// position) is left in `head`.
    AppendPlan planAppend(DFile& file, FileHead& head) const;
    /// The in-place append that planAppend found possible, under the header it read.
    bool appendInPlace(DFile& file, FileHead const& head);
    /// The file read whole, this group's particles added, and the file replaced atomically;
    /// `native` is `path` as resolved for the writer lock.
    bool appendByRewrite(DString const& path, std::string const& native);
    /// Takes the file's header values, converts to its geometry and merges the extremes.
    void adoptFileHeader(ParticleGroup const& head);
    /// Count() becomes n floats without clearing them; returns the storage.
    float* uninitialized(long long n);
    /// Header and particles of other, which is left in an unspecified state.
    void takeFrom(ParticleGroup& other);
};

#endif
