// The platform layer's failure record, durability and lock-timeout settings, and the test-only
// fault switch, shared by the POSIX and the Win32 implementations.
#include "FaultInjection.h"
#include "Platform.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace platform {

namespace {

Error& ThreadError()
{
    thread_local Error error;
    return error;
}

std::atomic<int> g_syncMode {int(SyncMode::Full)};
std::atomic<int> g_lockTimeoutMs {30000};

// The fault switch. Counting is atomic so that a writer's helper threads count too.
std::atomic<int> g_armed {0}; // mask of counted kinds; 0: off
std::atomic<int> g_calls {0};
std::atomic<int> g_failAt {0};
std::atomic<int> g_failError {EIO};
std::once_flag g_envOnce;

int ErrorFromName(const char* name)
{
    if (!name || !*name)
        return EIO;
    if (std::strcmp(name, "ENOSPC") == 0)
        return ENOSPC;
    if (std::strcmp(name, "EACCES") == 0)
        return EACCES;
    if (std::strcmp(name, "EIO") == 0)
        return EIO;
    const int n = std::atoi(name);
    return n > 0 ? n : EIO;
}

void ArmFromEnvironment()
{
    const char* at = std::getenv("TALVEX_FAULT_AT");
    if (at && std::atoi(at) > 0 && g_armed.load() == 0)
        fault::Set(std::atoi(at), ErrorFromName(std::getenv("TALVEX_FAULT_ERROR")), fault::All);
}

#if defined(_WIN32)
DWORD Win32ErrorFor(int error)
{
    switch (error) {
    case ENOSPC: return ERROR_DISK_FULL;
    case EACCES: return ERROR_ACCESS_DENIED;
    default: return ERROR_IO_DEVICE;
    }
}
#endif

} // namespace

const Error& LastError()
{
    return ThreadError();
}

void SetError(int code, const std::string& text)
{
    Error& e = ThreadError();
    e.code = code == 0 ? EIO : code;
    e.text = text.empty() ? std::string(std::strerror(e.code)) : text;
}

void SetSyncMode(SyncMode mode)
{
    g_syncMode = int(mode);
}

SyncMode GetSyncMode()
{
    return SyncMode(g_syncMode.load());
}

void SetLockTimeout(int ms)
{
    g_lockTimeoutMs = ms;
}

int GetLockTimeout()
{
    const char* env = std::getenv("TALVEX_LOCK_TIMEOUT");
    if (env && *env) {
        char* end = nullptr;
        const double seconds = std::strtod(env, &end);
        if (end != env)
            return seconds < 0 ? -1 : int(seconds * 1000 + 0.5);
    }
    return g_lockTimeoutMs.load();
}

namespace fault {

void Set(int k, int error, int ops)
{
    g_calls = 0;
    g_failAt = k;
    g_failError = error == 0 ? EIO : error;
    g_armed = ops & All;
}

int Count()
{
    return g_calls.load();
}

bool Fail(Op op)
{
    std::call_once(g_envOnce, ArmFromEnvironment);
    if ((g_armed.load() & op) == 0)
        return false;
    const int n = ++g_calls;
    if (n != g_failAt.load())
        return false;
    const int error = g_failError.load();
    errno = error;
#if defined(_WIN32)
    SetLastError(Win32ErrorFor(error));
#endif
    SetError(error);
    return true;
}

} // namespace fault

} // namespace platform
