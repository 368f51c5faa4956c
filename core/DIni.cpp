// DIni: parsing, lookup, write-through and change detection of settings files.
#include "DIni.h"

#include "Clock.h"
#include "Core.h"
#include "DFile.h"
#include "FileSystem.h"
#include "LastFailure.h"
#include "Log.h"
#include "Paths.h"
#include "Platform.h"
#include "WriterLock_p.h"

#include <cerrno>
#include <climits>
#include <chrono>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

namespace {
const int EmptyReadRetries = 10;
const int EmptyReadPauseMs = 50;
// An empty file unwritten for this long is not being rewritten (nanoseconds).
const long long EmptyFileQuietNs = 2000000000LL;

char FoldAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool EqualFold(const char* a, const char* b, int n)
{
    for (int i = 0; i < n; ++i)
        if (FoldAscii(a[i]) != FoldAscii(b[i]))
            return false;
    return true;
}

bool SameName(const DString& a, const DString& b)
{
    return a.Len() == b.Len() && EqualFold(a.c_str(), b.c_str(), a.Len());
}

std::string Folded(const DString& name)
{
    std::string key(name.c_str(), size_t(name.Len()));
    for (char& c : key)
        c = FoldAscii(c);
    return key;
}

bool IsBlank(const char* p, int n)
{
    for (int i = 0; i < n; ++i)
        if (p[i] != ' ')
            return false;
    return true;
}

// Calls f(start, length) for each line of the n bytes at p: split at LF, one trailing CR
// dropped.
template <class F> void ForEachLine(const char* p, int n, F f)
{
    int start = 0;
    while (start < n) {
        const void* lf = std::memchr(p + start, '\n', size_t(n - start));
        const int end = lf ? int(static_cast<const char*>(lf) - p) : n;
        int len = end - start;
        if (len > 0 && p[start + len - 1] == '\r')
            --len;
        f(start, len);
        start = end + 1;
    }
}

// The n bytes at p, NULs included.
DString Slice(const char* p, int n)
{
    DString s;
    if (n > 0)
        std::memcpy(s.GetBuffer(n), p, size_t(n));
    return s;
}

// The name of a header line "[name]": up to the last ']', or the whole rest without one.
DString HeaderName(const char* p, int len)
{
    int end = len;
    while (end > 1 && p[end - 1] != ']')
        --end;
    const int nameLen = end > 1 ? end - 2 : len - 1;
    return Slice(p + 1, nameLen);
}
} // namespace

// The lines of one section. A settings file holds many short sections, so they grow in small
// steps instead of the usual 256 elements: copies keep the step.
namespace {
class SectionLines : public DStringArray {
public:
    SectionLines() { growBy = 8; }
};
} // namespace

// One change of the memory copy that has not reached the file yet. Sections are named, not
// numbered, so that the change applies to another copy of the file as well.
namespace {
struct Change {
    enum Kind { SetKey, DeleteKey, CreateSection, SetLines, DeleteSection, RenameSection };
    Kind kind;
    DString section;
    DString key;        // SetKey and DeleteKey: the key; RenameSection: the new name
    DString line;       // SetKey: the whole key=value line
    DStringArray lines; // SetLines
};
} // namespace

class DIni::Journal {
public:
    std::vector<Change> changes;
};

// Section name (without regard to case) -> number of the first section of that name: an
// open-addressed table of section numbers, so that a file of 100,000 sections costs a few
// bytes a section instead of a string and a node each.
class DIni::SectionIndex {
public:
    explicit SectionIndex(const DStringArray& names)
    {
        slots.assign(SlotsFor(names.Count()), -1);
        for (int i = 0; i < names.Count(); ++i)
            Add(names, i);
    }
    int Find(const DStringArray& names, const DString& name) const
    {
        for (size_t at = Hash(name) & (slots.size() - 1);; at = (at + 1) & (slots.size() - 1)) {
            const int i = slots[at];
            if (i < 0 || SameName(names[i], name))
                return i;
        }
    }
    // Section i, unless an earlier one has its name.
    void Add(const DStringArray& names, int i)
    {
        if (size_t(used + 1) * 2 > slots.size()) {
            slots.assign(slots.size() * 2, -1);
            used = 0;
            for (int j = 0; j < i; ++j)
                Place(names, j);
        }
        Place(names, i);
    }

private:
    static size_t SlotsFor(int n)
    {
        size_t size = 16;
        while (size < size_t(n) * 2 + 2)
            size *= 2;
        return size;
    }
    static size_t Hash(const DString& name)
    {
        size_t h = 14695981039346656037ULL;
        const char* p = name.c_str();
        for (int k = 0; k < name.Len(); ++k)
            h = (h ^ (unsigned char)FoldAscii(p[k])) * 1099511628211ULL;
        return h ^ (h >> 29);
    }
    void Place(const DStringArray& names, int i)
    {
        for (size_t at = Hash(names[i]) & (slots.size() - 1);; at = (at + 1) & (slots.size() - 1)) {
            if (slots[at] < 0) {
                slots[at] = i;
                ++used;
                return;
            }
            if (SameName(names[slots[at]], names[i]))
                return;
        }
    }
    std::vector<int> slots; // -1: free; a power of two long, at most half used
    int used = 0;
};

