// The server's test fixture: a small experiment made through the library and `talvex serve`
// running on it as a separate program on a free loopback port.
#ifndef TALVEX_TEST_SERVEFIXTURE_H
#define TALVEX_TEST_SERVEFIXTURE_H

#include "TestSupport.h"

#include <gtest/gtest.h>
#include <httplib.h>
#include <nlohmann/json.hpp>

#include <csignal>
#include <string>
#include <sys/types.h>
#include <vector>

using Json = nlohmann::json;

class ServeTest : public ::testing::Test {
protected:
    /// Experiment Exp1: shot 1001 (Comment "first shot", Peak 3.25) with waveform probe
    /// (1 3 2 5 4 from 0 by 0.5), a 2 x 3 matrix grid (values 1..6) and a particle group beam
    /// of 2 particles; shot 1002 (Peak 1.5) with waveform probe. The server is not started.
    void SetUp() override;
    /// Stops the server when it still runs.
    void TearDown() override;

    /// Starts `talvex serve -e EXP --port 0` with the further arguments; fails the test when
    /// it prints no address. Sets port and, when the address carries one, token.
    void Start(const std::vector<std::string>& args = {});
    /// Sends signal, then waits; the exit status, or -1 when it did not end within seconds.
    int Stop(double seconds = 5.0, int signal = SIGTERM);

    /// A client of the running server on 127.0.0.1.
    httplib::Client Client() const;
    /// GET path; fails the test when no answer comes.
    httplib::Result Get(const std::string& path, const httplib::Headers& headers = {}) const;
    /// GET path, expecting status; the answer parsed as JSON.
    Json GetJson(const std::string& path, int status = 200) const;

    /// True once the expression checker refuses an unknown trace-parameter code (the full
    /// checker); tests of reported positions skip themselves before.
    static bool CheckerComplete();

    std::string exp;   ///< the experiment folder
    int port = 0;      ///< the server's port
    std::string token; ///< the token in the printed address, if any
    pid_t pid = 0;     ///< the server process
};

/// Percent-encodes every byte but unreserved ones, for query values and path segments.
std::string Encode(const std::string& text);

#endif
