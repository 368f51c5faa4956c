// The tool's test fixture: the experiment, running the tool and snapshots of folders.
#include "CliFixture.h"

#include "Core.h"
#include "Experiment.h"
#include "Matrix.h"
#include "ParticleGroup.h"
#include "Paths.h"
#include "Waveform.h"

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

void WriteShot(const char* name, const char* comment, const char* peak)
{
    DString shot(name);
    ASSERT_EQ(Expt.CreateShot(shot, comment), 0);
    Expt.SetShotData("Date", "01/02/2024 10:00:00");
    Expt.SetShotData("Peak", peak);
    Waveform w(5);
    const float values[] = {1, 3, 2, 5, 4};
    for (int i = 0; i < 5; ++i)
        w[i] = values[i];
    w.step = 0.5f;
    w.Scale();
    ASSERT_TRUE(w.Write(AppendPathElts(Expt.ShotFolder, "probe")));
}

} // namespace

void CliTest::SetUp()
{
    exp = testsupport::TestDir() + "/Exp1";
    // A settings file with content: an empty one makes every reader wait for a writer.
    testsupport::WriteBytes(exp + "/Exp1.ini", "[General]\r\nDescription=Test series\r\n");
    CoreInit("");
    Expt.SetExperimentFolder(exp.c_str());
    WriteShot("1001", "first shot", "3.25");
    WriteShot("1002", "", "1.5");
    ASSERT_TRUE(Expt.SetShot("1001", 0));

    Matrix m(2, 3);
    for (int i = 0; i < 6; ++i)
        m[i] = float(i + 1);
    m.SetStep(1, 1.0f, 0.0f);
    m.SetStep(2, 0.5f, 10.0f);
    m.Scale();
    ASSERT_TRUE(m.Write(AppendPathElts(Expt.ShotFolder, "grid")));

    ParticleGroup p(2);
    for (int c = 0; c < 8; ++c) {
        p.PData()[0].col[c] = float(c);
        p.PData()[1].col[c] = float(10 + c);
    }
    ASSERT_TRUE(p.Write(AppendPathElts(Expt.ShotFolder, "beam")));
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
