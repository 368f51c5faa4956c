// Test tools that differ by system: child processes, captured output, file times, modules.
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

#if defined(_WIN32)
#include <io.h>
#include <sys/utime.h>
#include <windows.h>
#else
#include <csignal>
#include <dlfcn.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>
extern char** environ;
#endif

namespace fs = std::filesystem;

namespace testsupport {

namespace {

#if defined(_WIN32)
// The exit status TerminateProcess gives a killed child.
constexpr unsigned kKilled = 0xDEAD;
#endif

std::string CurrentTestName()
{
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    return info ? std::string(info->test_suite_name()) + "." + info->name() : std::string();
}

} // namespace

std::string ProgramFile()
{
#if defined(_WIN32)
    char path[MAX_PATH * 4] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    return path;
#else
    return fs::read_symlink("/proc/self/exe").string();
#endif
}

void SetFileTime(const std::string& path, long long seconds)
{
#if defined(_WIN32)
    __utimbuf64 times {seconds, seconds};
    _utime64(path.c_str(), &times);
#else
    utimbuf times {time_t(seconds), time_t(seconds)};
    utime(path.c_str(), &times);
#endif
}

#if defined(_WIN32)
// 100-nanosecond steps between 1601 and 1970.
constexpr long long kEpochTicks = 116444736000000000LL;

HANDLE OpenForTimes(const std::string& path, DWORD access)
{
    return CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}
#endif

long long WriteTimeNs(const std::string& path)
{
#if defined(_WIN32)
    HANDLE h = OpenForTimes(path, FILE_READ_ATTRIBUTES);
    FILETIME t = {};
    bool ok = h != INVALID_HANDLE_VALUE && GetFileTime(h, nullptr, nullptr, &t);
    if (h != INVALID_HANDLE_VALUE)
        CloseHandle(h);
    long long ticks = (long long)(((unsigned long long)t.dwHighDateTime << 32) | t.dwLowDateTime);
    return ok ? (ticks - kEpochTicks) * 100 : 0;
#else
    struct stat st { };
    if (stat(path.c_str(), &st) != 0)
        return 0;
    return (long long)st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec;
#endif
}

void SetWriteTimeNs(const std::string& path, long long ns)
{
#if defined(_WIN32)
    HANDLE h = OpenForTimes(path, FILE_WRITE_ATTRIBUTES);
    if (h == INVALID_HANDLE_VALUE)
        return;
    unsigned long long ticks = (unsigned long long)(ns / 100 + kEpochTicks);
    FILETIME t = {DWORD(ticks & 0xffffffffu), DWORD(ticks >> 32)};
    ::SetFileTime(h, nullptr, nullptr, &t);
    CloseHandle(h);
#else
    struct timespec times[2] = {{0, UTIME_OMIT},
                                {time_t(ns / 1000000000LL), long(ns % 1000000000LL)}};
    utimensat(AT_FDCWD, path.c_str(), times, 0);
#endif
}

bool ModuleLoaded(const std::string& file)
{
#if defined(_WIN32)
    std::string full = fs::absolute(file).make_preferred().string();
    return GetModuleHandleA(full.c_str()) != nullptr;
#else
    void* h = dlopen(file.c_str(), RTLD_LAZY | RTLD_NOLOAD);
    if (h)
        dlclose(h);
    return h != nullptr;
#endif
}

std::string CaptureStdout(const std::function<void()>& f)
{
    const std::string file = Native(TestDir() + "/stdout.capture");
    std::fflush(stdout);
    std::FILE* sink = std::fopen(file.c_str(), "wb");
    if (!sink)
        return "<capture failed>";
#if defined(_WIN32)
    const int saved = _dup(1);
    _dup2(_fileno(sink), 1);
    f();
    std::fflush(stdout);
    _dup2(saved, 1);
    _close(saved);
#else
    const int saved = dup(1);
    dup2(fileno(sink), 1);
    f();
    std::fflush(stdout);
    dup2(saved, 1);
    close(saved);
#endif
    std::fclose(sink);
    std::string out = ReadBytes(file);
    fs::remove(file);
    return out;
}

ChildProcess::ChildProcess(const std::string& role)
{
    const std::string program = ProgramFile();
    const std::string filter = "--gtest_filter=" + CurrentTestName();
    SetEnv("TALVEX_TEST_CHILD", role);
    SetEnv("TALVEX_TEST_CHILD_DIR", TestDir());
#if defined(_WIN32)
    std::string command = "\"" + program + "\" " + filter;
    // The child's report would only repeat this test's name: it goes nowhere.
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE nul = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             OPEN_EXISTING, 0, nullptr);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = nul;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION info = {};
    if (CreateProcessA(program.c_str(), &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                       &startup, &info)) {
        CloseHandle(info.hThread);
        handle_ = (long long)(intptr_t)info.hProcess;
    }
    if (nul != INVALID_HANDLE_VALUE)
        CloseHandle(nul);
#else
    std::vector<std::string> args = {program, filter};
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(&a[0]);
    argv.push_back(nullptr);
    // The child's report would only repeat this test's name: it goes nowhere.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) == 0)
        handle_ = pid;
    posix_spawn_file_actions_destroy(&actions);
#endif
    SetEnv("TALVEX_TEST_CHILD", "");
    SetEnv("TALVEX_TEST_CHILD_DIR", "");
}

