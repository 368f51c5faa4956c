// The two ways of keeping traces without TalvexCore: raw binary files and HDF5 files.
#ifndef TALVEX_BENCH_STORES_H
#define TALVEX_BENCH_STORES_H

#include <cstddef>
#include <string>

namespace bench {

/// A heap block of floats as a reader that allocates per file gets it (not cleared).
struct FloatBlock {
    float* data = nullptr;
    size_t count = 0;
    FloatBlock() = default;
    explicit FloatBlock(size_t n);
    FloatBlock(const FloatBlock&) = delete;
    FloatBlock& operator=(const FloatBlock&) = delete;
    FloatBlock(FloatBlock&& o) noexcept : data(o.data), count(o.count) { o.data = nullptr; }
    FloatBlock& operator=(FloatBlock&& o) noexcept;
    ~FloatBlock();
};

// ---- Raw files: the floats and nothing else -------------------------------------------------

/// Writes the floats; with `atomic` to a temporary file beside, then renamed over the path.
bool RawWrite(const std::string& path, const float* data, size_t count, bool atomic);
/// Adds the floats at the end of the file.
bool RawAppend(const std::string& path, const float* data, size_t count);
/// Reads the whole file.
FloatBlock RawRead(const std::string& path);
/// Reads `count` floats from float `first` on.
FloatBlock RawReadRange(const std::string& path, size_t first, size_t count);
/// Floats in the file.
size_t RawCount(const std::string& path);

// ---- HDF5: datasets of 32-bit little-endian floats ------------------------------------------

/// True when this program was built with HDF5.
bool HaveHdf5();

/// A file, created (truncated) or opened for reading or writing; closed by the destructor.
class H5File {
public:
    enum Mode { Create, ReadOnly, ReadWrite };
    H5File(const std::string& path, Mode mode);
    ~H5File();
    H5File(const H5File&) = delete;
    H5File& operator=(const H5File&) = delete;
    bool Ok() const { return id_ >= 0; }

    /// A contiguous 1-D dataset of the floats, with the trace's start and step as attributes.
    bool WriteTrace(const char* name, const float* data, size_t count, float start, float step);
    /// The whole 1-D dataset.
    FloatBlock ReadTrace(const char* name);

    /// A chunked 2-D dataset of rows of `cols` floats that can grow along its rows.
    bool WriteTable(const char* name, const float* data, size_t rows, size_t cols);
    /// Extends the table by the rows given and writes them.
    bool AppendTable(const char* name, const float* data, size_t rows, size_t cols);
    /// Rows `first` to the end.
    FloatBlock ReadTableTail(const char* name, size_t first, size_t cols);
    /// Rows in the table.
    size_t TableRows(const char* name);

private:
    long long id_ = -1;
};

} // namespace bench

#endif
