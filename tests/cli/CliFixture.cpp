// The tool's test fixture: the experiment, running the tool and snapshots of folders.
#include "CliFixture.h"

#include "SampleExperiment.h"

#include <filesystem>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;

Snapshot TakeSnapshot(const std::string& folder)
{
    Snapshot snap;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        std::string rel = fs::relative(entry.path(), folder).string();
        snap[rel] = entry.is_directory() ? "<folder>" : testsupport::ReadBytes(entry.path());
    }
    return snap;
}

namespace {

} // namespace

void CliTest::SetUp()
{
    exp = testsupport::TestDir() + "/Exp1";
    testsupport::MakeSampleExperiment(exp);
}

Result CliTest::Talvex(const std::vector<std::string>& args, const std::string& input) const
{
    Result run;
    int out[2], in[2];
    if (pipe(out) != 0 || pipe(in) != 0)
        return run;
    std::vector<std::string> argv = {TALVEX_CLI};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> cargs;
    for (const std::string& a : argv)
        cargs.push_back(const_cast<char*>(a.c_str()));
    cargs.push_back(nullptr);

    std::string errFile = testsupport::TestDir() + "/stderr.txt";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    for (int fd : {in[0], in[1], out[0], out[1]})
        posix_spawn_file_actions_addclose(&actions, fd);
    pid_t pid = 0;
    int rc = posix_spawn(&pid, cargs[0], &actions, nullptr, cargs.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    if (rc == 0 && !input.empty() && write(in[1], input.data(), input.size()) < 0)
        ADD_FAILURE() << "cannot feed standard input";
    close(in[1]);
    char buf[4096];
    ssize_t n;
    while (rc == 0 && (n = read(out[0], buf, sizeof buf)) > 0)
        run.out.append(buf, size_t(n));
    close(out[0]);
    if (rc != 0)
        return run;
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    run.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
    run.err = testsupport::ReadBytes(errFile);
    return run;
}

Result CliTest::InExp(std::vector<std::string> args, const std::string& input) const
{
    args.insert(args.begin(), {"-e", exp});
    return Talvex(args, input);
}
