// POSIX process facts of the platform layer: executable path, current directory, per-user
// folder, host name, environment and dynamic loading.
#include "Platform.h"

#include <cstdlib>
#include <dlfcn.h>
#include <pwd.h>
#include <unistd.h>

namespace platform {

std::string ExecutablePath()
{
    std::string buf(256, '\0');
    for (;;) {
        ssize_t n = readlink("/proc/self/exe", &buf[0], buf.size());
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

std::string CurrentDirectory()
{
    char* cwd = getcwd(nullptr, 0);
    if (!cwd)
        return {};
    std::string result = cwd;
    std::free(cwd);
    return result;
}

bool SetCurrentDirectory(const std::string& nativePath)
{
    return !nativePath.empty() && chdir(nativePath.c_str()) == 0;
}

std::string PerUserDataFolder()
{
    std::string xdg = GetEnv("XDG_DATA_HOME");
    if (!xdg.empty() && xdg[0] == '/')
        return xdg;
    std::string home = GetEnv("HOME");
    if (home.empty()) {
        if (const passwd* pw = getpwuid(getuid()))
            if (pw->pw_dir)
                home = pw->pw_dir;
    }
    if (home.empty())
        return {};
    return home + (home.back() == '/' ? "" : "/") + ".local/share";
}

std::string HostName()
{
    char buf[257] = {};
    if (gethostname(buf, sizeof buf - 1) != 0)
        return {};
    std::string name = buf;
    return name.substr(0, name.find('.'));
}

std::string GetEnv(const char* name)
{
    const char* v = name ? std::getenv(name) : nullptr;
    return v ? v : "";
}

void* LoadLibrary(const std::string& nativePath)
{
    if (nativePath.empty())
        return nullptr;
    return dlopen(nativePath.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* GetSymbol(void* handle, const char* name)
{
    if (!handle || !name)
        return nullptr;
    return dlsym(handle, name);
}

void FreeLibrary(void* handle)
{
    if (handle)
        dlclose(handle);
}

} // namespace platform
