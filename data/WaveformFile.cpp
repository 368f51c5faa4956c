// The .wvf file: a packed little-endian header, four short strings, a row descriptor, samples.
#include "Waveform.h"

#include "Clock.h"
#include "DFile.h"
#include "DFileNative_p.h"
#include "DNotify.h"
#include "FileSystem.h"
#include "IoFailure_p.h"
#include "LastFailure.h"
#include "WaveformIO_p.h"
#include "Waveform_p.h"
#include "WriterLock_p.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "The .wvf layout is packed by memcpy and needs a little-endian host"
#endif

namespace {

constexpr short WvfVersion = 4;
// Fields 3 to 25: count, fourteen floats and ints, a short, eight floats (offsets 4..93).
constexpr int FixedBytes = 90;
// Fields 30 to 32: a short 1, the point count and an int 1.
constexpr int RowBytes = 10;
// Block I/O is issued in pieces that keep the byte count of one call inside an int.
constexpr int64_t MaxBlock = 1 << 30;

// Sequential packing and unpacking of the fixed header fields.
class Packer {
public:
    explicit Packer(unsigned char* p) : p_(p) { }
    template <class T> void put(T v)
    {
        std::memcpy(p_, &v, sizeof v);
        p_ += sizeof v;
    }
    template <class T> T get()
    {
        T v;
        std::memcpy(&v, p_, sizeof v);
        p_ += sizeof v;
        return v;
    }

private:
    unsigned char* p_;
};

// True when the file holds at least n more bytes past its current position: a declared count
// is checked against the file's length before anything is allocated for it.
bool HasBytes(DFile& f, int64_t n)
{
    return n <= 0 || f.Length() - f.Tell() >= n;
}

// A 16-bit length record. DSRead takes only the bytes that are there (at most 32767), so a
// length past the end costs no more than that and shows as end of file.
bool ReadString(DFile& f, DString& s)
{
    f.DSRead(s, true);
    return !f.IsEOF();
}

void ReadBlock(DFile& f, void* buf, int64_t bytes)
{
    auto* p = static_cast<char*>(buf);
    for (int64_t done = 0; done < bytes; done += MaxBlock)
        f.BRead(p + done, static_cast<int>(std::min(MaxBlock, bytes - done)));
}

void WriteBlock(DFile& f, void const* buf, int64_t bytes)
{
    auto* p = static_cast<char const*>(buf);
    for (int64_t done = 0; done < bytes; done += MaxBlock)
        f.BWrite(p + done, static_cast<int>(std::min(MaxBlock, bytes - done)));
}

// True, and reported, when the file being replaced carries the locked marker or cannot be
// read to tell (it is then left as it is).
bool IsLockedFile(std::string const& native, DString const& name)
{
    DFile probe;
    if (!OpenResolved(probe, native, 5)) {
        ReportIoFailure("cannot write " + name);
        return true;
    }
    short version = 0;
    probe.BRead(&version, 2);
    probe.Close();
    if (version < 0) {
        ReportFailure(EACCES, "Could not write to " + name + " because it is locked");
        return true;
    }
    return false;
}

} // namespace

// Fills `into` (which starts as a copy of this header) with fields 1 to 32; false when the
// header is malformed or cut. The position is left at the first sample.
bool Waveform::readHeader(DFile& f, Waveform& into, int& version) const
{
    short lead[2] = {0, 0};
    f.BRead(lead, sizeof lead);
    if (f.IsEOF() || lead[1] < 0)
        return false;
    version = lead[0];
    if (lead[1] > 0)
        f.SeekRel(lead[1]);

    unsigned char fixed[FixedBytes];
    f.BRead(fixed, FixedBytes);
    if (f.IsEOF())
        return false;
    Packer in(fixed);
    into.fileCount = in.get<int32_t>();
    into.t4 = in.get<float>();
    into.step = in.get<float>();
    into.t5 = in.get<float>();
    into.calibration = in.get<float>();
    into.attenuation = in.get<float>();
    float const startNoShift = in.get<float>();
    into.timeShift = in.get<float>();
    into.maxVal = in.get<float>();
    into.minVal = in.get<float>();
    into.maxPoint = in.get<int32_t>();
    into.minPoint = in.get<int32_t>();
    into.scaleUnit = in.get<float>();
    in.get<int16_t>();
    into.scopeValue = in.get<float>();
    into.t1 = in.get<float>();
    into.t2 = in.get<float>();
    into.t3 = in.get<float>();
    into.offset = in.get<float>();
    into.scopeShift = in.get<float>();
    float const shift2 = in.get<float>();
    into.scopeAux1 = in.get<float>();
    into.scopeAux2 = in.get<float>();

    if (into.step == 0.0f)
        into.step = 1.0f;
    if (into.scaleUnit == 0.0f)
        into.scaleUnit = 1.0f;
    int const magnitude = version < 0 ? -version : version;
    into.scopeShift2 = magnitude >= 4 ? shift2 : 0.0f;
    into.startBase = (startNoShift - into.scopeShift) - into.scopeShift2;

    if (into.fileCount < 0)
        return false;
    DString units;
    if (!ReadString(f, into.description) || !ReadString(f, into.dateStamp)
        || !ReadString(f, into.note) || !ReadString(f, units))
        return false;
    if (units.Len() > 0)
        into.description += "units of " + units;
    unsigned char row[RowBytes];
    f.BRead(row, RowBytes);
    return !f.IsEOF();
}