namespace {
// Where the lines of a section nobody has read or changed lie in the file's text: they are
// made into strings only when the section is used. A negative length: the section holds its
// lines itself.
struct Span {
    int start;
    int len;
};
} // namespace

// What this object knows of its file: the text it last read or wrote there, with the stamp the
// file had then, and how memory stands to that text.
struct DIni::DiskState {
    std::string text;
    platform::FileStamp stamp; // when `stamped`: the file holds `text` while it keeps this stamp
    bool stamped = false;
    bool memoryIsText = false; // memory is what parsing `text` gives: unchanged since
    bool readsBack = false;    // parsing `text` gives memory without the journal's changes
    bool textIsBase = false;   // writing memory without the journal's changes gives the file
    bool textIsFile = true;    // the file holds `text` (else what memory gave at the last write)
    std::string tail;          // unless textIsFile: the file from its last section's header on
    int sections = 0;          // that memory's sections, and the lines of its last one
    int lastLines = 0;
    // What RestoreFile returns to: the first snapshotLen bytes of `text`, else `snapshot`.
    bool snapshotInText = true;
    size_t snapshotLen = 0;
    std::string snapshot;
    // One per section while some sections are still in `text` (empty: none is). `text` only
    // grows at its end or is replaced by a fresh read, which is parsed again, so the spans stay
    // true; a full write leaves it as it is.
    std::vector<Span> spans;

    // Before `text` is replaced: a snapshot that lies in it takes the text over, so that the
    // file is never held twice while the new text is made.
    void KeepSnapshot()
    {
        if (snapshotInText) {
            snapshot = std::move(text);
            snapshot.resize(snapshotLen);
            text = std::string();
            snapshotInText = false;
        }
    }
    void SnapshotIsText()
    {
        snapshotInText = true;
        snapshotLen = text.size();
        snapshot = std::string();
    }
};

