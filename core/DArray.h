// DArray: the growable array template, also a row-major two-dimensional table.
#ifndef TALVEX_DARRAY_H
#define TALVEX_DARRAY_H

#include "TalvexApi.h"

#include <cassert>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

/// A growable array of T whose elements are relocated by byte moves (no element may point
/// into itself). With `objects` true the elements are constructed, copied and destroyed as
/// objects; with false they are plain values copied as bytes. The elements are stored row
/// after row: element (column c, row r) is Data()[r * CCount() + c], and every shape-setting
/// operation keeps Count() == RCount() * CCount().
///
/// Element counts passed to the changing operations are cut down to whole rows. Indexes are
/// clamped into the array; bad counts do nothing. Allocation failure throws std::bad_alloc.
template <class T, bool objects = !std::is_trivially_copyable<T>::value> class DArray {
public:
    /// Empty: no storage, one column, no rows.
    DArray() = default;
    /// n blank elements in one column (n < 0 is taken as 0).
    explicit DArray(int n);
    /// columns (at least 1) x rows (at least 0) blank elements.
    DArray(int columns, int rows);
    DArray(DArray const& other);
    DArray(DArray&& other) noexcept;
    DArray& operator=(DArray const& other);
    DArray& operator=(DArray&& other) noexcept;
    virtual ~DArray();

    /// Element i, without bounds check.
    T& operator[](int i) { return data[i]; }
    T const& operator[](int i) const { return data[i]; }
    /// Element (col, row), without bounds check.
    T& operator()(int col, int row) { return data[col + row * columns]; }
    T const& operator()(int col, int row) const { return data[col + row * columns]; }
    /// The storage; null when nothing is allocated.
    T* Data() { return data; }
    T const* Data() const { return data; }
    /// The last element; the array must not be empty.
    T& Last()
    {
        assert(count > 0 && "DArray::Last on an empty array");
        return data[count - 1];
    }
    T const& Last() const
    {
        assert(count > 0 && "DArray::Last on an empty array");
        return data[count - 1];
    }
    int Count() const { return count; }
    /// Number of rows.
    int RCount() const { return rows; }
    /// Number of columns (elements per row), at least 1.
    int CCount() const { return columns; }
    /// Number of element slots allocated.
    int Capacity() const { return capacity; }

    /// Appends n consecutive elements starting at x (x may lie inside this array).
    void Add(T const& x, int n = 1)
    {
        if (n == 1 && columns == 1 && count < capacity) {
            // Nothing moves when there is room at the end, so x may lie inside the array.
            copyConstruct(data + count, &x, 1);
            ++count;
            ++rows;
            return;
        }
        Insert(&x, count, n);
    }
    /// Copies n elements from src in before index at (clamped to 0..Count()). src may point
    /// into this array; a null src inserts nothing.
    void Insert(T const* src, int at, int n);
    /// Inserts n blank elements before index at (clamped to 0..Count()).
    void InsertBlank(int at, int n);
    /// Grows to (Count() + n) / CCount() whole rows of blank elements; n < 0 does nothing.
    void AddBlank(int n);
    /// Destroys n elements from index at; the rest move down.
    void Remove(int at, int n);
    /// Assigns n elements from src over those from index at (src may overlap them).
    void Replace(T const* src, int at, int n);
    /// Moves the n elements (whole rows, at least one) at row start from to row start to.
    void Reorder(int from, int to, int n);
    /// Empties the array, then n blank elements in one column.
    void Size(int n);
    /// Empties the array, then columns x rows blank elements.
    void Size(int columns, int rows);
    /// One column and n rows, keeping the first elements (cut or padded with blanks).
    void ReSize(int n);
    /// columns (at least 1) x rows (at least 0), keeping the first elements.
    void ReSize(int columns, int rows);
    /// Makes room for n elements without changing the contents.
    void Reserve(int n);
    /// Destroys all elements and frees the storage: no rows, one column.
    void Clear();
    /// Sorts with qsort; cmp receives pointers to two elements. A null cmp does nothing.
    void Sort(int (*cmp)(void const*, void const*));
    /// Exchanges contents and shape with other (growth blocks stay); false when other is this.
    bool SwapData(DArray& other);

protected:
    // In this order: growth step, allocated slots, elements in use, rows, columns, storage.
    int growBy = 256;
    int capacity = 0;
    int count = 0;
    int rows = 0;
    int columns = 1;
    T* data = nullptr;

private:
    static void construct(T* p, int n);
    static void copyConstruct(T* dst, T const* src, int n);
    static void destroy(T* p, int n);
    static void moveBytes(T* dst, T const* src, int n);
    static int clamp(long long v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : int(v); }

    int wholeRows(int n) const { return n - n % columns; }
    bool holds(T const* p) const;
    void reserveFor(long long n);
    void resize(long long n);
    T* openGap(int at, int n);
    void copyFrom(DArray const& other);
    void takeFrom(DArray& other);
    void checkShape() const
    {
        assert(columns >= 1 && "DArray has fewer than one column");
        assert(count == rows * columns && "DArray count is not rows x columns");
        assert(count <= capacity && "DArray count exceeds its capacity");
    }
};

