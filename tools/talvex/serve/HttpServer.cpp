// HttpServer: the read-only HTTP face of a Catalog: routes, the token, limits and the page.
#include "HttpServer.h"
#include "Catalog.h"

#include <httplib.h>

#include <condition_variable>
#include <cstdio>
#include <deque>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace serve {

namespace {

/// Requests answered at once; the rest wait in the queue, then in the system's backlog.
const size_t kWorkers = 16;
const size_t kQueued = 64;
/// Longest request target (path and query) and longest single text parameter.
const size_t kMaxTarget = 4096;
const size_t kMaxParam = 2000;
/// Largest page of shots or rows, and the largest decimation.
const size_t kMaxLimit = 5000;
const size_t kMaxPoints = 1000000;
/// Seconds a client may take to send a request or read an answer's next piece.
const time_t kReadTimeout = 5;
const time_t kWriteTimeout = 10;
const time_t kKeepAlive = 2;

const char kCookie[] = "talvex_token";

/// A fixed number of workers and a bounded queue: when both are full, accepting waits, so a
/// flood of connections cannot grow memory or threads without bound.
class BoundedPool : public httplib::TaskQueue {
public:
    BoundedPool(size_t workers, size_t queued) : limit(queued)
    {
        for (size_t i = 0; i < workers; ++i)
            threads.emplace_back([this] { Work(); });
    }
    void enqueue(std::function<void()> fn) override
    {
        std::unique_lock<std::mutex> hold(lock);
        roomy.wait(hold, [this] { return jobs.size() < limit || closing; });
        jobs.push_back(std::move(fn));
        ready.notify_one();
    }
    void shutdown() override
    {
        {
            std::lock_guard<std::mutex> hold(lock);
            closing = true;
        }
        ready.notify_all();
        roomy.notify_all();
        for (std::thread& t : threads)
            t.join();
    }

private:
    void Work()
    {
        for (;;) {
            std::function<void()> fn;
            {
                std::unique_lock<std::mutex> hold(lock);
                ready.wait(hold, [this] { return !jobs.empty() || closing; });
                if (jobs.empty())
                    return;
                fn = std::move(jobs.front());
                jobs.pop_front();
                roomy.notify_one();
            }
            fn();
        }
    }

