// Names that try to leave the experiment: every form is 404 and nothing outside is read.
#include "ServeFixture.h"

#include "Experiment.h"
#include "Paths.h"
#include "Waveform.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {

/// A waveform outside the experiment folder: outside.wvf and folder evil/ShotEvil/probe.wvf.
void WriteOutside()
{
    Waveform w(3);
    w[0] = 7;
    w[1] = 8;
    w[2] = 9;
    std::string dir = testsupport::TestDir();
    ASSERT_TRUE(w.Write(DString((dir + "/outside").c_str())));
    fs::create_directories(dir + "/evil/ShotEvil");
    ASSERT_TRUE(w.Write(DString((dir + "/evil/ShotEvil/probe").c_str())));
}

} // namespace

TEST_F(ServeTest, ShotNamesThatLeaveTheShotPathAre404)
{
    WriteOutside();
    Start();
    const std::string outside = testsupport::TestDir();
    const std::vector<std::string> shots = {"..",
                                            "%2e%2e",
                                            "%2E%2E",
                                            ".",
                                            "..%5c..",
                                            "..%2f..",
                                            "%2e%2e%5cShots",
                                            "C:",
                                            "C:%5cWindows",
                                            "c%3a%2f",
                                            "%5c%5cserver%5cshare",
                                            "%5c%5c.%5cC:",
                                            "%2fetc",
                                            Encode(outside),
                                            Encode(outside + "/evil/ShotEvil"),
                                            "%252e%252e",
                                            "1001%00",
                                            "%00",
                                            "*",
                                            "1001%2f..",
                                            "%3e%5c1001",
                                            "Shot1001",
                                            "..%5cExp1.ini"};
    for (const std::string& shot : shots) {
        for (const char* tail : {"", "/data", "/data/probe"}) {
            std::string path = "/api/shots/" + shot + tail;
            httplib::Result r = Get(path);
            ASSERT_TRUE(r);
            EXPECT_EQ(r->status, 404) << path << ": " << r->body;
            EXPECT_EQ(r->body.find("\"7"), std::string::npos) << path;
        }
    }
}

TEST_F(ServeTest, DataNamesThatLeaveTheShotAre404)
{
    WriteOutside();
    Start();
    const std::string outside = testsupport::TestDir() + "/outside";
    const std::vector<std::string> names = {"..%2f..%2f..%2foutside",
                                            "..%5c..%5c..%5coutside",
                                            "%2e%2e%5c%2e%2e%5c%2e%2e%5coutside",
                                            "%2e%2e%2f1002%2fprobe",
                                            "1002%5cprobe",
                                            "%3e%5cprobe",
                                            "%3c%5cprobe",
                                            "%3e1%5cprobe",
                                            "%40probe",
                                            Encode(outside),
                                            Encode(outside + ".wvf"),
                                            "C:%5coutside",
                                            "C:outside",
                                            "%5c%5clocalhost%5cshare%5coutside",
                                            ".%5cShots%5cShot1002%5cprobe",
                                            "..%5cExp1",
                                            "%252e%252e%252foutside",
                                            "probe%00.dmt",
                                            "prob*",
                                            "prob%3f",
                                            "%2e",
                                            "%2e%2e"};
    for (const std::string& name : names) {
        for (const char* query : {"", "?format=f32", "?points=10"}) {
            std::string path = "/api/shots/1001/data/" + name + query;
            httplib::Result r = Get(path);
            ASSERT_TRUE(r);
            EXPECT_EQ(r->status, 404) << path << ": " << r->body;
        }
    }
    // Literal dots and separators in the request line itself.
    for (const char* raw : {"/api/shots/1001/data/../../../outside", "/api/shots/../../x",
                            "/api/../../etc/passwd", "/../index.html"}) {
        httplib::Result r = Get(raw);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->status, 404) << raw;
    }
}

TEST_F(ServeTest, SymbolicLinksOutOfTheExperimentAre404)
{
    WriteOutside();
    std::string dir = testsupport::TestDir();
    fs::create_symlink(dir + "/outside.wvf", exp + "/Shots/Shot1001/leak.wvf");
    fs::create_directory_symlink(dir + "/evil/ShotEvil", exp + "/Shots/ShotEvil");
    // A link that stays inside the experiment is followed.
    fs::create_symlink(exp + "/Shots/Shot1002/probe.wvf", exp + "/Shots/Shot1001/near.wvf");
    Start();
    EXPECT_EQ(Get("/api/shots/1001/data/leak")->status, 404);
    EXPECT_EQ(Get("/api/shots/1001/data/leak?format=f32")->status, 404);
    EXPECT_EQ(Get("/api/shots/Evil")->status, 404);
    EXPECT_EQ(Get("/api/shots/Evil/data/probe")->status, 404);
    EXPECT_EQ(Get("/api/shots/1001/data/near")->status, 200);
    Json list = GetJson("/api/shots/1001/data");
    for (const Json& o : list["data"])
        EXPECT_NE(o["name"], "leak");
}
