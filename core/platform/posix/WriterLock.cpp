// POSIX writer locks: fcntl locks on hidden lock files that live only while they are held.
#include "Platform.h"
#include "NameIndex_p.h"
#include "Posix_p.h"

#include <cassert>
#include <cerrno>
#include <fcntl.h>
#include <mutex>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>
#include <string>
#include <vector>

namespace platform {

namespace {

// fcntl locks belong to the process, and closing any descriptor of a file drops all of the
// process's locks on it, so each lock file is opened once and nested holders are counted.
struct Held {
    std::string path; // the lock file; empty: a free slot
    int fd = -1;
    int depth = 0;
};

struct Table {
    bool forked = false;
    std::string signature; // what the holder writes into the lock file
    std::vector<Held> locks;
};

Table* g_table = nullptr;

// A forked child inherits the table but none of the locks: it starts afresh.
void AfterFork()
{
    if (g_table)
        g_table->forked = true;
}

Table& Locks()
{
    static std::once_flag once;
    std::call_once(once, [] {
        g_table = new Table; // never destroyed: locks are held until the process ends
        pthread_atfork(nullptr, nullptr, AfterFork);
    });
    Table& table = *g_table;
    if (table.forked) {
        for (Held& h : table.locks)
            if (h.fd >= 0)
                close(h.fd);
        table.locks.clear();
        table.signature.clear();
        table.forked = false;
    }
    return table;
}

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash == 0 ? 1 : slash);
}

// ".<name>.lock" beside the target, the name in lower case so that every spelling of one
// file meets at the same lock, also before the file exists.
std::string LockPathOf(const std::string& nativeTarget, bool follow)
{
    const std::string target = follow ? posix::FinalTarget(nativeTarget) : nativeTarget;
    const std::size_t slash = target.find_last_of('/');
    std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    name = name.substr(0, 200);
    for (char& c : name)
        c = posix::Lower(c);
    const std::string folder = slash == std::string::npos
                                   ? "."
                                   : (slash == 0 ? "/" : target.substr(0, slash));
    return posix::JoinNative(folder, "." + name + ".lock");
}

// Who holds the lock of `fd`: the process id and host its holder wrote into the lock file,
// else the process id the system reports (on this host only).
std::string Holder(int fd)
{
    char buf[300] = {};
    const ssize_t n = pread(fd, buf, sizeof buf - 1, 0);
    std::string text = n > 0 ? std::string(buf, std::size_t(n)) : std::string();
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    if (!text.empty())
        return text;
    struct flock fl = {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    if (fcntl(fd, F_GETLK, &fl) == 0 && fl.l_type != F_UNLCK)
        return "process " + std::to_string(fl.l_pid);
    return "another process";
}

// Locks the whole file, waiting at most the lock timeout. False with LastError set when the
// wait timed out (EAGAIN: `timedOut`) or the system refused the lock.
bool LockWhole(int fd, const std::string& path, bool& timedOut)
{
    struct flock fl = {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_len = 0;
    timedOut = false;
    const int timeout = GetLockTimeout();
    const double deadline = MonotonicSeconds() + timeout / 1000.0;
    int pause = 1;
    for (;;) {
        if (fcntl(fd, timeout < 0 ? F_SETLKW : F_SETLK, &fl) == 0)
            return true;
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EACCES) {
            SetError(errno);
            return false;
        }
        if (MonotonicSeconds() >= deadline) {
            timedOut = true;
            SetError(EAGAIN, "the lock " + path + " is held by " + Holder(fd) + " (waited "
                                 + std::to_string(timeout / 1000.0).substr(0, 6) + " s)");
            return false;
        }
        SleepMilliseconds(pause);
        pause = pause < 50 ? pause * 2 : 50;
    }
}

// Tells waiters who holds the lock: "process <pid> on <host>". A new lock file is empty.
void SignLockFile(int fd, bool empty)
{
    Table& t = Locks();
    if (t.signature.empty())
        t.signature = "process " + std::to_string(getpid()) + " on " + HostName() + "\n";
    if ((empty || ftruncate(fd, 0) == 0)
        && pwrite(fd, t.signature.data(), t.signature.size(), 0) < 0) {
        // Unsigned, waiters name the holder by the system's process id only.
    }
}

// The open, locked lock file at `path`; -1 when none can be had, kLockTimedOut after the
// timeout. The holder removes the file before it lets go, so a waiter that wins a lock on a
// removed file tries again on the path's current file.
int OpenLocked(const std::string& path)
{
    for (int attempts = 0; attempts < 1000; ++attempts) {
        const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0) {
            SetError(errno);
            return -1;
        }
        posix::NoteOwnEntry(path, true);
        bool timedOut = false;
        if (!LockWhole(fd, path, timedOut)) {
            close(fd);
            return timedOut ? kLockTimedOut : -1;
        }
        // Still the file at the path: by its link count on a local file system, else by the path
        // (a network file system keeps a file removed while open linked under another name).
        struct stat mine, now;
        const bool current = fstat(fd, &mine) == 0 && mine.st_nlink > 0
                             && (posix::LinksAreLocal(FolderOf(path))
                                 || (stat(path.c_str(), &now) == 0 && mine.st_dev == now.st_dev
                                     && mine.st_ino == now.st_ino));
        if (current) {
            SignLockFile(fd, mine.st_size == 0);
            return fd;
        }
        close(fd);
    }
    return -1;
}

} // namespace