    size_t limit;
    bool closing = false;
    std::mutex lock;
    std::condition_variable ready, roomy;
    std::deque<std::function<void()>> jobs;
    std::vector<std::thread> threads;
};

struct StaticFile {
    std::string body;
    std::string type;
};

bool ReadFile(const std::string& path, std::string& bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    char buf[65536];
    size_t n;
    bytes.clear();
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        bytes.append(buf, n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

/// The page's files by URL path, read once: nothing else of the file system is served.
std::map<std::string, StaticFile> LoadPage(const std::string& folder)
{
    static const std::pair<const char*, const char*> kFiles[] = {
        {"index.html", "text/html; charset=utf-8"},
        {"app.js", "text/javascript; charset=utf-8"},
        {"style.css", "text/css; charset=utf-8"},
        {"uPlot.iife.min.js", "text/javascript; charset=utf-8"},
        {"uPlot.min.css", "text/css; charset=utf-8"}};
    std::map<std::string, StaticFile> files;
    if (folder.empty())
        return files;
    for (const auto& f : kFiles) {
        StaticFile file;
        file.type = f.second;
        if (ReadFile(folder + "/" + f.first, file.body))
            files["/" + std::string(f.first)] = std::move(file);
    }
    if (files.count("/index.html"))
        files["/"] = files["/index.html"];
    else
        std::fprintf(stderr, "talvex serve: no page in %s: serving the API only\n", folder.c_str());
    return files;
}

void SendJson(httplib::Response& res, int status, const Json& body)
{
    res.status = status;
    res.set_content(body.dump(), "application/json");
}

void SendError(httplib::Response& res, int status, const std::string& message, int position = -1)
{
    Json body;
    body["error"] = message;
    if (position >= 0)
        body["position"] = position;
    SendJson(res, status, body);
}

/// A text parameter; 400 when it is longer than any sensible query.
std::string Text(const httplib::Request& req, const char* name)
{
    std::string value = req.get_param_value(name);
    if (value.size() > kMaxParam)
        throw ApiError(400, std::string("parameter ") + name + " is too long");
    return value;
}

/// A count parameter between 0 and max; fallback when absent; 400 when malformed.
size_t Count(const httplib::Request& req, const char* name, size_t fallback, size_t max)
{
    if (!req.has_param(name))
        return fallback;
    std::string text = req.get_param_value(name);
    size_t value = 0;
    bool digits = !text.empty() && text.size() <= 12;
    for (char c : text) {
        digits = digits && c >= '0' && c <= '9';
        if (digits)
            value = value * 10 + size_t(c - '0');
    }
    if (!digits || value > max)
        throw ApiError(400, std::string("parameter ") + name + " must be a whole number from 0 to "
                                + std::to_string(max));
    return value;
}

double Real(const httplib::Request& req, const char* name)
{
    std::string text = req.get_param_value(name);
    char* end = nullptr;
    double v = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || v != v)
        throw ApiError(400, std::string("parameter ") + name + " must be a number");
    return v;
}

ShotQuery ShotQueryOf(const httplib::Request& req)
{
    ShotQuery q;
    q.spec = Text(req, "spec");
    q.list = Text(req, "list");
    q.data = Text(req, "data");
    q.where = Text(req, "where");
    q.sort = Text(req, "sort");
    std::string fields = Text(req, "fields");
    size_t at = 0;
    while (at <= fields.size() && !fields.empty()) {
        size_t comma = fields.find(',', at);
        std::string f = fields.substr(at,
                                      comma == std::string::npos ? std::string::npos : comma - at);
        if (!f.empty())
            q.fields.push_back(f);
        if (comma == std::string::npos)
            break;
        at = comma + 1;
    }
    q.offset = Count(req, "offset", 0, size_t(1) << 31);
    q.limit = Count(req, "limit", 100, kMaxLimit);
    return q;
}

/// Runs a handler; failures become JSON answers without anything of the program's insides.
template <class F> httplib::Server::Handler Answer(F f)
{
    return [f](const httplib::Request& req, httplib::Response& res) {
        try {
            f(req, res);
        } catch (const ApiError& e) {
            SendError(res, e.status, e.what(), e.position);
        } catch (const std::bad_alloc&) {
            SendError(res, 503, "out of memory");
        } catch (const std::exception&) {
            SendError(res, 500, "internal error");
        }
    };
}

bool SameText(const std::string& a, const std::string& b)
{
    // Constant time in the token's length, so timing does not reveal how much matched.
    unsigned char diff = a.size() == b.size() ? 0 : 1;
    for (size_t i = 0; i < a.size(); ++i)
        diff |= static_cast<unsigned char>(a[i] ^ (i < b.size() ? b[i] : 0));
    return diff == 0;
}

std::string CookieValue(const httplib::Request& req, const std::string& name)
{
    for (size_t id = 0; id < req.get_header_value_count("Cookie"); ++id) {
        std::string header = req.get_header_value("Cookie", id);
        size_t at = 0;
        while (at < header.size()) {
            size_t end = header.find(';', at);
            std::string pair = header.substr(at, end == std::string::npos ? std::string::npos
                                                                          : end - at);
            size_t start = pair.find_first_not_of(' ');
            if (start != std::string::npos && pair.compare(start, name.size() + 1, name + "=") == 0)
                return pair.substr(start + name.size() + 1);
            if (end == std::string::npos)
                break;
            at = end + 1;
        }
    }
    return std::string();
}

/// The host part of a Host header ("[::1]:8080" -> "::1").
std::string HostName(const std::string& host)
{
    if (!host.empty() && host[0] == '[') {
        size_t close = host.find(']');
        return host.substr(1, close == std::string::npos ? std::string::npos : close - 1);
    }
    return host.substr(0, host.find(':'));
}

} // namespace

bool IsLoopback(const std::string& address)
{
    return address == "localhost" || address == "::1" || address.rfind("127.", 0) == 0;
}

struct HttpServer::Impl {
    Catalog& catalog;
    ServerOptions options;
    httplib::Server server;
    std::map<std::string, StaticFile> page;

    Impl(Catalog& c, ServerOptions o) : catalog(c), options(std::move(o)) { }

