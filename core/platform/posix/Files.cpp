// POSIX file and folder operations of the platform layer: streams, atomic replacement, copy,
// removal and renaming.
#include "Platform.h"
#include "FaultInjection.h"
#include "NameIndex_p.h"
#include "Posix_p.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace platform {

namespace {

using posix::JoinNative;

std::string Dirname(const std::string& path)
{
    std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return {};
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string Basename(const std::string& path)
{
    std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ReadLink(const std::string& path)
{
    std::string buf(256, '\0');
    for (;;) {
        ssize_t n = readlink(path.c_str(), &buf[0], buf.size());
        if (n < 0)
            return {};
        if (std::size_t(n) < buf.size()) {
            buf.resize(std::size_t(n));
            return buf;
        }
        if (buf.size() > 65536)
            return {};
        buf.resize(buf.size() * 2);
    }
}

} // namespace

std::string posix::FinalTarget(const std::string& path)
{
    std::string cur = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (lstat(cur.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return cur;
        std::string link = ReadLink(cur);
        if (link.empty())
            return cur;
        cur = link[0] == '/' ? link : JoinNative(Dirname(cur), link);
    }
    return cur;
}

namespace {

using posix::FinalTarget;

mode_t DefaultFileMode()
{
    mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

// Six characters for a temporary file's name, from the process and the clock; a name that is
// taken is simply tried again with the next attempt number.
std::string UniqueSuffix(int attempt)
{
    static const char digits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    // The process id once per process (a forked child differs by the clock; a name taken is
    // tried again).
    static const pid_t pid = getpid();
    unsigned long long x = (unsigned long long)pid * 0x9E3779B97F4A7C15ull
                           ^ (unsigned long long)ts.tv_nsec * 0xC2B2AE3D27D4EB4Full
                           ^ (unsigned long long)(attempt + 1) * 0x165667B19E3779F9ull;
    std::string s(6, 'a');
    for (char& ch : s) {
        ch = digits[x % 36];
        x /= 36;
    }
    return s;
}

// Records errno as the thread's platform failure; for `return Failed();` after a failed call.
bool Failed()
{
    SetError(errno);
    return false;
}

bool WriteAll(int fd, const char* p, std::size_t n)
{
    if (fault::Fail(fault::Write))
        return false;
    while (n > 0) {
        ssize_t w = write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += w;
        n -= std::size_t(w);
    }
    return true;
}

bool CopyBytes(int in, int out)
{
    char buf[65536];
    for (;;) {
        ssize_t r = read(in, buf, sizeof buf);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (r == 0)
            return true;
        if (!WriteAll(out, buf, std::size_t(r)))
            return false;
    }
}

// Names of a folder's entries other than "." and ".."; false when it cannot be read.
bool ListNames(DIR* d, std::vector<std::string>& names)
{
    if (!d)
        return false;
    while (dirent* e = readdir(d)) {
        std::string n = e->d_name;
        if (n != "." && n != "..")
            names.push_back(n);
    }
    return true;
}

bool CopyContents(const std::string& from, const std::string& to, int depth)
{
    if (depth > 256)
        return false;
    std::vector<std::string> names;
    DIR* d = opendir(from.c_str());
    bool ok = ListNames(d, names);
    if (d)
        closedir(d);
    for (const std::string& n : names) {
        std::string src = JoinNative(from, n), dst = JoinNative(to, n);
        struct stat st;
        if (lstat(src.c_str(), &st) != 0) {
            ok = false;
        } else if (S_ISLNK(st.st_mode)) {
            std::string link = ReadLink(src);
            struct stat dt;
            if (lstat(dst.c_str(), &dt) == 0 && !S_ISDIR(dt.st_mode))
                unlink(dst.c_str());
            ok = !link.empty() && symlink(link.c_str(), dst.c_str()) == 0 && ok;
        } else if (S_ISDIR(st.st_mode)) {
            ok = MakeFolder(dst) && CopyContents(src, dst, depth + 1) && ok;
        } else if (S_ISREG(st.st_mode)) {
            ok = CopyFile(src, dst) && ok;
        } // devices, pipes and sockets are not data: skipped
    }
    return ok;
}

bool RemoveEntryAt(int parentFd, const char* name, int depth)
{
    struct stat st;
    if (fstatat(parentFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT;
    if (!S_ISDIR(st.st_mode))
        return unlinkat(parentFd, name, 0) == 0 || errno == ENOENT;
    if (depth > 256)
        return false;
    int fd = openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    DIR* d = fdopendir(fd);
    if (!d) {
        close(fd);
        return false;
    }
    std::vector<std::string> names;
    bool ok = ListNames(d, names);
    for (const std::string& n : names)
        ok = RemoveEntryAt(dirfd(d), n.c_str(), depth + 1) && ok;
    closedir(d);
    return unlinkat(parentFd, name, AT_REMOVEDIR) == 0 && ok;
}

// Syncs a file's data (SyncMode Full only).
bool SyncFd(int fd)
{
    if (GetSyncMode() != SyncMode::Full)
        return true;
    if (fault::Fail(fault::Sync))
        return false;
    while (fsync(fd) != 0) {
        // Not every file system syncs every kind of file; that is no failure of the data.
        if (errno == EINVAL || errno == ENOTSUP)
            return true;
        if (errno != EINTR)
            return Failed();
    }
    return true;
}

// Syncs a folder, so that a rename into it survives a power cut (SyncMode Full only).
bool SyncFolder(const std::string& folder)
{
    if (GetSyncMode() != SyncMode::Full)
        return true;
    bool synced = false;
    if (posix::SyncIndexedFolder(folder, SyncFd, synced))
        return synced;
    const int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return Failed();
    const bool ok = SyncFd(fd);
    close(fd);
    return ok;
}

int OpenFlags(const char* mode, bool& ok)
{
    const bool plus = std::strchr(mode, '+') != nullptr;
    ok = true;
    switch (mode[0]) {
    case 'r': return plus ? O_RDWR : O_RDONLY;
    case 'w': return (plus ? O_RDWR : O_WRONLY) | O_CREAT | O_TRUNC;
    case 'a': return (plus ? O_RDWR : O_WRONLY) | O_CREAT | O_APPEND;
    default: ok = false; return 0;
    }
}

bool Exists(const std::string& path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

// Moves across file systems: copy, then remove the source; a failed copy leaves no trace.
bool MoveByCopy(const std::string& from, const std::string& to)
{
    if (Exists(to))
        return false;
    if (IsFolder(from)) {
        if (mkdir(to.c_str(), 0777) != 0)
            return false;
        if (!CopyTree(from, to)) {
            RemoveTree(to);
            return false;
        }
        return RemoveTree(from);
    }
    if (!CopyFile(from, to)) {
        unlink(to.c_str());
        return false;
    }
    return RemoveFile(from);
}

// The last step of a replacement: the rename, then the folder synced.
bool RenameInto(const std::string& temp, const std::string& target)
{
    if (fault::Fail(fault::Rename) || rename(temp.c_str(), target.c_str()) != 0) {
        const int error = errno;
        unlink(temp.c_str());
        posix::NoteOwnEntry(temp, false);
        posix::EndOwnChanges(Dirname(temp), false);
        SetError(error);
        return false;
    }
    posix::NoteOwnEntry(temp, false);
    posix::NoteOwnEntry(target, true);
    const std::string folder = Dirname(target);
    const bool ok = SyncFolder(folder);
    posix::EndOwnChanges(folder, false);
    return ok;
}

} // namespace

std::FILE* OpenStream(const std::string& nativePath, const char* mode)
{
    bool known = false;
    const int flags = mode ? OpenFlags(mode, known) : 0;
    if (nativePath.empty() || !known) {
        SetError(EINVAL);
        return nullptr;
    }
    if (fault::Fail(fault::Open))
        return nullptr;
    // Without blocking, so that a FIFO or a device is refused instead of waited on (a regular
    // file, the only kind let through, reads and writes the same either way).
    const int fd = open(nativePath.c_str(), flags | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) {
        Failed();
        return nullptr;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const bool folder = S_ISDIR(st.st_mode);
        close(fd);
        SetError(folder ? EISDIR : EINVAL, folder ? std::strerror(EISDIR) : "not a regular file");
        return nullptr;
    }
    if (flags & O_CREAT) {
        posix::NoteOwnEntry(nativePath, true);
        posix::EndOwnChanges(Dirname(nativePath), false);
    }
    std::FILE* f = fdopen(fd, mode);
    if (!f) {
        Failed();
        close(fd);
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
    const int fd = open(nativePath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return Failed();
    // Counted once a file is there: a missing name is an answer, as it was before any open.
    if (fault::Fail(fault::Open)) {
        close(fd);
        return false;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const bool folder = S_ISDIR(st.st_mode);
        close(fd);
        SetError(folder ? EISDIR : EINVAL, folder ? std::strerror(EISDIR) : "not a regular file");
        return false;
    }
    out.handle = fd;
    out.size = (long long)st.st_size;
    return true;
}

long long ReadInput(const InputFile& f, long long offset, void* buf, std::size_t n)
{
    if (!f.IsOpen() || offset < 0) {
        SetError(EBADF);
        return -1;
    }
    for (;;) {
        const ssize_t r = pread(int(f.handle), buf, n, off_t(offset));
        if (r >= 0)
            return (long long)r;
        if (errno != EINTR) {
            Failed();
            return -1;
        }
    }
}

void CloseInput(InputFile& f)
{
    if (f.IsOpen())
        close(int(f.handle));
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
    return Failed();
}

bool SyncStream(std::FILE* f)
{
    if (!f || fault::Fail(fault::Write))
        return false;
    if (std::fflush(f) != 0)
        return Failed();
    return SyncFd(fileno(f));
}

bool TruncateStream(std::FILE* f, long long length)
{
    if (!f)
        return false;
    // What a failed write left in the buffer is dropped with the bytes being cut.
    std::fflush(f);
    std::clearerr(f);
    if (fault::Fail(fault::Truncate))
        return false;
    if (ftruncate(fileno(f), off_t(length)) != 0)
        return Failed();
    return SyncFd(fileno(f));
}

long long ReadStreamLength(std::FILE* f)
{
    struct stat st;
    return f && fstat(fileno(f), &st) == 0 ? (long long)st.st_size : -1;
}

bool CloseStream(std::FILE* f)
{
    if (!f)
        return true;
    const bool injected = fault::Fail(fault::Close);
    if (std::fclose(f) != 0)
        return Failed();
    return !injected;
}

namespace {
// IsReadOnly for a file (no link) whose status the caller has.
bool DeniesWrite(const std::string& target, const struct stat& st)
{
    // A privileged process may write anything: for it, read-only is the absence of write bits.
    if (geteuid() == 0 ? (st.st_mode & 0222) == 0
                       : faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
        SetError(EACCES, "the file is read-only");
        return true;
    }
    return false;
}
} // namespace

bool IsReadOnly(const std::string& nativePath)
{
    struct stat st;
    const std::string target = FinalTarget(nativePath);
    if (nativePath.empty() || stat(target.c_str(), &st) != 0 || S_ISDIR(st.st_mode))
        return false;
    return DeniesWrite(target, st);
}

std::string MakeTempBeside(const std::string& nativeTarget)
{
    if (nativeTarget.empty())
        return {};
    std::string target = FinalTarget(nativeTarget);
    // Made with the bits it will keep, the file usually needs no change when it is committed
    // (each change is a metadata write). Owner read and write are added so that the writer
    // can open it again by name; a new target's bits are those of any created file.
    struct stat st;
    mode_t mode = stat(target.c_str(), &st) == 0 ? ((st.st_mode & 0777) | 0600) : 0666;
    std::string stem = JoinNative(Dirname(target), "." + Basename(target).substr(0, 200) + ".tmp-");
    if (fault::Fail(fault::Open))
        return {};
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string temp = stem + UniqueSuffix(attempt);
        int fd = open(temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            Failed();
            return {};
        }
        if (fstat(fd, &st) == 0 && (st.st_mode & 0600) != 0600)
            fchmod(fd, (st.st_mode & 07777) | 0600); // a umask that takes the owner's own bits
        close(fd);
        posix::NoteOwnEntry(temp, true);
        return temp;
    }
    SetError(EEXIST);
    return {};
}

namespace {
// CommitTemp over a target that is no symbolic link.
bool CommitOverFinal(const std::string& temp, const std::string& target)
{
    struct stat st, now;
    if (lstat(temp.c_str(), &now) != 0)
        return Failed();
    mode_t mode = 0;
    bool chowned = false;
    const bool exists = stat(target.c_str(), &st) == 0;
    if (!exists)
        mode = DefaultFileMode();
    else {
        if (S_ISDIR(st.st_mode)) {
            unlink(temp.c_str());
            SetError(EISDIR);
            return false;
        }
        mode = st.st_mode & 07777;
        if (now.st_uid != st.st_uid || now.st_gid != st.st_gid) {
            // Only the owner may give a file away; the new file then stays the writer's.
            chowned = chown(temp.c_str(), st.st_uid, st.st_gid) == 0;
        }
    }
    // A change of owner clears the set-id bits, which the target's bits put back.
    if (chowned || (now.st_mode & 07777) != mode)
        chmod(temp.c_str(), mode);
    return RenameInto(temp, target);
}
} // namespace

bool CommitTemp(const std::string& temp, const std::string& nativeTarget)
{
    if (temp.empty() || nativeTarget.empty()) {
        SetError(EINVAL);
        return false;
    }
    return CommitOverFinal(temp, FinalTarget(nativeTarget));
}

void DiscardTemp(const std::string& temp)
{
    if (temp.empty())
        return;
    unlink(temp.c_str());
    posix::NoteOwnEntry(temp, false);
    posix::EndOwnChanges(Dirname(temp), false);
}

std::FILE* BeginReplace(const std::string& nativeTarget, bool binary, Replacement& r)
{
    (void)binary; // one mode on POSIX
    r = Replacement();
    if (nativeTarget.empty()) {
        SetError(EINVAL);
        return nullptr;
    }
    // One look at the target tells a new file from an existing one, a link and a folder.
    std::string target = nativeTarget;
    struct stat st;
    bool exists = false;
    if (!posix::TakeSeenUnderLock(target, exists, st))
        exists = lstat(target.c_str(), &st) == 0;
    if (exists && S_ISLNK(st.st_mode)) {
        target = FinalTarget(nativeTarget);
        exists = stat(target.c_str(), &st) == 0;
    }
    if (exists && S_ISDIR(st.st_mode)) {
        SetError(EISDIR);
        return nullptr;
    }
    if (exists && DeniesWrite(target, st)) // the status above is the final target's
        return nullptr;
    const std::string stem = JoinNative(Dirname(target),
                                        "." + Basename(target).substr(0, 200) + ".tmp-");
    if (fault::Fail(fault::Open))
        return nullptr;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string temp = stem + UniqueSuffix(attempt);
        std::FILE* f = nullptr;
        if (!exists) {
            // Made with the bits of any created file, which a new target keeps.
            f = std::fopen(temp.c_str(), "w+xe");
        } else {
            const int fd = open(temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC,
                                (st.st_mode & 0777) | 0600);
            f = fd >= 0 ? fdopen(fd, "w+") : nullptr;
            if (!f && fd >= 0) {
                Failed();
                close(fd);
                unlink(temp.c_str());
                return nullptr;
            }
        }
        if (!f) {
            if (errno == EEXIST)
                continue;
            Failed();
            return nullptr;
        }
        posix::NoteOwnEntry(temp, true);
        r.temp = temp;
        r.target = target;
        r.existed = exists;
        return f;
    }
    SetError(EEXIST);
    return nullptr;
}

bool CommitReplace(const Replacement& r)
{
    if (r.temp.empty() || r.target.empty())
        return CommitTemp(r.temp, r.target);
    if (r.existed) // BeginReplace followed any link: the target is final
        return CommitOverFinal(r.temp, r.target);
    return RenameInto(r.temp, r.target);
}

bool IsFolder(const std::string& nativePath)
{
    struct stat st;
    return !nativePath.empty() && stat(nativePath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

namespace {

// Syncs the parent of a folder this call has just made. A folder not known to be on disk is
// not made: it goes again (still empty), so that nothing is built on an entry a power cut may
// lose, and the failure of the sync is kept.
bool SyncNewFolder(const std::string& nativePath)
{
    if (SyncFolder(Dirname(nativePath)))
        return true;
    const Error kept = LastError();
    rmdir(nativePath.c_str());
    SetError(kept.code, kept.text);
    return false;
}

} // namespace

namespace {
// A folder this process made goes into its parent's names, so that making one shot folder
// after another in a large shot path does not read the whole path again each time.
void NoteNewFolder(const std::string& nativePath)
{
    posix::NoteOwnEntry(nativePath, true);
    posix::EndOwnChanges(Dirname(nativePath), false);
}
} // namespace

bool MakeFolder(const std::string& nativePath)
{
    if (nativePath.empty())
        return false;
    if (IsFolder(nativePath))
        return true;
    if (fault::Fail(fault::MakeDir))
        return false;
    if (mkdir(nativePath.c_str(), 0777) == 0) {
        NoteNewFolder(nativePath);
        return SyncNewFolder(nativePath);
    }
    posix::ForgetFolderOf(nativePath); // another process made it, or something of that name
    if (!IsFolder(nativePath))
        return Failed();
    // A new entry survives a power cut only once its parent is synced.
    return SyncFolder(Dirname(nativePath));
}

NewFolder MakeNewFolder(const std::string& nativePath)
{
    if (nativePath.empty() || fault::Fail(fault::MakeDir))
        return NewFolder::Failed;
    if (mkdir(nativePath.c_str(), 0777) == 0) {
        NoteNewFolder(nativePath);
        return SyncNewFolder(nativePath) ? NewFolder::Created : NewFolder::Failed;
    }
    posix::ForgetFolderOf(nativePath);
    Failed();
    return errno == EEXIST ? NewFolder::Exists : NewFolder::Failed;
}

bool CopyFile(const std::string& from, const std::string& to)
{
    if (from.empty() || to.empty()) {
        SetError(ENOENT);
        return false;
    }
    if (fault::Fail(fault::Open))
        return false;
    int in = open(from.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (in < 0)
        return Failed();
    struct stat st;
    if (fstat(in, &st) != 0 || !S_ISREG(st.st_mode) || IsFolder(to)) {
        close(in);
        SetError(EINVAL, "not a regular file");
        return false;
    }
    if (SameFile(from, to)) {
        close(in);
        return true;
    }
    if (IsReadOnly(to)) {
        close(in);
        return false;
    }
    std::string temp = MakeTempBeside(to);
    if (temp.empty()) {
        close(in);
        return false;
    }
    const int out = fault::Fail(fault::Open) ? -1
                                             : open(temp.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    bool ok = out >= 0 && CopyBytes(in, out);
    if (!ok)
        Failed();
    close(in);
    if (out >= 0) {
        fchmod(out, st.st_mode & 07777);
        struct timespec times[2] = {st.st_atim, st.st_mtim};
        futimens(out, times);
        ok = ok && SyncFd(out);
        const bool injected = fault::Fail(fault::Close);
        if ((close(out) != 0 || injected) && ok) {
            if (!injected)
                Failed();
            ok = false;
        }
    }
    // The copy keeps the source's bits: renamed as it is, not through CommitTemp.
    const std::string target = FinalTarget(to);
    posix::ForgetFolderOf(target);
    if (ok && (fault::Fail(fault::Rename) || rename(temp.c_str(), target.c_str()) != 0)) {
        Failed();
        ok = false;
    }
    if (!ok) {
        unlink(temp.c_str());
        return false;
    }
    return SyncFolder(Dirname(target));
}

bool CopyTree(const std::string& from, const std::string& to)
{
    char* rf = realpath(from.c_str(), nullptr);
    char* rt = realpath(to.c_str(), nullptr);
    bool nested = true;
    if (rf && rt) {
        std::string a = rf, b = rt;
        std::string prefix = a.back() == '/' ? a : a + '/';
        nested = b == a || b.compare(0, prefix.size(), prefix) == 0;
    }
    std::free(rf);
    std::free(rt);
    if (nested || !IsFolder(from) || !IsFolder(to))
        return false;
    posix::ForgetFolder(to);
    return CopyContents(from, to, 0);
}

bool RemoveFile(const std::string& nativePath)
{
    struct stat st;
    if (nativePath.empty() || lstat(nativePath.c_str(), &st) != 0 || S_ISDIR(st.st_mode))
        return false;
    posix::ForgetFolderOf(nativePath);
    return unlink(nativePath.c_str()) == 0;
}

bool RemoveTree(const std::string& nativePath)
{
    struct stat st;
    if (nativePath.empty() || lstat(nativePath.c_str(), &st) != 0)
        return false;
    posix::ForgetFolderOf(nativePath);
    if (S_ISLNK(st.st_mode))
        return unlink(nativePath.c_str()) == 0;
    if (!S_ISDIR(st.st_mode))
        return false;
    return RemoveEntryAt(AT_FDCWD, nativePath.c_str(), 0);
}

bool Rename(const std::string& from, const std::string& to)
{
    if (from.empty() || to.empty() || fault::Fail(fault::Rename))
        return false;
    posix::ForgetFolderOf(from);
    posix::ForgetFolderOf(to);
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    switch (errno) {
    case EEXIST: // a case-insensitive file system sees the new spelling as the old file
        return SameFile(from, to) && rename(from.c_str(), to.c_str()) == 0;
    case EINVAL:
    case ENOSYS: // no atomic form here
        if (Exists(to) && !SameFile(from, to))
            return false;
        return rename(from.c_str(), to.c_str()) == 0;
    case EXDEV: return MoveByCopy(from, to);
    default: return false;
    }
}

bool SameFile(const std::string& a, const std::string& b)
{
    struct stat sa, sb;
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev
           && sa.st_ino == sb.st_ino;
}

} // namespace platform
