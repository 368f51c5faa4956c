// Helpers shared by the Win32 sources of the platform layer (not installed).
#ifndef TALVEX_WIN32_P_H
#define TALVEX_WIN32_P_H

#include "Matching_p.h"

#include <string>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// The platform layer has functions of these names; the system's own are called by their
// explicit "A" names.
#undef CopyFile
#undef LoadLibrary
#undef SetCurrentDirectory

namespace platform {
namespace win32 {

using text::EqualNoCase;
using text::HasJoker;
using text::SearchLess;

/// The separators the operating system itself splits paths at.
inline bool IsOsSep(char c)
{
    return c == '\\' || c == '/';
}

/// 100-nanosecond units between 1601-01-01 and 1970-01-01.
constexpr long long kEpochOffset = 116444736000000000LL;

inline long long Ticks(const FILETIME& t)
{
    return (long long)(((unsigned long long)t.dwHighDateTime << 32) | t.dwLowDateTime);
}

/// Seconds since 1970 of a file time, truncated.
inline long long UnixSeconds(const FILETIME& t)
{
    return (Ticks(t) - kEpochOffset) / 10000000LL;
}

/// File attributes of a path; INVALID_FILE_ATTRIBUTES when it does not exist.
inline DWORD Attributes(const std::string& path)
{
    return path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(path.c_str());
}

inline bool Exists(const std::string& path)
{
    return Attributes(path) != INVALID_FILE_ATTRIBUTES;
}

/// The text before the last separator, keeping a root's own separator ("C:\" of "C:\x", "\" of
/// "\x") and a drive ("C:" of "C:x"); empty for a bare name.
std::string ParentOf(const std::string& path);

/// The text after the last separator (after "C:" for a drive-relative path).
std::string NameOf(const std::string& path);

/// The absolute form of a path (GetFullPathNameA); empty on failure.
std::string FullPath(const std::string& path);

/// True for a path that names a root and no element below it: "C:", "C:\", "\", "\\srv\share".
bool IsRootOnly(const std::string& path);

/// folder + '\' + name, without doubling a separator.
std::string Join(const std::string& folder, const std::string& name);

} // namespace win32
} // namespace platform

#endif