namespace {
// True when reading the written lines back gives the same lines: a line that is blank, starts
// a section or holds a line feed would come back otherwise.
bool ReadsBack(const char* p, int len)
{
    return len > 0 && p[0] != '[' && !IsBlank(p, len) && !std::memchr(p, '\n', size_t(len));
}

// Calls visit(p, len) for each line of section i, whether it holds its lines or they still
// lie in the text (blank lines, which a reader drops, skipped as parsing skips them).
struct LineSource {
    const DArray<DStringArray, 1>& sections;
    const std::vector<Span>& spans;
    const std::string& text;
    template <class V> void operator()(int i, V visit) const
    {
        if (!spans.empty() && spans[size_t(i)].len >= 0) {
            const char* p = text.data() + spans[size_t(i)].start;
            ForEachLine(p, spans[size_t(i)].len, [&](int start, int len) {
                if (!IsBlank(p + start, len))
                    visit(p + start, len);
            });
            return;
        }
        const DStringArray& lines = sections[i];
        for (int j = 0; j < lines.Count(); ++j)
            visit(lines[j].c_str(), lines[j].Len());
    }
};

// Sections [from, to) as the file holds them: "[name]", CR LF, the lines joined by CR LF, and
// CR LF after a section with lines that is not the last; of section `from` only its first
// `firstLines` lines (all when negative). A text that ends in CR gets CR LF, so that a reader,
// which drops one CR before a line end, gets the CR back. The range up to the last section is
// the file's tail: what a full write gives from that section on. out.Lines(i, begin, end)
// learns where each section's lines went, with their line ends (so that a last CR reads back). True
// when reading the text back gives these sections and lines.
template <class Out> bool Emit(const DStringArray& names, const LineSource& source, int from,
                               int to, int firstLines, Out& out)
{
    bool readsBack = true;
    char last = 0;
    size_t at = 0;
    auto put = [&](const char* p, int n) {
        if (n > 0) {
            out.Put(p, size_t(n));
            last = p[n - 1];
            at += size_t(n);
        }
    };
    int open = -1; // the section whose lines run up to the next header
    size_t begin = 0;
    for (int i = from; i < to; ++i) {
        if (open >= 0)
            out.Lines(open, begin, at);
        const DString& name = names[i];
        put("[", 1);
        put(name.c_str(), name.Len());
        put("]\r\n", 3);
        readsBack = readsBack && !std::memchr(name.c_str(), '\n', size_t(name.Len()));
        const int limit = i == from && firstLines >= 0 ? firstLines : INT_MAX;
        open = i;
        begin = at;
        int n = 0;
        source(i, [&](const char* p, int len) {
            if (n >= limit)
                return;
            if (n++ > 0)
                put("\r\n", 2);
            put(p, len);
            readsBack = readsBack && ReadsBack(p, len);
        });
        if (i + 1 < to && n > 0)
            put("\r\n", 2);
    }
    if (last == '\r')
        put("\r\n", 2);
    if (open >= 0)
        out.Lines(open, begin, at);
    return readsBack;
}

// Builds the text (of a few sections: a whole file is written from its pieces, FileOut).
struct StringOut {
    std::string& s;
    void Put(const char* p, size_t len) { s.append(p, len); }
    void Lines(int, size_t, size_t) { }
};

// Writes what is emitted to a file that replaces `path` atomically when closed, in blocks.
class FileOut {
public:
    bool Open(const DString& path) { return file.Open(path, 6); }
    void Put(const char* p, size_t len)
    {
        written += len;
        if (block.size() + len > Block)
            Flush();
        if (len >= Block)
            file.BWrite(p, int(len));
        else
            block.append(p, len);
    }
    void Lines(int, size_t, size_t) { }
    // False when the file could not be opened, written or committed: the old one stays.
    bool Close()
    {
        Flush();
        return file.IsOpen() && file.Close();
    }
    size_t Written() const { return written; }

private:
    void Flush()
    {
        if (!block.empty())
            file.BWrite(block.data(), int(block.size()));
        block.clear();
    }
    static const size_t Block = 1 << 16;
    DFile file;
    std::string block;
    size_t written = 0;
};

// Compares what is emitted with a text, without building it.
struct CompareOut {
    const std::string& text;
    size_t at = 0;
    bool same = true;
    void Put(const char* p, size_t len)
    {
        same = same && at + len <= text.size() && std::memcmp(text.data() + at, p, len) == 0;
        at += len;
    }
    bool Equal() const { return same && at == text.size(); }
    void Lines(int, size_t, size_t) { }
};

// The file's text (empty for a missing file); false when the file exists but cannot be read
// (the system's reason is then the platform layer's last error).
bool ReadText(const DString& path, std::string& text)
{
    text.clear();
    DFile f;
    if (f.Open(path, 5)) {
        const __int64 len = f.Length();
        if (len >= 0 && len < 0x7fffffff) {
            text.resize(size_t(len));
            f.BRead(&text[0], int(len));
            if (f.Tell() == len)
                return true;
        }
        text.clear();
        platform::SetError(EIO);
        return false;
    }
    DString probe = path;
    return !FileExists(probe) || platform::LastError().code == ENOENT;
}

// Writing it from memory alone would drop whatever an unreadable file holds.
void ReportUnreadable(const DString& path)
{
    const platform::Error& e = platform::LastError();
    ReportFailure(e.code, "cannot write " + path
                              + ": the file exists but cannot be read: " + DString(e.text.c_str()));
}

void LogWriteFailure()
{
    DString why;
    GetLastFailure(&why);
    Log("error opening for write: " + why);
}

bool StampOf(const DString& path, platform::FileStamp& out)
{
    return platform::GetFileStamp(platform::ToNative(path.c_str(), false), out);
}

// True unless the file is empty and was last written long enough ago that no rewrite in place
// can be under way: such a file is empty indeed (a settings file made empty, a shot without
// fields), and waiting for it to fill would only cost time. A write time in the future (a
// server's clock ahead of ours) counts as recent.
bool MayBeMidRewrite(const DString& path)
{
    platform::FileStamp now;
    if (!StampOf(path, now) || now.size != 0)
        return true;
    const long long clock = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                std::chrono::system_clock::now().time_since_epoch())
                                .count();
    return clock - now.modifiedNs < EmptyFileQuietNs;
}

// Replaces the file with `text` (an atomic replacement); false, reported and logged, when that
// fails.
bool ReplaceWith(const DString& path, const std::string& text)
{
    DFile f;
    bool ok = f.Open(path, 6);
    if (ok) {
        f.BWrite(text.data(), int(text.size()));
        ok = f.Close();
    }
    if (!ok)
        LogWriteFailure();
    return ok;
}

// Writes n bytes at the end of a file of `oldLen` bytes in one write and syncs them: 1 done,
// 0 failed (reported and logged, the file cut back to its old length), -1 the file is not of
// that length.
int AppendBytes(const DString& path, long long oldLen, const char* p, size_t n)
{
    DFile f;
    if (!f.Open(path, 7)) {
        LogWriteFailure();
        return 0;
    }
    if (f.Length() != oldLen) {
        f.Close();
        return -1;
    }
    f.SeekAbs(oldLen);
    f.BWrite(p, int(n));
    if (!f.Sync()) {
        f.Truncate(oldLen);
        f.Close();
        LogWriteFailure();
        return 0;
    }
    f.Close();
    return 1;
}

// An append in place stays inside the file's last 4096-byte block. The system grows a file's
// size one page at a time while it writes, so a reader could otherwise see part of the new
// bytes; any page size is a multiple of 4096, so the block never spans two pages.
const size_t AppendBlock = 4096;
} // namespace

