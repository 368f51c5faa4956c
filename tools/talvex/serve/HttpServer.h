// HttpServer: the read-only HTTP face of a Catalog: routes, the token, limits and the page.
#ifndef TALVEX_SERVE_HTTPSERVER_H
#define TALVEX_SERVE_HTTPSERVER_H

#include <memory>
#include <string>

namespace serve {

class Catalog;

struct ServerOptions {
    std::string bind = "127.0.0.1";
    int port = 8080; ///< 0: a free port the system picks
    /// Required from every client when not empty (sent as a bearer header or a cookie).
    std::string token;
    /// The page's files (index.html, app.js, ...); empty or missing: the API only.
    std::string webFolder;
};

/// True for an address that only this computer can reach (127.0.0.0/8, ::1, localhost).
bool IsLoopback(const std::string& address);

/// A server over one catalog. Bind, then Run until Stop is called from another thread.
class HttpServer {
public:
    HttpServer(Catalog& catalog, ServerOptions options);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    /// The port bound; -1 when the address cannot be bound.
    int Bind();
    /// Answers requests until Stop; false when it could not listen.
    bool Run();
    /// Makes Run return; safe from any thread.
    void Stop();

private:
    struct Impl;
    std::unique_ptr<Impl> impl;
};

} // namespace serve

#endif
