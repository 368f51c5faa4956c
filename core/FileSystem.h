// Files and folders on disk: lookups, listings, dates, copying, deleting, renaming, the current
// directory, the computer name and the network (UNC) form of paths.
#ifndef TALVEX_FILESYSTEM_H
#define TALVEX_FILESYSTEM_H

#include "DArray.h"
#include "DString.h"
#include "DStringArray.h"
#include "TalvexApi.h"

// Paths are in the callers' syntax: Windows syntax (drive letters through section "Drives" of
// the program settings file, \\server\share through the share and mount tables) or native
// paths. A name is looked up as Windows does: when it does not exist exactly, a variant
// differing in ASCII case is used (the first in case-insensitive order). Wildcards '*' and '?'
// ignore case; "*.*" matches every name. "Search order" is case-insensitive name order. Every
// function reports failure by its result only.

/// This computer's network name; empty until SetComputerNameD.
extern TALVEX_API DString ComputerName;

/// True when the first match of path (wildcards allowed) is a file, or is a folder and a
/// second match is a file. On true, path is rewritten to the matched file with every element
/// in its real letter case (the caller's separators kept); on false it is unchanged.
TALVEX_API bool FileExists(DString& path);

/// True when the first match is a folder (path rewritten to it). When the first match is a
/// file and a second match exists, path is rewritten to the second match and the result is
/// whether it is a folder. A trailing separator is allowed.
TALVEX_API bool FolderExists(DString& path);

/// Last-write time of the first match, seconds since 1970; 0 when nothing matches.
TALVEX_API __int64 FileDate(DString const& path);

/// Low 32 bits of the size of the first match; 0 when nothing matches.
TALVEX_API int GetFileLen(DString const& path);

/// Appends the names (no folder) of the files matching pattern, leaving out names beginning
/// with '.', then sorts the whole list case-insensitively; clear empties it first. Always true.
TALVEX_API bool GetFiles(DString const& pattern, DStringArray& names, bool clear = true);

/// As GetFiles for folders, appended in search order without sorting. Always true.
TALVEX_API bool GetFolders(DString const& pattern, DStringArray& names, bool clear = true);

/// Empties the three lists, then appends for every matching file (not beginning with '.'), in
/// search order, its name, its creation time and its last-write time (seconds since 1970;
/// the creation time is the last status change where the file system keeps no birth time).
/// Always true.
TALVEX_API bool GetFilesDates(DString const& pattern, DStringArray& names,
                              DArray<__int64, 0>& created, DArray<__int64, 0>& modified);

/// The process's current directory (native).
TALVEX_API DString GetCurrentDirectoryD();
TALVEX_API bool SetCurrentDirectoryD(DString const& path);

/// Sets ComputerName from the system's host name (up to its first '.', at most 256 chars).
TALVEX_API void SetComputerNameD();
/// A copy of ComputerName.
TALVEX_API DString GetComputerNameD();

/// Creates the folder and every missing parent. True when the folder exists afterwards; a
/// path without any separator gives false (unless it already exists).
TALVEX_API bool CreateFolder(DString const& path);

/// Copies one file over `to` (its folder is created), or, when the last element of `from`
/// holds a wildcard, every matching file (no folders) into the folder `to`. The target is
/// replaced atomically and keeps the source's last-write time. True when everything was
/// copied; false when nothing matches.
TALVEX_API bool CopyFileD(DString const& from, DString const& to);

/// Creates `to`, then copies everything inside `from` into it (sub-folders included),
/// overwriting files. False on any failure and when `to` lies inside `from`.
TALVEX_API bool CopyFolder(DString const& from, DString const& to);

/// Deletes the file, or every file matching a wildcard (folders are never deleted). True
/// when everything matched was deleted; false when nothing matches.
TALVEX_API bool DeleteFileD(DString const& path);

/// Deletes the folder with all its contents, permanently; symbolic links inside are removed,
/// never followed. A root (a drive, a share, "/") and "." or ".." are refused.
TALVEX_API bool DeleteFolder(DString const& path);

/// Renames or moves a file (or folder); never replaces an existing `to`. A change of letter
/// case only is allowed. True on success.
TALVEX_API bool RenameFile(DString const& from, DString const& to);

/// As RenameFile; false when `from` is not a folder.
TALVEX_API bool RenameFolder(DString const& from, DString const& to);

/// The network form of a path: a drive or folder on a mounted network share gives
/// \\server\share\rest; a folder under one of this computer's shares gives
/// \\<computer>\<share>\rest (the longest matching share folder, whole elements only). Any
/// other path (network paths and relative paths included) is returned unchanged.
TALVEX_API DString GetUNCFileName(DString const& path);

/// The local form of \\<this computer>\<share>\rest: the share's folder joined with rest in
/// the folder's style. Paths of other servers, and paths whose share is unknown (or whose
/// share table cannot be read), are returned unchanged.
TALVEX_API DString GetLocalFileName(DString const& path);

#endif
