// Files and folders on disk: lookups, listings, dates, copying, deleting and renaming.
#include "FileSystem.h"
#include "IoFailure_p.h"
#include "LastFailure.h"
#include "Paths.h"
#include "Platform.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

DString ComputerName;

namespace {

std::string Std(DString const& s)
{
    return std::string(s.c_str(), std::size_t(s.Len()));
}

DString D(std::string const& s)
{
    return DString(s.c_str());
}

bool IsSep(char c)
{
    return platform::IsPathSeparator(c);
}

// Native paths: Windows itself also splits at '/'.
bool IsNativeSep(char c)
{
    return c == platform::kNativeSeparator || c == '/';
}

bool EndsWithSep(DString const& s)
{
    return s.Len() > 0 && IsSep(s[s.Len() - 1]);
}

// The caller's separators after the last element.
DString TrailingSeps(DString const& s)
{
    int i = s.Len();
    while (i > 0 && IsSep(s[i - 1]))
        --i;
    return s.Mid(i);
}

DString Rewritten(DString const& path, std::string const& folderText, std::string const& name)
{
    return D(folderText + name) + TrailingSeps(path);
}

std::vector<platform::FoundEntry> Find(DString const& pattern, std::string* folderText = nullptr,
                                       bool kindOnly = false)
{
    if (!pattern)
        return {};
    return platform::FindEntries(Std(pattern), folderText, kindOnly);
}

/// Names only: a listing of many entries then costs no look at each one.
std::vector<platform::FoundEntry> FindKinds(DString const& pattern)
{
    return Find(pattern, nullptr, true);
}

std::string Native(DString const& path, bool forWrite)
{
    return !path ? std::string() : platform::ToNative(Std(path), forWrite);
}

bool Wild(DString const& path)
{
    return platform::HasWildcard(Std(path));
}

// The refusals of DeleteFolder take every separator the operating system takes, so that no
// spelling of a root or of "." and ".." gets through on any system.
bool IsAnySep(char c)
{
    return c == '\\' || c == '/';
}

// A path with nothing below its root: "", "\", "C:", "C:\", "\\server\share".
bool IsRootOnly(DString const& path)
{
    int n = path.Len();
    while (n > 0 && IsAnySep(path[n - 1]))
        --n;
    if (n == 0)
        return true;
    if (n >= 2 && IsAnySep(path[0]) && IsAnySep(path[1])) {
        int elements = 0;
        for (int i = 2; i < n; ++i)
            if (!IsAnySep(path[i]) && (i == 2 || IsAnySep(path[i - 1])))
                ++elements;
        return elements <= 2;
    }
    if (n >= 2 && path[1] == ':') {
        for (int i = 2; i < n; ++i)
            if (!IsAnySep(path[i]))
                return false;
        return true;
    }
    return false;
}

bool IsDotElement(DString const& path)
{
    int end = path.Len();
    while (end > 0 && IsAnySep(path[end - 1]))
        --end;
    int start = end;
    while (start > 0 && !IsAnySep(path[start - 1]))
        --start;
    if (start == 0 && end >= 2 && path[1] == ':') // "C:.." is the parent of C:'s folder
        start = 2;
    DString name = path.Mid(start, end - start);
    return name == "." || name == "..";
}

// A native path with its last element replaced by `name`.
std::string WithLastElement(std::string const& native, std::string const& name)
{
    std::size_t i = native.size();
    while (i > 0 && !IsNativeSep(native[i - 1]))
        --i;
    return native.substr(0, i) + name;
}

// Shared by RenameFile and RenameFolder: the target keeps the caller's spelling of its last
// element when it differs from the source in letter case only.
bool RenameEntry(DString const& from, DString const& to, bool folderOnly)
{
    std::string src = Native(from, false), dst = Native(to, true);
    if (src.empty() || dst.empty() || (folderOnly && !platform::IsFolder(src)))
        return false;
    if (platform::SameFile(src, dst)) {
        DString t = to, folder, name;
        while (EndsWithSep(t))
            t.TruncateBy(1);
        SplitPathElts(t, folder, name);
        dst = WithLastElement(dst, Std(name));
        if (dst == src)
            return true;
    }
    if (platform::Rename(src, dst))
        return true;
    ReportIoFailure("cannot rename " + D(src) + " to " + D(dst));
    return false;
}

// One file copied, a failure reported with the file and the system's reason.
bool CopyOne(std::string const& src, std::string const& dst, DString const& to)
{
    if (src.empty() || dst.empty()) {
        ReportFailure(ENOENT, "cannot copy to " + to + ": " + DString(std::strerror(ENOENT)));
        return false;
    }
    if (platform::CopyFile(src, dst))
        return true;
    ReportIoFailure("cannot copy " + D(src) + " to " + D(dst));
    return false;
}

// CreateFolder, also for a single relative name (which CreateFolder refuses).
bool EnsureFolder(DString const& path)
{
    return CreateFolder(path) || platform::MakeFolder(Native(path, true));
}

} // namespace

bool FileExists(DString& path)
{
    if (EndsWithSep(path))
        return false;
    std::string folderText;
    std::vector<platform::FoundEntry> found = Find(path, &folderText);
    std::size_t match = 0;
    if (found.empty() || (found[0].folder && (found.size() < 2 || found[1].folder)))
        return false;
    if (found[0].folder)
        match = 1;
    path = Rewritten(path, folderText, found[match].name);
    return true;
}

