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

/* ---- Experiment handles ---------------------------------------------------------------------
 * The functions below act on an experiment handle from OpenExperimentC instead of the global
 * experiment, so several experiments may be open at once; they do not need InitializeTalvexC.
 * A shot is named by its name alone (the current shot path is tried first, then the others);
 * data names are those of the shot (`probe`, `grid.dmt`: a known extension .wvf, .dmt, .dpt or
 * .dgm picks the kind and is not part of the file's stem).
 * Results: -1 is a failure, whose message GetLastFailureC gives (a bad handle, no such shot, a
 * refused name, a failed write; a shot that does not exist has code 2 and a message beginning
 * "no shot "); 0 is "no such data object" or "no value" where a function says
 * so. Lists are text out of records separated by '\n' (each record ends with one), the fields of
 * a record by '\t'; their result is the full length of the text, so a call with a null `out`
 * learns the capacity it needs (the text is cut to the capacity as always).
 * Samples read through these functions come back with the invalid value (-3.3e38, and any
 * other value outside +-9.9e34) replaced by NaN; NaN written is stored as the invalid value.
 * Header texts are "key=value" records, one per line.
 */

/** The library's version ("major.minor.patch"); static text, never freed. */
TALVEX_API const char* GetVersionC(void);
/** Opens the experiment folder (a folder with a Shots folder or a <name>.ini settings file).
 *  With create 0 a folder that is not an experiment gives null and a recorded failure, and
 *  nothing is created; with create nonzero the folder (and its parents) are made when needed.
 *  Release the handle with CloseExperimentC. */
TALVEX_API void* OpenExperimentC(const char* folder, int create);
/** Releases a handle (null and closed handles are ignored). */
TALVEX_API void CloseExperimentC(void* exp);

/** The shots of a set as records "name\tgroup\tdate\tcomment" (date and comment are the shot's
 *  Date and Comment fields). The set: list file `list` when not empty; else `spec`: a range
 *  "A:B", or a wildcard over the shot names of every shot path (empty: all shots). A
 *  non-empty `where` keeps the shots for which that condition holds. Result: the full length,
 *  -1 for a malformed condition. */
TALVEX_API int ListShotsHC(void* exp, const char* spec, const char* list, const char* where,
                           int* len, char* out);
/** Creates a shot (its Date field set, Comment when comment is not empty) and copies the name
 *  made to out; "*" makes the next number (highest trailing number of any shot + 1, in that
 *  shot's prefix and width; "1" for the first). 1, or -1 when it exists or cannot be made. */
TALVEX_API int CreateShotHC(void* exp, const char* name, const char* comment, int* len, char* out);
/** Renames a shot; 1, or -1 (nothing changed) when `to` exists or the folder cannot move. */
TALVEX_API int RenameShotHC(void* exp, const char* from, const char* to);
/** Deletes a shot's folder with everything in it, permanently. 1 or -1. */
TALVEX_API int DeleteShotHC(void* exp, const char* name);
/** Copies a shot into a new folder below the experiment's backup folder and gives that
 *  folder as text out. 1 or -1. */
TALVEX_API int BackupShotHC(void* exp, const char* name, int* len, char* out);

/** A shot's fields as records "key=value". Result: the full length, or -1. */
TALVEX_API int ListFieldsHC(void* exp, const char* shot, int* len, char* out);
/** One field's text (empty when the shot has no such field). Result: its full length, or -1. */
TALVEX_API int GetFieldHC(void* exp, const char* shot, const char* key, int* len, char* out);
/** Sets a field (one line of text; an empty value removes it), confirmed by reading the file
 *  back. 1, or -1 for a refused key or value or a write that did not land. */
TALVEX_API int SetFieldHC(void* exp, const char* shot, const char* key, const char* value);
/** Sets several fields at once from records "key=value" (values as SetFieldHC takes them),
 *  writing the field files once; confirmed by reading the file back. 1 or -1. */
TALVEX_API int SetFieldsHC(void* exp, const char* shot, const char* records);
/** A shot's data objects as records "name\tkind", kind one of waveform, matrix, particles,
 *  geometry; waveforms are named without their extension, the others with it. Result: the full
 *  length, or -1. */
