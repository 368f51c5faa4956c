// Raw binary files through stdio, and HDF5 files through its C interface.
#include "Stores.h"

#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>

#ifdef TALVEX_HAVE_HDF5
#include <hdf5.h>
#endif

namespace bench {

FloatBlock::FloatBlock(size_t n)
    : data(static_cast<float*>(std::malloc(n * sizeof(float) + 1))), count(n)
{
}

FloatBlock& FloatBlock::operator=(FloatBlock&& o) noexcept
{
    if (this != &o) {
        std::free(data);
        data = o.data;
        count = o.count;
        o.data = nullptr;
    }
    return *this;
}

FloatBlock::~FloatBlock()
{
    std::free(data);
}

bool RawWrite(const std::string& path, const float* data, size_t count, bool atomic)
{
    const std::string written = atomic ? path + ".tmp" : path;
    std::FILE* f = std::fopen(written.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(data, sizeof(float), count, f) == count;
    ok = std::fclose(f) == 0 && ok;
    return ok && (!atomic || std::rename(written.c_str(), path.c_str()) == 0);
}

bool RawAppend(const std::string& path, const float* data, size_t count)
{
    std::FILE* f = std::fopen(path.c_str(), "ab");
    if (!f)
        return false;
    bool ok = std::fwrite(data, sizeof(float), count, f) == count;
    return std::fclose(f) == 0 && ok;
}

size_t RawCount(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? size_t(st.st_size) / sizeof(float) : 0;
}

FloatBlock RawReadRange(const std::string& path, size_t first, size_t count)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return FloatBlock();
    FloatBlock b(count);
    if (std::fseek(f, long(first * sizeof(float)), SEEK_SET) != 0
        || std::fread(b.data, sizeof(float), count, f) != count)
        b.count = 0;
    std::fclose(f);
    return b;
}

FloatBlock RawRead(const std::string& path)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return FloatBlock();
    struct stat st;
    size_t n = fstat(fileno(f), &st) == 0 ? size_t(st.st_size) / sizeof(float) : 0;
    FloatBlock b(n);
    if (std::fread(b.data, sizeof(float), n, f) != n)
        b.count = 0;
    std::fclose(f);
    return b;
}

#ifdef TALVEX_HAVE_HDF5

bool HaveHdf5()
{
    return true;
}

namespace {

// Closes an HDF5 identifier of any kind when it goes out of scope.
class Id {
public:
    explicit Id(hid_t id) : id_(id) { }
    ~Id()
    {
        if (id_ >= 0)
            H5Idec_ref(id_);
    }
    Id(const Id&) = delete;
    Id& operator=(const Id&) = delete;
    operator hid_t() const { return id_; }
    bool Ok() const { return id_ >= 0; }

private:
    hid_t id_;
};

bool PutAttribute(hid_t object, const char* name, float value)
{
    Id space(H5Screate(H5S_SCALAR));
    Id attr(H5Acreate2(object, name, H5T_IEEE_F32LE, space, H5P_DEFAULT, H5P_DEFAULT));
    return attr.Ok() && H5Awrite(attr, H5T_NATIVE_FLOAT, &value) >= 0;
}

// Rows of the table per chunk: 512 KiB chunks, within the default chunk cache.
const hsize_t ChunkRows = 16384;

} // namespace

H5File::H5File(const std::string& path, Mode mode)
{
    if (mode == Create)
        id_ = H5Fcreate(path.c_str(), H5F_ACC_TRUNC, H5P_DEFAULT, H5P_DEFAULT);
    else
        id_ = H5Fopen(path.c_str(), mode == ReadOnly ? H5F_ACC_RDONLY : H5F_ACC_RDWR, H5P_DEFAULT);
}

H5File::~H5File()
{
    if (id_ >= 0)
        H5Fclose(hid_t(id_));
}

bool H5File::WriteTrace(const char* name, const float* data, size_t count, float start, float step)
{
    hsize_t dims[1] = {count};
    Id space(H5Screate_simple(1, dims, nullptr));
    Id set(
        H5Dcreate2(hid_t(id_), name, H5T_IEEE_F32LE, space, H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT));
    return set.Ok() && H5Dwrite(set, H5T_NATIVE_FLOAT, H5S_ALL, H5S_ALL, H5P_DEFAULT, data) >= 0
           && PutAttribute(set, "start", start) && PutAttribute(set, "step", step);
}

