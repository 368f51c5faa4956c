// Text rules that every platform implementation shares: letter case, search order, wildcards.
#include "Matching_p.h"
#include "Platform.h"

#include <algorithm>

namespace platform {

namespace text {

bool EqualNoCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    return true;
}

bool SearchLess(const std::string& a, const std::string& b)
{
    std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char x = (unsigned char)Lower(a[i]), y = (unsigned char)Lower(b[i]);
        if (x != y)
            return x < y;
    }
    if (a.size() != b.size())
        return a.size() < b.size();
    return a < b;
}

} // namespace text

namespace {

using text::Lower;

bool GlobMatch(const std::string& pat, std::size_t patEnd, const std::string& name)
{
    std::size_t p = 0, s = 0, starP = std::string::npos, starS = 0;
    while (s < name.size()) {
        if (p < patEnd && pat[p] == '*') {
            starP = p++;
            starS = s;
        } else if (p < patEnd && (pat[p] == '?' || Lower(pat[p]) == Lower(name[s]))) {
            ++p;
            ++s;
        } else if (starP != std::string::npos) {
            p = starP + 1;
            s = ++starS;
        } else {
            return false;
        }
    }
    while (p < patEnd && pat[p] == '*')
        ++p;
    return p == patEnd;
}

// The operating system's own separators, which a directory search splits at.
bool IsOsSep(char c)
{
    return c == '\\' || c == '/';
}

} // namespace

bool WildcardMatch(const std::string& pattern, const std::string& name)
{
    if (GlobMatch(pattern, pattern.size(), name))
        return true;
    // A final ".*" also matches where the name ends ("*.*" matches every name).
    std::size_t n = pattern.size();
    return n >= 2 && pattern.compare(n - 2, 2, ".*") == 0 && GlobMatch(pattern, n - 2, name);
}

bool HasWildcard(const std::string& path)
{
    std::size_t i = path.size();
    while (i > 0 && !IsOsSep(path[i - 1]))
        --i;
    return text::HasJoker(path.substr(i));
}

} // namespace platform
