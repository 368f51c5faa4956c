// ParticleGroup reads into memory the caller keeps, for the flat interfaces (internal).
#ifndef TALVEX_PARTICLEGROUPIO_P_H
#define TALVEX_PARTICLEGROUPIO_P_H

#include "ParticleGroup.h"

struct ParticleGroupIO {
    /// What Read(name, maxCount, start) reads, put straight into out (room for maxCount
    /// particles) and counted in count (0 when the file does not open or is malformed).
    /// False, nothing read, for a file of narrow records: those go through a group.
    static bool ReadInto(DString const& name, int maxCount, int start, float* out, int& count);
};

#endif
