// Text rules that every platform implementation shares: letter case, search order, wildcards.
#ifndef TALVEX_MATCHING_P_H
#define TALVEX_MATCHING_P_H

#include <string>

namespace platform {
namespace text {

inline char Lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}
inline char Upper(char c)
{
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}

/// Equality ignoring ASCII case.
bool EqualNoCase(const std::string& a, const std::string& b);

/// Search order: case-insensitive (lower-case) byte order, then plain byte order.
bool SearchLess(const std::string& a, const std::string& b);

/// True when the text holds '*' or '?'.
inline bool HasJoker(const std::string& s)
{
    return s.find_first_of("*?") != std::string::npos;
}

} // namespace text
} // namespace platform

#endif
