// Helpers shared by the POSIX sources of the platform layer (not installed).
#ifndef TALVEX_POSIX_P_H
#define TALVEX_POSIX_P_H

#include "Matching_p.h"

#include <string>
#include <sys/stat.h>

namespace platform {
namespace posix {

using text::EqualNoCase;
using text::HasJoker;
using text::Lower;
using text::SearchLess;
using text::Upper;

inline bool IsSep(char c)
{
    return c == '\\' || c == '/';
}

/// folder + '/' + name, without doubling a '/' and with an empty folder giving `name`.
std::string JoinNative(const std::string& folder, const std::string& name);

/// The file a replacement of `path` must land on: the end of its chain of symbolic links.
std::string FinalTarget(const std::string& path);

/// What AcquireWriterLock saw of `nativeTarget` (not a symbolic link) once its lock was held,
/// given out once: false when it saw nothing of that path since.
bool TakeSeenUnderLock(const std::string& nativeTarget, bool& exists, struct stat& st);

/// Drops what TakeSeenUnderLock would give: this process changed a folder.
void ForgetSeen();

/// At most `limit` bytes of a file (devices and /proc files included); false when unreadable.
bool ReadCapped(const std::string& path, std::size_t limit, std::string& out);

} // namespace posix
} // namespace platform

#endif
