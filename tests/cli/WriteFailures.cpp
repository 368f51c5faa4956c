// Commands that write: a write that fails is one line on standard error and exit status 1, and
// processes running the same command at once each get their own outcome.
#include "CliFixture.h"

#include <filesystem>
#include <set>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using testsupport::ReadBytes;

namespace {

class WriteFailuresCli : public CliTest {
protected:
    /// Starts the tool (after the launcher words in `prefix`, when given) with -e and the
    /// experiment; its output goes to the files <name>.out and <name>.err of the test folder.
    pid_t Start(std::vector<std::string> const& args, std::string const& name,
                std::vector<std::string> prefix = {}) const
    {
        std::vector<std::string> argv = prefix;
        argv.push_back(TALVEX_CLI);
        argv.insert(argv.end(), {"-e", exp});
        argv.insert(argv.end(), args.begin(), args.end());
        std::string const out = File(name + ".out"), err = File(name + ".err");
        pid_t const pid = fork();
        if (pid == 0) {
            std::vector<char*> cargs;
            for (std::string const& a : argv)
                cargs.push_back(const_cast<char*>(a.c_str()));
            cargs.push_back(nullptr);
            int const o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
            int const e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
            if (o < 0 || e < 0 || dup2(o, 1) < 0 || dup2(e, 2) < 0)
                _exit(126);
            execv(cargs[0], cargs.data());
            _exit(127);
        }
        return pid;
    }
    static int Finish(pid_t pid)
    {
        int status = 0;
        if (pid <= 0 || waitpid(pid, &status, 0) != pid)
            return -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    static std::string File(std::string const& name) { return testsupport::TestDir() + "/" + name; }
    static int Lines(std::string const& text)
    {
        int n = 0;
        for (char c : text)
            n += c == '\n';
        return n;
    }
};

} // namespace

TEST_F(WriteFailuresCli, CreateWhoseFieldsCannotBeWrittenFailsAndLeavesNoShot)
{
    // A folder where the shot path's cache file belongs: no field of a shot there can be written.
    fs::remove(exp + "/Shots/ScalarCache.ini");
    fs::create_directory(exp + "/Shots/ScalarCache.ini");
    Result r = InExp({"create", "3", "--comment", "hello"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(Lines(r.err), 1) << r.err;
    EXPECT_EQ(r.err.rfind("talvex: ", 0), 0u) << r.err;
    EXPECT_FALSE(fs::exists(exp + "/Shots/Shot3"));
}

TEST_F(WriteFailuresCli, SetOfAFieldThatCannotBeWrittenFails)
{
    fs::remove(exp + "/Shots/ScalarCache.ini");
    fs::create_directory(exp + "/Shots/ScalarCache.ini");
    std::string const before = ReadBytes(exp + "/Shots/Shot1001/Scalars.ini");
    Result r = InExp({"set", "1001", "Operator", "Mallory"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(Lines(r.err), 1) << r.err;
    EXPECT_EQ(ReadBytes(exp + "/Shots/Shot1001/Scalars.ini"), before);
}

TEST_F(WriteFailuresCli, BackupThatCopiesPartOfTheShotFails)
{
    // Run as nobody, who may write everything but cannot read one file of the shot.
    fs::permissions(testsupport::TestDir(), fs::perms::all);
    for (auto const& entry : fs::recursive_directory_iterator(testsupport::TestDir()))
        fs::permissions(entry.path(), fs::perms::all);
    fs::permissions(exp + "/Shots/Shot1001/grid.dmt", fs::perms::none);
    pid_t const pid = Start(
        {"backup", "1001"}, "backup",
        {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
    ASSERT_EQ(Finish(pid), 1) << ReadBytes(File("backup.err"));
    EXPECT_EQ(ReadBytes(File("backup.out")), "");
    EXPECT_EQ(Lines(ReadBytes(File("backup.err"))), 1) << ReadBytes(File("backup.err"));
    EXPECT_FALSE(fs::exists(testsupport::TestDir() + "/Backup/Exp1/Shots/Shot1001"));
}

TEST_F(WriteFailuresCli, OfSeveralCreatorsOfOneShotExactlyOneSucceeds)
{
    int const processes = 5, rounds = 12;
    for (int round = 0; round < rounds; ++round) {
        std::string const shot = "20" + std::to_string(round);
        std::vector<pid_t> pids;
        for (int p = 0; p < processes; ++p)
            pids.push_back(Start({"create", shot, "--comment", "by " + std::to_string(p)},
                                 "create" + std::to_string(p)));
        int winner = -1, wins = 0;
        for (int p = 0; p < processes; ++p) {
            int const status = Finish(pids[std::size_t(p)]);
            ASSERT_TRUE(status == 0 || status == 1) << status;
            if (status == 0) {
                winner = p;
                ++wins;
            } else {
                EXPECT_EQ(Lines(ReadBytes(File("create" + std::to_string(p) + ".err"))), 1);
            }
        }
        ASSERT_EQ(wins, 1) << "shot " << shot;
        Result fields = InExp({"fields", shot, "--csv"});
        EXPECT_NE(fields.out.find("by " + std::to_string(winner)), std::string::npos) << fields.out;
    }
}

TEST_F(WriteFailuresCli, ConcurrentBackupsPrintTheFoldersTheyMade)
{
    int const processes = 4, rounds = 8;
    std::set<std::string> printed;
    for (int round = 0; round < rounds; ++round) {
        std::vector<pid_t> pids;
        for (int p = 0; p < processes; ++p)
            pids.push_back(Start({"backup", "1001"}, "backup" + std::to_string(p)));
        for (int p = 0; p < processes; ++p) {
            ASSERT_EQ(Finish(pids[std::size_t(p)]), 0);
            std::string folder = ReadBytes(File("backup" + std::to_string(p) + ".out"));
            ASSERT_FALSE(folder.empty());
            folder.pop_back();
            EXPECT_TRUE(printed.insert(folder).second) << folder << " printed twice";
            EXPECT_TRUE(fs::exists(folder + "/probe.wvf")) << folder;
        }
    }
    EXPECT_EQ(printed.size(), std::size_t(processes * rounds));
}