    httplib::Server::HandlerResponse Admit(const httplib::Request& req, httplib::Response& res);
    void Routes();
};

/// Security headers on every answer; then the checks every request passes before routing.
httplib::Server::HandlerResponse HttpServer::Impl::Admit(const httplib::Request& req,
                                                         httplib::Response& res)
{
    using R = httplib::Server::HandlerResponse;
    res.set_header("X-Content-Type-Options", "nosniff");
    res.set_header("X-Frame-Options", "DENY");
    res.set_header("Referrer-Policy", "no-referrer");
    res.set_header("Cache-Control", "no-store");
    res.set_header("Content-Security-Policy",
                   "default-src 'self'; style-src 'self' 'unsafe-inline'; img-src 'self' data:");
    if (req.method != "GET" && req.method != "HEAD") {
        res.set_header("Allow", "GET, HEAD");
        SendError(res, 405, "this server is read-only: only GET and HEAD are answered");
        return R::Handled;
    }
    if (req.target.size() > kMaxTarget) {
        SendError(res, 414, "request too long");
        return R::Handled;
    }
    if (options.token.empty()) {
        // Without a token only this computer can reach the server; a page elsewhere that
        // points one of its own names at 127.0.0.1 is still refused by its Host header.
        std::string host = HostName(req.get_header_value("Host"));
        if (!host.empty() && !IsLoopback(host)) {
            SendError(res, 403, "this server answers requests for localhost only");
            return R::Handled;
        }
        return R::Unhandled;
    }
    if (req.has_param("token")) {
        if (!SameText(req.get_param_value("token"), options.token)) {
            SendError(res, 401, "wrong token");
            return R::Handled;
        }
        res.set_header("Set-Cookie", std::string(kCookie) + "=" + options.token
                                         + "; Path=/; HttpOnly; SameSite=Strict");
        res.set_redirect(req.path.empty() ? "/" : req.path, 303);
        return R::Handled;
    }
    std::string bearer = req.get_header_value("Authorization");
    bool ok = (bearer.rfind("Bearer ", 0) == 0 && SameText(bearer.substr(7), options.token))
              || SameText(CookieValue(req, kCookie), options.token);
    if (!ok) {
        res.set_header("WWW-Authenticate", "Bearer");
        SendError(res, 401, "a token is required: open the address the server printed");
        return R::Handled;
    }
    return R::Unhandled;
}

void HttpServer::Impl::Routes()
{
    Catalog& c = catalog;
    server.Get("/api/experiment", Answer([&c](const httplib::Request&, httplib::Response& res) {
                   SendJson(res, 200, c.Experiment());
               }));
    server.Get("/api/shots", Answer([&c](const httplib::Request& req, httplib::Response& res) {
                   SendJson(res, 200, c.Shots(ShotQueryOf(req)));
               }));
    server.Get("/api/eval", Answer([&c](const httplib::Request& req, httplib::Response& res) {
                   if (!req.has_param("expr"))
                       throw ApiError(400, "parameter expr is required");
                   std::string expr = Text(req, "expr");
                   SendJson(res, 200, c.Eval(ShotQueryOf(req), expr));
               }));
    server.Get(R"(/api/shots/([^/]+))",
               Answer([&c](const httplib::Request& req, httplib::Response& res) {
                   SendJson(res, 200, c.Shot(req.matches[1]));
               }));
    server.Get(R"(/api/shots/([^/]+)/data)",
               Answer([&c](const httplib::Request& req, httplib::Response& res) {
                   SendJson(res, 200, c.DataList(req.matches[1]));
               }));
    server.Get(R"(/api/shots/([^/]+)/data/([^/]+))",
               Answer([&c](const httplib::Request& req, httplib::Response& res) {
                   DataQuery q;
                   std::string format = req.get_param_value("format");
                   if (!format.empty() && format != "f32" && format != "json")
                       throw ApiError(400, "format must be f32 or json");
                   q.samples = format == "f32";
                   q.points = Count(req, "points", 0, kMaxPoints);
                   if (q.samples && q.points > 0)
                       throw ApiError(400, "give format=f32 or points, not both");
                   if (req.has_param("from") || req.has_param("to")) {
                       q.window = true;
                       q.from = req.has_param("from") ? Real(req, "from") : -1e300;
                       q.to = req.has_param("to") ? Real(req, "to") : 1e300;
                   }
                   Payload p = c.Data(req.matches[1], req.matches[2], q);
                   for (const auto& h : p.headers)
                       res.set_header(h.first.c_str(), h.second);
                   res.set_content(std::move(p.body), p.contentType.c_str());
               }));
    for (const auto& entry : page) {
        const StaticFile* file = &entry.second;
        server.Get(entry.first, [file](const httplib::Request&, httplib::Response& res) {
            res.set_header("Cache-Control", "no-cache");
            res.set_content(file->body, file->type.c_str());
        });
    }
    if (!page.count("/")) {
        server.Get("/", [](const httplib::Request&, httplib::Response& res) {
            res.status = 503;
            res.set_content("The page of talvex serve is not installed; the API answers under "
                            "/api/.\n",
                            "text/plain; charset=utf-8");
        });
    }
}

HttpServer::HttpServer(Catalog& catalog, ServerOptions options)
    : impl(new Impl(catalog, std::move(options)))
{
    httplib::Server& s = impl->server;
    impl->page = LoadPage(impl->options.webFolder);
    s.new_task_queue = [] { return new BoundedPool(kWorkers, kQueued); };
    s.set_read_timeout(kReadTimeout, 0);
    s.set_write_timeout(kWriteTimeout, 0);
    s.set_keep_alive_timeout(kKeepAlive);
    s.set_keep_alive_max_count(100);
    s.set_payload_max_length(64 * 1024);
    s.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
        return impl->Admit(req, res);
    });
    httplib::Server::HandlerWithResponse onError = [](const httplib::Request&,
                                                      httplib::Response& res) {
        if (!res.body.empty())
            return httplib::Server::HandlerResponse::Unhandled;
        const char* text = res.status == 404   ? "not found"
                           : res.status == 413 ? "request too large"
                           : res.status == 414 ? "request too long"
                                               : "bad request";
        SendError(res, res.status, text);
        return httplib::Server::HandlerResponse::Handled;
    };
    s.set_error_handler(onError);
    s.set_exception_handler([](const httplib::Request&, httplib::Response& res,
                               std::exception_ptr) { SendError(res, 500, "internal error"); });
    impl->Routes();
}

HttpServer::~HttpServer() = default;

int HttpServer::Bind()
{
    const ServerOptions& o = impl->options;
    if (o.port == 0)
        return impl->server.bind_to_any_port(o.bind);
    return impl->server.bind_to_port(o.bind, o.port) ? o.port : -1;
}

bool HttpServer::Run()
{
    return impl->server.listen_after_bind();
}

void HttpServer::Stop()
{
    impl->server.stop();
}

} // namespace serve
