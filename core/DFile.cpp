// DFile: stream ownership, atomic whole-file writes, string records, lines and text helpers.
#include "DFile.h"

#include "FileSystem.h"
#include "IoFailure_p.h"
#include "LastFailure.h"
#include "Platform.h"

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#if defined(_WIN32)
#define TALVEX_FSEEK _fseeki64
#define TALVEX_FTELL _ftelli64
#else
#define TALVEX_FSEEK fseeko
#define TALVEX_FTELL ftello
#endif

// The stream shared by all copies of a DFile. Reads go to the system at explicit offsets
// through `buffer` (`in`); writes go through a C stream (`fp`).
struct DFile::Stream {
    std::FILE* fp = nullptr;
    platform::InputFile in;        // read-only opens
    long long pos = 0;             // `in`: the position
    long long bufAt = 0;           // `in`: the file offset of the buffer's first byte
    int bufLen = 0;                // `in`: bytes of the file held in the buffer
    int window = 0;                // `in`: bytes one fill of the buffer asks for
    bool eof = false;              // `in`: a read met the end of the file (or failed)
    std::string pending;           // create streams: written bytes not yet handed to `fp`
    platform::Replacement replace; // its temp is empty for reads and in-place updates
    std::string& temp = replace.temp;
    std::string target;             // the native path; what `temp` replaces on a successful close
    std::unique_ptr<char[]> buffer; // the read buffer, kept for the next open
    int bufferSize = 0;
    bool writes = false; // opened for writing: closing syncs and reports
    bool dirty = false;  // written since the last Sync
    bool failed = false; // a write fell short: the target must not be replaced
    platform::Error why; // the first failure's reason
    int refs = 1;

    bool IsOpen() const { return fp || in.IsOpen(); }

    // A buffer of at least n bytes for a stream about to be opened (never for an open one).
    char* Buffer(int n)
    {
        if (bufferSize < n) {
            buffer.reset(new char[size_t(n)]);
            bufferSize = n;
        }
        return buffer.get();
    }

    void Fail()
    {
        if (!failed)
            why = platform::LastError();
        failed = true;
    }

    // Hands the pending bytes of a create stream to the file; false once any write failed.
    bool Drain()
    {
        if (!pending.empty() && !failed
            && !platform::WriteStream(fp, pending.data(), pending.size()))
            Fail();
        pending.clear();
        return !failed;
    }

    void Append(const char* p, size_t n);
    size_t Buffered() const;
    long long Fill();
    size_t Read(void* out, size_t n);
    bool Gets(char* out, int size);
    void Scan(const char* fmt, void* p);
    void Seek(long long to);
    long long Tell();
    void Shut();
};

void ReportIoFailure(const DString& what)
{
    const platform::Error& e = platform::LastError();
    ReportFailure(e.code, what + ": " + DString(e.text.c_str()));
}

void ReportIoFailure(const DString& what, int code, const std::string& reason)
{
    ReportFailure(code, what + ": " + DString(reason.c_str()));
}

namespace {
const int MaxBlock = 60000000;
// A large block is written through a small buffer that stays in the processor's cache: the
// system copies from it into the file's pages several times faster than from a large block
// (measured: 40 MB in a fifth of the time on a virtual machine).
const int StagedBlock = 262144;
const int Stage = 65536;
const int CopyChunk = 1048576;
// Bytes a create stream gathers before it writes: a small file costs a small buffer, and most
// data files fit whole, so they reach the file in one write.
const size_t CreateBuffer = 262144;
// A read buffer holds a small file whole and at least a block of a large one.
const int ReadBuffer = 8192;
const int MaxReadBuffer = 65536;
const char LineEnd[] = "\r\n";

const char* ModeFor(int flags)
{
    switch (flags) {
    case 1: return "r";
    case 2: return "w";
    case 3: return "r+";
    case 5: return "rb";
    case 6: return "wb";
    case 7: return "r+b";
    default: return nullptr;
    }
}

bool Creates(int flags)
{
    return flags == 2 || flags == 6;
}

std::string Native(const DString& path, bool forWrite)
{
    if (!path)
        return std::string();
    return platform::ToNative(std::string(path.c_str(), size_t(path.Len())), forWrite);
}

// A read opens a native path as written first: the exact name wins over its case variants, so
// only a miss needs the lookup (which costs a status call per path, or a folder scan).
bool ExactFirst(const DString& path, int flags, std::string& text)
{
    if (platform::kWindows || (flags != 1 && flags != 5) || path.Len() <= 0)
        return false;
    text.assign(path.c_str(), size_t(path.Len()));
    return text.find('\\') == std::string::npos && !(text.size() > 1 && text[1] == ':');
}

// True when a failed exact open may still find the file under another letter case.
bool MissedName()
{
    const int code = platform::LastError().code;
    return code == ENOENT || code == ENOTDIR;
}

DString Shown(const std::string& native)
{
    return DString(native.c_str());
}
} // namespace