bool Waveform::Read(DFile& file, int n)
{
    Waveform head;
    head.CopyHeader(*this);
    int version = 0;
    if (!readHeader(file, head, version)) {
        Clear();
        return false;
    }
    int const want = n >= 0 ? n : head.fileCount;
    int const stored = std::min(want, head.fileCount);
    // Every stored sample must be there before memory is taken for them.
    int64_t const storedBytes = int64_t(head.fileCount) * 4;
    if (head.fileCount < 0 || !HasBytes(file, storedBytes)) {
        Clear();
        return false;
    }
    setUnsetCount(want);
    ReadBlock(file, Data(), int64_t(stored) * 4);
    if (stored > 0 && file.IsEOF()) {
        Clear();
        return false;
    }
    if (want > stored)
        std::memset(static_cast<void*>(Data() + stored), 0, sizeof(float) * size_t(want - stored));
    CopyHeader(head);
    if (version < 0)
        lockState = 1;
    return true;
}

bool Waveform::Read(DString name, int n)
{
    name += ".wvf";
    DFile file;
    if (!file.Open(name, 5)) {
        Clear();
        return false;
    }
    bool const ok = Read(file, n);
    file.Close();
    return ok;
}

bool Waveform::Write(DFile& file)
{
    writeImage(file, Data(), npnts());
    return true;
}

void Waveform::writeImage(DFile& file, float const* s, int n)
{
    dateStamp = Now();
    unsigned char head[4 + FixedBytes];
    Packer out(head);
    out.put<int16_t>((lockState & 2) ? -WvfVersion : WvfVersion);
    out.put<int16_t>(0);
    out.put<int32_t>(n);
    out.put<float>(t4);
    out.put<float>(step);
    out.put<float>(t5);
    out.put<float>(calibration);
    out.put<float>(attenuation);
    out.put<float>((startBase + scopeShift) + scopeShift2);
    out.put<float>(timeShift);
    out.put<float>(maxVal);
    out.put<float>(minVal);
    out.put<int32_t>(maxPoint);
    out.put<int32_t>(minPoint);
    out.put<float>(scaleUnit);
    out.put<int16_t>(0);
    out.put<float>(scopeValue);
    out.put<float>(t1);
    out.put<float>(t2);
    out.put<float>(t3);
    out.put<float>(offset);
    out.put<float>(scopeShift);
    out.put<float>(scopeShift2);
    out.put<float>(scopeAux1);
    out.put<float>(scopeAux2);
    file.BWrite(head, sizeof head);

    // Texts past 32767 bytes are cut by DSWrite, so the lengths always read back.
    file.DSWrite(description, 2);
    file.DSWrite(dateStamp, 2);
    file.DSWrite(note, 2);
    file.DSWrite(DString(), 2);

    unsigned char row[RowBytes];
    Packer rowOut(row);
    rowOut.put<int16_t>(1);
    rowOut.put<int32_t>(n);
    rowOut.put<int32_t>(1);
    file.BWrite(row, RowBytes);
    WriteBlock(file, s, int64_t(n) * 4);
}

bool Waveform::Write(DString name)
{
    return writeNamed(name, Data(), npnts());
}

bool Waveform::writeNamed(DString name, float const* s, int n)
{
    name += ".wvf";
    // The marker is checked and the file replaced under one lock, so that no other writer
    // locks or replaces the file in between.
    WriterLock lock(name);
    if (lock.TimedOut())
        return false;
    DFile file;
    if (!OpenResolved(file, lock.Native(), 6))
        return false;
    if (lockState < 4 && ReplacesExisting(file) && IsLockedFile(lock.Native(), name)) {
        Abandon(file);
        return false;
    }
    writeImage(file, s, n);
    return file.Close(); // false keeps the old file: the new one replaces it only when complete
}

bool WaveformIO::ScaleAndWrite(Waveform& w, DString const& name, float const* s, int n)
{
    n = std::max(n, 0);
    if (std::all_of(s, s + n, wvf::ValidSample)) {
        w.scaleOver(s, n, nullptr);
        return w.writeNamed(name, s, n);
    }
    w.setUnsetCount(n);
    std::memcpy(w.Data(), s, size_t(n) * sizeof(float));
    w.Scale();
    return w.Write(name);
}
