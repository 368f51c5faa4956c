// The command itself: its help, and the options it refuses before serving anything.
#include "ServeFixture.h"

#include <cstdio>
#include <sys/wait.h>

namespace {

/// Runs talvex with the arguments through the shell; its output and exit status.
std::pair<std::string, int> Talvex(const std::string& args)
{
    std::string out;
    std::FILE* p = popen((std::string(TALVEX_CLI) + " " + args + " 2>&1").c_str(), "r");
    if (!p)
        return {out, -1};
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    int status = pclose(p);
    return {out, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

} // namespace

TEST_F(ServeTest, HelpNamesTheEndpointsAndTheGeneralHelpListsServe)
{
    auto help = Talvex("serve --help");
    EXPECT_EQ(help.second, 0);
    EXPECT_EQ(help.first.rfind("Usage: talvex serve ", 0), 0u) << help.first;
    for (const char* text : {"/api/experiment", "/api/shots", "format=f32", "/api/eval", "--token"})
        EXPECT_NE(help.first.find(text), std::string::npos) << text;
    EXPECT_NE(Talvex("--help").first.find("\n  serve "), std::string::npos);
}

TEST_F(ServeTest, BadOptionsFailBeforeServing)
{
    for (const char* args : {"--port 70000", "--port http", "--token short", "--bind ''",
                             "--port 0 extra", "--bind 203.0.113.1 --port 0"}) {
        auto r = Talvex("-e " + exp + " serve " + args);
        EXPECT_EQ(r.second, 1) << args << ": " << r.first;
        EXPECT_EQ(r.first.rfind("talvex: ", 0), 0u) << args << ": " << r.first;
    }
    auto none = Talvex("-e " + testsupport::TestDir() + "/Nowhere serve --port 0");
    EXPECT_EQ(none.second, 1);
}
