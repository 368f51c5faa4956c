// Helpers shared by the POSIX sources of the platform layer (not installed).
#ifndef TALVEX_POSIX_P_H
#define TALVEX_POSIX_P_H

#include <string>

namespace platform {
namespace posix {

inline bool IsSep(char c) { return c == '\\' || c == '/'; }

inline char Lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }
inline char Upper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

/// Equality ignoring ASCII case.
bool EqualNoCase(const std::string& a, const std::string& b);

/// Search order: case-insensitive (lower-case) byte order, then plain byte order.
bool SearchLess(const std::string& a, const std::string& b);

/// folder + '/' + name, without doubling a '/' and with an empty folder giving `name`.
std::string JoinNative(const std::string& folder, const std::string& name);

/// The file a replacement of `path` must land on: the end of its chain of symbolic links.
std::string FinalTarget(const std::string& path);

/// At most `limit` bytes of a file (devices and /proc files included); false when unreadable.
bool ReadCapped(const std::string& path, std::size_t limit, std::string& out);

} // namespace posix
} // namespace platform

#endif