DIni::DIni()
    : curSection(-1), hold(false), index(nullptr), disk(new DiskState), journal(nullptr) { }

DIni::DIni(const DString& path) : DIni()
{
    SetFileName(path);
}

DIni::DIni(const DIni& other)
    : fileName(other.fileName), curSection(other.curSection), sectionNames(other.sectionNames),
      sections(other.sections), hold(other.hold), index(nullptr), disk(new DiskState(*other.disk)),
      journal(other.journal ? new Journal(*other.journal) : nullptr)
{
}

DIni& DIni::operator=(const DIni& other)
{
    if (this == &other)
        return *this;
    fileName = other.fileName;
    curSection = other.curSection;
    sectionNames = other.sectionNames;
    sections = other.sections;
    hold = other.hold;
    InvalidateIndex();
    *disk = *other.disk;
    Journal* copy = other.journal ? new Journal(*other.journal) : nullptr;
    delete journal;
    journal = copy;
    return *this;
}

DIni::~DIni()
{
    delete index;
    delete disk;
    delete journal;
}

DIni::Journal& DIni::Changes()
{
    if (!journal)
        journal = new Journal;
    return *journal;
}

void DIni::ForgetChanges()
{
    delete journal;
    journal = nullptr;
}

bool DIni::StampIsLastSeen(const DString& path) const
{
    platform::FileStamp now;
    return disk->stamped && path == fileName && StampOf(path, now) && now == disk->stamp;
}

bool DIni::DiskUnchanged(const DString& path) const
{
    // After a write made from pieces the text is not the file, and RestoreFile's snapshot must
    // be the file: it is read again.
    return disk->memoryIsText && disk->textIsFile && StampIsLastSeen(path);
}

void DIni::NoteShape()
{
    const int n = sectionNames.Count();
    disk->sections = n;
    disk->lastLines = n > 0 ? Lines(n - 1).Count() : 0;
}

// After a write from memory's pieces: the file's last section as written, which an append in
// place checks the last section against.
void DIni::NoteTail()
{
    disk->tail.clear();
    const int n = sectionNames.Count();
    StringOut out {disk->tail};
    if (n > 0)
        Emit(sectionNames, LineSource {sections, disk->spans, disk->text}, n - 1, n, -1, out);
}

void DIni::InvalidateIndex()
{
    delete index;
    index = nullptr;
}

int DIni::FindSection(const DString& name) const
{
    // A file of a few sections is looked up without building an index.
    const int few = 8;
    if (!index && sectionNames.Count() <= few) {
        for (int i = 0; i < sectionNames.Count(); ++i)
            if (SameName(sectionNames[i], name))
                return i;
        return -1;
    }
    if (!index)
        index = new SectionIndex(sectionNames);
    return index->Find(sectionNames, name);
}

int DIni::AppendSection(const DString& name, const DStringArray& lines)
{
    sectionNames.Add(name);
    sections.Add(lines, 1);
    if (!disk->spans.empty())
        disk->spans.push_back(Span {0, -1});
    const int at = sectionNames.Count() - 1;
    if (index)
        index->Add(sectionNames, at);
    return at;
}

void DIni::Parse(const char* p, int n, bool lazy)
{
    sectionNames.Clear();
    sections.Clear();
    InvalidateIndex();
    std::vector<Span>& spans = disk->spans;
    spans.clear();

    int headers = 0;
    ForEachLine(p, n, [&](int start, int len) { headers += len > 0 && p[start] == '['; });
    sectionNames.Reserve(headers);
    sections.Reserve(headers);
    if (lazy)
        spans.reserve(size_t(headers));

    ForEachLine(p, n, [&](int start, int len) {
        if (len > 0 && p[start] == '[') {
            sectionNames.Add(HeaderName(p + start, len));
            sections.Add(SectionLines());
            if (lazy) {
                if (!spans.empty())
                    spans.back().len = start - spans.back().start;
                spans.push_back(Span {start + len, 0}); // from the header's line end
            }
        } else if (!lazy && sections.Count() > 0 && !IsBlank(p + start, len)) {
            sections[sections.Count() - 1].Add(Slice(p + start, len));
        }
    });
    if (!spans.empty())
        spans.back().len = n - spans.back().start;
}

DStringArray& DIni::Lines(int i) const
{
    std::vector<Span>& spans = disk->spans;
    if (!spans.empty() && spans[size_t(i)].len >= 0) {
        const char* p = disk->text.data() + spans[size_t(i)].start;
        DStringArray& lines = sections[i];
        ForEachLine(p, spans[size_t(i)].len, [&](int start, int len) {
            if (!IsBlank(p + start, len))
                lines.Add(Slice(p + start, len));
        });
        spans[size_t(i)].len = -1;
    }
    return sections[i];
}