// Element lifetime.

template <class T, bool objects> inline void DArray<T, objects>::construct(T* p, int n)
{
    if constexpr (objects) {
        for (int i = 0; i < n; ++i)
            new (p + i) T();
    } else if (n > 0) {
        // Blank plain values are zero rather than left as whatever the heap held.
        std::memset(static_cast<void*>(p), 0, size_t(n) * sizeof(T));
    }
}

template <class T, bool objects>
inline void DArray<T, objects>::copyConstruct(T* dst, T const* src, int n)
{
    if constexpr (objects) {
        for (int i = 0; i < n; ++i)
            new (dst + i) T(src[i]);
    } else if (n > 0) {
        std::memcpy(static_cast<void*>(dst), static_cast<void const*>(src), size_t(n) * sizeof(T));
    }
}

template <class T, bool objects> inline void DArray<T, objects>::destroy(T* p, int n)
{
    if constexpr (objects) {
        for (int i = 0; i < n; ++i)
            p[i].~T();
    } else {
        (void)p;
        (void)n;
    }
}

template <class T, bool objects>
inline void DArray<T, objects>::moveBytes(T* dst, T const* src, int n)
{
    if (n > 0)
        std::memmove(static_cast<void*>(dst), static_cast<void const*>(src), size_t(n) * sizeof(T));
}

// Storage.

template <class T, bool objects> inline bool DArray<T, objects>::holds(T const* p) const
{
    auto const at = reinterpret_cast<std::uintptr_t>(p);
    auto const begin = reinterpret_cast<std::uintptr_t>(data);
    return data && at >= begin && at < begin + size_t(count) * sizeof(T);
}

template <class T, bool objects> void DArray<T, objects>::reserveFor(long long n)
{
    if (n <= capacity)
        return;
    if (n > INT_MAX - growBy)
        throw std::bad_alloc();
    long long const grown = n - n % growBy + growBy;
    void* p = std::realloc(static_cast<void*>(data), size_t(grown) * sizeof(T));
    if (!p)
        throw std::bad_alloc();
    data = static_cast<T*>(p);
    capacity = int(grown);
}

template <class T, bool objects> void DArray<T, objects>::resize(long long n)
{
    if (n < 0)
        n = 0;
    reserveFor(n);
    int const m = int(n);
    if (m < count)
        destroy(data + m, count - m);
    else
        construct(data + count, m - count);
    count = m;
}

template <class T, bool objects> T* DArray<T, objects>::openGap(int at, int n)
{
    reserveFor(static_cast<long long>(count) + n);
    moveBytes(data + at + n, data + at, count - at);
    count += n;
    rows += n / columns;
    checkShape();
    return data + at;
}

template <class T, bool objects> void DArray<T, objects>::copyFrom(DArray const& other)
{
    growBy = other.growBy;
    reserveFor(other.count);
    copyConstruct(data, other.data, other.count);
    count = other.count;
    rows = other.rows;
    columns = other.columns;
}

template <class T, bool objects> void DArray<T, objects>::takeFrom(DArray& other)
{
    growBy = other.growBy;
    capacity = other.capacity;
    count = other.count;
    rows = other.rows;
    columns = other.columns;
    data = other.data;
    other.capacity = other.count = other.rows = 0;
    other.columns = 1;
    other.data = nullptr;
}

// Construction.

template <class T, bool objects> DArray<T, objects>::DArray(int n)
{
    ReSize(n);
}

template <class T, bool objects> DArray<T, objects>::DArray(int ncols, int nrows)
{
    ReSize(ncols, nrows);
}

template <class T, bool objects> DArray<T, objects>::DArray(DArray const& other)
{
    copyFrom(other);
}

template <class T, bool objects> DArray<T, objects>::DArray(DArray&& other) noexcept
{
    takeFrom(other);
}

template <class T, bool objects>
DArray<T, objects>& DArray<T, objects>::operator=(DArray const& other)
{
    if (this != &other) {
        Clear();
        copyFrom(other);
    }
    return *this;
}

template <class T, bool objects>
DArray<T, objects>& DArray<T, objects>::operator=(DArray&& other) noexcept
{
    if (this != &other) {
        Clear();
        takeFrom(other);
    }
    return *this;
}

template <class T, bool objects> DArray<T, objects>::~DArray()
{
    destroy(data, count);
    std::free(static_cast<void*>(data));
}

// Changing contents.

