// Per-folder name index of the POSIX path mapping (internal to the platform layer).
#ifndef TALVEX_NAMEINDEX_P_H
#define TALVEX_NAMEINDEX_P_H

#include "Posix_p.h"

#include <string>
#include <sys/stat.h>

namespace platform {
namespace posix {

// A folder's names are read once and kept, folded to lower case, with the folder's identity
// and write time: a lookup costs one stat of the folder however many entries it holds, and
// the folder is read again only when its write time shows that something changed. This
// process's own creates, renames and removes in a folder are patched into its names, and the
// write time they leave is taken as the new stamp when they end, so that writing many files
// into one folder does not read it again after each one. Other processes' changes are seen
// through the write time, except those made in the same folder during one of this process's
// runs of own changes (at most a second after the stamp was last found current).

/// True when the folder (a native path as the lookups write it) has an index.
bool HasFolderIndex(const std::string& folder);

enum class Lookup { Found, Missing, Unknown };

/// The real name of `name` in `folder`, whose stat the caller has just made: the exact name
/// when it exists, else its first case variant in search order. Unknown: the folder cannot be
/// read, or (onlyIfCurrent) its index is not current and the folder was not read.
Lookup LookupInFolder(const std::string& folder, const struct stat& folderStat,
                      const std::string& name, std::string& real, bool onlyIfCurrent = false);

/// True when the indexed folder lies on a local file system whose files removed while open
/// show no link left (false when unknown).
bool LinksAreLocal(const std::string& folder);

/// Patches one own change (a native path made or removed) into its folder's names.
void NoteOwnEntry(const std::string& nativePath, bool present);

/// Marks a folder (or the folder of a native path) as changed in ways not patched in.
void ForgetFolder(const std::string& folder);
void ForgetFolderOf(const std::string& nativePath);

/// Brackets a run of own changes (a writer lock held in the folder); the stamp is taken again
/// when the last run ends, or at once by EndOwnChanges(folder, false) outside any run.
void BeginOwnChanges(const std::string& folder);
void EndOwnChanges(const std::string& folder, bool ending);

/// Syncs an indexed folder through a descriptor kept open for it: true when done so (`ok` is
/// then the result of `sync`), false when the caller must open the folder itself.
bool SyncIndexedFolder(const std::string& folder, bool (*sync)(int fd), bool& ok);

} // namespace posix
} // namespace platform

#endif
