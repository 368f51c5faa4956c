// Waveform writes from samples the caller keeps, for the flat interfaces (internal).
#ifndef TALVEX_WAVEFORMIO_P_H
#define TALVEX_WAVEFORMIO_P_H

#include "Waveform.h"

struct WaveformIO {
    /// What Scale() then Write(name) do on a w holding the n samples at s, without copying
    /// them into w when they are all valid (invalid ones must be stored as -DFMax, so such
    /// samples are copied). w's own samples are not used; s is never changed.
    static bool ScaleAndWrite(Waveform& w, DString const& name, float const* s, int n);
};

#endif