bool FolderExists(DString& path)
{
    std::string folderText;
    std::vector<platform::FoundEntry> found = Find(path, &folderText);
    if (found.empty())
        return false;
    std::size_t match = found[0].folder ? 0 : 1;
    if (match >= found.size())
        return false;
    path = Rewritten(path, folderText, found[match].name);
    return found[match].folder;
}

__int64 FileDate(DString const& path)
{
    std::vector<platform::FoundEntry> found = Find(path);
    return found.empty() ? 0 : static_cast<__int64>(found[0].modified);
}

int GetFileLen(DString const& path)
{
    std::vector<platform::FoundEntry> found = Find(path);
    return found.empty() ? 0 : int((unsigned long long)found[0].size & 0xFFFFFFFFull);
}

bool GetFiles(DString const& pattern, DStringArray& names, bool clear)
{
    if (clear)
        names.Clear();
    for (platform::FoundEntry const& e : FindKinds(pattern))
        if (!e.folder && e.name[0] != '.')
            names.Add(D(e.name));
    names.Sort(nullptr);
    return true;
}

bool GetFolders(DString const& pattern, DStringArray& names, bool clear)
{
    if (clear)
        names.Clear();
    for (platform::FoundEntry const& e : FindKinds(pattern))
        if (e.folder && e.name[0] != '.')
            names.Add(D(e.name));
    return true;
}

bool GetFilesDates(DString const& pattern, DStringArray& names, DArray<__int64, 0>& created,
                   DArray<__int64, 0>& modified)
{
    names.Clear();
    created.Clear();
    modified.Clear();
    for (platform::FoundEntry const& e : Find(pattern)) {
        if (e.folder || e.name[0] == '.')
            continue;
        names.Add(D(e.name));
        created.Add(static_cast<__int64>(e.created));
        modified.Add(static_cast<__int64>(e.modified));
    }
    return true;
}

DString GetCurrentDirectoryD()
{
    return D(platform::CurrentDirectory());
}

bool SetCurrentDirectoryD(DString const& path)
{
    return platform::SetCurrentDirectory(Native(path, false));
}

void SetComputerNameD()
{
    ComputerName = D(platform::HostName().substr(0, 256));
}

DString GetComputerNameD()
{
    return ComputerName;
}

bool CreateFolder(DString const& path)
{
    if (platform::IsFolder(Native(path, false)))
        return true;
    DString p = path;
    if (EndsWithSep(p))
        p.TruncateBy(1);
    bool anySep = false;
    for (int i = 1; i < p.Len(); ++i) {
        if (!IsSep(p[i]))
            continue;
        anySep = true;
        std::string prefix = Native(p.Left(i), true);
        if (!prefix.empty())
            platform::MakeFolder(prefix);
    }
    if (!anySep && !(p.Len() > 0 && IsSep(p[0])))
        return false;
    std::string whole = Native(p, true);
    if (whole.empty())
        return false;
    if (platform::MakeFolder(whole))
        return true;
    ReportIoFailure("cannot create folder " + D(whole));
    return false;
}

bool CopyFileD(DString const& from, DString const& to)
{
    if (!from || !to)
        return false;
    if (!Wild(from)) {
        DString folder, name;
        SplitPathElts(to, folder, name);
        if (~folder)
            EnsureFolder(folder);
        return CopyOne(Native(from, false), Native(to, true), to);
    }
    std::string folderText;
    std::vector<platform::FoundEntry> files;
    for (platform::FoundEntry const& e : Find(from, &folderText))
        if (!e.folder)
            files.push_back(e);
    if (files.empty() || !EnsureFolder(to))
        return false;
    bool ok = true;
    for (platform::FoundEntry const& e : files) {
        std::string src = platform::ToNative(folderText + e.name, false);
        DString const dst = AppendPathElts(to, D(e.name));
        ok = CopyOne(src, Native(dst, true), dst) && ok;
    }
    return ok;
}

bool CopyFolder(DString const& from, DString const& to)
{
    if (!from || !to || !EnsureFolder(to))
        return false;
    if (platform::CopyTree(Native(from, false), Native(to, false)))
        return true;
    ReportIoFailure("cannot copy folder " + from + " to " + to);
    return false;
}

bool DeleteFileD(DString const& path)
{
    if (!Wild(path))
        return platform::RemoveFile(Native(path, false));
    std::string folderText;
    bool deleted = false, ok = true;
    for (platform::FoundEntry const& e : Find(path, &folderText)) {
        if (e.folder)
            continue;
        deleted = true;
        ok = platform::RemoveFile(platform::ToNative(folderText + e.name, false)) && ok;
    }
    return deleted && ok;
}

bool DeleteFolder(DString const& path)
{
    if (IsRootOnly(path) || IsDotElement(path) || Wild(path))
        return false;
    std::string native = Native(path, false);
    if (!platform::IsFolder(native))
        return false;
    if (platform::RemoveTree(native))
        return true;
    ReportIoFailure("cannot delete folder " + D(native));
    return false;
}

bool RenameFile(DString const& from, DString const& to)
{
    return RenameEntry(from, to, false);
}

bool RenameFolder(DString const& from, DString const& to)
{
    return RenameEntry(from, to, true);
}