void DIni::RemoveSection(int at)
{
    sectionNames.Remove(at, 1);
    sections.Remove(at, 1);
    if (!disk->spans.empty())
        disk->spans.erase(disk->spans.begin() + at);
    InvalidateIndex();
}

bool DIni::SetFileName(const DString& path)
{
    // The same file, untouched since memory last matched it (same file, size and write time
    // to the nanosecond): memory is what parsing it would give.
    if (DiskUnchanged(path)) {
        curSection = -1;
        hold = false;
        disk->SnapshotIsText();
        ForgetChanges(); // none: memory matched the file
        return true;
    }
    const DString name = path; // `path` may be our own file name
    Forget();
    if (!name)
        return false;

    DString found = name;
    platform::FileStamp before;
    bool stamped = false;
    bool created = false;
    if (!FileExists(found)) {
        // Under the lock, so that a file another writer has just made is never emptied.
        WriterLock lock(name);
        found = name;
        if (!FileExists(found)) {
            if (!DFile::WriteText(name, DString())) {
                fileName = DString();
                return false;
            }
            fileName = name;
            stamped = StampOf(fileName, before);
            created = true;
        }
    }
    std::string& text = disk->text;
    if (!created) {
        // Another process may be caught rewriting the file: an empty read is tried again, and
        // so is a failed one (Windows refuses to open a file while another process replaces it).
        fileName = found;
        stamped = StampOf(fileName, before);
        bool read = ReadText(fileName, text);
        int tries = 0;
        while ((!read || (text.empty() && MayBeMidRewrite(fileName))) && tries < EmptyReadRetries) {
            DSleep(EmptyReadPauseMs);
            read = ReadText(fileName, text);
            ++tries;
        }
        if (!read) {
            // Held as an empty file, the name kept: a write to it is then refused.
            const platform::Error& e = platform::LastError();
            ReportFailure(e.code, "cannot read " + fileName + ": " + DString(e.text.c_str()));
            text.clear();
            hold = false;
            return false;
        }
        if (Logging && tries >= 2)
            Log(DString(tries) + " tries needed to read from " + fileName);
    }
    Parse(text.data(), int(text.size()), true);
    hold = false;
    // Memory matches the file only when the file stood still while it was read.
    platform::FileStamp after;
    disk->stamped = stamped && StampOf(fileName, after) && after == before
                    && after.size == (long long)text.size();
    disk->stamp = before;
    disk->memoryIsText = true;
    disk->readsBack = true;
    CompareOut same {text};
    Emit(sectionNames, LineSource {sections, disk->spans, text}, 0, sectionNames.Count(), -1, same);
    disk->textIsBase = same.Equal();
    NoteShape();
    disk->SnapshotIsText();
    return true;
}

void DIni::Forget()
{
    Parse("", 0, false);
    curSection = -1;
    hold = false;
    ForgetChanges();
    *disk = DiskState();
    fileName = DString();
}

// Memory is what parsing the text gives; no file is known to hold it.
void DIni::TakeText()
{
    Parse(disk->text.data(), int(disk->text.size()), true);
    disk->memoryIsText = true;
    disk->readsBack = true;
    disk->SnapshotIsText();
}

bool DIni::Load(const DString& path)
{
    Forget();
    const bool read = ~path && ReadText(path, disk->text);
    if (!read)
        disk->text.clear();
    TakeText();
    return read;
}

void DIni::LoadText(const DString& text)
{
    Forget();
    disk->text.assign(text.c_str(), size_t(text.Len()));
    TakeText();
}

bool DIni::Refresh()
{
    return SetFileName(fileName);
}

DString DIni::FileName() const
{
    return fileName;
}

bool DIni::WriteFile(DString path, bool keepName)
{
    if (!path)
        path = fileName;
    if (!path) {
        ForgetChanges(); // no file to take them to
        return true;
    }
    return Store(path, fileName.Len() > 0 && PathsEqual(path, fileName), keepName);
}

bool DIni::Store(const DString& path, bool merge, bool keepName)
{
    WriterLock lock(path);
    if (lock.TimedOut())
        return false;
    // Under the lock a file that keeps the stamp last seen holds what memory was built from:
    // there is nothing to take in, and changes that only add at its end can be appended.
    const bool current = merge && StampIsLastSeen(path);
    if (current && journal && disk->textIsBase) {
        const int appended = AppendInPlace(path);
        if (appended >= 0)
            return appended > 0;
    }
    if (!current) {
        std::string fresh;
        platform::FileStamp before;
        platform::FileStamp after;
        const bool stamped = StampOf(path, before);
        if (!ReadText(path, fresh)) {
            ReportUnreadable(path);
            return false;
        }
        if (merge && TakeInDiskChanges(fresh)) {
            // The text is the file's only if the file stood still while it was read.
            disk->stamped = stamped && StampOf(path, after) && after == before;
            disk->stamp = before;
        }
    }

    // The file is written from the pieces memory holds (lines still in the text, lines of
    // changed sections), never made whole in memory beside the text: the text stays as it is,
    // the sections that still lie there included, and is what RestoreFile returns to.
    const LineSource source {sections, disk->spans, disk->text};
    FileOut out;
    bool readsBack = false;
    if (out.Open(path)) {
        readsBack = Emit(sectionNames, source, 0, sectionNames.Count(), -1, out);
    }
    if (!out.Close()) {
        LogWriteFailure();
        return false;
    }
    if (!keepName)
        fileName = path;
    if (merge || !keepName) {
        // Memory is what was written: no need to read it back.
        ForgetChanges();
        disk->stamped = path == fileName && StampOf(path, disk->stamp)
                        && disk->stamp.size == (long long)out.Written();
        disk->memoryIsText = readsBack;
        disk->readsBack = readsBack;
        disk->textIsBase = true;
        disk->textIsFile = false;
        NoteShape();
        NoteTail();
    }
    return true;
}