ChildProcess::~ChildProcess()
{
    if (handle_) {
        Kill();
        Wait();
    }
}

int ChildProcess::Wait()
{
    if (!handle_)
        return -1;
    int status = -1;
#if defined(_WIN32)
    HANDLE h = (HANDLE)(intptr_t)handle_;
    WaitForSingleObject(h, INFINITE);
    DWORD code = 0;
    if (GetExitCodeProcess(h, &code) && code != kKilled)
        status = int(code);
    CloseHandle(h);
#else
    int raw = 0;
    if (waitpid(pid_t(handle_), &raw, 0) > 0 && WIFEXITED(raw))
        status = WEXITSTATUS(raw);
#endif
    handle_ = 0;
    return status;
}

void ChildProcess::Kill()
{
#if defined(_WIN32)
    if (handle_)
        TerminateProcess((HANDLE)(intptr_t)handle_, kKilled);
#else
    if (handle_)
        kill(pid_t(handle_), SIGKILL);
#endif
}

#if !defined(_WIN32)
bool MakeUnreadable(const std::string& path)
{
    const std::string folder = std::filesystem::path(path).parent_path().string();
    if (chmod(path.c_str(), 0222) != 0 || chmod(folder.empty() ? "." : folder.c_str(), 0777) != 0)
        return false;
    return getuid() != 0 || chown(path.c_str(), 65534, 65534) == 0;
}

bool InChild(bool unprivileged, const std::function<bool()>& f)
{
    fs::permissions(TestDir(), fs::perms::others_exec, fs::perm_options::add);
    fs::permissions(fs::current_path(), fs::perms::others_exec, fs::perm_options::add);
    const pid_t pid = fork();
    if (pid == 0) {
        if (unprivileged && getuid() == 0 && setuid(65534) != 0)
            _exit(2);
        _exit(f() ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
#endif

bool RunChildren(const std::string& role, int n)
{
    std::vector<std::unique_ptr<ChildProcess>> children;
    for (int i = 0; i < n; ++i)
        children.push_back(std::make_unique<ChildProcess>(role + std::to_string(i)));
    bool ok = true;
    for (auto& child : children)
        ok = child->Wait() == 0 && ok;
    return ok;
}

int ChildIndex(const std::string& role)
{
    const std::string mine = ChildRole();
    if (mine.size() <= role.size() || mine.compare(0, role.size(), role) != 0)
        return -1;
    const std::string number = mine.substr(role.size());
    if (number.find_first_not_of("0123456789") != std::string::npos)
        return -1;
    return std::stoi(number);
}

} // namespace testsupport
