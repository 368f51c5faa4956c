// The test-only switch that makes one chosen call of the platform layer's file I/O fail.
#ifndef TALVEX_FAULTINJECTION_H
#define TALVEX_FAULTINJECTION_H

#include "TalvexApi.h"

// For storage tests only: nothing in the library arms it. A test counts the calls a writer
// makes (Arm(0, ...)), then runs the writer once per call k with the k-th call failing, and
// checks that each run reports the failure and keeps the old file. Outside a test the switch
// can be armed through the environment, read once at the first counted call:
// TALVEX_FAULT_AT=k and TALVEX_FAULT_ERROR=ENOSPC|EIO|EACCES (or a number; default EIO).
namespace platform {
namespace fault {

/// The kinds of counted call; a mask of them chooses which calls are counted.
enum Op {
    Open = 1,      ///< opening a file (any mode) or creating a temporary file
    Write = 2,     ///< writing or flushing a stream, copying bytes
    Sync = 4,      ///< fsync of a file or a folder (FlushFileBuffers on Windows)
    Rename = 8,    ///< renaming, committing a temporary file
    MakeDir = 16,  ///< creating a folder
    Truncate = 32, ///< cutting a file back
    Close = 64,    ///< closing a written stream
    All = 127
};

/// Counts the calls of the kinds in `ops` from now on and makes the k-th of them (1-based) fail
/// with `error` (an errno value: ENOSPC, EIO, EACCES; the Windows build maps it to the matching
/// system error). k = 0 only counts.
TALVEX_API void Arm(int k, int error, int ops = All);

/// Stops counting and failing.
TALVEX_API void Disarm();

/// Calls counted since the last Arm.
TALVEX_API int Calls();

/// Internal (the exported calls above are built on these, in the library only): Set arms as
/// Arm does (ops 0: off), Count gives Calls.
void Set(int k, int error, int ops);
int Count();

/// Internal: true, with the error set (errno / the Windows last error), when this call is the
/// one to fail.
bool Fail(Op op);

} // namespace fault
} // namespace platform

#endif
