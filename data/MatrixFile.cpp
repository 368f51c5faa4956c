// Matrix: the .dmt file, read whole or by slices of the last axis, written and appended to.
#include "Matrix.h"

#include "Clock.h"
#include "DFile.h"
#include "DFileNative_p.h"
#include "DataIO_p.h"
#include "IoFailure_p.h"
#include "Matrix_p.h"
#include "ScaleUnit_p.h"
#include "WriterLock_p.h"

#include <climits>
#include <cstring>
#include <string>

namespace {

const int DmtVersion = 4;

// What a .dmt header says beyond the members it fills, and where its patchable fields lie.
struct DmtHeader {
    int version = 0;
    int sizes[3] = {1, 1, 1};
    float lastStep = 0.0f;     // the step stored for the last axis
    long long lastSizePos = 0; // offset of the last axis's size
    long long extremesPos = 0; // offset of maxVal
    long long scaleUnitPos = 0;
    long long valuesPos = 0;
    long long valueCount = 0;
};

// One axis: size, step, then all coordinates (step 0) or the first one.
bool ReadAxis(dataio::Reader& r, Matrix::MDim& axis, int& size, float& step)
{
    // Every coordinate stands for at least one stored value, which bounds what is allocated.
    if (!r.Int(size) || size < 1 || static_cast<long long>(size) * 4 > r.Left() || !r.Float(step))
        return false;
    axis.step = step;
    axis.origSize = size;
    axis.ReSize(size);
    if (step == 0.0f)
        return r.Bytes(axis.Data(), static_cast<long long>(size) * 4);
    float first = 0.0f;
    if (!r.Float(first))
        return false;
    for (int k = 0; k < size; ++k)
        axis[k] = matrixdetail::RegularCoord(first, step, k);
    return true;
}

// The header into m (rank, axes, extremes, calibration, marks, texts); the reader is left at
// the first value, whose block is known to be in the file.
bool ReadHeader(dataio::Reader& r, Matrix& m, DmtHeader& h)
{
    int ext = 0;
    int rank = 0;
    if (!r.Int(h.version) || !r.Int(ext) || !r.Skip(ext) || !r.Int(rank))
        return false;
    if (rank < 1 || rank > 3)
        return false;
    for (int d = 0; d < 3; ++d) {
        if (d >= rank) {
            matrixdetail::ResetAxis(m.axes[d]);
            continue;
        }
        h.lastSizePos = r.Pos();
        if (!ReadAxis(r, m.axes[d], h.sizes[d], h.lastStep))
            return false;
    }
    m.rank = rank;

    h.extremesPos = r.Pos();
    if (!r.Float(m.maxVal) || !r.Float(m.minVal))
        return false;
    m.calibration = 1.0f;
    if (h.version >= 4 && !r.Float(m.calibration))
        return false;
    h.scaleUnitPos = r.Pos();
    if (!r.Float(m.scaleUnit) || !r.Float(m.t1) || !r.Float(m.t2) || !r.Float(m.t3)
        || !r.Float(m.t4) || !r.Float(m.t5))
        return false;
    if (!r.Text(m.name2) || !r.Text(m.name1) || !r.Text(m.dateStamp))
        return false;

    h.valuesPos = r.Pos();
    h.valueCount = static_cast<long long>(h.sizes[0]) * h.sizes[1] * h.sizes[2];
    return h.valueCount <= INT_MAX && h.valueCount * 4 <= r.Left();
}

// "name[first, end]": the slice range is taken out of the name. Only a name ending in ']'
// whose '[' lies in its last path element has one, so a folder such as "Run[2]" stays part
// of the path. A missing or non-numeric end means "to the end of the axis".
void TakeSliceRange(DString& name, int& end, int& first)
{
    int const last = name.Len() - 1;
    if (last < 0 || name[last] != ']')
        return;
    int const open = name.RFind('[');
    if (open == int(npos))
        return;
    for (char const sep : {'\\', '/'}) {
        int const at = name.RFind(sep);
        if (at != int(npos) && at > open)
            return;
    }
    DString const inside = name.Mid(open + 1, last - open - 1);
    int const comma = inside.Find(',');
    bool const hasComma = comma != int(npos);
    first = 0;
    if (!(hasComma ? inside.Left(comma) : inside).Trim().ToInt(first))
        first = 0;
    end = -1;
    if (!hasComma || !inside.Mid(comma + 1).Trim().ToInt(end))
        end = -1;
    name.Truncate(open);
}

float Larger(float a, float b)
{
    return a >= b ? a : b; // a NaN a gives b
}

float Smaller(float a, float b)
{
    return a <= b ? a : b;
}

} // namespace

