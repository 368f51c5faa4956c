// Path text: joining, splitting and testing paths, and the one path comparison of the system.
#include "Paths.h"
#include "Platform.h"

#include <string>
#include <vector>

namespace {

// Separators of the path rules: only '\' on Windows.
bool IsSep(char c)
{
    return platform::IsPathSeparator(c);
}

// Comparisons take '\' and '/' as the same character everywhere: the system itself does.
bool IsAnySep(char c)
{
    return c == '\\' || c == '/';
}

char Lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool IsWindowsStyle(char const* p, int n)
{
    if (platform::kWindows)
        return true;
    if (n >= 2 && p[0] == '\\' && p[1] == '\\')
        return true;
    if (n >= 2 && p[1] == ':')
        return true;
    bool back = false, slash = false;
    for (int i = 0; i < n; ++i) {
        back = back || p[i] == '\\';
        slash = slash || p[i] == '/';
    }
    return back && !slash;
}

DString WithSeparator(DString const& s, char from, char to)
{
    DString r(s);
    if (s.Find(from) == int(npos))
        return r;
    char* p = r.GetBuffer(s.Len());
    for (int i = 0; i < s.Len(); ++i)
        if (p[i] == from)
            p[i] = to;
    return r;
}

// A path taken apart for comparison: how it starts and where its elements are.
struct PathShape {
    int lead = 0;                           // leading separators: 0, 1 or 2 (two or more)
    std::vector<std::pair<int, int>> elems; // start, length
};

PathShape Shape(DString const& s)
{
    PathShape shape;
    char const* p = s.c_str();
    int n = s.Len(), i = 0;
    while (i < n && IsAnySep(p[i]))
        ++i;
    shape.lead = i > 2 ? 2 : i;
    while (i < n) {
        int start = i;
        while (i < n && !IsAnySep(p[i]))
            ++i;
        shape.elems.push_back({start, i - start});
        while (i < n && IsAnySep(p[i]))
            ++i;
    }
    return shape;
}

bool SameElement(char const* a, std::pair<int, int> ea, char const* b, std::pair<int, int> eb)
{
    if (ea.second != eb.second)
        return false;
    for (int i = 0; i < ea.second; ++i)
        if (Lower(a[ea.first + i]) != Lower(b[eb.first + i]))
            return false;
    return true;
}

// Number of path elements prefix matches at the start of path; -1 when it is no prefix.
int MatchedElements(DString const& path, DString const& prefix, PathShape& ps)
{
    if (!prefix)
        return -1;
    ps = Shape(path);
    PathShape qs = Shape(prefix);
    if (ps.lead != qs.lead || qs.elems.size() > ps.elems.size())
        return -1;
    for (std::size_t i = 0; i < qs.elems.size(); ++i)
        if (!SameElement(path.c_str(), ps.elems[i], prefix.c_str(), qs.elems[i]))
            return -1;
    return int(qs.elems.size());
}

} // namespace

DString AppendPathElts(DString const& a, DString const& b)
{
    if (!a)
        return b;
    if (!b)
        return a;
    if (platform::kWindows) // a + '\' + b exactly
        return DString(a) << '\\' << b;
    bool windows = IsWindowsStyle(a.c_str(), a.Len());
    char sep = windows ? '\\' : '/';
    DString r(a);
    r << sep << WithSeparator(b, windows ? '/' : '\\', sep);
    return r;
}

DString AppendPathElts(DString const& a, DString const& b, DString const& c)
{
    return AppendPathElts(AppendPathElts(a, b), c);
}

DString AppendPathElts(DString const& a, DString const& b, DString const& c, DString const& d)
{
    return AppendPathElts(AppendPathElts(a, b, c), d);
}

DString AppendPathElts(DString const& a, DString const& b, DString const& c, DString const& d,
                       DString const& e)
{
    return AppendPathElts(AppendPathElts(a, b, c, d), e);
}

void SplitPathElts(DString const& path, DString& folder, DString& name)
{
    int i = path.Len();
    while (i > 0 && !IsSep(path[i - 1]))
        --i;
    DString whole(path); // path may be folder or name itself
    folder = i > 0 ? whole.Left(i - 1) : DString();
    name = whole.Mid(i);
}

bool IsFullQual(DString const& path)
{
    char const* p = path.c_str();
    int n = path.Len();
    return (n >= 2 && p[0] == '\\' && p[1] == '\\') || (n >= 2 && p[1] == ':')
           || (!platform::kWindows && n >= 1 && p[0] == '/');
}

DString TranslateFileName(DString const& path)
{
    return platform::kWindows ? WithSeparator(path, '/', '\\') : WithSeparator(path, '\\', '/');
}

bool IsWindowsStylePath(DString const& path)
{
    return IsWindowsStyle(path.c_str(), path.Len());
}

bool PathsEqual(DString const& a, DString const& b)
{
    if (!a || !b)
        return !a && !b;
    PathShape as;
    return MatchedElements(a, b, as) == int(as.elems.size());
}

bool PathStartsWith(DString const& path, DString const& prefix)
{
    PathShape ps;
    return MatchedElements(path, prefix, ps) >= 0;
}

bool PathAfterPrefix(DString const& path, DString const& prefix, DString& rest)
{
    PathShape ps;
    int n = MatchedElements(path, prefix, ps);
    if (n < 0)
        return false;
    rest = std::size_t(n) < ps.elems.size() ? path.Mid(ps.elems[std::size_t(n)].first) : DString();
    return true;
}
