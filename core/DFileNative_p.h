// DFile entry points for callers that have resolved their path already (internal).
#ifndef TALVEX_DFILENATIVE_P_H
#define TALVEX_DFILENATIVE_P_H

#include "DFile.h"

#include <string>

/// DFile::Open for a native path that the caller resolved once for the whole operation (a
/// WriterLock's), so that it is not looked up again.
bool OpenResolved(DFile& f, const std::string& native, int flags);

/// True when a create/truncate stream replaces a file that existed when it was opened.
bool ReplacesExisting(const DFile& f);

/// Closes a create/truncate stream without replacing its target, quietly: the caller reports.
void Abandon(DFile& f);

#endif
