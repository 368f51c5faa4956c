// Many clients at once, a client that stalls, and stopping on SIGTERM.
#include "ServeFixture.h"

#include <arpa/inet.h>
#include <atomic>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

/// A connection that sends half a request and then nothing.
int Stall(int port)
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr {};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(uint16_t(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        close(fd);
        return -1;
    }
    const char half[] = "GET /api/shots HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Slow: ";
    if (send(fd, half, sizeof half - 1, 0) < 0) {
        close(fd);
        return -1;
    }
    return fd;
}

} // namespace

TEST_F(ServeTest, TwentyClientsAreAnsweredWhileOneStalls)
{
    Start();
    int stalled = Stall(port);
    ASSERT_GE(stalled, 0);
    std::atomic<int> ok {0}, failed {0};
    std::vector<std::thread> clients;
    for (int c = 0; c < 20; ++c) {
        clients.emplace_back([&, c] {
            httplib::Client client = Client();
            for (int i = 0; i < 5; ++i) {
                std::string path = c % 2 ? "/api/shots?fields=Peak"
                                         : "/api/shots/1001/data/probe?points=2";
                httplib::Result r = client.Get(path.c_str());
                (r && r->status == 200 ? ok : failed)++;
            }
        });
    }
    for (std::thread& t : clients)
        t.join();
    EXPECT_EQ(ok, 100);
    EXPECT_EQ(failed, 0);
    // The stalled client is dropped once its read time is up, not served forever.
    timeval wait {15, 0};
    setsockopt(stalled, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    char buf[256];
    ssize_t n;
    while ((n = recv(stalled, buf, sizeof buf, 0)) > 0) { }
    EXPECT_EQ(n, 0) << "the stalled connection was not closed by the server";
    close(stalled);
}

TEST_F(ServeTest, SigtermEndsWithStatusZeroWhileAClientStalls)
{
    Start();
    int stalled = Stall(port);
    ASSERT_GE(stalled, 0);
    httplib::Client keep = Client();
    keep.set_keep_alive(true);
    ASSERT_TRUE(keep.Get("/api/experiment"));
    EXPECT_EQ(Stop(5.0), 0);
    close(stalled);
}

TEST_F(ServeTest, SigintEndsWithStatusZero)
{
    Start();
    ASSERT_TRUE(Get("/api/shots"));
    EXPECT_EQ(Stop(5.0, SIGINT), 0);
}

TEST_F(ServeTest, ThePageAndItsLibraryAreServed)
{
    Start();
    httplib::Result page = Get("/");
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    EXPECT_NE(page->body.find("uPlot.iife.min.js"), std::string::npos);
    for (const char* file : {"/app.js", "/style.css", "/uPlot.iife.min.js", "/uPlot.min.css"}) {
        httplib::Result r = Get(file);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->status, 200) << file;
        EXPECT_FALSE(r->body.empty()) << file;
    }
    // Nothing else of the folder is served, and no folder is listed.
    EXPECT_EQ(Get("/package.json")->status, 404);
    EXPECT_EQ(Get("/web/")->status, 404);
}
