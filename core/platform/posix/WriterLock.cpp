// POSIX writer locks: fcntl record locks on a hidden lock file, counted within the process.
#include "Platform.h"
#include "Posix_p.h"

#include <cassert>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

const char* const LockFileName = ".talvex.lock";

// fcntl locks belong to the process and every close of any descriptor of the lock file drops
// all of them, so the process keeps one descriptor per lock file and counts nested holders.
struct LockFile {
    unsigned long long device = 0;
    unsigned long long inode = 0;
    int fd = -1;
    int holders = 0; // ranges held, with their repeats
};

struct HeldRange {
    int file = -1; // index into Table::files; -1: free slot
    long long offset = 0;
    int depth = 0;
};

struct Table {
    pid_t owner = 0;
    std::vector<LockFile> files;
    std::vector<HeldRange> ranges;
};

Table& Locks()
{
    static Table table;
    // A forked child inherits the table but none of the locks: it starts afresh.
    if (table.owner != getpid()) {
        for (LockFile& f : table.files)
            if (f.fd >= 0)
                close(f.fd);
        table.files.clear();
        table.ranges.clear();
        table.owner = getpid();
    }
    return table;
}

// The byte the lock of `name` sits on: a hash of the name with ASCII case folded, so that
// every spelling of one file meets at the same lock. Kept below 2^30 for any file system.
long long RangeOf(const std::string& name)
{
    unsigned long long h = 1469598103934665603ULL;
    for (char c : name) {
        h ^= static_cast<unsigned char>(posix::Lower(c));
        h *= 1099511628211ULL;
    }
    return static_cast<long long>(h & 0x3fffffffULL);
}

bool SetLock(int fd, long long offset, short type, bool wait)
{
    struct flock fl = {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = static_cast<off_t>(offset);
    fl.l_len = 1;
    for (int deadlocks = 0;;) {
        if (fcntl(fd, wait ? F_SETLKW : F_SETLK, &fl) == 0)
            return true;
        if (errno == EINTR)
            continue;
        // Only nested locks of different files can meet in a cycle; waiting a little breaks it.
        if (errno == EDEADLK && ++deadlocks < 200) {
            SleepMilliseconds(10);
            continue;
        }
        return false;
    }
}

// Index of the table's entry for the lock file at `path`, opening it when new; -1 on failure.
int OpenLockFile(Table& t, const std::string& path)
{
    struct stat st;
    if (stat(path.c_str(), &st) == 0) {
        for (std::size_t i = 0; i < t.files.size(); ++i)
            if (t.files[i].fd >= 0 && t.files[i].device == st.st_dev &&
                t.files[i].inode == st.st_ino)
                return int(i);
    }
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0 || fstat(fd, &st) != 0) {
        if (fd >= 0)
            close(fd);
        return -1;
    }
    LockFile f;
    f.device = st.st_dev;
    f.inode = st.st_ino;
    f.fd = fd;
    for (std::size_t i = 0; i < t.files.size(); ++i)
        if (t.files[i].fd < 0) {
            t.files[i] = f;
            return int(i);
        }
    t.files.push_back(f);
    return int(t.files.size() - 1);
}

void DropFileIfUnused(Table& t, int file)
{
    LockFile& f = t.files[std::size_t(file)];
    if (f.holders == 0 && f.fd >= 0) {
        close(f.fd);
        f.fd = -1;
    }
}

int NewHandle(Table& t, int file, long long offset)
{
    HeldRange r;
    r.file = file;
    r.offset = offset;
    r.depth = 1;
    for (std::size_t i = 0; i < t.ranges.size(); ++i)
        if (t.ranges[i].file < 0) {
            t.ranges[i] = r;
            return int(i);
        }
    t.ranges.push_back(r);
    return int(t.ranges.size() - 1);
}

} // namespace

int AcquireWriterLock(const std::string& nativeTarget)
{
    if (nativeTarget.empty())
        return -1;
    const std::string target = posix::FinalTarget(nativeTarget);
    const std::size_t slash = target.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);

    Table& t = Locks();
    const int file = OpenLockFile(t, posix::JoinNative(folder.empty() ? "/" : folder,
                                                      LockFileName));
    if (file < 0)
        return -1;
    const long long offset = RangeOf(name);
    for (std::size_t i = 0; i < t.ranges.size(); ++i) {
        HeldRange& r = t.ranges[i];
        if (r.file == file && r.offset == offset) {
            ++r.depth;
            ++t.files[std::size_t(file)].holders;
            return int(i);
        }
    }
    if (!SetLock(t.files[std::size_t(file)].fd, offset, F_WRLCK, true)) {
        DropFileIfUnused(t, file);
        return -1;
    }
    ++t.files[std::size_t(file)].holders;
    return NewHandle(t, file, offset);
}

void ReleaseWriterLock(int handle)
{
    Table& t = Locks();
    if (handle < 0 || std::size_t(handle) >= t.ranges.size() || t.ranges[handle].file < 0)
        return; // -1, or a handle of the parent process before a fork
    HeldRange& r = t.ranges[std::size_t(handle)];
    LockFile& f = t.files[std::size_t(r.file)];
    assert(r.depth > 0 && f.holders > 0 && "a released writer lock is held");
    --f.holders;
    if (--r.depth == 0) {
        SetLock(f.fd, r.offset, F_UNLCK, false);
        const int file = r.file;
        r.file = -1;
        DropFileIfUnused(t, file);
    }
}

} // namespace platform
