// DStringArray: an array of DString with splitting, tables, joining and case-insensitive lookup.
#ifndef TALVEX_DSTRINGARRAY_H
#define TALVEX_DSTRINGARRAY_H

#include "DArray.h"
#include "DString.h"
#include "TalvexApi.h"

// Exported with all its members; the base of DStringArray.
extern template class TALVEX_API DArray<DString, true>;

/// An array of strings, also usable as a table of fields (element (column, row)).
///
/// Splitting never quotes: a delimiter inside quotes splits like any other. A null or empty
/// delimiter takes the whole text as one field.
class TALVEX_API DStringArray : public DArray<DString, true> {
public:
    DStringArray() = default;
    /// n empty strings in one column.
    explicit DStringArray(int n) : DArray(n) { }
    /// columns x rows empty strings.
    DStringArray(int columns, int rows) : DArray(columns, rows) { }
    /// The fields of text, as Split gives them.
    DStringArray(DString const& text, char const* delim, int n = 0);
    DStringArray(DStringArray const&) = default;
    DStringArray(DStringArray&&) noexcept = default;
    DStringArray& operator=(DStringArray const&) = default;
    DStringArray& operator=(DStringArray&&) noexcept = default;
    ~DStringArray() override;

    /// Appends s (which may be an element of this array).
    void Add(DString const& s) { DArray::Add(s); }
    /// Appends s and returns this array.
    DStringArray& operator<<(DString const& s)
    {
        DArray::Add(s);
        return *this;
    }
    /// Appends the elements of other (whole rows when this array has several columns).
    void Append(DStringArray const& other);

    /// Sorts with qsort; a null cmp sorts case-insensitively (ASCII folding to lower case).
    void Sort(int (*cmp)(void const*, void const*) = nullptr);

    /// Replaces the contents with the fields of text, one column, at least n of them.
    /// delim " " takes runs of spaces as one separator and ignores leading and trailing ones;
    /// the LDelim pointer itself splits lines at LF and drops one CR ending each line; any
    /// other delim separates fields, a trailing delimiter giving no empty last field.
    void Split(DString const& text, char const* delim, int n = 0);
    /// Splits text into lines (LF or CR LF), then into a table as Split1Dto2D does.
    void Split2D(DString const& text, char const* delim, int ncols = -1);
    /// Replaces the contents with a table of one row per line of lines. ncols < 0 takes the
    /// widest of the first 100 lines; fields beyond the column count are dropped.
    void Split1Dto2D(DStringArray const& lines, char const* delim, int ncols = -1);
    /// Replaces table with one array per string of this array: its fields, at least n of them.
    void MakeTable(DArray<DStringArray, true>& table, char const* delim, int n = 0) const;

    /// The elements with sep between them; empty for an empty array.
    DString Join(DString const& sep) const;
    /// Writes each element followed by CR LF into buf, whose size is the length of the text
    /// it holds on entry. Stops before the first element that would not fit whole; writes no
    /// terminating NUL.
    void JoinInto(char* buf) const;
    /// Index of the first element equal to s ignoring ASCII case; -1 when there is none.
    int Index(DString const& s) const;

private:
    void split(DString const& text, char const* delim, int n);
    void splitSpaces(DString const& text);
    void splitAt(DString const& text, char const* delim, bool lines);
    void addField(DString const& text, int start, int len);
};

#endif
