// DStringArray: splitting text into fields and tables, joining, sorting and lookup.
#include "DStringArray.h"

#include <climits>
#include <cstring>
#include <new>
#include <string_view>
#include <utility>

template class DArray<DString, true>;

namespace {

int foldAscii(unsigned char c)
{
    return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
}

// qsort comparison of two DString elements in ASCII-folded (lower case) byte order.
int compareFolded(void const* a, void const* b)
{
    auto const* p = reinterpret_cast<unsigned char const*>(static_cast<DString const*>(a)->c_str());
    auto const* q = reinterpret_cast<unsigned char const*>(static_cast<DString const*>(b)->c_str());
    for (;; ++p, ++q) {
        int const d = foldAscii(*p) - foldAscii(*q);
        if (d != 0 || *p == 0)
            return d;
    }
}

std::string_view view(DString const& s)
{
    return std::string_view(s.c_str(), size_t(s.Len()));
}

} // namespace

DStringArray::DStringArray(DString const& text, char const* delim, int n)
{
    split(text, delim, n);
}

DStringArray::~DStringArray() = default;

void DStringArray::Append(DStringArray const& other)
{
    Insert(other.Data(), Count(), other.Count());
}

void DStringArray::Sort(int (*cmp)(void const*, void const*))
{
    DArray::Sort(cmp ? cmp : compareFolded);
}

// Splitting. Each public operation builds its result aside and then takes it over, so that
// the text, the delimiter or the lines may live inside this very array.

void DStringArray::Split(DString const& text, char const* delim, int n)
{
    DStringArray fields;
    fields.split(text, delim, n);
    *this = std::move(fields);
}

void DStringArray::Split2D(DString const& text, char const* delim, int ncols)
{
    DStringArray lines;
    lines.split(text, LDelim, 0);
    Split1Dto2D(lines, delim, ncols);
}

void DStringArray::Split1Dto2D(DStringArray const& lines, char const* delim, int ncols)
{
    int const nlines = lines.Count();
    DStringArray fields;
    int width = ncols;
    if (width < 0) {
        width = 0;
        for (int i = 0; i < nlines && i < 100; ++i) {
            fields.ReSize(0);
            fields.split(lines[i], delim, 0);
            if (fields.Count() > width)
                width = fields.Count();
        }
    }

    DStringArray table(width < 1 ? 1 : width, nlines);
    for (int row = 0; row < nlines; ++row) {
        fields.ReSize(0);
        fields.split(lines[row], delim, width);
        for (int col = 0; col < width; ++col)
            table(col, row) = fields[col];
    }
    *this = std::move(table);
}

void DStringArray::MakeTable(DArray<DStringArray, true>& table, char const* delim, int n) const
{
    DArray<DStringArray, true> result(Count());
    for (int i = 0; i < Count(); ++i)
        result[i].split((*this)[i], delim, n);
    table = std::move(result);
}

// Appends the fields of text to this one-column array, then pads it to n elements.
void DStringArray::split(DString const& text, char const* delim, int n)
{
    assert(CCount() == 1 && "DStringArray::split needs a one-column array");
    if (n > 0)
        Reserve(n);
    if (!text && n < 1)
        return;
    if (!delim || !*delim) {
        if (~text)
            addField(text, 0, text.Len());
    } else if (delim[0] == ' ' && delim[1] == 0) {
        splitSpaces(text);
    } else {
        // The line rule belongs to the LDelim pointer only, not to any other "\r\n" text.
        splitAt(text, delim, delim == LDelim);
    }
    if (Count() < n)
        ReSize(n);
}

void DStringArray::splitSpaces(DString const& text)
{
    std::string_view const s = view(text);
    size_t pos = s.find_first_not_of(' ');
    while (pos != std::string_view::npos) {
        size_t end = s.find(' ', pos);
        if (end == std::string_view::npos)
            end = s.size();
        addField(text, int(pos), int(end - pos));
        pos = s.find_first_not_of(' ', end);
    }
}

void DStringArray::splitAt(DString const& text, char const* delim, bool lines)
{
    std::string_view const s = view(text);
    std::string_view const sep = lines ? std::string_view("\n") : std::string_view(delim);
    size_t pos = 0;
    while (pos < s.size()) {
        size_t const hit = s.find(sep, pos);
        size_t const end = hit == std::string_view::npos ? s.size() : hit;
        size_t len = end - pos;
        if (lines && len > 0 && s[end - 1] == '\r')
            --len;
        addField(text, int(pos), int(len));
        if (hit == std::string_view::npos)
            break;
        pos = hit + sep.size();
    }
}

void DStringArray::addField(DString const& text, int start, int len)
{
    if (Count() == Capacity())
        Reserve(Count() + 1);
    new (data + count) DString(text, start, len);
    ++count;
    ++rows;
}

// Joining and lookup.

DString DStringArray::Join(DString const& sep) const
{
    if (Count() == 0)
        return DString();
    long long total = static_cast<long long>(sep.Len()) * (Count() - 1);
    for (int i = 0; i < Count(); ++i)
        total += (*this)[i].Len();
    if (total > INT_MAX - 64)
        throw std::bad_alloc();

    DString out;
    char* p = out.GetBuffer(int(total));
    for (int i = 0; i < Count(); ++i) {
        if (i > 0) {
            std::memcpy(p, sep.c_str(), size_t(sep.Len()));
            p += sep.Len();
        }
        std::memcpy(p, (*this)[i].c_str(), size_t((*this)[i].Len()));
        p += (*this)[i].Len();
    }
    return out;
}

void DStringArray::JoinInto(char* buf) const
{
    if (!buf)
        return;
    // The caller marks the room it has with the text it put there; nothing goes past it.
    size_t const room = std::strlen(buf);
    size_t used = 0;
    for (int i = 0; i < Count(); ++i) {
        size_t const len = size_t((*this)[i].Len());
        if (len + LenLD > room - used)
            break;
        std::memcpy(buf + used, (*this)[i].c_str(), len);
        std::memcpy(buf + used + len, LDelim, LenLD);
        used += len + LenLD;
    }
}

int DStringArray::Index(DString const& s) const
{
    for (int i = 0; i < Count(); ++i)
        if ((*this)[i] %= s)
            return i;
    return -1;
}
