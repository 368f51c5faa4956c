// Win32 process facts of the platform layer: executable path, current directory, per-user
// folder, computer name, environment and dynamic loading.
#include "Platform.h"
#include "Win32_p.h"

#include <shlobj.h>

namespace platform {

namespace {

bool IsAbsolute(const std::string& p)
{
    return (p.size() >= 3 && p[1] == ':' && win32::IsOsSep(p[2]))
           || (p.size() >= 2 && p[0] == '\\' && p[1] == '\\');
}

} // namespace

std::string ExecutablePath()
{
    std::string buf(MAX_PATH, '\0');
    while (buf.size() <= 65536) {
        DWORD n = GetModuleFileNameA(nullptr, &buf[0], DWORD(buf.size()));
        if (n == 0)
            return {};
        if (n < buf.size()) {
            buf.resize(n);
            return buf;
        }
        buf.resize(buf.size() * 2);
    }
    return {};
}

std::string CurrentDirectory()
{
    DWORD n = GetCurrentDirectoryA(0, nullptr);
    if (n == 0)
        return {};
    std::string buf(n, '\0');
    n = GetCurrentDirectoryA(DWORD(buf.size()), &buf[0]);
    if (n == 0 || n >= buf.size())
        return {};
    buf.resize(n);
    return buf;
}

bool SetCurrentDirectory(const std::string& nativePath)
{
    return !nativePath.empty() && SetCurrentDirectoryA(nativePath.c_str()) != 0;
}

std::string PerUserDataFolder()
{
    // The variable the system sets for every process names the same folder and lets a
    // process (a test, a portable setup) point it elsewhere.
    std::string local = GetEnv("LOCALAPPDATA");
    if (IsAbsolute(local))
        return local;
    char folder[MAX_PATH] = {};
    if (SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder) != S_OK)
        return {};
    return folder;
}

std::string HostName()
{
    char buf[MAX_COMPUTERNAME_LENGTH + 2] = {};
    DWORD n = sizeof buf - 1;
    if (!GetComputerNameA(buf, &n))
        return {};
    std::string name(buf, n);
    return name.substr(0, name.find('.'));
}

std::string GetEnv(const char* name)
{
    if (!name)
        return {};
    DWORD n = GetEnvironmentVariableA(name, nullptr, 0);
    if (n == 0)
        return {};
    std::string value(n, '\0');
    n = GetEnvironmentVariableA(name, &value[0], n);
    if (n == 0 || n >= value.size())
        return {};
    value.resize(n);
    return value;
}

void* LoadLibrary(const std::string& nativePath)
{
    std::string full = win32::FullPath(nativePath);
    if (full.empty())
        return nullptr;
    // The module's own folder is searched for the libraries it needs; a missing one fails
    // the load without a dialog box.
    DWORD previous = 0;
    SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previous);
    HMODULE h = LoadLibraryExA(full.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    SetThreadErrorMode(previous, nullptr);
    return (void*)h;
}

void* GetSymbol(void* handle, const char* name)
{
    if (!handle || !name)
        return nullptr;
    return (void*)GetProcAddress((HMODULE)handle, name);
}

void FreeLibrary(void* handle)
{
    if (handle)
        ::FreeLibrary((HMODULE)handle);
}

} // namespace platform