void DFile::Stream::Append(const char* p, size_t n)
{
    while (n > 0 && !failed) { // after a failed write nothing more can reach the file
        if (pending.size() == CreateBuffer && !Drain())
            return;
        const size_t take = std::min(n, CreateBuffer - pending.size());
        if (pending.size() + take > pending.capacity()) // doubling, up to the limit
            pending.reserve(
                std::min(CreateBuffer, std::max(2 * pending.capacity(), pending.size() + take)));
        pending.append(p, take);
        p += take;
        n -= take;
    }
}

size_t DFile::Stream::Buffered() const
{
    return pos >= bufAt && pos < bufAt + bufLen ? size_t(bufAt + bufLen - pos) : 0;
}

long long DFile::Stream::Fill()
{
    const long long got = platform::ReadInput(in, pos, buffer.get(), size_t(window));
    bufAt = pos;
    bufLen = got > 0 ? int(got) : 0;
    return got;
}

size_t DFile::Stream::Read(void* out, size_t n)
{
    if (fp) {
        Drain();
        return std::fread(out, 1, n, fp);
    }
    char* p = static_cast<char*>(out);
    size_t got = 0;
    while (got < n) {
        if (const size_t have = Buffered()) {
            const size_t take = std::min(n - got, have);
            std::memcpy(p + got, buffer.get() + (pos - bufAt), take);
            got += take;
            pos += static_cast<long long>(take);
            continue;
        }
        // What would not fit the buffer goes straight into the caller's memory.
        const size_t want = n - got;
        const long long r = want >= size_t(window) ? platform::ReadInput(in, pos, p + got, want)
                                                   : Fill();
        if (r <= 0) {
            eof = true; // a failed read ends the data as the end of the file does
            break;
        }
        if (want >= size_t(window)) {
            got += size_t(r);
            pos += r;
        }
    }
    return got;
}

// fgets: up to size - 1 bytes, through the first LF.
bool DFile::Stream::Gets(char* out, int size)
{
    if (fp) {
        Drain();
        return std::fgets(out, size, fp) != nullptr;
    }
    size_t k = 0;
    const size_t most = size > 1 ? size_t(size - 1) : 0;
    while (k < most) {
        if (!Buffered() && Fill() <= 0) {
            eof = true;
            break;
        }
        const char* from = buffer.get() + (pos - bufAt);
        const size_t avail = std::min(Buffered(), most - k);
        const void* lf = std::memchr(from, '\n', avail);
        const size_t take = lf ? size_t(static_cast<const char*>(lf) - from) + 1 : avail;
        std::memcpy(out + k, from, take);
        k += take;
        pos += static_cast<long long>(take);
        if (lf)
            break;
    }
    out[k] = '\0';
    return k > 0;
}

// Formatted reads take at most one buffer of text from the position at a time.
void DFile::Stream::Scan(const char* fmt, void* p)
{
    if (fp) {
        Drain();
        (void)std::fscanf(fp, fmt, p);
        return;
    }
    const long long got = Fill();
    if (got <= 0) {
        eof = true;
        return;
    }
    const std::string text(buffer.get(), size_t(got));
    const std::string counted = std::string(fmt) + "%n";
    int used = 0;
    if (std::sscanf(text.c_str(), counted.c_str(), p, &used) == EOF)
        used = int(got); // nothing but blanks: taken, as the stream takes them
    pos += used;
    eof = used == got && got < window;
}

