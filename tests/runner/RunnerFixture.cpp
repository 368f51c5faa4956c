// The runner's test fixture: copies of the program and modules, and running them.
#include "RunnerFixture.h"

#include "Core.h"
#include "FileSystem.h"

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;

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

void RunnerTest::SetUp()
{
    const std::string& dir = testsupport::TestDir();
    bin = dir + "/bin";
    runner = bin + "/TalvexDLLRun";
    exp = dir + "/exp";
    fs::create_directories(bin);
    fs::copy_file(TALVEX_RUNNER, runner, fs::copy_options::overwrite_existing);
    Install(TALVEX_TEST_ECHO, "Plugins/Echo/Echo.so");
    SetComputerNameD();
    host = GetComputerNameD().c_str();
    // mpirun refuses to start as root unless told that this is meant.
    setenv("OMPI_ALLOW_RUN_AS_ROOT", "1", 1);
    setenv("OMPI_ALLOW_RUN_AS_ROOT_CONFIRM", "1", 1);
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

Outcome RunnerTest::RunMpi(int processes, const std::string& arg)
{
    return RunProgram({TALVEX_MPIRUN, "--oversubscribe", "-np", std::to_string(processes),
                       runner, arg});
}

std::string RunnerTest::UserFile(const std::string& name) const
{
    return std::string(std::getenv("XDG_DATA_HOME")) + "/Talvex/" + name;
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
