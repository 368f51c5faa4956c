// ServeCommand: `talvex serve`, the experiment over HTTP and in a browser page.
#include "ServeCommand.h"
#include "Catalog.h"
#include "HttpServer.h"

#include "../Console.h"
#include "../Session.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <limits.h>
#include <pthread.h>
#include <random>
#include <thread>
#include <unistd.h>

namespace cli {

namespace {

/// Seconds the server waits for answers under way after SIGINT or SIGTERM before it leaves.
const int kStopGrace = 2;

int RunServe(const CommandLine& cl);

const char kServeHelp[] =
    "Serves the experiment read-only over HTTP: a page for a browser at the printed address\n"
    "(the shot table, a shot's fields and data objects, traces plotted with zoom and pan) and\n"
    "a JSON interface below /api/ for programs:\n"
    "  GET /api/experiment                   name, folder, shot paths, shot count, version\n"
    "  GET /api/shots?spec=&list=&where=&fields=a,b&sort=&limit=&offset=\n"
    "  GET /api/shots/SHOT                   its fields\n"
    "  GET /api/shots/SHOT/data              its data objects (kind, size, start, step, extremes)\n"
    "  GET /api/shots/SHOT/data/NAME         the header; ?format=f32 the values as little-endian\n"
    "                                        float32; ?points=N&from=&to= a min/max decimation\n"
    "  GET /api/eval?expr=&spec=&where=      an expression's value for each shot\n"
    "The server binds 127.0.0.1 unless --bind names another address, on port N (default 8080;\n"
    "0 picks a free one). Bound to any other address it requires a token: T from --token, else\n"
    "a random one; both are printed in the address to open, which stores the token in a\n"
    "cookie; programs send 'Authorization: Bearer T'. SIGINT or SIGTERM stops the server.\n"
    "The page's files are looked for in ../share/talvex/web beside the program (or in the\n"
    "folder TALVEX_WEB_DIR names).\n";

/// A token of 32 hex digits from the system's randomness.
std::string RandomToken()
{
    std::random_device random;
    std::string token;
    const char* hex = "0123456789abcdef";
    for (int i = 0; i < 32; ++i)
        token += hex[random() & 15];
    return token;
}

std::string WebFolder()
{
    const char* env = std::getenv("TALVEX_WEB_DIR");
    if (env && *env)
        return env;
    char exe[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0)
        return std::string();
    std::string path(exe, size_t(n));
    path.resize(path.rfind('/'));
    return path + "/../share/talvex/web";
}

int PortOf(const std::string& text)
{
    int port = 0;
    bool digits = !text.empty() && text.size() <= 5;
    for (char c : text) {
        digits = digits && c >= '0' && c <= '9';
        port = port * 10 + (c - '0');
    }
    if (!digits || port > 65535)
        Fail("invalid port " + Quoted(text) + ": give 0 to 65535");
    return port;
}

std::string UrlOf(const serve::ServerOptions& o, int port)
{
    std::string host = o.bind;
    if (host == "0.0.0.0" || host == "::") {
        char name[256] = "localhost";
        gethostname(name, sizeof name - 1);
        host = name;
    }
    if (host.find(':') != std::string::npos)
        host = "[" + host + "]";
    std::string url = "http://" + host + ":" + std::to_string(port) + "/";
    return o.token.empty() ? url : url + "?token=" + o.token;
}

/// Set by the watcher once the server's Stop has returned, so that the server outlives it.
std::atomic<bool> stopCalled {false};

/// Waits for SIGINT or SIGTERM (blocked in every thread), stops the server and, should
/// answers under way not end in time, leaves with status 0 anyway.
void WatchSignals(serve::HttpServer& server, sigset_t signals)
{
    int sig = 0;
    sigwait(&signals, &sig);
    std::fprintf(stderr, "talvex serve: stopping\n");
    server.Stop();
    stopCalled = true;
    std::this_thread::sleep_for(std::chrono::seconds(kStopGrace));
    std::fflush(stdout);
    _exit(0);
}

int RunServe(const CommandLine& cl)
{
    cl.ExpectArgs(0, 0, "serve [-e DIR] [--port N] [--bind ADDR] [--token T]");
    serve::ServerOptions options;
    if (cl.Has("bind"))
        options.bind = cl.Value("bind");
    if (options.bind.empty())
        Fail("empty address for --bind");
    options.port = cl.Has("port") ? PortOf(cl.Value("port")) : 8080;
    options.token = cl.Value("token");
    if (cl.Has("token") && options.token.size() < 8)
        Fail("a token must have at least 8 characters");
    if (options.token.empty() && !serve::IsLoopback(options.bind))
        options.token = RandomToken();
    options.webFolder = WebFolder();
    OpenExperiment(cl);

    // Blocked before any thread starts, so that every thread inherits the mask and only the
    // watcher receives the signals; a client that goes away must not end the program.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    serve::Catalog catalog;
    serve::HttpServer server(catalog, options);
    int port = server.Bind();
    if (port <= 0)
        Fail("cannot listen on " + options.bind + " port " + std::to_string(options.port));
    Out("talvex serve: " + ExperimentShown() + " at " + UrlOf(options, port) + "\n");
    std::fflush(stdout);
    std::thread watcher(WatchSignals, std::ref(server), signals);
    watcher.detach();
    bool ran = server.Run();
    while (ran && !stopCalled)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!ran)
        Fail("the server stopped unexpectedly");
    return 0;
}

} // namespace

const CommandInfo kServeCommand = {
    "serve",
    "[--port N] [--bind ADDR] [--token T]",
    "Serve the experiment read-only to web browsers and programs over HTTP",
    kServeHelp,
    {{"port", 'p', true}, {"bind", 0, true}, {"token", 0, true}},
    RunServe};

} // namespace cli