// Writes changes that only add at the end of the file, the file being as last seen: 1 written,
// 0 failed (memory and the changes kept), -1 not such changes.
int DIni::AppendInPlace(const DString& path)
{
    // Only changes that add sections after the file's last one, or lines to that section.
    const int known = disk->sections;
    const int count = sectionNames.Count();
    for (const Change& c : journal->changes) {
        if (c.kind == Change::DeleteKey || c.kind == Change::DeleteSection
            || c.kind == Change::RenameSection)
            return -1;
        const int at = FindSection(c.section);
        if (at < 0 || at < known - 1)
            return -1;
    }
    const int from = known > 0 ? known - 1 : 0;
    if (count < known || (known > 0 && Lines(from).Count() < disk->lastLines))
        return -1;
    std::string oldTail;
    std::string newTail;
    StringOut oldOut {oldTail};
    StringOut newOut {newTail};
    const LineSource source {sections, disk->spans, disk->text};
    Emit(sectionNames, source, from, known, disk->lastLines, oldOut);
    const bool readsBack = Emit(sectionNames, source, from, count, -1, newOut);
    const std::string& text = disk->text;
    const bool fileEnds = disk->textIsFile ? oldTail.size() <= text.size()
                                                 && text.compare(text.size() - oldTail.size(),
                                                                 oldTail.size(), oldTail)
                                                        == 0
                                           : oldTail == disk->tail;
    if (!fileEnds || newTail.compare(0, oldTail.size(), oldTail) != 0)
        return -1; // a line of the last section changed
    const size_t len = newTail.size() - oldTail.size();
    const size_t oldLen = disk->textIsFile ? text.size() : size_t(disk->stamp.size);
    if (len > 0 && oldLen % AppendBlock + len <= AppendBlock) {
        const int done = AppendBytes(path, (long long)oldLen, newTail.data() + oldTail.size(), len);
        if (done <= 0)
            return done;
        if (disk->textIsFile)
            disk->text.append(newTail, oldTail.size(), len);
        else
            NoteTail();
    } else if (len > 0 && !disk->textIsFile) {
        return -1; // written whole from memory's pieces
    } else if (len > 0) {
        // Past the block the file is replaced whole: the text as seen plus the tail, no need
        // to build it again from memory.
        disk->text.append(newTail, oldTail.size(), len);
        if (!ReplaceWith(path, disk->text)) {
            disk->text.resize(oldLen);
            return 0;
        }
    }
    disk->stamped = StampOf(path, disk->stamp)
                    && disk->stamp.size
                           == (long long)(disk->textIsFile ? text.size() : oldLen + len);
    disk->readsBack = disk->readsBack && readsBack;
    disk->memoryIsText = disk->readsBack;
    NoteShape();
    ForgetChanges();
    return 1;
}

bool DIni::TakeInDiskChanges(const std::string& fresh)
{
    // An unchanged file keeps the memory copy exactly; a missing or unreadable one is
    // replaced by it whole, so that nothing held is lost.
    if (fresh.empty())
        return disk->textIsFile && disk->text.empty();
    if (disk->textIsFile && fresh == disk->text)
        return true;
    const bool selected = curSection >= 0;
    const DString current = selected ? sectionNames[curSection] : DString();
    disk->KeepSnapshot();
    disk->text = fresh;
    disk->textIsFile = true;
    Parse(disk->text.data(), int(disk->text.size()), true);
    Replay();
    disk->memoryIsText = false;
    disk->readsBack = true;
    disk->textIsBase = false;
    curSection = -1;
    if (selected)
        SetSection(current);
    return true;
}

