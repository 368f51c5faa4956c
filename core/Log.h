// The log file Log.txt in the per-user folder: one appended line per message.
#ifndef TALVEX_LOG_H
#define TALVEX_LOG_H

#include "DString.h"
#include "TalvexApi.h"

/// Appends `message`, " by " and the seconds since start-up ("%.2e") as one line of the log.
/// Tried 5 times, 10 ms apart; a line that cannot be written is dropped, as is every line
/// before start-up has fixed the per-user folder.
TALVEX_API void Log(const DString& message);

/// Deletes the log and starts it again with three header lines.
TALVEX_API void ClearLog();

#endif
