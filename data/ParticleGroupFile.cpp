// ParticleGroup: the .dpt file, read partially, written whole and appended to.
#include "ParticleGroup.h"

#include "Clock.h"
#include "DFile.h"
#include "DFileNative_p.h"
#include "DataIO_p.h"
#include "IoFailure_p.h"
#include "ParticleGroupIO_p.h"
#include "WriterLock_p.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>

namespace {

const int DptVersion = 2;
const int Cols = ParticleGroup::nParticleCols;
const long long ParticleBytes = Cols * 4;
// The header bytes from the particle count to the end of the extremes.
const int HeaderPatchBytes = 8 + 7 * 4 + 2 * Cols * 4;

// What a .dpt header says beyond the members it fills, and where its patchable fields lie.
struct DptHeader {
    int version = 0;
    int extension = 0;
    int storedCount = 0;
    int columns = 0;
    long long countPos = 0;
    long long extremesPos = 0;
    long long particlesPos = 0;
};

// The header into g (geometry, header floats, marks, extremes of the stored columns, texts);
// the reader is left at the first particle, and the stored particles are known to be there.
bool ReadHeader(dataio::Reader& r, ParticleGroup& g, DptHeader& h)
{
    if (!r.Int(h.version) || !r.Int(h.extension) || !r.Skip(h.extension) || !r.Int(g.geometry))
        return false;
    h.countPos = r.Pos();
    if (!r.Int(h.storedCount) || h.storedCount < 0 || !r.Int(h.columns))
        return false;
    if (h.columns < 1 || h.columns > Cols)
        return false;
    float marks[5];
    if (!r.Float(g.headerB) || !r.Float(g.headerA) || !r.Bytes(marks, sizeof marks))
        return false;
    g.t1 = marks[0];
    g.t2 = marks[1];
    g.t3 = marks[2];
    g.t4 = marks[3];
    g.t5 = marks[4];
    h.extremesPos = r.Pos();
    if (!r.Bytes(g.maxVals, h.columns * 4LL) || !r.Bytes(g.minVals, h.columns * 4LL))
        return false;
    if (!r.Text(g.text1) || !r.Text(g.text2) || !r.Text(g.dateStamp))
        return false;
    h.particlesPos = r.Pos();
    g.fileCount = h.storedCount;
    return static_cast<long long>(h.storedCount) * h.columns * 4 <= r.Left();
}

// n particles of c < 8 floats, read into the tail of p, spread to 8 columns; the missing
// columns become 0. Moving front to back never overwrites a record not yet moved.
bool ReadNarrow(dataio::Reader& r, float* p, long long n, int c)
{
    long long const offset = n * (Cols - c);
    if (!r.Bytes(p + offset, n * c * 4))
        return false;
    for (long long i = 0; i < n; ++i) {
        float* dst = p + i * Cols;
        std::memmove(dst, p + offset + i * c, size_t(c) * sizeof(float));
        for (int k = c; k < Cols; ++k)
            dst[k] = 0.0f;
    }
    return true;
}

} // namespace

bool ParticleGroup::Read(DString name, int maxCount, int start)
{
    name += ".dpt";
    DFile file;
    if (!file.Open(name, 5))
        return false;
    bool const ok = Read(file, maxCount, start);
    file.Close();
    return ok;
}

bool ParticleGroup::Read(DFile& file, int maxCount, int start)
{
    dataio::Reader r(file);
    ParticleGroup g;
    g.text1 = text1; // a text stored empty leaves the member as it was
    g.text2 = text2;
    g.dateStamp = dateStamp;
    DptHeader h;
    if (!ReadHeader(r, g, h))
        return false;

    if (maxCount < 0) {
        maxCount = MaxParticleBatch;
        start = 0;
    }
    if (start < 0)
        start = 0;
    long long n = static_cast<long long>(h.storedCount) - start;
    if (n > maxCount)
        n = maxCount;
    if (n < 0)
        n = 0;
    // Read over this group's own room when it is large enough: no allocation. The declared
    // bytes are known to be there; only a read error past that check leaves stray values.
    bool const reuse = n * Cols <= capacity;
    if (reuse)
        g.ValueStore::SwapData(*this);
    float* p = g.uninitialized(n * Cols);
    if (n > 0) {
        bool const ok = r.Skip(static_cast<long long>(start) * h.columns * 4)
                        && (h.columns == Cols ? r.Bytes(p, n * ParticleBytes)
                                              : ReadNarrow(r, p, n, h.columns));
        if (!ok) {
            if (reuse)
                ValueStore::SwapData(g);
            return false;
        }
    }
    takeFrom(g);
    return true;
}

bool ParticleGroupIO::ReadInto(DString const& name, int maxCount, int start, float* out, int& count)
{
    count = 0;
    DFile file;
    if (!file.Open(name + ".dpt", 5))
        return true;
    dataio::Reader r(file);
    ParticleGroup g;
    DptHeader h;
    if (!ReadHeader(r, g, h))
        return true;
    if (h.columns != Cols)
        return false;
    if (maxCount < 0) {
        maxCount = MaxParticleBatch;
        start = 0;
    }
    if (start < 0)
        start = 0;
    long long n = std::min<long long>(static_cast<long long>(h.storedCount) - start, maxCount);
    if (n > 0 && r.Skip(static_cast<long long>(start) * ParticleBytes)
        && r.Bytes(out, n * ParticleBytes))
        count = int(n);
    return true;
}

bool ParticleGroup::Write(DString name)
{
    return dataio::WriteWhole(name + ".dpt", [this](DFile& file) { return Write(file); });
}

