/* The flat C interface: plain C functions over the global experiment and the data objects. */
#ifndef TALVEX_TALVEXC_H
#define TALVEX_TALVEXC_H

#include "TalvexApi.h"

#ifndef __cplusplus
#include <stdbool.h>
#endif

/*
 * Conventions of every function below:
 * - Text in is a NUL-terminated 8-bit string; a null pointer reads as the empty text.
 * - Text out goes to a caller buffer `out` whose capacity in bytes is `*len` on entry. The
 *   result is cut to that capacity, copied without a terminating NUL, and `*len` becomes the
 *   number of bytes copied. A null `out` or a negative capacity copies nothing (`*len` = 0).
 * - Arrays are caller memory of exactly the stated length (n, nx*ny*nz, 8 floats per
 *   particle); nothing is written past it.
 * - Data objects are named by data names of the current shot and read or written afresh on
 *   every call. Errors are reported through the installed sink (the console, after
 *   InitializeTalvexC) and by the 1/0 results where a function has one.
 */

#ifdef __cplusplus
extern "C" {
#endif

/** True once InitializeTalvexC has initialised the core (false at load). */
TALVEX_API extern bool ExternalInit;

/** Starts the core for the program folder `folder` (a trailing "$L" turns logging on) and
 *  installs the console sink; a repeated call for the same folder only logs. */
TALVEX_API void InitializeTalvexC(const char* folder);
/** Selects the experiment folder; does nothing before InitializeTalvexC. */
TALVEX_API void SetExperimentC(const char* folder);
/** Creates (or, with a leading "*", reuses) a shot and makes it current; "*" alone takes the
 *  name from the current directory (ShotX gives X). 1 on success, 0 with a message. */
TALVEX_API int CreateShotC(const char* name);
/** Makes an existing shot current. 1 on success, 0 with a message. */
TALVEX_API int SetShotC(const char* name);

/** Reads the waveform, resamples it onto n points from `start` at step `dt` and copies the n
 *  points to `out`; points beyond the waveform's data are 0. */
TALVEX_API void GetWaveformC(const char* name, int n, float start, float dt, float* out);
/** Writes a waveform of n points (n < 0 counts as 0) starting at `start` with step `dt`. */
TALVEX_API void SetWaveformC(const char* name, int n, float start, float dt, const float* values);
/** Writes a waveform from n (x, y) pairs (2n floats): the time base runs evenly from the
 *  first x to the last. Does nothing when n < 2. */
TALVEX_API void SetWaveformXYC(const char* name, int n, const float* xy);
/** The stored point count, the start time and the step of a waveform (0, 0, 1 when it
 *  cannot be read). Null pointers are skipped. */
TALVEX_API void GetWaveformInfoC(const char* name, int* n, float* start, float* dt);

/** Copies the nx*ny*nz values of a matrix (first index fastest) when its sizes are exactly
 *  nx, ny, nz; otherwise copies nothing. The float arguments are not used. */
TALVEX_API void GetMatrixC(const char* name, int nx, float x0, float dx, int ny, float y0, float dy,
                           int nz, float z0, float dz, float* out);
/** Writes an nx x ny x nz matrix (nz 0 or 1: two axes) with uniform coordinates start + i * step
 *  on each axis. Does nothing when nx or ny is below 1 or nz below 0. */
TALVEX_API void SetMatrixC(const char* name, int nx, float x0, float dx, int ny, float y0, float dy,
                           int nz, float z0, float dz, const float* values);
/** Each axis's stored size, first coordinate and step; all 0 when the matrix cannot be read.
 *  Null pointers are skipped. */
TALVEX_API void GetMatrixInfoC(const char* name, int* nx, float* x0, float* dx, int* ny, float* y0,
                               float* dy, int* nz, float* z0, float* dz);

/** Writes a particle group of n particles (8 floats each) labelled with `geometry` (the
 *  values are stored as given). n < 0 counts as 0. */
TALVEX_API void SetPGroupC(const char* name, int n, int geometry, float headerA, float headerB,
                           const float* particles);
/** Adds n particles to the group's file (a missing file is written whole); the file's
 *  geometry and header values win. */
TALVEX_API void AppendPGroupC(const char* name, int n, int geometry, float headerA, float headerB,
                              const float* particles);
/** Reads at most `*n` particles from particle `start` into `out` (8 floats each) and sets `*n`
 *  to the number read. A negative `*n` reads all of them (size `out` from GetPGroupInfoC); a
 *  negative `start` reads from the first; `start` -77 also converts them to geometry 0. */
TALVEX_API void GetPGroupC(const char* name, int* n, int start, float* out);
/** The stored particle count, the geometry and the two header floats (0 when the group
 *  cannot be read). Null pointers are skipped. */
TALVEX_API void GetPGroupInfoC(const char* name, int* nOrig, int* geometry, float* headerA,
                               float* headerB);

/** Value of a scalar expression of the current shot; -3.3e38 when it has none. */
TALVEX_API float GetScalarDataC(const char* name);
/** Sets a scalar field of the current shot (or a time mark, for `<data>\t1` .. `t5`). */
TALVEX_API void SetScalarDataC(const char* name, float value);
/** With a capacity below 60: the value of `text` as one scalar expression, as text. From 60
 *  on: `text` with every "{expression}" replaced by its value. */
TALVEX_API void GetScalarDataSafeC(const char* text, int* len, char* out);
/** A text field of the current shot (empty when missing). */
TALVEX_API void GetStringDataC(const char* key, int* len, char* out);
/** Sets a text field of the current shot; an empty value removes it. */
TALVEX_API void SetStringDataC(const char* key, const char* value);
/** A system text: 0 program folder, 1 shot name, 2 shot folder, 3 experiment folder,
 *  4 per-user folder, 5 host file, 6 experiment name, 99 a test text; any other: empty. */
TALVEX_API void GetStringC(int which, int* len, char* out);
/** Writes the host file of the node list repeated to n names; returns n. */
TALVEX_API int GetNodesC(int n);
/** Sends a notification to the installed sink. */
TALVEX_API void NotifyC(int code, int value, const char* text);
/** Sleeps for that many milliseconds (none when negative). */
TALVEX_API void CSleep(int milliseconds);
/** Always 316: a check that the library is reached. */
TALVEX_API int TestFuncC(void);

/** A caller's receiver of the core's notifications: returns nonzero when it has handled the
 *  text, so that the sink it stands in front of does not also get it. `text` is valid only
 *  during the call. */
typedef int (*TalvexMessageHook)(int code, int value, const char* text, void* context);
/** Puts `hook` in front of the installed sink, so that a caller of another language learns
 *  the text of the messages (a null hook removes it again). Call it after InitializeTalvexC,
 *  which removes every sink. */
TALVEX_API void SetMessageHookC(TalvexMessageHook hook, void* context);

/** The calling thread's last failure, for the functions above that return no result: its code
 *  (the system's error number where one caused it, else 1; 0 when nothing failed since the
 *  last ClearLastFailureC) is the result, its message is text out as described above. */
TALVEX_API int GetLastFailureC(int* len, char* out);
/** Forgets the calling thread's last failure. */
TALVEX_API void ClearLastFailureC(void);

/* ---- Expressions, shot conditions and selection ----
 * Fault kinds returned by the checks: 0 none, 1 malformed syntax, 2 unknown function,
 * 3 unknown trace-parameter code, 4 unknown field, 5 unknown data object (4 and 5 only with an
 * experiment open: no shot of it holds the name, so the text may still be meant). */

/** Checks a scalar expression, names of fields and data objects against the current
 *  experiment when one is open. Returns 0 when nothing is wrong, else the kind of the first
 *  fault; `*position` gets its 0-based offset (-1 when none) and the message ("unknown
 *  trace-parameter code 'zz' at column 6 of 'vcap\zz'", with "; did you mean 'mx'?" when a
 *  close name exists) goes out as text (empty when nothing is wrong). Null pointers are skipped. */
TALVEX_API int CheckExpressionC(const char* expr, int* position, int* len, char* out);
/** CheckExpressionC for a shot condition (`A op B`, `&&`, `||`, `!`, parentheses, quoted
 *  texts, `~` wildcards). */
TALVEX_API int CheckConditionC(const char* condition, int* position, int* len, char* out);
/** The shots of the current experiment named by `spec` (a wildcard over shot names of the
 *  shot paths, a range A:B, or the name of a shot list of ShotLists; empty or "*": every shot)
 *  for which the condition `where` holds (empty: every shot), in set order, as one text of
 *  names each followed by '\n'. Returns the number of shots, or -1 when the condition is
 *  faulty or no experiment is open (the reason then is GetLastFailureC's message). A text cut
 *  to the capacity holds fewer lines than the count: call again with more room. The current
 *  shot is unchanged afterwards. */
TALVEX_API int SelectShotsC(const char* spec, const char* where, int* len, char* out);
/** The help text of the expression and condition language (as `talvex help expressions`). */
TALVEX_API void GetExpressionHelpC(int* len, char* out);

#ifdef __cplusplus
}
#endif

#endif
