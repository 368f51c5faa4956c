// The server's test fixture: the experiment, starting and stopping the server, requests.
#include "ServeFixture.h"

#include "SampleExperiment.h"
#include "ExpressionCheck.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <regex>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

/// One line from fd, waiting at most seconds; empty when none came.
std::string ReadLine(int fd, double seconds)
{
    std::string line;
    auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    while (std::chrono::steady_clock::now() < until) {
        char c;
        ssize_t n = read(fd, &c, 1);
        if (n == 1) {
            if (c == '\n')
                return line;
            line += c;
        } else if (n == 0) {
            break;
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    return line;
}

} // namespace

std::string Encode(const std::string& text)
{
    std::string out;
    const char* hex = "0123456789ABCDEF";
    for (unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
            out += char(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

void ServeTest::SetUp()
{
    exp = testsupport::TestDir() + "/Exp1";
    testsupport::MakeSampleExperiment(exp);
}

void ServeTest::TearDown()
{
    if (pid > 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        pid = 0;
    }
}

void ServeTest::Start(const std::vector<std::string>& args)
{
    std::vector<std::string> argv = {TALVEX_CLI, "-e", exp, "serve", "--port", "0"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> cargs;
    for (const std::string& a : argv)
        cargs.push_back(const_cast<char*>(a.c_str()));
    cargs.push_back(nullptr);
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    std::string errFile = testsupport::TestDir() + "/serve-stderr.txt";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, out[1]);
    int rc = posix_spawn(&pid, cargs[0], &actions, nullptr, cargs.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    ASSERT_EQ(rc, 0);
    std::string line = ReadLine(out[0], 30);
    close(out[0]);
    std::smatch m;
    ASSERT_TRUE(std::regex_search(line, m, std::regex(R"(http://[^ ]*:(\d+)/(\?token=([^ ]+))?)")))
        << "no address in '" << line << "': " << testsupport::ReadBytes(errFile);
    port = std::stoi(m[1]);
    token = m[3];
}

int ServeTest::Stop(double seconds, int signal)
{
    kill(pid, signal);
    auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < until) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            pid = 0;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return -1;
}

httplib::Client ServeTest::Client() const
{
    httplib::Client client("127.0.0.1", port);
    client.set_read_timeout(20, 0);
    return client;
}

httplib::Result ServeTest::Get(const std::string& path, const httplib::Headers& headers) const
{
    httplib::Client client = Client();
    httplib::Result r = client.Get(path.c_str(), headers);
    EXPECT_TRUE(r) << "no answer to " << path;
    return r;
}

Json ServeTest::GetJson(const std::string& path, int status) const
{
    httplib::Result r = Get(path);
    if (!r)
        return Json();
    EXPECT_EQ(r->status, status) << path << ": " << r->body;
    EXPECT_EQ(r->get_header_value("Content-Type"), "application/json") << path;
    Json j = Json::parse(r->body, nullptr, false);
    EXPECT_FALSE(j.is_discarded()) << path << ": " << r->body;
    return j;
}

bool ServeTest::CheckerComplete()
{
    ExpressionIssue issue;
    return !CheckExpression("vcap\\zz", issue) && issue.IsError();
}