namespace {

// What the holder of a writer lock saw of its file once the lock was held, for the replacement
// that follows (one look at the file instead of two).
struct Seen {
    std::string path;
    bool exists = false;
    struct stat st;
};
thread_local Seen t_seen;

int Acquire(const std::string& path)
{
    Table& t = Locks();
    for (std::size_t i = 0; i < t.locks.size(); ++i)
        if (t.locks[i].fd >= 0 && t.locks[i].path == path) {
            ++t.locks[i].depth;
            return int(i);
        }
    posix::BeginOwnChanges(FolderOf(path));
    const int fd = OpenLocked(path);
    if (fd < 0) {
        posix::EndOwnChanges(FolderOf(path), true);
        return fd;
    }
    Held h;
    h.path = path;
    h.fd = fd;
    h.depth = 1;
    for (std::size_t i = 0; i < t.locks.size(); ++i)
        if (t.locks[i].fd < 0) {
            t.locks[i] = h;
            return int(i);
        }
    t.locks.push_back(h);
    return int(t.locks.size() - 1);
}

} // namespace

bool posix::TakeSeenUnderLock(const std::string& nativeTarget, bool& exists, struct stat& st)
{
    if (t_seen.path.empty() || t_seen.path != nativeTarget)
        return false;
    exists = t_seen.exists;
    st = t_seen.st;
    t_seen.path.clear();
    return true;
}

void posix::ForgetSeen()
{
    t_seen.path.clear();
}

int AcquireWriterLock(const std::string& nativeTarget)
{
    t_seen.path.clear();
    if (nativeTarget.empty())
        return -1;
    // The file's own name first; the file is looked at once the lock is held, and a symbolic
    // link hands over to the lock of its final target.
    const int handle = Acquire(LockPathOf(nativeTarget, false));
    if (handle < 0)
        return handle;
    Seen seen;
    seen.exists = lstat(nativeTarget.c_str(), &seen.st) == 0;
    if (!seen.exists || !S_ISLNK(seen.st.st_mode)) {
        if (seen.exists || errno == ENOENT) {
            seen.path = nativeTarget;
            t_seen = seen;
        }
        return handle;
    }
    const std::string final = LockPathOf(nativeTarget, true);
    if (final == Locks().locks[std::size_t(handle)].path)
        return handle;
    const int other = Acquire(final);
    ReleaseWriterLock(handle);
    return other;
}

void ReleaseWriterLock(int handle)
{
    Table& t = Locks();
    if (handle < 0 || std::size_t(handle) >= t.locks.size() || t.locks[handle].fd < 0)
        return; // -1, or a handle taken before a fork
    Held& h = t.locks[std::size_t(handle)];
    assert(h.depth > 0 && "a released writer lock is held");
    if (--h.depth > 0)
        return;
    t_seen.path.clear();
    // Removed while still locked, so that nobody can lock this file once it is let go.
    unlink(h.path.c_str());
    close(h.fd);
    posix::NoteOwnEntry(h.path, false);
    posix::EndOwnChanges(FolderOf(h.path), true);
    h = Held();
}

} // namespace platform