bool ParticleGroup::Write(DFile& file)
{
    dateStamp = Now();
    int const n = nParticles();
    int const head[5] = {DptVersion, 0, geometry, n, Cols};
    float const floats[7] = {headerB, headerA, t1, t2, t3, t4, t5};
    dataio::PutBytes(file, head, sizeof head);
    dataio::PutBytes(file, floats, sizeof floats);
    dataio::PutBytes(file, maxVals, sizeof maxVals);
    dataio::PutBytes(file, minVals, sizeof minVals);
    dataio::PutText(file, text1);
    dataio::PutText(file, text2);
    dataio::PutText(file, dateStamp);
    dataio::PutBytes(file, data, n * ParticleBytes);
    return true;
}

// The header of the file appended to, read once for the plan and the update.
struct ParticleGroup::FileHead {
    ParticleGroup head;
    DptHeader h;
    long long length = 0;
    // From the particle count to the end of the extremes: the bytes the append rewrites.
    unsigned char patch[HeaderPatchBytes] = {};
};

bool ParticleGroup::Append(DString name)
{
    DString const path = name + ".dpt";
    // From the header read to the last patched byte: another writer in between would lose
    // its particles or these. The lock's resolution of the path serves every step.
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

bool ParticleGroup::Append(DFile& file)
{
    FileHead head;
    return planAppend(file, head) == AppendInPlace && appendInPlace(file, head);
}

bool ParticleGroup::appendInPlace(DFile& file, FileHead const& fileHead)
{
    DptHeader const& h = fileHead.h;
    adoptFileHeader(fileHead.head);
    int const n = nParticles();
    if (n == 0)
        return true;

    // Particles first: until the header is patched, the file reads as the old group. The
    // count and the extremes then change in one write of the bytes that hold them, so that a
    // crash leaves either the old header or the new one, never a mix.
    long long const oldLength = fileHead.length;
    file.SeekAbs(h.particlesPos + h.storedCount * ParticleBytes);
    dataio::PutBytes(file, data, n * ParticleBytes);
    if (!file.Sync())
        return dataio::CutBack(file, oldLength);
    unsigned char block[HeaderPatchBytes];
    long long const extremes = h.extremesPos - h.countPos;
    static_assert(HeaderPatchBytes == 8 + 7 * 4 + 2 * sizeof maxVals, "count to extremes");
    int const len = HeaderPatchBytes;
    std::memcpy(block, fileHead.patch, sizeof block);
    unsigned char const* const old = fileHead.patch;
    std::memcpy(block, &fileCount, 4);
    std::memcpy(block + extremes, maxVals, sizeof maxVals);
    std::memcpy(block + extremes + sizeof maxVals, minVals, sizeof minVals);
    file.SeekAbs(h.countPos);
    dataio::PutBytes(file, block, len);
    if (!file.Sync())
        return dataio::CutBack(file, oldLength, h.countPos, old, len);
    return true;
}

ParticleGroup::AppendPlan ParticleGroup::planAppend(DFile& file, FileHead& fileHead) const
{
    dataio::Reader r(file);
    DptHeader& h = fileHead.h;
    fileHead.length = r.Length();
    r.ReadAhead(dataio::HeaderBytes);
    if (!ReadHeader(r, fileHead.head, h))
        return AppendRefused;
    if (static_cast<long long>(h.storedCount) + nParticles() > INT_MAX)
        return AppendRefused;
    // Older versions, other record widths and header extensions cannot take the new header
    // in place: such files are rewritten whole, as version 2.
    bool const current = h.version == DptVersion && h.extension == 0 && h.columns == Cols;
    if (!current)
        return AppendRewrite;
    // Taken now from the header at hand rather than read again for the update.
    bool const taken = r.Seek(h.countPos) && r.Bytes(fileHead.patch, HeaderPatchBytes);
    return taken ? AppendInPlace : AppendRefused;
}

bool ParticleGroup::appendByRewrite(DString const& path, std::string const& native)
{
    ParticleGroup whole;
    DFile in;
    if (!OpenResolved(in, native, 5)) {
        ReportIoFailure("cannot append to " + path);
        return false;
    }
    bool const read = whole.Read(in, INT_MAX, 0);
    in.Close();
    if (!read)
        return false;

    adoptFileHeader(whole);
    long long const old = static_cast<long long>(whole.nParticles()) * Cols;
    long long const added = static_cast<long long>(nParticles()) * Cols;
    whole.ValueStore::ReSize(int(old + added));
    std::memcpy(whole.data + old, data, size_t(added) * sizeof(float));
    std::memcpy(whole.maxVals, maxVals, sizeof maxVals);
    std::memcpy(whole.minVals, minVals, sizeof minVals);

    return dataio::ReplaceResolved(native, [&whole](DFile& out) { return whole.Write(out); });
}

void ParticleGroup::adoptFileHeader(ParticleGroup const& head)
{
    // Particles converted to the file's geometry need their extremes taken afresh.
    bool const converts = (geometry != 0) != (head.geometry != 0) && nParticles() > 0;
    SetGeometry(head.geometry);
    if (converts)
        Scale();
    headerB = head.headerB;
    headerA = head.headerA;
    t1 = head.t1;
    t2 = head.t2;
    t3 = head.t3;
    t4 = head.t4;
    t5 = head.t5;
    // This group's extremes (as Scale left them) merge with the stored ones; stored extremes
    // of an empty file, and own ones of an empty group, describe nothing and are passed over.
    bool const takeStored = nParticles() == 0;
    bool const merge = !takeStored && head.fileCount > 0;
    for (int c = 0; c < Cols; ++c) {
        if (takeStored || (merge && head.maxVals[c] > maxVals[c]))
            maxVals[c] = head.maxVals[c];
        if (takeStored || (merge && head.minVals[c] < minVals[c]))
            minVals[c] = head.minVals[c];
    }
    fileCount = head.fileCount + nParticles();
}