void DIni::Replay()
{
    if (!journal)
        return;
    for (const Change& c : journal->changes) {
        int at = FindSection(c.section);
        switch (c.kind) {
        case Change::SetKey:
            if (at < 0)
                at = AppendSection(c.section, SectionLines());
            PutKeyLine(at, c.key, c.line);
            break;
        case Change::DeleteKey:
            if (at >= 0) {
                int pos = 0;
                const int line = KeyIndexIn(at, c.key, pos);
                if (line >= 0)
                    Lines(at).Remove(line, 1);
            }
            break;
        case Change::CreateSection:
            if (at < 0)
                AppendSection(c.section, SectionLines());
            break;
        case Change::SetLines: PutSection(c.section, c.lines); break;
        case Change::DeleteSection:
            if (at >= 0)
                RemoveSection(at);
            break;
        case Change::RenameSection:
            if (at >= 0) {
                sectionNames[at] = c.key;
                InvalidateIndex();
            }
            break;
        }
    }
}

void DIni::WriteUnlessHeld()
{
    disk->memoryIsText = false; // a write notes the file again
    if (!hold)
        WriteFile(fileName, false);
}

void DIni::HoldWrite(bool holdWrites)
{
    if (!holdWrites && hold) {
        WriteFile(fileName, false);
        hold = false;
    } else {
        hold = holdWrites;
    }
}

void DIni::CommitFile()
{
    WriterLock lock(fileName);
    WriteFile(fileName, false);
    if (disk->textIsFile && StampIsLastSeen(fileName)) {
        disk->SnapshotIsText();
    } else {
        ReadText(fileName, disk->snapshot);
        disk->snapshotInText = false;
    }
}

void DIni::RestoreFile()
{
    curSection = -1;
    const std::string snapshot = disk->snapshotInText ? disk->text.substr(0, disk->snapshotLen)
                                                      : disk->snapshot;
    Parse(snapshot.data(), int(snapshot.size()), false);
    ForgetChanges();
    disk->memoryIsText = false;
    disk->textIsBase = false;
    if (fileName.Len() > 0)
        Store(fileName, false, false);
}

bool DIni::Changed()
{
    DStringArray disk;
    DFile::GetLines(fileName, disk);

    std::unordered_map<std::string, int> unseen; // memory sections not met on disk, by name
    for (int i = 0; i < sectionNames.Count(); ++i)
        ++unseen[Folded(sectionNames[i])];
    int unseenCount = sectionNames.Count();
    std::vector<DString> expected;

    for (int i = 0; i < disk.Count(); ++i) {
        const DString& line = disk[i];
        if (line.Len() > 0 && line[0] == '[') {
            const DString name = HeaderName(line.c_str(), line.Len());
            const int at = FindSection(name);
            if (at < 0 || !expected.empty())
                return true;
            int& left = unseen[Folded(name)];
            if (left > 0) {
                --left;
                --unseenCount;
            }
            const DStringArray& lines = Lines(at);
            expected.clear();
            for (int j = 0; j < lines.Count(); ++j)
                expected.push_back(lines[j]);
        } else {
            const DString trimmed = line.Trim();
            auto it = expected.begin();
            while (it != expected.end() && !SameName(*it, trimmed))
                ++it;
            if (it == expected.end())
                return true;
            expected.erase(it);
        }
    }
    return !expected.empty() || unseenCount > 0;
}

void DIni::SetSection(const DString& name)
{
    if (curSection >= 0 && SameName(sectionNames[curSection], name))
        return;
    const int at = FindSection(name);
    if (at >= 0) {
        curSection = at;
        return;
    }
    disk->memoryIsText = false; // the new section is in memory only
    Changes().changes.push_back(Change {Change::CreateSection, name, {}, {}, {}});
    curSection = AppendSection(name, SectionLines());
}

bool DIni::SectionExists(const DString& name) const
{
    return FindSection(name) >= 0;
}

DStringArray DIni::GetSectionNames() const
{
    return sectionNames;
}

int DIni::nSections() const
{
    return sectionNames.Count();
}

int DIni::nKeys() const
{
    return curSection >= 0 ? Lines(curSection).Count() : 0;
}

DStringArray DIni::GetFullSection(const DString& name) const
{
    // A fresh array, so that the caller's array grows in the usual steps.
    DStringArray lines;
    const int at = FindSection(name);
    if (at >= 0)
        lines.Append(Lines(at));
    return lines;
}

void DIni::SetFullSection(const DString& name, const DStringArray& lines)
{
    Changes().changes.push_back(Change {Change::SetLines, name, {}, {}, lines});
    PutSection(name, lines);
    WriteUnlessHeld();
}

void DIni::PutSection(const DString& name, const DStringArray& lines)
{
    const int at = FindSection(name);
    if (at >= 0) {
        sections[at] = lines;
        if (!disk->spans.empty())
            disk->spans[size_t(at)].len = -1;
    } else
        AppendSection(name, lines);
}

void DIni::AddSection(const DString& name, const DStringArray& lines)
{
    SetFullSection(name, lines);
}

void DIni::DeleteSection(const DString& name)
{
    const int at = FindSection(name);
    if (at >= 0) {
        Changes().changes.push_back(Change {Change::DeleteSection, name, {}, {}, {}});
        RemoveSection(at);
    }
    curSection = -1;
    WriteUnlessHeld();
}

