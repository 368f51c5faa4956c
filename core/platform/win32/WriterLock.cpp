// Win32 writer locks: LockFileEx on hidden lock files that the system deletes with their last
// handle.
#include "Platform.h"
#include "Win32_p.h"

#include <cassert>
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

bool LockWhole(HANDLE h)
{
    OVERLAPPED at = {};
    return LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &at) != 0;
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
    if (!LockWhole(h)) {
        CloseHandle(h);
        return -1;
    }
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
    OVERLAPPED at = {};
    UnlockFileEx(h.file, 0, MAXDWORD, MAXDWORD, &at);
    CloseHandle(h.file);
    h = Held();
}

} // namespace platform