void DFile::Stream::Seek(long long to)
{
    if (fp) {
        Drain(); // a failed write still lets the caller seek back and cut the file
        TALVEX_FSEEK(fp, to, SEEK_SET);
    } else if (to >= 0) {
        pos = to;
        eof = false;
    }
}

long long DFile::Stream::Tell()
{
    if (!fp)
        return pos;
    Drain();
    return static_cast<long long>(TALVEX_FTELL(fp));
}

// Closes a read-only stream.
void DFile::Stream::Shut()
{
    platform::CloseInput(in);
    pos = bufAt = 0;
    bufLen = 0;
    eof = false;
}

DFile::DFile() : d(nullptr) { }

DFile::DFile(const DFile& other) : d(other.d)
{
    if (d)
        ++d->refs;
}

DFile& DFile::operator=(const DFile& other)
{
    Stream* shared = other.d; // `other` may be this object
    if (shared)
        ++shared->refs;
    Release();
    d = shared;
    return *this;
}

DFile::~DFile()
{
    Release();
}

void DFile::Release()
{
    assert((!d || d->refs > 0) && "DFile stream released more often than shared");
    if (d && --d->refs == 0) {
        Close();
        delete d;
    }
    d = nullptr;
}

bool DFile::Open(DString path, int flags)
{
    std::string exact;
    if (ExactFirst(path, flags, exact) && (OpenNative(exact, flags) || !MissedName()))
        return IsOpen();
    return OpenNative(ModeFor(flags) ? Native(path, Creates(flags)) : std::string(), flags);
}

bool DFile::OpenNative(const std::string& native, int flags)
{
    Close();
    if (d && d->refs > 1)
        Release();
    if (!d)
        d = new Stream;

    const char* mode = ModeFor(flags);
    if (!mode || native.empty())
        return false;
    d->target = native;
    d->writes = flags != 1 && flags != 5;

    if (Creates(flags)) {
        // Never in place: without a temporary file beside it the target is left alone.
        d->fp = platform::BeginReplace(native, flags == 6, d->replace);
        if (!d->fp) {
            ReportIoFailure("cannot write " + Shown(native));
            return false;
        }
        // Unbuffered: the stream's pending bytes are its buffer, sized to what is written.
        std::setvbuf(d->fp, nullptr, _IONBF, 0);
        d->pending.clear();
        return true;
    }
    if (d->writes && platform::IsReadOnly(native)) {
        ReportIoFailure("cannot write " + Shown(native));
        return false;
    }
    // Reads need no C stream: one open and one status call give the handle and the length
    // (Windows text reads keep the stream for its line-end translation).
    if (!d->writes && (flags == 5 || !platform::kWindows)) {
        if (!platform::OpenInput(native, d->in))
            return false; // a missing file to read is an answer, not a failure
        // A small file is read whole at the first read; a large one reads its head through
        // the buffer and the rest straight into the caller's memory.
        const long long size = d->in.size;
        d->window = size > ReadBuffer && size <= MaxReadBuffer ? int(size) : ReadBuffer;
        d->Buffer(d->window);
        return true;
    }
    d->fp = platform::OpenStream(native, mode);
    // In-place updates go straight to the file, so that a write that fell short can be
    // cut back at once and never lingers in a buffer to land after the cut.
    if (d->fp && d->writes)
        std::setvbuf(d->fp, nullptr, _IONBF, 0);
    if (!d->fp) {
        if (d->writes) // a missing file to read is an answer, not a failure
            ReportIoFailure("cannot write " + Shown(native));
        return false;
    }
    return true;
}

bool OpenResolved(DFile& f, const std::string& native, int flags)
{
    return f.OpenNative(native, flags);
}

bool ReplacesExisting(const DFile& f)
{
    return f.d && f.d->fp && !f.d->temp.empty() && f.d->replace.existed;
}