bool Matrix::Read(DString name, int end, int first)
{
    TakeSliceRange(name, end, first);
    name += ".dmt";
    DFile file;
    if (!file.Open(name, 5))
        return false;
    bool const ok = Read(file, end, first);
    file.Close();
    return ok;
}

bool Matrix::Read(DFile& file, int end, int first)
{
    dataio::Reader r(file);
    Matrix m;
    // A text stored empty leaves the member as it was.
    m.name1 = name1;
    m.name2 = name2;
    m.dateStamp = dateStamp;
    DmtHeader h;
    if (!ReadHeader(r, m, h))
        return false;

    MDim& last = m.axes[m.rank - 1];
    int const lastSize = last.Count();
    long long const slice = h.valueCount / lastSize;
    int from = 0;
    int to = lastSize;
    if (end >= 0 || first > 0) {
        to = end < 0 ? lastSize : (end < lastSize ? (end > 1 ? end : 1) : lastSize);
        from = first < 0 ? 0 : (first < to - 1 ? first : to - 1);
        // The coordinates follow the slices read; origSize keeps the stored length.
        std::memmove(last.Data(), last.Data() + from, size_t(to - from) * sizeof(float));
        last.ReSize(to - from);
    }

    long long const n = slice * (to - from);
    // Read over this matrix's own room when it is large enough: no allocation.
    bool const reuse = n <= capacity;
    if (reuse)
        m.ValueStore::SwapData(*this);
    float* values = m.uninitialized(int(n));
    if (!r.Skip(slice * from * 4) || !r.Bytes(values, n * 4)) {
        if (reuse)
            ValueStore::SwapData(m);
        return false;
    }
    takeFrom(m);
    return true;
}

bool Matrix::Write(DString name)
{
    if (!consistent())
        return false;
    return dataio::WriteWhole(name + ".dmt", [this](DFile& file) { return Write(file); });
}

bool Matrix::Write(DFile& file)
{
    if (!consistent())
        return false;
    dateStamp = Now();
    dataio::PutInt(file, DmtVersion);
    dataio::PutInt(file, 0);
    dataio::PutInt(file, rank);
    for (int d = 0; d < rank; ++d) {
        MDim const& axis = axes[d];
        // An axis without a positive step is stored with step 0 and every coordinate.
        bool const listed = !(axis.step > 0.0f);
        dataio::PutInt(file, axis.Count());
        dataio::PutFloat(file, listed ? 0.0f : axis.step);
        if (listed)
            dataio::PutBytes(file, axis.Data(), static_cast<long long>(axis.Count()) * 4);
        else
            dataio::PutFloat(file, axis[0]);
    }
    dataio::PutFloat(file, maxVal);
    dataio::PutFloat(file, minVal);
    dataio::PutFloat(file, calibration);
    dataio::PutFloat(file, scaleUnit);
    float const marks[5] = {t1, t2, t3, t4, t5};
    dataio::PutBytes(file, marks, sizeof marks);
    dataio::PutText(file, name2);
    dataio::PutText(file, name1);
    dataio::PutText(file, dateStamp);
    dataio::PutBytes(file, data, static_cast<long long>(count) * 4);
    return true;
}

// The header of the file appended to, read once for the plan and the update.
struct Matrix::FileHead {
    Matrix head;
    DmtHeader h;
    long long length = 0;
    // From the last axis's size to the scale unit: the bytes the append rewrites.
    unsigned char patch[7 * 4] = {};
    int patchLength = 0;
};

bool Matrix::Append(DString name)
{
    if (!consistent())
        return false;
    DString const path = name + ".dmt";
    // From the header read to the last patched byte: another writer in between would lose
    // its slices or these. The lock's resolution of the path serves every step.
    WriterLock lock(path);
    if (lock.TimedOut())
        return false;
    std::string const& native = lock.Native();
    if (!dataio::IsFile(native))
        return dataio::ReplaceResolved(native, [this](DFile& file) { return Write(file); });
    DFile file;
    if (!OpenResolved(file, native, 7))
        return false;
    FileHead head;
    AppendPlan const plan = planAppend(file, head);
    if (plan == AppendInPlace) {
        bool const ok = appendInPlace(file, head);
        return file.Close() && ok;
    }
    file.Close();
    return plan == AppendRewrite && appendByRewrite(path, native);
}

bool Matrix::Append(DFile& file)
{
    FileHead head;
    return planAppend(file, head) == AppendInPlace && appendInPlace(file, head);
}