TALVEX_API int ListDataHC(void* exp, const char* shot, int* len, char* out);
/** Kind of the data object a name stands for: 1 waveform, 2 matrix, 3 particle group,
 *  4 geometry (a name without extension: the first of these that exists); 0 none; -1. */
TALVEX_API int DataKindHC(void* exp, const char* shot, const char* name);

/** A waveform's stored point count, first sample time, step and header. 1; 0 when there is no
 *  such waveform; -1. Null pointers are skipped. */
TALVEX_API int WaveformInfoHC(void* exp, const char* shot, const char* name, int* n, float* start,
                              float* step, int* len, char* header);
/** Copies at most n samples of a waveform to out. Result: the waveform's point count, or -1. */
TALVEX_API int ReadWaveformHC(void* exp, const char* shot, const char* name, int n, float* out);
/** Writes a waveform of n samples from `start` at `step`; header records description, note and
 *  t1..t5 are stored with it (others are computed by the library). 1 or -1. */
TALVEX_API int WriteWaveformHC(void* exp, const char* shot, const char* name, int n, float start,
                               float step, const float* values, const char* header);
/** A matrix's three axis sizes (the third 1 for a matrix of two axes) into sizes[3], and its
 *  header. 1; 0 when there is no such matrix; -1. */
TALVEX_API int MatrixInfoHC(void* exp, const char* shot, const char* name, int* sizes, int* len,
                            char* header);
/** Copies a matrix of exactly sizes[0..2]: the values (first index fastest) and, when coords is
 *  not null, the coordinates of the three axes one after the other (sizes[0] + sizes[1] +
 *  sizes[2] floats). 1, or -1 (also when the sizes differ). */
TALVEX_API int ReadMatrixHC(void* exp, const char* shot, const char* name, const int* sizes,
                            float* values, float* coords);
/** Writes a matrix of sizes[0..2] (sizes[2] 1: two axes) from its values (first index fastest)
 *  and its axes' coordinates laid out as ReadMatrixHC gives them (null: 0, 1, 2, ...); evenly
 *  spaced coordinates are stored as a step. Header records name1, name2, t1..t5. 1 or -1. */
TALVEX_API int WriteMatrixHC(void* exp, const char* shot, const char* name, const int* sizes,
                             const float* values, const float* coords, const char* header);
/** A particle group's stored count, geometry, two header floats and header. 1; 0 when there is
 *  no such group; -1. */
TALVEX_API int PGroupInfoHC(void* exp, const char* shot, const char* name, int* n, int* geometry,
                            float* headerA, float* headerB, int* len, char* header);
/** Reads at most *n particles from the first (8 floats each, as stored) and sets *n to the
 *  number read. 1 or -1. */
TALVEX_API int ReadPGroupHC(void* exp, const char* shot, const char* name, int* n, float* out);
/** Writes (append 0) or appends to (append nonzero; the file's geometry and header win) a
 *  particle group of n particles. 1 or -1. */
TALVEX_API int WritePGroupHC(void* exp, const char* shot, const char* name, int n, int geometry,
                             float headerA, float headerB, const float* particles, int append);

/** The value of an expression for a shot into *value: 1 when it has a valid value, 0 when it
 *  has none (*value is then -3.3e38), -1. */
TALVEX_API int EvaluateHC(void* exp, const char* shot, const char* expr, float* value);
/** Checks an expression against the experiment. 0 when nothing is wrong; else the fault's kind
 *  (1 malformed, 2 unknown function, 3 unknown trace-parameter code: the text is unusable;
 *  4 unknown field, 5 unknown data object: it may still exist for some shot), its 0-based
 *  offset in *position (-1 when none), and as text out three lines: the offending text, a
 *  message for a person, a suggested name (may be empty). -1 for a bad handle. */
TALVEX_API int CheckExpressionHC(void* exp, const char* expr, int* position, int* len, char* out);
/** As CheckExpressionHC for a shot condition (the `where` of ListShotsHC). */
TALVEX_API int CheckConditionHC(void* exp, const char* condition, int* position, int* len,
                                char* out);

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