void Abandon(DFile& f)
{
    if (!f.d || !f.d->fp)
        return;
    std::fclose(f.d->fp);
    f.d->fp = nullptr;
    f.d->pending.clear();
    platform::DiscardTemp(f.d->temp);
    f.d->replace = platform::Replacement();
    f.d->target.clear();
    f.d->writes = f.d->dirty = f.d->failed = false;
}

bool DFile::Close()
{
    if (!d || !d->IsOpen())
        return true;
    if (!d->fp) {
        d->Shut();
        d->target.clear();
        return true;
    }
    // Only writes decide: a failed read on an update stream must not cost the new contents.
    bool ok = d->Drain();
    // An in-place update that synced its last write is complete: closing cannot undo it.
    const bool pending = d->writes && (d->dirty || !d->temp.empty());
    if (pending && ok && !platform::SyncStream(d->fp)) {
        d->Fail();
        ok = false;
    }
    if (!pending)
        std::fclose(d->fp);
    else if (!platform::CloseStream(d->fp) && ok) {
        d->Fail();
        ok = false;
    }
    d->fp = nullptr;
    if (!d->temp.empty()) {
        if (!ok)
            platform::DiscardTemp(d->temp);
        else if (!platform::CommitReplace(d->replace)) {
            d->Fail();
            ok = false;
        }
    }
    if (!ok)
        ReportIoFailure("cannot write " + Shown(d->target), d->why.code, d->why.text);
    d->replace = platform::Replacement();
    d->target.clear();
    d->writes = false;
    d->dirty = false;
    d->failed = false;
    return ok;
}

bool DFile::Sync()
{
    if (!IsOpen())
        return false;
    if (d->fp && d->Drain() && !platform::SyncStream(d->fp))
        d->Fail();
    d->dirty = d->failed;
    return !d->failed;
}

bool DFile::Truncate(__int64 length)
{
    if (!IsOpen() || !d->fp)
        return false;
    d->Drain();
    const platform::Error keep = d->why; // the failure that made the caller cut back
    if (!platform::TruncateStream(d->fp, length)) {
        d->Fail();
        return false;
    }
    if (d->failed)
        d->why = keep;
    TALVEX_FSEEK(d->fp, length, SEEK_SET);
    return true;
}

bool DFile::Failed() const
{
    return d && d->failed;
}

bool DFile::IsOpen() const
{
    return d && d->IsOpen();
}

bool DFile::IsEOF() const
{
    return IsOpen() && (d->fp ? std::feof(d->fp) != 0 : d->eof);
}

__int64 DFile::Tell() const
{
    return IsOpen() ? static_cast<__int64>(d->Tell()) : -1;
}

__int64 DFile::Length() const
{
    if (!IsOpen())
        return -1;
    if (!d->fp)
        return d->in.size; // as the open found it
    d->Drain();
    // A read-only stream holds nothing unwritten: the system knows its length without a seek
    // that would throw away the stream's buffer.
    if (!d->writes) {
        const long long n = platform::ReadStreamLength(d->fp);
        if (n >= 0)
            return n;
    }
    __int64 const at = TALVEX_FTELL(d->fp);
    if (at < 0 || TALVEX_FSEEK(d->fp, 0, SEEK_END) != 0)
        return -1;
    __int64 const end = TALVEX_FTELL(d->fp);
    TALVEX_FSEEK(d->fp, at, SEEK_SET);
    return end;
}

void DFile::SeekAbs(__int64 pos)
{
    if (IsOpen())
        d->Seek(pos);
}

void DFile::SeekRel(__int64 delta)
{
    if (!IsOpen())
        return;
    if (!d->fp) {
        d->Seek(d->pos + delta);
        return;
    }
    d->Drain();
    TALVEX_FSEEK(d->fp, delta, SEEK_CUR);
}

void DFile::BRead(void* buf, int n)
{
    if (!IsOpen())
        return;
    char* p = static_cast<char*>(buf);
    while (n > 0) {
        const int chunk = std::min(n, MaxBlock);
        if (d->Read(p, size_t(chunk)) != size_t(chunk))
            return;
        p += chunk;
        n -= chunk;
    }
}