bool Matrix::appendInPlace(DFile& file, FileHead const& fileHead)
{
    Matrix const& head = fileHead.head;
    DmtHeader const& h = fileHead.h;
    int const rankInFile = head.rank;
    int const added = axes[rankInFile - 1].Count();

    // Values first, synced: until the header is patched, the file reads as it did.
    long long const oldLength = fileHead.length;
    file.SeekAbs(h.valuesPos + h.valueCount * 4);
    dataio::PutBytes(file, data, static_cast<long long>(count) * 4);
    if (!file.Sync())
        return dataio::CutBack(file, oldLength);

    float ownMax = 0.0f;
    float ownMin = 0.0f;
    matrixdetail::Extremes(data, count, ownMax, ownMin);
    float const newMax = Larger(head.maxVal, ownMax);
    float const newMin = Smaller(head.minVal, ownMin);
    // The last axis's size, the extremes and the scale unit lie together (size, step, first
    // coordinate, extremes, calibration, scale unit) and change in one write, so that a crash
    // leaves either the old header or the new one, never a mix.
    unsigned char block[sizeof fileHead.patch];
    int const len = fileHead.patchLength;
    std::memcpy(block, fileHead.patch, sizeof block);
    unsigned char const* const old = fileHead.patch;
    int const slices = h.sizes[rankInFile - 1] + added;
    float const scale = ScaleUnitFor(newMax, newMin);
    long long const extremes = h.extremesPos - h.lastSizePos;
    std::memcpy(block, &slices, 4);
    std::memcpy(block + extremes, &newMax, 4);
    std::memcpy(block + extremes + 4, &newMin, 4);
    std::memcpy(block + len - 4, &scale, 4);
    file.SeekAbs(h.lastSizePos);
    dataio::PutBytes(file, block, len);
    if (!file.Sync())
        return dataio::CutBack(file, oldLength, h.lastSizePos, old, len);
    return true;
}

Matrix::AppendPlan Matrix::planAppend(DFile& file, FileHead& fileHead) const
{
    dataio::Reader r(file);
    Matrix& head = fileHead.head;
    DmtHeader& h = fileHead.h;
    fileHead.length = r.Length();
    r.ReadAhead(dataio::HeaderBytes);
    if (!ReadHeader(r, head, h))
        return AppendRefused;
    int const rankInFile = head.rank;
    // This matrix must consist of whole slices of the file's grid.
    for (int d = 0; d < 3; ++d) {
        if (d < rankInFile - 1 && axes[d].Count() != h.sizes[d])
            return AppendRefused;
        if (d >= rankInFile && axes[d].Count() != 1)
            return AppendRefused;
    }
    if (head.calibration != calibration)
        return AppendRefused;
    long long const slices = static_cast<long long>(h.sizes[rankInFile - 1])
                             + axes[rankInFile - 1].Count();
    if (slices > INT_MAX || h.valueCount + count > INT_MAX)
        return AppendRefused;
    // Listed coordinates lie in the header, which then grows: the file is rewritten whole.
    if (h.lastStep == 0.0f)
        return AppendRewrite;
    // Taken now from the header at hand rather than read again for the update.
    fileHead.patchLength = int(h.scaleUnitPos + 4 - h.lastSizePos);
    if (fileHead.patchLength < 24 || fileHead.patchLength > int(sizeof fileHead.patch))
        return AppendRefused;
    bool const taken = r.Seek(h.lastSizePos) && r.Bytes(fileHead.patch, fileHead.patchLength);
    return taken ? AppendInPlace : AppendRefused;
}

bool Matrix::appendByRewrite(DString const& path, std::string const& native) const
{
    Matrix whole;
    DFile in;
    if (!OpenResolved(in, native, 5)) {
        ReportIoFailure("cannot append to " + path);
        return false;
    }
    bool const read = whole.Read(in, -1, 0);
    in.Close();
    if (!read)
        return false;

    int const oldCount = whole.Count();
    whole.ValueStore::ReSize(oldCount + count);
    std::memcpy(whole.Data() + oldCount, data, size_t(count) * sizeof(float));
    MDim& last = whole.axes[whole.rank - 1];
    MDim const& mine = axes[whole.rank - 1];
    last.Insert(mine.Data(), last.Count(), mine.Count());
    last.origSize = last.Count();

    float ownMax = 0.0f;
    float ownMin = 0.0f;
    matrixdetail::Extremes(data, count, ownMax, ownMin);
    whole.maxVal = Larger(whole.maxVal, ownMax);
    whole.minVal = Smaller(whole.minVal, ownMin);
    whole.scaleUnit = ScaleUnitFor(whole.maxVal, whole.minVal);

    return dataio::ReplaceResolved(native, [&whole](DFile& out) { return whole.Write(out); });
}

float* Matrix::uninitialized(int n)
{
    // The values are about to be read over: growing without clearing saves a pass over them.
    if (n > capacity) {
        ValueStore::Clear();
        ValueStore::Reserve(n);
    }
    count = rows = n;
    columns = 1;
    return data;
}