template <class T, bool objects> void DArray<T, objects>::Insert(T const* src, int at, int n)
{
    n = wholeRows(n);
    if (n < 1 || !src)
        return;
    at = clamp(at, 0, count);
    if (!holds(src)) {
        copyConstruct(openGap(at, n), src, n);
        return;
    }
    // The source lives in the storage that is about to move: copy it aside first.
    T* aside = static_cast<T*>(std::malloc(size_t(n) * sizeof(T)));
    if (!aside)
        throw std::bad_alloc();
    copyConstruct(aside, src, n);
    moveBytes(openGap(at, n), aside, n);
    std::free(static_cast<void*>(aside));
}

template <class T, bool objects> void DArray<T, objects>::InsertBlank(int at, int n)
{
    n = wholeRows(n);
    if (n < 1)
        return;
    at = clamp(at, 0, count);
    construct(openGap(at, n), n);
}

template <class T, bool objects> void DArray<T, objects>::AddBlank(int n)
{
    if (n <= 0)
        return;
    long long const grownRows = (static_cast<long long>(count) + n) / columns;
    resize(grownRows * columns);
    rows = int(grownRows);
    checkShape();
}

template <class T, bool objects> void DArray<T, objects>::Remove(int at, int n)
{
    if (count == 0)
        return;
    at = clamp(at, 0, count - 1);
    n = wholeRows(clamp(n, 0, count - at));
    if (n < 1)
        return;
    destroy(data + at, n);
    moveBytes(data + at, data + at + n, count - at - n);
    count -= n;
    rows -= n / columns;
    checkShape();
}

template <class T, bool objects> void DArray<T, objects>::Replace(T const* src, int at, int n)
{
    if (count == 0 || !src)
        return;
    at = clamp(at, 0, count - 1);
    n = wholeRows(clamp(n, 0, count - at));
    if (n < 1)
        return;
    T* dst = data + at;
    if constexpr (!objects) {
        moveBytes(dst, src, n);
    } else if (src < dst && holds(src)) {
        // Overlapping with the source below: assign from the top down, as memmove would.
        for (int i = n - 1; i >= 0; --i)
            dst[i] = src[i];
    } else {
        for (int i = 0; i < n; ++i)
            dst[i] = src[i];
    }
}

template <class T, bool objects> void DArray<T, objects>::Reorder(int from, int to, int n)
{
    if (count == 0)
        return;
    from = wholeRows(clamp(from, 0, count - 1));
    to = wholeRows(clamp(to, 0, count - 1));
    if (from == to)
        return;
    n = wholeRows(n);
    if (n < columns)
        n = columns;
    n = clamp(n, 0, count - (from > to ? from : to));

    T* block = static_cast<T*>(std::malloc(size_t(n) * sizeof(T)));
    if (!block)
        throw std::bad_alloc();
    moveBytes(block, data + from, n);
    if (from < to)
        moveBytes(data + from, data + from + n, to - from);
    else
        moveBytes(data + to + n, data + to, from - to);
    moveBytes(data + to, block, n);
    std::free(static_cast<void*>(block));
}

// Shape.

template <class T, bool objects> void DArray<T, objects>::Size(int n)
{
    Clear();
    ReSize(n);
}

template <class T, bool objects> void DArray<T, objects>::Size(int ncols, int nrows)
{
    Clear();
    ReSize(ncols, nrows);
}

template <class T, bool objects> void DArray<T, objects>::ReSize(int n)
{
    ReSize(1, n);
}

template <class T, bool objects> void DArray<T, objects>::ReSize(int ncols, int nrows)
{
    if (ncols < 1)
        ncols = 1;
    if (nrows < 0)
        nrows = 0;
    long long const cells = static_cast<long long>(ncols) * nrows;
    if (cells > INT_MAX)
        throw std::bad_alloc();
    resize(cells);
    columns = ncols;
    rows = nrows;
    checkShape();
}

template <class T, bool objects> void DArray<T, objects>::Reserve(int n)
{
    reserveFor(n);
}

template <class T, bool objects> void DArray<T, objects>::Clear()
{
    destroy(data, count);
    std::free(static_cast<void*>(data));
    data = nullptr;
    capacity = count = rows = 0;
    columns = 1;
}

// Order and exchange.

template <class T, bool objects> void DArray<T, objects>::Sort(int (*cmp)(void const*, void const*))
{
    if (cmp && count > 1)
        std::qsort(static_cast<void*>(data), size_t(count), sizeof(T), cmp);
}

template <class T, bool objects> bool DArray<T, objects>::SwapData(DArray& other)
{
    if (&other == this)
        return false;
    std::swap(capacity, other.capacity);
    std::swap(count, other.count);
    std::swap(rows, other.rows);
    std::swap(columns, other.columns);
    std::swap(data, other.data);
    return true;
}

// Exported with all its members; other instantiations are made where they are used.
extern template class TALVEX_API DArray<float, false>;

#endif
