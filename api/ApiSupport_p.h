// Helpers shared by the C and IDL interfaces: the library boundary, text out and data files.
#ifndef TALVEX_APISUPPORT_P_H
#define TALVEX_APISUPPORT_P_H

#include "DNotify.h"
#include "DString.h"

namespace api {

/// Runs body and returns its result; an allocation failure (the only exception the core
/// raises) becomes a message and `failed`, so that nothing is thrown into a foreign caller.
template <class R, class F> R Guard(char const* function, R failed, F body) noexcept
{
    try {
        return body();
    } catch (...) {
        try {
            Message(DString("Not enough memory for ") << function);
        } catch (...) {
        }
        return failed;
    }
}

/// Guard for functions without a result.
template <class F> void GuardVoid(char const* function, F body) noexcept
{
    Guard(function, 0, [&] {
        body();
        return 0;
    });
}

/// Stores v through p when p is not null.
template <class T> void Put(T* p, T v)
{
    if (p)
        *p = v;
}

/// Copies at most *len bytes of s to out, without a NUL, and sets *len to the count copied.
/// A null len does nothing; a null out or a negative capacity copies nothing.
void TextOut(DString const& s, int* len, char* out);

/// The file (without extension) of a data name of the current experiment; empty when the name
/// resolves to none, so that nothing is read from or written beside the current directory.
DString DataFile(DString const& name);

/// DataFile for writers: an unresolved name is also reported, since the data would be lost.
DString TargetFile(DString const& name);

/// Reads a whole waveform, resamples it onto n points from t0 at step dt and fills out with
/// exactly n floats (0 beyond the data). False, out untouched, when no waveform with points was
/// read.
bool ReadAligned(DString const& name, int n, float t0, float dt, float* out);

/// Writes a new waveform of n samples (n < 0 counts as 0) starting at start with step dt.
/// False when values is null with n > 0, the name resolves to no file, or the write failed.
bool WriteWaveform(DString const& name, int n, float start, float dt, float const* values);

} // namespace api

#endif
