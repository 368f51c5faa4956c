// Start-up of the core: program, per-user and working folders, the program settings file and
// the process-wide flags.
#ifndef TALVEX_CORE_H
#define TALVEX_CORE_H

#include "DIni.h"
#include "DString.h"
#include "TalvexApi.h"

/// The program settings file Talvex.ini in the per-user folder (no file while `Silent`).
TALVEX_API extern DIni StIni;
/// Verbose tracing: callers add extra log lines when set. Cleared by CoreInit.
TALVEX_API extern bool Logging;
/// No settings file and no per-user folder; set before CoreInit, kept across it.
TALVEX_API extern bool Silent;
/// Value of PublicWriteAccess in section Preferences of the settings file.
TALVEX_API extern bool PublicWrite;

/// Starts the core: clears the sinks and `Logging`, starts the clock, reads the computer
/// name, then fixes the folders (SetTalvexPath). May be called again.
TALVEX_API void CoreInit(const DString& programFolder);

/// Sets the program folder: empty gives the running program's folder, a relative name is
/// taken under the current directory, an absolute one is kept; then calls SetUserPath.
TALVEX_API void SetTalvexPath(const DString& folder);
/// The program folder, without a trailing separator.
TALVEX_API DString GetTalvexPath();

/// Fixes the per-user folder and, unless `Silent`, creates it, opens Talvex.ini there (written
/// with its first-start keys when new) and reads the working folder and `PublicWrite`.
TALVEX_API void SetUserPath();
/// The per-user settings folder (ends in "Talvex").
TALVEX_API DString GetUserPath();
/// The working folder; empty until a settings file gave one.
TALVEX_API DString GetWorkingPath();
/// The per-user settings folder, computed afresh from the platform.
TALVEX_API DString GetLocalSettingsPath();

/// Value of `key` in section DefaultPaths of the settings file; empty when absent.
TALVEX_API DString GetDefaultPath(const DString& key);
/// Sets `key` in section DefaultPaths of the settings file (written unless writes are held).
TALVEX_API void SetDefaultPath(const DString& key, const DString& value);

#endif