void DFile::BWrite(const void* buf, int n)
{
    if (!IsOpen())
        return;
    d->dirty = true;
    const char* p = static_cast<const char*>(buf);
    if (!d->temp.empty()) {
        d->Append(p, size_t(std::max(n, 0)));
        return;
    }
    std::unique_ptr<char[]> stage(n >= StagedBlock ? new char[Stage] : nullptr);
    while (n > 0) {
        const int chunk = std::min(n, stage ? Stage : MaxBlock);
        const char* from = p;
        if (stage)
            from = static_cast<const char*>(std::memcpy(stage.get(), p, size_t(chunk)));
        if (!platform::WriteStream(d->fp, from, size_t(chunk))) {
            d->Fail();
            return;
        }
        p += chunk;
        n -= chunk;
    }
}

void DFile::ARead(const DString& fmt, void* p)
{
    if (IsOpen())
        d->Scan(fmt.c_str(), p);
}

void DFile::DSWrite(const DString& s, int width)
{
    if (!IsOpen())
        return;
    int len = s.Len();
    unsigned char head[4];
    if (width == 4) {
        for (int i = 0; i < 4; ++i)
            head[i] = static_cast<unsigned char>(unsigned(len) >> (8 * i));
        BWrite(head, 4);
    } else if (width == 2) {
        // The length is read back as signed 16 bits: never announce more than that.
        len = std::min(len, 32767);
        head[0] = static_cast<unsigned char>(len);
        head[1] = static_cast<unsigned char>(len >> 8);
        BWrite(head, 2);
    }
    BWrite(s.c_str(), len);
}

void DFile::DSRead(DString& s, bool shortForm)
{
    if (!IsOpen())
        return;
    unsigned char head[4] = {0, 0, 0, 0};
    const size_t width = shortForm ? 2 : 4;
    if (d->Read(head, width) != width)
        return;
    const int len = shortForm ? int(short(head[0] | (head[1] << 8)))
                              : int(unsigned(head[0]) | unsigned(head[1]) << 8
                                    | unsigned(head[2]) << 16 | unsigned(head[3]) << 24);
    if (len < 1)
        return;

    // Grow with what is really there, so that a corrupt length cannot demand a huge block.
    int have = 0;
    int room = std::min(len, 65536);
    char* buf = s.GetBuffer(room);
    while (true) {
        have += int(d->Read(buf + have, size_t(room - have)));
        if (have < room || room == len)
            break;
        room = room > len / 2 ? len : room * 2;
        buf = s.GetBuffer(room);
    }
    if (have < room)
        s.GetBuffer(have);
}

void DFile::ReadLine(DString& line, int maxLen)
{
    line = DString();
    if (!IsOpen() || maxLen < 3)
        return;
    // Short lines are the rule: a stack buffer saves an allocation per line.
    char local[1024];
    std::unique_ptr<char[]> heap;
    char* buf = local;
    if (maxLen - 1 > int(sizeof local)) {
        heap.reset(new char[size_t(maxLen - 1)]);
        buf = heap.get();
    }
    if (!d->Gets(buf, maxLen - 1))
        return;
    size_t n = std::strlen(buf);
    if (n > 0 && buf[n - 1] == '\n')
        --n;
    if (n > 0 && buf[n - 1] == '\r')
        --n;
    line = DString(buf, int(n));
}

void DFile::ReadLineArray(DStringArray& fields, int maxLen, const char* delim)
{
    DString line;
    ReadLine(line, maxLen);
    fields.Split(line, delim, -1);
}

DString DFile::GetText(const DString& path)
{
    // Open, status, one read, close: the length comes with the open.
    DString text;
    platform::InputFile in;
    std::string exact;
    const bool tried = ExactFirst(path, 5, exact);
    bool opened = tried && platform::OpenInput(exact, in);
    if (!opened && (!tried || MissedName()))
        opened = platform::OpenInput(Native(path, false), in);
    if (!opened)
        return text;
    const long long len = in.size;
    if (len > 0 && len < INT_MAX) {
        char* buf = text.GetBuffer(int(len));
        long long got = 0;
        while (got < len) {
            const long long r = platform::ReadInput(in, got, buf + got, size_t(len - got));
            if (r <= 0)
                break;
            got += r;
        }
        if (got < len)
            text.GetBuffer(int(got));
    }
    platform::CloseInput(in);
    return text;
}

