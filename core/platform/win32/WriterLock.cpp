// Win32 writer locks: LockFileEx on hidden lock files that the system deletes with their last
// handle.
#include "Platform.h"
#include "Win32_p.h"

#include <cassert>
#include <cerrno>
#include <string>
#include <vector>

namespace platform {

namespace {

// Windows locks belong to a handle: each lock file is opened once by a process, and nested
// holders are counted.
struct Held {
    std::string path; // the lock file; empty: a free slot
    HANDLE file = INVALID_HANDLE_VALUE;
    int depth = 0;
};

std::vector<Held>& Locks()
{
    static std::vector<Held> locks;
    return locks;
}

// ".<name>.lock" beside the target, the name in lower case so that every spelling of one file
// meets at the same lock, also before the file exists.
// The full path, so that a relative spelling meets the same lock too.
std::string LockPathOf(const std::string& nativeTarget)
{
    std::string target = win32::FullPath(nativeTarget);
    if (target.empty())
        target = nativeTarget;
    std::string name = win32::NameOf(target).substr(0, 200);
    for (char& c : name)
        c = text::Lower(c);
    const std::string folder = win32::ParentOf(target);
    return folder.empty() ? "." + name + ".lock" : win32::Join(folder, "." + name + ".lock");
}

// The lock file, opened for everyone and deleted by the system when its last handle closes,
// however its process ends: a killed writer leaves neither a lock nor a file. A file whose
// deletion is pending refuses new handles for a moment; they are tried again.
HANDLE OpenLockFile(const std::string& path)
{
    for (int attempt = 0; attempt < 5000; ++attempt) {
        HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE,
                               nullptr);
        if (h != INVALID_HANDLE_VALUE)
            return h;
        // Denied with no file there: the folder takes no file, the caller goes on unlocked.
        if (GetLastError() != ERROR_ACCESS_DENIED || !win32::Exists(path))
            return INVALID_HANDLE_VALUE;
        Sleep(1);
    }
    return INVALID_HANDLE_VALUE;
}

// The lock is one byte far past the file's contents, so that waiters can read the holder's
// name at its start.
OVERLAPPED LockRange()
{
    OVERLAPPED at = {};
    at.OffsetHigh = 0x40000000;
    return at;
}

std::string Holder(HANDLE h)
{
    char buf[300] = {};
    DWORD got = 0;
    OVERLAPPED at = {};
    if (ReadFile(h, buf, sizeof buf - 1, &got, &at) && got > 0) {
        std::string text(buf, got);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
            text.pop_back();
        if (!text.empty())
            return text;
    }
    return "another process";
}

// Locks, waiting at most the lock timeout; false with LastError set, `timedOut` after it.
bool LockWhole(HANDLE h, const std::string& path, bool& timedOut)
{
    timedOut = false;
    const int timeout = GetLockTimeout();
    const double deadline = MonotonicSeconds() + timeout / 1000.0;
    int pause = 1;
    for (;;) {
        OVERLAPPED at = LockRange();
        const DWORD flags = LOCKFILE_EXCLUSIVE_LOCK | (timeout < 0 ? 0 : LOCKFILE_FAIL_IMMEDIATELY);
        if (LockFileEx(h, flags, 0, 1, 0, &at))
            return true;
        if (GetLastError() != ERROR_LOCK_VIOLATION && GetLastError() != ERROR_IO_PENDING) {
            SetError(EACCES);
            return false;
        }
        if (MonotonicSeconds() >= deadline) {
            timedOut = true;
            SetError(EAGAIN, "the lock " + path + " is held by " + Holder(h) + " (waited "
                                 + std::to_string(timeout / 1000.0).substr(0, 6) + " s)");
            return false;
        }
        Sleep(DWORD(pause));
        pause = pause < 50 ? pause * 2 : 50;
    }
}

void SignLockFile(HANDLE h)
{
    const std::string who = "process " + std::to_string(GetCurrentProcessId()) + " on " + HostName()
                            + "\r\n";
    DWORD wrote = 0;
    OVERLAPPED at = {};
    SetFilePointer(h, 0, nullptr, FILE_BEGIN);
    SetEndOfFile(h);
    WriteFile(h, who.data(), DWORD(who.size()), &wrote, &at);
}

} // namespace

int AcquireWriterLock(const std::string& nativeTarget)
{
    if (nativeTarget.empty())
        return -1;
    const std::string path = LockPathOf(nativeTarget);
    std::vector<Held>& locks = Locks();
    for (std::size_t i = 0; i < locks.size(); ++i)
        if (locks[i].depth > 0 && win32::EqualNoCase(locks[i].path, path)) {
            ++locks[i].depth;
            return int(i);
        }
    HANDLE h = OpenLockFile(path);
    if (h == INVALID_HANDLE_VALUE)
        return -1;
    bool timedOut = false;
    if (!LockWhole(h, path, timedOut)) {
        CloseHandle(h);
        return timedOut ? kLockTimedOut : -1;
    }
    SignLockFile(h);
    Held held;
    held.path = path;
    held.file = h;
    held.depth = 1;
    for (std::size_t i = 0; i < locks.size(); ++i)
        if (locks[i].depth == 0) {
            locks[i] = held;
            return int(i);
        }
    locks.push_back(held);
    return int(locks.size() - 1);
}

void ReleaseWriterLock(int handle)
{
    std::vector<Held>& locks = Locks();
    if (handle < 0 || std::size_t(handle) >= locks.size() || locks[handle].depth == 0)
        return;
    Held& h = locks[std::size_t(handle)];
    assert(h.file != INVALID_HANDLE_VALUE && "a held writer lock has its file open");
    if (--h.depth > 0)
        return;
    OVERLAPPED at = LockRange();
    UnlockFileEx(h.file, 0, 1, 0, &at);
    CloseHandle(h.file);
    h = Held();
}

} // namespace platform
