/* The IDL interface: functions of the form int f(int argc, void* argv[]) for CALL_EXTERNAL. */
#ifndef TALVEX_TALVEXIDL_H
#define TALVEX_TALVEXIDL_H

#include "TalvexApi.h"

/*
 * Every function takes the argument count and an array of pointers, one per argument: a text
 * is a NUL-terminated 8-bit string (IDL passes it by value), a float or an int is one 32-bit
 * value read or written through its pointer, a float array is caller memory of the stated
 * length. A count other than the one named below, or a null pointer, returns -1 at once and
 * touches nothing. Otherwise the result is 0 on success and -1 on failure (with a message).
 */

#ifdef __cplusplus
extern "C" {
#endif

/** 2: programFolder, experimentFolder. Starts the core afresh on every call, installs the
 *  console sink, starts a new log and selects the experiment. */
TALVEX_API int InitializeTalvexIDL(int argc, void* argv[]);
/** 1: name. Creates (or, with a leading "*", reuses) a shot and makes it current. */
TALVEX_API int CreateShotIDL(int argc, void* argv[]);
/** 1: name. Makes an existing shot current. */
TALVEX_API int SetShotIDL(int argc, void* argv[]);
/** 2: name, float value (out). The value of a scalar expression; -3.3e38 when it has none.
 *  Always 0 once the count is right. */
TALVEX_API int GetScalarIDL(int argc, void* argv[]);
/** 2: name, float value (in). Sets a scalar of the current shot. Always 0 once the count is
 *  right. */
TALVEX_API int SetScalarIDL(int argc, void* argv[]);
/** 5: name, float start, float dt, int n, float values[n] (out). The waveform resampled onto
 *  n points from start at step dt (0 beyond its data); -1 when it holds no points. */
TALVEX_API int GetWaveformIDL(int argc, void* argv[]);
/** 4: name, float start (out), float dt (out), int n (out). The waveform's start, step and
 *  stored point count; -1 when the count is 0. */
TALVEX_API int GetWaveformInfoIDL(int argc, void* argv[]);
/** 5: name, float start, float dt, int n, float values[n]. Writes a waveform of n points
 *  (n <= 0: none); -1 when it could not be written. */
TALVEX_API int SetWaveformIDL(int argc, void* argv[]);

#ifdef __cplusplus
}
#endif

#endif