void DFile::GetLines(const DString& path, DStringArray& lines)
{
    lines.Split(GetText(path), LDelim, -1);
}

void DFile::GetArray(const DString& path, DStringArray& table, const char* delim)
{
    table.Split2D(GetText(path), delim, -1);
}

void DFile::GetStringTable(const DString& path, DArray<DStringArray, 1>& table, const char* delim)
{
    DStringArray lines;
    GetLines(path, lines);
    lines.MakeTable(table, delim, -1);
}

bool DFile::WriteText(const DString& path, DString text)
{
    DFile f;
    if (!f.Open(path, 6))
        return false;
    f.BWrite(text.c_str(), text.Len());
    return f.Close();
}

bool DFile::WriteLine(const DString& path, const DString& line)
{
    const std::string native = Native(path, true);
    if (native.empty())
        return false;
    // Where one write to an append stream is not one atomic append (Windows, and wine above
    // all), writers of the file take turns. Taken quietly: the log appends through here, and a
    // lock that timed out must not report itself into the log again.
    struct Turn {
        int handle;
        ~Turn() { platform::ReleaseWriterLock(handle); }
    } turn {platform::kWindows ? platform::AcquireWriterLock(native) : -1};
    std::FILE* fp = platform::OpenStream(native, "ab");
    if (!fp) {
        SetLastFailure(platform::LastError().code,
                       "cannot append to " + Shown(native) + ": "
                           + DString(platform::LastError().text.c_str()));
        return false;
    }
    // Unbuffered, the whole line reaches the file in one append even when other processes
    // append to the same file.
    std::string bytes(line.c_str(), size_t(line.Len()));
    bytes += LineEnd;
    std::setvbuf(fp, nullptr, _IONBF, 0);
    bool ok = platform::WriteStream(fp, bytes.data(), bytes.size());
    ok = platform::CloseStream(fp) && ok;
    if (!ok)
        SetLastFailure(platform::LastError().code,
                       "cannot append to " + Shown(native) + ": "
                           + DString(platform::LastError().text.c_str()));
    return ok;
}

bool DFile::WriteLines(const DString& path, const DStringArray& lines)
{
    DFile f;
    if (!f.Open(path, 6))
        return false;
    for (int i = 0; i < lines.Count(); ++i) {
        if (i > 0)
            f.BWrite(LineEnd, 2);
        f.BWrite(lines[i].c_str(), lines[i].Len());
    }
    return f.Close();
}

bool DFile::WriteArray(const DString& path, const DStringArray& table, const char* delim)
{
    DFile f;
    if (!f.Open(path, 6))
        return false;
    const int cols = table.CCount();
    const int delimLen = int(std::strlen(delim ? delim : ""));
    for (int r = 0; r < table.RCount(); ++r) {
        if (r > 0)
            f.BWrite(LineEnd, 2);
        for (int c = 0; c < cols; ++c) {
            if (c > 0)
                f.BWrite(delim, delimLen);
            const DString& field = table[r * cols + c];
            f.BWrite(field.c_str(), field.Len());
        }
    }
    return f.Close();
}

bool DFile::CopyLargeFile(const DString& from, const DString& to)
{
    const int len = GetFileLen(from);
    DFile in;
    if (len < 0 || !in.Open(from, 5)) {
        if (len < 0)
            platform::SetError(ENOENT);
        ReportIoFailure("cannot copy " + from + " to " + to);
        return false;
    }
    DFile out;
    if (!out.Open(to, 6))
        return false;
    std::vector<char> buf(size_t(std::min(len, CopyChunk)));
    for (int left = len; left > 0;) {
        const int chunk = std::min(left, CopyChunk);
        if (in.d->Read(buf.data(), size_t(chunk)) != size_t(chunk)) {
            platform::SetError(EIO, "the source " + in.d->target + " could not be read whole");
            out.d->Fail(); // the source shrank: keep the old target
            break;
        }
        out.BWrite(buf.data(), chunk);
        left -= chunk;
    }
    in.Close();
    return out.Close();
}
