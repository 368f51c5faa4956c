// Win32 file and folder operations of the platform layer: streams, atomic replacement, copy,
// removal and renaming; folders go through the shell's file operation.
#include "Platform.h"
#include "FaultInjection.h"
#include "Win32_p.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>
#include <sys/stat.h>
#include <sys/types.h>

namespace platform {

namespace {

using namespace win32;

// What a replaced file keeps of its attributes (read-only is not: such a file is not replaced).
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM
                                  | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// The errno value that matches a Windows error, for the one failure record of the layer.
int ErrnoOf(DWORD error)
{
    switch (error) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return EACCES;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME: return ENOENT;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return EEXIST;
    case ERROR_DIRECTORY: return ENOTDIR;
    default: return EIO;
    }
}

// Records the thread's Windows error; for `return Failed();` after a failed call.
bool Failed()
{
    SetError(ErrnoOf(GetLastError()));
    return false;
}

bool IsDirectory(DWORD a)
{
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// A handle that only reads the file's identity, for folders too.
HANDLE OpenForInfo(const std::string& path)
{
    return CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

bool FileInfo(const std::string& path, BY_HANDLE_FILE_INFORMATION& info)
{
    if (path.empty())
        return false;
    HANDLE h = OpenForInfo(path);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    bool ok = GetFileInformationByHandle(h, &info) != 0;
    CloseHandle(h);
    return ok;
}

// A list of paths for the shell's file operation: each ends in NUL, the list in another.
std::string ShellList(const std::string& path)
{
    std::string list = path;
    list.push_back('\0');
    return list; // c_str() adds the second NUL
}

bool ShellOperation(UINT function, const std::string& from, const std::string& to)
{
    std::string src = ShellList(from), dst = ShellList(to);
    SHFILEOPSTRUCTA op = {};
    op.wFunc = function;
    op.pFrom = src.c_str();
    op.pTo = to.empty() ? nullptr : dst.c_str();
    op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_NOCONFIRMMKDIR;
    return SHFileOperationA(&op) == 0 && !op.fAnyOperationsAborted;
}

// True when a folder holds anything besides "." and "..".
bool HasEntries(const std::string& folder)
{
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(Join(folder, "*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    bool any = false;
    do {
        std::string n = fd.cFileName;
        any = n != "." && n != "..";
    } while (!any && FindNextFileA(h, &fd));
    FindClose(h);
    return any;
}

// True when `inner` is `outer` or lies inside it (both absolute).
bool Inside(const std::string& inner, const std::string& outer)
{
    std::string a = outer, b = inner;
    while (!a.empty() && IsOsSep(a.back()))
        a.pop_back();
    while (!b.empty() && IsOsSep(b.back()))
        b.pop_back();
    if (b.size() < a.size() || !EqualNoCase(b.substr(0, a.size()), a))
        return false;
    return b.size() == a.size() || IsOsSep(b[a.size()]);
}

struct StreamMode {
    DWORD access = 0;
    DWORD disposition = 0;
    int flags = 0;
    bool ok = false;
};

StreamMode ParseMode(const char* mode)
{
    StreamMode m;
    bool plus = false, binary = false;
    for (const char* p = mode + 1; *p; ++p) {
        plus = plus || *p == '+';
        binary = binary || *p == 'b';
    }
    m.flags = binary ? _O_BINARY : _O_TEXT;
    m.ok = true;
    switch (mode[0]) {
    case 'r':
        m.access = GENERIC_READ | (plus ? GENERIC_WRITE : 0);
        m.disposition = OPEN_EXISTING;
        m.flags |= plus ? _O_RDWR : _O_RDONLY;
        break;
    case 'w':
        m.access = GENERIC_WRITE | (plus ? GENERIC_READ : 0);
        m.disposition = CREATE_ALWAYS;
        m.flags |= plus ? _O_RDWR : _O_WRONLY;
        break;
    case 'a': // append-only access: the system puts every write at the end, across processes
        // (the C library's own seek to the end before each write would race with them)
        m.access = FILE_APPEND_DATA | SYNCHRONIZE | (plus ? GENERIC_READ : 0);
        m.disposition = OPEN_ALWAYS;
        m.flags |= plus ? _O_RDWR : _O_WRONLY;
        break;
    default: m.ok = false;
    }
    return m;
}

// The name a folder holds an entry under, in its stored letter case; empty when missing.
std::string StoredName(const std::string& path)
{
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(path.c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return {};
    FindClose(h);
    return fd.cFileName;
}

// Gives an entry a new spelling of its name (letter case). Where the file system keeps the old
// spelling on a direct rename, the entry goes through a temporary name.
bool Respell(const std::string& from, const std::string& to)
{
    const std::string name = NameOf(to);
    if (!MoveFileExA(from.c_str(), to.c_str(), 0))
        return false;
    if (StoredName(to) == name)
        return true;
    std::string temp = MakeTempBeside(to);
    if (temp.empty() || !DeleteFileA(temp.c_str()))
        return false;
    if (!MoveFileExA(to.c_str(), temp.c_str(), 0))
        return false;
    if (MoveFileExA(temp.c_str(), to.c_str(), 0))
        return true;
    MoveFileExA(temp.c_str(), from.c_str(), 0); // back under the old spelling
    return false;
}

} // namespace

std::FILE* OpenStream(const std::string& nativePath, const char* mode)
{
    if (nativePath.empty() || !mode || !*mode) {
        SetError(EINVAL);
        return nullptr;
    }
    StreamMode m = ParseMode(mode);
    if (!m.ok) {
        SetError(EINVAL);
        return nullptr;
    }
    if (fault::Fail(fault::Open))
        return nullptr;
    // Shared for deletion too, so that a reader never keeps a writer from replacing the file.
    HANDLE h = CreateFileA(nativePath.c_str(), m.access,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           m.disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        Failed();
        return nullptr;
    }
    // Files only: a pipe or a device is refused instead of waited on.
    if (GetFileType(h) != FILE_TYPE_DISK) {
        CloseHandle(h);
        SetError(EINVAL, "not a regular file");
        return nullptr;
    }
    int fd = _open_osfhandle((intptr_t)h, m.flags);
    if (fd < 0) {
        SetError(EMFILE);
        CloseHandle(h);
        return nullptr;
    }
    std::FILE* f = _fdopen(fd, mode);
    if (!f) {
        SetError(EMFILE);
        _close(fd);
    }
    return f;
}

bool OpenInput(const std::string& nativePath, InputFile& out)
{
    out = InputFile();
    if (nativePath.empty()) {
        SetError(ENOENT);
        return false;
    }
    // Shared as the streams are, so that a reader never keeps a writer from replacing the file.
    HANDLE h = CreateFileA(nativePath.c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return Failed();
    // Counted once a file is there: a missing name is an answer, as it was before any open.
    if (fault::Fail(fault::Open)) {
        CloseHandle(h);
        return false;
    }
    LARGE_INTEGER size;
    if (GetFileType(h) != FILE_TYPE_DISK || !GetFileSizeEx(h, &size)) {
        CloseHandle(h);
        SetError(EINVAL, "not a regular file");
        return false;
    }
    out.handle = (long long)(intptr_t)h;
    out.size = size.QuadPart;
    return true;
}

long long ReadInput(const InputFile& f, long long offset, void* buf, std::size_t n)
{
    if (!f.IsOpen() || offset < 0) {
        SetError(EBADF);
        return -1;
    }
    // One call reads at most a DWORD's worth; callers loop over short reads.
    const DWORD want = n > 0x40000000u ? 0x40000000u : DWORD(n);
    OVERLAPPED at = {};
    at.Offset = DWORD(offset & 0xffffffffu);
    at.OffsetHigh = DWORD((unsigned long long)offset >> 32);
    DWORD got = 0;
    if (ReadFile((HANDLE)(intptr_t)f.handle, buf, want, &got, &at))
        return (long long)got;
    if (GetLastError() == ERROR_HANDLE_EOF)
        return 0;
    Failed();
    return -1;
}

void CloseInput(InputFile& f)
{
    if (f.IsOpen())
        CloseHandle((HANDLE)(intptr_t)f.handle);
    f = InputFile();
}

bool WriteStream(std::FILE* f, const void* buf, std::size_t n)
{
    if (n == 0)
        return true;
    if (!f || fault::Fail(fault::Write))
        return false;
    if (std::fwrite(buf, 1, n, f) == n)
        return true;
    SetError(errno == 0 ? EIO : errno);
    return false;
}

namespace {
bool FlushHandle(std::FILE* f)
{
    if (GetSyncMode() != SyncMode::Full)
        return true;
    if (fault::Fail(fault::Sync))
        return false;
    HANDLE h = (HANDLE)_get_osfhandle(_fileno(f));
    return FlushFileBuffers(h) != 0 || Failed();
}
} // namespace

bool SyncStream(std::FILE* f)
{
    if (!f || fault::Fail(fault::Write))
        return false;
    if (std::fflush(f) != 0) {
        SetError(errno == 0 ? EIO : errno);
        return false;
    }
    return FlushHandle(f);
}

bool TruncateStream(std::FILE* f, long long length)
{
    if (!f)
        return false;
    std::fflush(f); // what a failed write left in the buffer goes with the bytes being cut
    std::clearerr(f);
    if (fault::Fail(fault::Truncate))
        return false;
    if (_chsize_s(_fileno(f), length) != 0) {
        SetError(errno == 0 ? EIO : errno);
        return false;
    }
    return FlushHandle(f);
}

bool CloseStream(std::FILE* f)
{
    if (!f)
        return true;
    const bool injected = fault::Fail(fault::Close);
    if (std::fclose(f) != 0) {
        SetError(errno == 0 ? EIO : errno);
        return false;
    }
    return !injected;
}

long long ReadStreamLength(std::FILE* f)
{
    struct _stati64 st;
    return f && _fstati64(_fileno(f), &st) == 0 ? (long long)st.st_size : -1;
}

bool IsReadOnly(const std::string& nativePath)
{
    const DWORD a = Attributes(nativePath);
    if (a == INVALID_FILE_ATTRIBUTES || IsDirectory(a) || !(a & FILE_ATTRIBUTE_READONLY))
        return false;
    SetError(EACCES, "the file is read-only");
    return true;
}

std::string MakeTempBeside(const std::string& nativeTarget)
{
    if (nativeTarget.empty())
        return {};
    std::string folder = ParentOf(nativeTarget);
    std::string base = "." + NameOf(nativeTarget).substr(0, 200) + ".tmp-";
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    unsigned long long seed = (unsigned long long)t.QuadPart * 2654435761ULL
                              ^ GetCurrentProcessId();
    if (fault::Fail(fault::Open))
        return {};
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[32];
        wsprintfA(suffix, "%08lx",
                  (unsigned long)((seed + (unsigned)attempt * 7919u) & 0xffffffff));
        std::string temp = folder.empty() ? base + suffix : Join(folder, base + suffix);
        HANDLE h = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            CloseHandle(h);
            return temp;
        }
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) {
            Failed();
            return {};
        }
    }
    SetError(EEXIST);
    return {};
}

// About five seconds of attempts to replace a file that is open elsewhere.
constexpr int kReplaceAttempts = 520;

namespace {
// ReplaceFileA is no write-through move: the replaced file's entry is flushed after it.
bool FlushReplaced(const std::string& target, bool full)
{
    if (!full)
        return true;
    HANDLE h = CreateFileA(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return true; // replaced, and opened elsewhere: the system flushes it in its time
    const bool ok = FlushFileBuffers(h) || Failed();
    CloseHandle(h);
    return ok;
}
} // namespace

bool CommitTemp(const std::string& temp, const std::string& nativeTarget)
{
    if (temp.empty() || nativeTarget.empty()) {
        SetError(EINVAL);
        return false;
    }
    DWORD a = Attributes(nativeTarget);
    if (IsDirectory(a)) {
        DeleteFileA(temp.c_str());
        SetError(EISDIR);
        return false;
    }
    if (fault::Fail(fault::Rename)) {
        DeleteFileA(temp.c_str());
        return false;
    }
    const DWORD writeThrough = GetSyncMode() == SyncMode::Full ? MOVEFILE_WRITE_THROUGH : 0;
    // An existing file keeps its attributes, creation time and security: ReplaceFileA (the
    // attributes are also given to the new file first, where ReplaceFileA does not merge them).
    if (a != INVALID_FILE_ATTRIBUTES)
        SetFileAttributesA(temp.c_str(), a & kKeptAttributes);
    // A file that another process has open (a reader, for a moment) cannot be replaced: the
    // replacement is tried again for a while instead of losing the write.
    for (int attempt = 0; attempt < kReplaceAttempts; ++attempt) {
        if (attempt > 0)
            Sleep(attempt < 20 ? 1 : 10);
        if (a != INVALID_FILE_ATTRIBUTES
            && ReplaceFileA(nativeTarget.c_str(), temp.c_str(), nullptr,
                            REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr))
            return FlushReplaced(nativeTarget, writeThrough != 0);
        if (MoveFileExA(temp.c_str(), nativeTarget.c_str(),
                        MOVEFILE_REPLACE_EXISTING | writeThrough))
            return true;
        const DWORD error = GetLastError();
        if (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION
            && error != ERROR_LOCK_VIOLATION)
            break;
    }
    Failed();
    DeleteFileA(temp.c_str());
    return false;
}

void DiscardTemp(const std::string& temp)
{
    if (!temp.empty())
        DeleteFileA(temp.c_str());
}

std::FILE* BeginReplace(const std::string& nativeTarget, bool binary, Replacement& r)
{
    r = Replacement();
    if (IsReadOnly(nativeTarget))
        return nullptr;
    const std::string temp = MakeTempBeside(nativeTarget);
    if (temp.empty())
        return nullptr;
    std::FILE* f = OpenStream(temp, binary ? "r+b" : "r+");
    if (!f) {
        DiscardTemp(temp);
        return nullptr;
    }
    r.temp = temp;
    r.target = nativeTarget;
    r.existed = Attributes(nativeTarget) != INVALID_FILE_ATTRIBUTES;
    return f;
}

bool CommitReplace(const Replacement& r)
{
    return CommitTemp(r.temp, r.target);
}

bool IsFolder(const std::string& nativePath)
{
    return IsDirectory(Attributes(nativePath));
}

bool MakeFolder(const std::string& nativePath)
{
    if (nativePath.empty())
        return false;
    if (IsFolder(nativePath))
        return true;
    if (fault::Fail(fault::MakeDir))
        return false;
    if (!CreateDirectoryA(nativePath.c_str(), nullptr) && !IsFolder(nativePath))
        return Failed();
    return true;
}

NewFolder MakeNewFolder(const std::string& nativePath)
{
    if (nativePath.empty() || fault::Fail(fault::MakeDir))
        return NewFolder::Failed;
    if (CreateDirectoryA(nativePath.c_str(), nullptr))
        return NewFolder::Created;
    const DWORD error = GetLastError();
    Failed();
    return error == ERROR_ALREADY_EXISTS ? NewFolder::Exists : NewFolder::Failed;
}

bool CopyFile(const std::string& from, const std::string& to)
{
    DWORD a = Attributes(from);
    if (to.empty() || a == INVALID_FILE_ATTRIBUTES || IsDirectory(a) || IsFolder(to)) {
        SetError(a == INVALID_FILE_ATTRIBUTES ? ENOENT : EISDIR);
        return false;
    }
    if (SameFile(from, to))
        return true;
    if (IsReadOnly(to))
        return false;
    std::string temp = MakeTempBeside(to);
    if (temp.empty())
        return false;
    // The copy keeps the source's attributes and last-write time; it reaches the disk before
    // it replaces the target.
    bool ok = !fault::Fail(fault::Write)
              && (CopyFileA(from.c_str(), temp.c_str(), FALSE) || Failed());
    if (ok && GetSyncMode() == SyncMode::Full) {
        HANDLE h = CreateFileA(temp.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        ok = h != INVALID_HANDLE_VALUE
             && (!fault::Fail(fault::Sync) && (FlushFileBuffers(h) || Failed()));
        if (h != INVALID_HANDLE_VALUE)
            CloseHandle(h);
    }
    const DWORD writeThrough = GetSyncMode() == SyncMode::Full ? MOVEFILE_WRITE_THROUGH : 0;
    ok = ok && !fault::Fail(fault::Rename)
         && (MoveFileExA(temp.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | writeThrough)
             || Failed());
    if (!ok) {
        SetFileAttributesA(temp.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(temp.c_str());
    }
    return ok;
}

bool CopyTree(const std::string& from, const std::string& to)
{
    std::string src = FullPath(from), dst = FullPath(to);
    if (src.empty() || dst.empty() || Inside(dst, src) || !IsFolder(src) || !IsFolder(dst))
        return false;
    if (!HasEntries(src))
        return true;
    return ShellOperation(FO_COPY, Join(src, "*"), dst);
}

bool RemoveFile(const std::string& nativePath)
{
    DWORD a = Attributes(nativePath);
    if (a == INVALID_FILE_ATTRIBUTES || IsDirectory(a))
        return false;
    return DeleteFileA(nativePath.c_str()) != 0;
}

bool RemoveTree(const std::string& nativePath)
{
    DWORD a = Attributes(nativePath);
    if (!IsDirectory(a))
        return false;
    if (a & FILE_ATTRIBUTE_REPARSE_POINT) // a link to a folder goes, never what it points at
        return RemoveDirectoryA(nativePath.c_str()) != 0;
    std::string full = FullPath(nativePath);
    if (full.empty() || IsRootOnly(full))
        return false;
    ShellOperation(FO_DELETE, full, std::string());
    return !Exists(full);
}

bool Rename(const std::string& from, const std::string& to)
{
    DWORD a = Attributes(from);
    if (a == INVALID_FILE_ATTRIBUTES || to.empty() || fault::Fail(fault::Rename))
        return false;
    if (SameFile(from, to)) // a new spelling of the same name
        return Respell(from, to);
    if (Exists(to))
        return false;
    if (!IsDirectory(a))
        return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_COPY_ALLOWED) != 0;
    std::string src = FullPath(from), dst = FullPath(to);
    bool sameFolder = EqualNoCase(ParentOf(src), ParentOf(dst));
    return !src.empty() && !dst.empty()
           && ShellOperation(sameFolder ? FO_RENAME : FO_MOVE, src, dst) && Exists(dst);
}

bool SameFile(const std::string& a, const std::string& b)
{
    BY_HANDLE_FILE_INFORMATION x, y;
    return FileInfo(a, x) && FileInfo(b, y) && x.dwVolumeSerialNumber == y.dwVolumeSerialNumber
           && x.nFileIndexHigh == y.nFileIndexHigh && x.nFileIndexLow == y.nFileIndexLow;
}

bool GetFileStamp(const std::string& nativePath, FileStamp& out)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!FileInfo(nativePath, info))
        return false;
    out.device = info.dwVolumeSerialNumber;
    out.inode = ((unsigned long long)info.nFileIndexHigh << 32) | info.nFileIndexLow;
    out.size = (long long)(((unsigned long long)info.nFileSizeHigh << 32) | info.nFileSizeLow);
    out.modifiedNs = (Ticks(info.ftLastWriteTime) - kEpochOffset) * 100;
    return true;
}

} // namespace platform
