// What the server refuses: missing things (404), malformed requests (400), writes (405) and
// requests without the token (401).
#include "ServeFixture.h"

TEST_F(ServeTest, MissingShotsAndObjectsAre404WithAMessage)
{
    Start();
    for (const char* path :
         {"/api/shots/9999", "/api/shots/9999/data", "/api/shots/9999/data/probe",
          "/api/shots/1001/data/nothing", "/api/shots/1002/data/grid", "/api/nowhere",
          "/api/shots?spec=9999", "/api/shots?list=none"}) {
        Json j = GetJson(path, 404);
        EXPECT_TRUE(j["error"].is_string()) << path;
    }
}

TEST_F(ServeTest, MalformedRequestsAre400)
{
    Start();
    for (const char* path :
         {"/api/shots?limit=many", "/api/shots?offset=-1", "/api/shots?limit=999999",
          "/api/shots?spec=a:b", "/api/shots?spec=1001&list=x",
          "/api/shots/1001/data/probe?format=csv",
          "/api/shots/1001/data/probe?format=f32&points=10",
          "/api/shots/1001/data/probe?points=10&from=soon", "/api/shots/1001/data/grid?points=10",
          "/api/eval", "/api/eval?expr="}) {
        Json j = GetJson(path, 400);
        EXPECT_TRUE(j["error"].is_string()) << path;
    }
    Json longWhere = GetJson("/api/shots?where=" + std::string(2100, '1'), 400);
    EXPECT_TRUE(longWhere["error"].is_string());
}

TEST_F(ServeTest, MalformedExpressionsAndConditionsGiveTheirPosition)
{
    if (!CheckerComplete())
        GTEST_SKIP() << "the expression checker does not refuse unknown codes yet";
    Start();
    Json e = GetJson("/api/eval?expr=" + Encode("probe\\zz"), 400);
    EXPECT_TRUE(e["error"].is_string());
    EXPECT_EQ(e["position"], 6);
    Json w = GetJson("/api/shots?where=" + Encode("Peak > 2 && probe\\zz > 1"), 400);
    EXPECT_EQ(w["position"], 18);
}

TEST_F(ServeTest, WritesAre405AndChangeNothing)
{
    Start();
    httplib::Client c = Client();
    std::vector<httplib::Result> results;
    results.push_back(c.Post("/api/shots/1001", "Peak=9", "application/x-www-form-urlencoded"));
    results.push_back(c.Post("/api/shots"));
    results.push_back(c.Put("/api/shots/1001", "{}", "application/json"));
    results.push_back(c.Patch("/api/shots/1001", "{}", "application/json"));
    results.push_back(c.Delete("/api/shots/1001"));
    results.push_back(c.Options("/api/shots"));
    for (auto& r : results) {
        ASSERT_TRUE(r);
        EXPECT_EQ(r->status, 405);
        EXPECT_EQ(r->get_header_value("Allow"), "GET, HEAD");
    }
    EXPECT_EQ(GetJson("/api/shots/1001")["fields"]["Peak"], "3.25");
}

TEST_F(ServeTest, OffLoopbackATokenIsRequired)
{
    Start({"--bind", "0.0.0.0"});
    ASSERT_EQ(token.size(), 32u) << "no generated token in the printed address";
    httplib::Result none = Get("/api/experiment");
    ASSERT_TRUE(none);
    EXPECT_EQ(none->status, 401);
    EXPECT_EQ(Get("/", {})->status, 401);
    EXPECT_EQ(Get("/api/experiment", {{"Authorization", "Bearer wrong-token-000"}})->status, 401);
    EXPECT_EQ(Get("/api/experiment", {{"Cookie", "talvex_token=nope"}})->status, 401);
    EXPECT_EQ(Get("/api/experiment", {{"Authorization", "Bearer " + token}})->status, 200);
    // The printed address stores the token in a cookie that later requests carry.
    httplib::Result visit = Get("/?token=" + token);
    ASSERT_TRUE(visit);
    EXPECT_EQ(visit->status, 303);
    std::string cookie = visit->get_header_value("Set-Cookie");
    EXPECT_NE(cookie.find("HttpOnly"), std::string::npos);
    cookie = cookie.substr(0, cookie.find(';'));
    EXPECT_EQ(Get("/api/experiment", {{"Cookie", cookie}})->status, 200);
    EXPECT_EQ(Get("/?token=bad")->status, 401);
}

TEST_F(ServeTest, AGivenTokenIsRequiredOnLoopbackToo)
{
    Start({"--token", "s3cret-token"});
    EXPECT_EQ(token, "s3cret-token"); // printed in the address to open
    EXPECT_EQ(Get("/api/shots")->status, 401);
    EXPECT_EQ(Get("/api/shots", {{"Authorization", "Bearer s3cret-token"}})->status, 200);
}

TEST_F(ServeTest, OnLoopbackOtherHostNamesAreRefused)
{
    Start();
    EXPECT_EQ(Get("/api/shots", {{"Host", "attacker.example:80"}})->status, 403);
    EXPECT_EQ(Get("/api/shots", {{"Host", "localhost:" + std::to_string(port)}})->status, 200);
}