FloatBlock H5File::ReadTrace(const char* name)
{
    Id set(H5Dopen2(hid_t(id_), name, H5P_DEFAULT));
    if (!set.Ok())
        return FloatBlock();
    Id space(H5Dget_space(set));
    hsize_t dims[1] = {0};
    H5Sget_simple_extent_dims(space, dims, nullptr);
    FloatBlock b(dims[0]);
    if (H5Dread(set, H5T_NATIVE_FLOAT, H5S_ALL, H5S_ALL, H5P_DEFAULT, b.data) < 0)
        b.count = 0;
    return b;
}

bool H5File::WriteTable(const char* name, const float* data, size_t rows, size_t cols)
{
    hsize_t dims[2] = {rows, cols}, maxDims[2] = {H5S_UNLIMITED, cols};
    hsize_t chunk[2] = {ChunkRows, cols};
    Id space(H5Screate_simple(2, dims, maxDims));
    Id props(H5Pcreate(H5P_DATASET_CREATE));
    H5Pset_chunk(props, 2, chunk);
    Id set(H5Dcreate2(hid_t(id_), name, H5T_IEEE_F32LE, space, H5P_DEFAULT, props, H5P_DEFAULT));
    return set.Ok() && H5Dwrite(set, H5T_NATIVE_FLOAT, H5S_ALL, H5S_ALL, H5P_DEFAULT, data) >= 0;
}

size_t H5File::TableRows(const char* name)
{
    Id set(H5Dopen2(hid_t(id_), name, H5P_DEFAULT));
    if (!set.Ok())
        return 0;
    Id space(H5Dget_space(set));
    hsize_t dims[2] = {0, 0};
    H5Sget_simple_extent_dims(space, dims, nullptr);
    return dims[0];
}

bool H5File::AppendTable(const char* name, const float* data, size_t rows, size_t cols)
{
    Id set(H5Dopen2(hid_t(id_), name, H5P_DEFAULT));
    if (!set.Ok())
        return false;
    hsize_t dims[2] = {0, 0};
    {
        Id space(H5Dget_space(set));
        H5Sget_simple_extent_dims(space, dims, nullptr);
    }
    hsize_t grown[2] = {dims[0] + rows, cols};
    if (H5Dset_extent(set, grown) < 0)
        return false;
    Id file(H5Dget_space(set));
    hsize_t first[2] = {dims[0], 0}, count[2] = {rows, cols};
    H5Sselect_hyperslab(file, H5S_SELECT_SET, first, nullptr, count, nullptr);
    Id memory(H5Screate_simple(2, count, nullptr));
    return H5Dwrite(set, H5T_NATIVE_FLOAT, memory, file, H5P_DEFAULT, data) >= 0;
}

FloatBlock H5File::ReadTableTail(const char* name, size_t first, size_t cols)
{
    Id set(H5Dopen2(hid_t(id_), name, H5P_DEFAULT));
    if (!set.Ok())
        return FloatBlock();
    Id file(H5Dget_space(set));
    hsize_t dims[2] = {0, 0};
    H5Sget_simple_extent_dims(file, dims, nullptr);
    if (first > dims[0])
        return FloatBlock();
    hsize_t start[2] = {first, 0}, count[2] = {dims[0] - first, cols};
    H5Sselect_hyperslab(file, H5S_SELECT_SET, start, nullptr, count, nullptr);
    Id memory(H5Screate_simple(2, count, nullptr));
    FloatBlock b(size_t(count[0] * cols));
    if (H5Dread(set, H5T_NATIVE_FLOAT, memory, file, H5P_DEFAULT, b.data) < 0)
        b.count = 0;
    return b;
}

#else

bool HaveHdf5()
{
    return false;
}
H5File::H5File(const std::string&, Mode) { }
H5File::~H5File() { }
bool H5File::WriteTrace(const char*, const float*, size_t, float, float)
{
    return false;
}
FloatBlock H5File::ReadTrace(const char*)
{
    return FloatBlock();
}
bool H5File::WriteTable(const char*, const float*, size_t, size_t)
{
    return false;
}
bool H5File::AppendTable(const char*, const float*, size_t, size_t)
{
    return false;
}
FloatBlock H5File::ReadTableTail(const char*, size_t, size_t)
{
    return FloatBlock();
}
size_t H5File::TableRows(const char*)
{
    return 0;
}

#endif

} // namespace bench
