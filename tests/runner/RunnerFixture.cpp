// The runner's test fixture: copies of the program and modules, and running them.
#include "RunnerFixture.h"

#include "Core.h"
#include "FileSystem.h"

#include <cstdlib>
#include <filesystem>
#include <sstream>

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

namespace fs = std::filesystem;

#if defined(_WIN32)
namespace {

// One argument as the C library of the started program splits the command line back.
std::string Quoted(const std::string& arg)
{
    std::string q = "\"";
    std::size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        // Backslashes before a quote are doubled, and the quote escaped.
        q.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        q += c;
    }
    q.append(backslashes * 2, '\\');
    return q + "\"";
}

} // namespace

Outcome RunProgram(const std::vector<std::string>& argv)
{
    Outcome outcome;
    std::string command;
    for (const std::string& a : argv)
        command += (command.empty() ? "" : " ") + Quoted(a);
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readOut = nullptr, writeOut = nullptr;
    if (!CreatePipe(&readOut, &writeOut, &inherit, 0))
        return outcome;
    SetHandleInformation(readOut, HANDLE_FLAG_INHERIT, 0);
    std::string errFile = testsupport::Native(testsupport::TestDir() + "/stderr.txt");
    HANDLE err = CreateFileA(errFile.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             &inherit, OPEN_ALWAYS, 0, nullptr);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeOut;
    startup.hStdError = err;
    PROCESS_INFORMATION info = {};
    BOOL started = CreateProcessA(argv[0].c_str(), &command[0], nullptr, nullptr, TRUE, 0, nullptr,
                                  nullptr, &startup, &info);
    CloseHandle(writeOut);
    if (err != INVALID_HANDLE_VALUE)
        CloseHandle(err);
    if (started) {
        char buf[4096];
        DWORD n = 0;
        while (ReadFile(readOut, buf, sizeof buf, &n, nullptr) && n > 0)
            outcome.out.append(buf, n);
        WaitForSingleObject(info.hProcess, INFINITE);
        DWORD code = 0;
        GetExitCodeProcess(info.hProcess, &code);
        // An exit status of -1 arrives as 0xFFFFFFFF; its low byte is what a POSIX shell
        // sees, so that one number holds on both systems.
        outcome.status = int(code & 0xFF);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
    CloseHandle(readOut);
    // Console output arrives with CR LF line ends: the lines are what matters.
    std::string lf;
    for (std::size_t i = 0; i < outcome.out.size(); ++i)
        if (!(outcome.out[i] == '\r' && i + 1 < outcome.out.size() && outcome.out[i + 1] == '\n'))
            lf += outcome.out[i];
    outcome.out = lf;
    return outcome;
}
#else
Outcome RunProgram(const std::vector<std::string>& argv)
{
    Outcome outcome;
    int fds[2];
    if (pipe(fds) != 0)
        return outcome;
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    std::string errFile = testsupport::TestDir() + "/stderr.txt";
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errFile.c_str(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0644);
    pid_t pid = 0;
    int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (rc != 0) {
        close(fds[0]);
        return outcome;
    }
    char buf[4096];
    ssize_t n;
    while ((n = read(fds[0], buf, sizeof buf)) > 0)
        outcome.out.append(buf, size_t(n));
    close(fds[0]);
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    outcome.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
    return outcome;
}
#endif

void RunnerTest::SetUp()
{
    const std::string& dir = testsupport::TestDir();
    bin = testsupport::Native(dir + "/bin");
    runner = testsupport::Native(bin + "/TalvexDLLRun" + (testsupport::kWindows ? ".exe" : ""));
    exp = testsupport::Native(dir + "/exp");
    fs::create_directories(bin);
    fs::copy_file(TALVEX_RUNNER, runner, fs::copy_options::overwrite_existing);
    Install(TALVEX_TEST_ECHO, std::string("Plugins/Echo/Echo") + testsupport::kModuleExtension);
    SetComputerNameD();
    host = GetComputerNameD().c_str();
    // mpirun refuses to start as root unless told that this is meant.
    testsupport::SetEnv("OMPI_ALLOW_RUN_AS_ROOT", "1");
    testsupport::SetEnv("OMPI_ALLOW_RUN_AS_ROOT_CONFIRM", "1");
    if (testsupport::kWindows) { // the copy finds the core library beside the original
        static const std::string path = testsupport::GetEnv("PATH");
        testsupport::SetEnv("PATH", fs::path(TALVEX_RUNNER).parent_path().make_preferred().string()
                                        + ";" + path);
    }
}

void RunnerTest::Install(const std::string& moduleFile, const std::string& relative)
{
    fs::path target = fs::path(bin) / relative;
    fs::create_directories(target.parent_path());
    fs::copy_file(moduleFile, target, fs::copy_options::overwrite_existing);
}

Outcome RunnerTest::Run(const char* arg)
{
    if (!arg)
        return RunProgram({runner});
    return RunProgram({runner, arg});
}

bool RunnerTest::HasMpiLauncher()
{
    return std::string(TALVEX_MPIRUN).size() > 0;
}

Outcome RunnerTest::RunMpi(int processes, const std::string& arg)
{
    if (!HasMpiLauncher())
        return RunProgram({runner, arg});
    return RunProgram(
        {TALVEX_MPIRUN, "--oversubscribe", "-np", std::to_string(processes), runner, arg});
}

std::string RunnerTest::UserFile(const std::string& name) const
{
    return testsupport::Native(testsupport::UserFolder() + "/" + name);
}

std::vector<std::string> RunnerTest::Lines(const std::string& out)
{
    std::vector<std::string> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

bool RunnerTest::HasLine(const std::string& text, const std::string& part)
{
    for (const std::string& line : Lines(text)) {
        if (line.find(part) != std::string::npos)
            return true;
    }
    return false;
}
