// LastFailure: the calling thread's last failure, for callers whose function has no result to carry
// it.
#ifndef TALVEX_LASTFAILURE_H
#define TALVEX_LASTFAILURE_H

#include "DString.h"
#include "TalvexApi.h"

/// Records a failure of the calling thread without telling anyone: `code` is the system's error
/// number where one caused it (ENOSPC, EACCES, ...), else 1 (0 counts as 1). Replaces the last one.
TALVEX_API void SetLastFailure(int code, DString const& message);

/// Records a failure (SetLastFailure), writes it to the log and sends it to the message sinks.
TALVEX_API void ReportFailure(int code, DString const& message);

/// The calling thread's last failure: its code (0 when none since the last ClearLastFailure)
/// and, when `message` is given, its text (empty when none).
TALVEX_API int GetLastFailure(DString* message = nullptr);

/// Forgets the calling thread's last failure.
TALVEX_API void ClearLastFailure();

#endif