void DIni::RenameSection(const DString& from, const DString& to)
{
    const int at = FindSection(from);
    if (at < 0)
        return;
    Changes().changes.push_back(Change {Change::RenameSection, from, to, {}, {}});
    sectionNames[at] = to;
    InvalidateIndex();
    WriteUnlessHeld();
}

int DIni::KeyIndex(const DString& key, int& valuePos) const
{
    return KeyIndexIn(curSection, key, valuePos);
}

int DIni::KeyIndexIn(int section, const DString& key, int& valuePos) const
{
    if (section < 0)
        return -1;
    const int keyLen = key.Len();
    if (keyLen > 0 && key[0] == ';')
        return -1;
    const DStringArray& lines = Lines(section);
    for (int i = 0; i < lines.Count(); ++i) {
        const DString& line = lines[i];
        if (line.Len() > keyLen && line[keyLen] == '='
            && EqualFold(line.c_str(), key.c_str(), keyLen)) {
            valuePos = keyLen + 1;
            return i;
        }
    }
    return -1;
}

DString DIni::GetKeyValue(const DString& key, const char* def) const
{
    int pos = 0;
    const int at = KeyIndex(key, pos);
    if (at >= 0) {
        const DString& line = Lines(curSection)[at];
        if (line.Len() > pos)
            return line.Mid(pos, npos);
    }
    return DString(def, npos);
}

bool DIni::FindValue(const DString& section, const DString& key, DString& value) const
{
    const int at = FindSection(section);
    const int keyLen = key.Len();
    if (at < 0 || (keyLen > 0 && key[0] == ';'))
        return false;
    const std::vector<Span>& spans = disk->spans;
    if (spans.empty() || spans[size_t(at)].len < 0) {
        int pos = 0;
        const int line = KeyIndexIn(at, key, pos);
        if (line >= 0)
            value = sections[at][line].Mid(pos, npos);
        return line >= 0;
    }
    // The section still lies in the text: its lines are read there, not made into strings.
    const char* p = disk->text.data() + spans[size_t(at)].start;
    bool found = false;
    ForEachLine(p, spans[size_t(at)].len, [&](int start, int len) {
        if (!found && len > keyLen && p[start + keyLen] == '='
            && EqualFold(p + start, key.c_str(), keyLen)) {
            value = Slice(p + start + keyLen + 1, len - keyLen - 1);
            found = true;
        }
    });
    return found;
}

DString DIni::GetSectionKeyValue(const DString& section, const DString& key, const char* def)
{
    curSection = FindSection(section);
    int pos = 0;
    const int at = KeyIndex(key, pos);
    if (at < 0)
        return DString(def, npos);
    return Lines(curSection)[at].Mid(pos, npos);
}

int DIni::GetKeyIntValue(const DString& key, int def) const
{
    const DString value = GetKeyValue(key, nullptr);
    const char* p = value.c_str();
    if (!std::strchr(p, 'e') && !std::strchr(p, 'E')) {
        int n = def;
        return value.ToInt(n, 0) ? n : def;
    }
    double x = 0;
    // Out of the int range (or NaN) there is no integer to give: the default.
    if (!value.ToDouble(x, 0) || !(x > -2147483649.0 && x < 2147483648.0))
        return def;
    return int(x);
}

float DIni::GetKeyFloatValue(const DString& key, float def) const
{
    const DString value = GetKeyValue(key, nullptr);
    float x = def;
    return value.ToFloat(x, 0) ? x : def;
}

bool DIni::GetKeyBoolValue(const DString& key, bool def) const
{
    int pos = 0;
    const int at = KeyIndex(key, pos);
    if (at < 0)
        return def;
    const DString value = Lines(curSection)[at].Mid(pos, npos);
    return (value %= "True") || value == "1";
}

DStringArray DIni::GetKeyRow(const DString& key, int n, const char* delim, const char* def) const
{
    return DStringArray(GetKeyValue(key, def), delim, n);
}

void DIni::SetKeyValue(const DString& key, const DString& value)
{
    if (curSection < 0)
        return;
    DString line = key;
    line << "=" << value;
    Changes().changes.push_back(Change {Change::SetKey, sectionNames[curSection], key, line, {}});
    PutKeyLine(curSection, key, line);
    WriteUnlessHeld();
}

void DIni::PutKeyLine(int section, const DString& key, const DString& line)
{
    int pos = 0;
    const int at = KeyIndexIn(section, key, pos);
    DStringArray& lines = Lines(section);
    if (at >= 0)
        lines[at] = line;
    else
        lines.Add(line);
}

void DIni::DeleteKey(const char* section, const DString& key)
{
    curSection = FindSection(DString(section, npos));
    int pos = 0;
    const int at = KeyIndex(key, pos);
    if (at < 0)
        return;
    Changes().changes.push_back(Change {Change::DeleteKey, sectionNames[curSection], key, {}, {}});
    Lines(curSection).Remove(at, 1);
    WriteUnlessHeld();
}
