// Loading of plug-in modules: entry points by name, the "SvInit" handshake and the module table.
#ifndef TALVEX_MODULES_H
#define TALVEX_MODULES_H

#include "DNotify.h"
#include "DString.h"
#include "TalvexApi.h"

/// The entry point "SvInit" that every plug-in module exports with C linkage. The module
/// stores its own sink in `moduleSink` (it keeps ownership) and returns true when ready.
typedef bool (*SvInitProc)(int mode, DNotify* hostSink, DNotify*& moduleSink);

/// Value of GetProc's `flags` that loads the module's file name as given, with no extension.
const int ModuleNoExtension = 8;

/// Loads `<folder>\<module>` plus the platform's module extension (".so" here; none with
/// flag 8) and returns the address of `symbol`. On failure returns null, sets `ok` to false
/// (it is never set to true) and reports through Message and Log. A successful call records
/// the module in the module table; a module whose symbol is missing stays loaded unrecorded.
TALVEX_API void* GetProc(const DString& folder, const DString& module, const char* symbol, bool& ok,
                         int flags = 0);

/// Loads the module `modulePath` (relative to the program folder, GetTalvexPath()) and calls
/// its "SvInit". False when the module or its entry point is missing, when "SvInit" returns
/// false, or when it hands back no sink.
TALVEX_API bool DLLConnect(const DString& modulePath, int mode, DNotify* hostSink,
                           DNotify*& moduleSink);

/// Releases every module of the table, first to last, and empties it. Sinks obtained from
/// those modules must not be used afterwards.
TALVEX_API void UnloadModules();

#endif
