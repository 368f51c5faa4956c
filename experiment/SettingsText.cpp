// SettingsText: section and key lookups in a settings file's text, as DIni parses it.
#include "SettingsText_p.h"
#include "Experiment_p.h"
#include "DFile.h"

#include <cstring>

namespace {

char Fold(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

std::string Folded(char const* p, int n)
{
    std::string key(p, std::size_t(n));
    for (char& c : key)
        c = Fold(c);
    return key;
}

/// End of the line starting at `start`: its LF, or the end of the text.
int LineEnd(char const* p, int n, int start)
{
    void const* lf = std::memchr(p + start, '\n', std::size_t(n - start));
    return lf ? int(static_cast<char const*>(lf) - p) : n;
}

/// Length of a line without its one trailing CR.
int ContentLength(char const* p, int start, int end)
{
    return end > start && p[end - 1] == '\r' ? end - start - 1 : end - start;
}

} // namespace

namespace expt {

void SettingsText::Read(DString const& path)
{
    text = DFile::GetText(path);
    indexed = false;
    sections.clear();
}

// A header is a line starting with '['; its name runs to the last ']' on the line (or to its
// end without one), as DIni takes it.
void SettingsText::Index()
{
    indexed = true;
    char const* p = text.c_str();
    int const n = text.Len();
    Range* open = nullptr;
    for (int start = 0; start < n;) {
        int const end = LineEnd(p, n, start);
        if (p[start] == '[') {
            int const len = ContentLength(p, start, end);
            int close = len;
            while (close > 1 && p[start + close - 1] != ']')
                --close;
            int const nameLen = close > 1 ? close - 2 : len - 1;
            if (open)
                open->end = start;
            Range body;
            body.begin = body.end = end < n ? end + 1 : n;
            auto placed = sections.emplace(Folded(p + start + 1, nameLen), body);
            open = placed.second ? &placed.first->second : nullptr;
        }
        start = end + 1;
    }
    if (open)
        open->end = n;
}

void SettingsText::Take(DString const& given)
{
    text = given;
    indexed = false;
    sections.clear();
}

bool SettingsText::Find(DString const& section, Range& at)
{
    if (!indexed)
        Index();
    auto const found = sections.find(Folded(section.c_str(), section.Len()));
    if (found == sections.end())
        return false;
    at = found->second;
    return true;
}

DString SettingsText::Value(Range const& at, DString const& key) const
{
    int const keyLen = key.Len();
    if (keyLen > 0 && key[0] == ';')
        return DString();
    char const* p = text.c_str();
    char const* k = key.c_str();
    for (int start = at.begin; start < at.end;) {
        int const end = LineEnd(p, at.end, start);
        int const len = ContentLength(p, start, end);
        bool same = len > keyLen && p[start + keyLen] == '=';
        for (int i = 0; same && i < keyLen; ++i)
            same = Fold(p[start + i]) == Fold(k[i]);
        if (same)
            return DString(p + start + keyLen + 1, len - keyLen - 1);
        start = end + 1;
    }
    return DString();
}

DString SettingsText::Field(Range const& at, DString const& name) const
{
    int const split = name.Find("::");
    if (split == kNotFound)
        return Value(at, name);
    DString const first = Value(at, name.Left(split));
    return ~first ? first : Value(at, name.Mid(split + 2));
}

} // namespace expt
