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

// Calls f(start, length) for each line of `text`: split at LF, one trailing CR dropped.
template <class F> void ForEachLine(const DString& text, F f)
{
    const char* p = text.c_str();
    const int n = text.Len();
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

// The name of a header line "[name]": up to the last ']', or the whole rest without one.
DString HeaderName(const DString& text, int start, int len)
{
    const char* p = text.c_str() + start;
    int end = len;
    while (end > 1 && p[end - 1] != ']')
        --end;
    const int nameLen = end > 1 ? end - 2 : len - 1;
    return DString(text, start + 1, nameLen);
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

// Folded section name -> index of the first section of that name.
class DIni::SectionIndex {
public:
    explicit SectionIndex(const DStringArray& names)
    {
        map.reserve(size_t(names.Count()));
        for (int i = 0; i < names.Count(); ++i)
            map.emplace(Folded(names[i]), i);
    }
    std::unordered_map<std::string, int> map;
};

// The file as it stood when memory last matched it: memory is then exactly the parse of
// `text`, so loading the same, unchanged file again can keep memory instead of parsing.
struct DIni::DiskCopy {
    platform::FileStamp stamp;
    DString text;
};

namespace {
// True when reading the written lines back gives the same lines: a line that is blank, starts
// a section or holds a line feed would come back otherwise.
bool ReadsBack(const DString& line)
{
    return line.Len() > 0 && line[0] != '[' && !IsBlank(line.c_str(), line.Len())
           && !std::memchr(line.c_str(), '\n', size_t(line.Len()));
}

// The file's text (empty for a missing file); false, reported, when the file exists but cannot
// be read: writing it from memory alone would drop whatever it holds.
bool ReadText(const DString& path, DString& text)
{
    text = DString();
    DFile f;
    if (f.Open(path, 5)) {
        const __int64 len = f.Length();
        if (len >= 0 && len < 0x7fffffff) {
            char* buf = text.GetBuffer(int(len));
            f.BRead(buf, int(len));
            if (f.Tell() == len)
                return true;
        }
        text = DString();
        platform::SetError(EIO);
    } else {
        DString probe = path;
        if (!FileExists(probe) || platform::LastError().code == ENOENT)
            return true;
    }
    const platform::Error& e = platform::LastError();
    ReportFailure(e.code, "cannot write " + path
                              + ": the file exists but cannot be read: " + DString(e.text.c_str()));
    return false;
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
} // namespace

DIni::DIni() : curSection(-1), hold(false), index(nullptr), disk(nullptr), journal(nullptr) { }

DIni::DIni(const DString& path) : DIni()
{
    SetFileName(path);
}

DIni::DIni(const DIni& other)
    : fileName(other.fileName), curSection(other.curSection), fileText(other.fileText),
      sectionNames(other.sectionNames), sections(other.sections), hold(other.hold), index(nullptr),
      disk(nullptr), diskText(other.diskText),
      journal(other.journal ? new Journal(*other.journal) : nullptr)
{
}

DIni& DIni::operator=(const DIni& other)
{
    if (this == &other)
        return *this;
    fileName = other.fileName;
    curSection = other.curSection;
    fileText = other.fileText;
    sectionNames = other.sectionNames;
    sections = other.sections;
    hold = other.hold;
    InvalidateIndex();
    ForgetDisk();
    diskText = other.diskText;
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

bool DIni::DiskUnchanged(const DString& path) const
{
    platform::FileStamp now;
    return disk && path == fileName && StampOf(path, now) && now == disk->stamp;
}

void DIni::NoteDisk(const DString& text)
{
    if (!disk)
        disk = new DiskCopy;
    if (StampOf(fileName, disk->stamp) && disk->stamp.size == text.Len()) {
        disk->text = text;
        return;
    }
    ForgetDisk();
}

void DIni::ForgetDisk()
{
    delete disk;
    disk = nullptr;
}

void DIni::InvalidateIndex()
{
    delete index;
    index = nullptr;
}

int DIni::FindSection(const DString& name) const
{
    if (!index)
        index = new SectionIndex(sectionNames);
    const auto it = index->map.find(Folded(name));
    return it == index->map.end() ? -1 : it->second;
}

int DIni::AppendSection(const DString& name, const DStringArray& lines)
{
    sectionNames.Add(name);
    sections.Add(lines, 1);
    const int at = sectionNames.Count() - 1;
    if (index)
        index->map.emplace(Folded(name), at);
    return at;
}

void DIni::Parse(const DString& text)
{
    ForgetDisk();
    sectionNames.Clear();
    sections.Clear();
    InvalidateIndex();

    const char* p = text.c_str();
    int headers = 0;
    ForEachLine(text, [&](int start, int len) { headers += len > 0 && p[start] == '['; });
    sectionNames.Reserve(headers);
    sections.Reserve(headers);

    ForEachLine(text, [&](int start, int len) {
        if (len > 0 && p[start] == '[') {
            sectionNames.Add(HeaderName(text, start, len));
            sections.Add(SectionLines());
        } else if (sections.Count() > 0 && !IsBlank(p + start, len)) {
            sections[sections.Count() - 1].Add(DString(text, start, len));
        }
    });
}

bool DIni::SetFileName(const DString& path)
{
    // The same file, untouched since memory last matched it (same file, size and write time
    // to the nanosecond): memory is what parsing it would give.
    if (DiskUnchanged(path)) {
        curSection = -1;
        hold = false;
        fileText = disk->text;
        diskText = disk->text;
        ForgetChanges(); // none: memory matched the file
        return true;
    }
    const DString name = path; // `path` may be our own file name
    Parse(DString());
    curSection = -1;
    ForgetChanges();
    diskText = DString();
    if (!name) {
        fileName = DString();
        return false;
    }

    DString found = name;
    platform::FileStamp before;
    bool stamped = false;
    bool created = false;
    if (!FileExists(found)) {
        // Under the lock, so that a file another writer has just made is never emptied.
        WriterLock lock(name);
        found = name;
        if (!FileExists(found)) {
            fileText = DString();
            if (!DFile::WriteText(name, DString())) {
                fileName = DString();
                return false;
            }
            fileName = name;
            stamped = StampOf(fileName, before);
            created = true;
        }
    }
    if (!created) {
        // Another process may be caught rewriting the file: an empty read is tried again.
        fileName = found;
        stamped = StampOf(fileName, before);
        fileText = DFile::GetText(fileName);
        int tries = 0;
        while (!fileText && tries < EmptyReadRetries && MayBeMidRewrite(fileName)) {
            DSleep(EmptyReadPauseMs);
            fileText = DFile::GetText(fileName);
            ++tries;
        }
        if (Logging && tries >= 2)
            Log(DString(tries) + " tries needed to read from " + fileName);
    }
    diskText = fileText;
    Parse(fileText);
    hold = false;
    // Memory matches the file only when the file stood still while it was read.
    NoteDisk(fileText);
    if (disk && !(stamped && disk->stamp == before))
        ForgetDisk();
    return true;
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
    DString fresh;
    if (lock.TimedOut() || !ReadText(path, fresh))
        return false;
    if (merge)
        TakeInDiskChanges(fresh);

    size_t size = 0;
    for (int i = 0; i < sections.Count(); ++i) {
        size += size_t(sectionNames[i].Len()) + 4;
        for (int j = 0; j < sections[i].Count(); ++j)
            size += size_t(sections[i][j].Len()) + 2;
    }
    std::string text;
    text.reserve(size);
    bool readsBack = true; // reading the file gives exactly these sections and lines
    for (int i = 0; i < sections.Count(); ++i) {
        const DString& name = sectionNames[i];
        text.append("[").append(name.c_str(), size_t(name.Len()));
        text.append("]\r\n");
        readsBack = readsBack && !std::memchr(name.c_str(), '\n', size_t(name.Len()));
        const DStringArray& lines = sections[i];
        for (int j = 0; j < lines.Count(); ++j) {
            if (j > 0)
                text.append("\r\n");
            text.append(lines[j].c_str(), size_t(lines[j].Len()));
            readsBack = readsBack && ReadsBack(lines[j]);
        }
        if (i + 1 < sections.Count() && lines.Count() > 0)
            text.append("\r\n");
    }
    // A reader drops one CR before a line end and at the end of the file: a last line that
    // ends in CR gets a line end of its own, so that the CR reads back.
    if (!text.empty() && text.back() == '\r')
        text.append("\r\n");

    DFile f;
    bool ok = f.Open(path, 6);
    if (ok) {
        f.BWrite(text.data(), int(text.size()));
        ok = f.Close();
    }
    if (!ok) {
        DString why;
        GetLastFailure(&why);
        Log("error opening for write: " + why);
        return false;
    }
    DString written;
    std::memcpy(written.GetBuffer(int(text.size())), text.data(), text.size());
    if (merge || !keepName) {
        diskText = written;
        ForgetChanges();
    }
    if (!keepName)
        fileName = path;
    if (path == fileName && readsBack)
        NoteDisk(written);
    else if (path == fileName)
        ForgetDisk();
    return true;
}

void DIni::TakeInDiskChanges(const DString& fresh)
{
    // An unchanged file keeps the memory copy exactly; a missing or unreadable one is
    // replaced by it whole, so that nothing held is lost.
    if (!fresh || fresh == diskText)
        return;
    const bool selected = curSection >= 0;
    const DString current = selected ? sectionNames[curSection] : DString();
    Parse(fresh);
    Replay();
    diskText = fresh;
    curSection = -1;
    if (selected)
        SetSection(current);
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
                    sections[at].Remove(line, 1);
            }
            break;
        case Change::CreateSection:
            if (at < 0)
                AppendSection(c.section, SectionLines());
            break;
        case Change::SetLines: PutSection(c.section, c.lines); break;
        case Change::DeleteSection:
            if (at >= 0) {
                sectionNames.Remove(at, 1);
                sections.Remove(at, 1);
                InvalidateIndex();
            }
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
    ForgetDisk(); // memory has just changed; a write notes the file again
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
    fileText = DFile::GetText(fileName);
}

void DIni::RestoreFile()
{
    curSection = -1;
    Parse(fileText);
    ForgetChanges();
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
            const DString name = HeaderName(line, 0, line.Len());
            const int at = FindSection(name);
            if (at < 0 || !expected.empty())
                return true;
            int& left = unseen[Folded(name)];
            if (left > 0) {
                --left;
                --unseenCount;
            }
            const DStringArray& lines = sections[at];
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
    ForgetDisk(); // the new section is in memory only
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
    return curSection >= 0 ? sections[curSection].Count() : 0;
}

DStringArray DIni::GetFullSection(const DString& name) const
{
    // A fresh array, so that the caller's array grows in the usual steps.
    DStringArray lines;
    const int at = FindSection(name);
    if (at >= 0)
        lines.Append(sections[at]);
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
    if (at >= 0)
        sections[at] = lines;
    else
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
        sectionNames.Remove(at, 1);
        sections.Remove(at, 1);
        InvalidateIndex();
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
    const DStringArray& lines = sections[section];
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
        const DString& line = sections[curSection][at];
        if (line.Len() > pos)
            return line.Mid(pos, npos);
    }
    return DString(def, npos);
}

DString DIni::GetSectionKeyValue(const DString& section, const DString& key, const char* def)
{
    curSection = FindSection(section);
    int pos = 0;
    const int at = KeyIndex(key, pos);
    if (at < 0)
        return DString(def, npos);
    return sections[curSection][at].Mid(pos, npos);
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
    const DString value = sections[curSection][at].Mid(pos, npos);
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
    DStringArray& lines = sections[section];
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
    sections[curSection].Remove(at, 1);
    WriteUnlessHeld();
}
