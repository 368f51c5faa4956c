// What each endpoint answers for the fixture's experiment.
#include "ServeFixture.h"

#include "Experiment.h"

TEST_F(ServeTest, ExperimentNamesItsFolderShotPathsAndShots)
{
    Start();
    Json j = GetJson("/api/experiment");
    EXPECT_EQ(j["name"], "Exp1");
    EXPECT_EQ(j["folder"], exp);
    ASSERT_EQ(j["shotPaths"].size(), 1u);
    EXPECT_EQ(j["shotPaths"][0], exp + "/Shots");
    EXPECT_EQ(j["shots"], 2);
    EXPECT_TRUE(j["version"].is_string());
}

TEST_F(ServeTest, ShotsListGroupDateCommentAndTheFieldsAskedFor)
{
    Start();
    Json j = GetJson("/api/shots?fields=Peak,Missing");
    EXPECT_EQ(j["total"], 2);
    ASSERT_EQ(j["shots"].size(), 2u);
    Json first = j["shots"][0];
    EXPECT_EQ(first["shot"], "1001");
    EXPECT_EQ(first["group"], 0);
    EXPECT_EQ(first["date"], "01/02/2024 10:00:00");
    EXPECT_EQ(first["comment"], "first shot");
    EXPECT_EQ(first["fields"], Json({{"Peak", "3.25"}, {"Missing", ""}}));
    EXPECT_EQ(j["shots"][1]["fields"]["Peak"], "1.5");
    EXPECT_TRUE(GetJson("/api/shots")["shots"][0]["fields"].empty());
}

TEST_F(ServeTest, ShotsPageSortAndSelect)
{
    Start();
    Json page = GetJson("/api/shots?limit=1&offset=1");
    EXPECT_EQ(page["total"], 2);
    ASSERT_EQ(page["shots"].size(), 1u);
    EXPECT_EQ(page["shots"][0]["shot"], "1002");
    EXPECT_EQ(GetJson("/api/shots?sort=-shot")["shots"][0]["shot"], "1002");
    EXPECT_EQ(GetJson("/api/shots?sort=Peak")["shots"][0]["shot"], "1002");
    EXPECT_EQ(GetJson("/api/shots?sort=-Peak")["shots"][0]["shot"], "1001");
    Json spec = GetJson("/api/shots?spec=1002");
    ASSERT_EQ(spec["shots"].size(), 1u);
    EXPECT_EQ(spec["shots"][0]["shot"], "1002");
    EXPECT_EQ(GetJson("/api/shots?spec=1001:1002")["total"], 2);
    EXPECT_EQ(GetJson("/api/shots?data=grid.dmt")["total"], 1);
}

TEST_F(ServeTest, WhereKeepsTheShotsItHolds)
{
    Start();
    // A bare expression holds where it is valid and above 0.
    Json j = GetJson("/api/shots?where=" + Encode("Peak-2"));
    EXPECT_EQ(j["total"], 1);
    ASSERT_EQ(j["shots"].size(), 1u);
    EXPECT_EQ(j["shots"][0]["shot"], "1001");
}

TEST_F(ServeTest, ShotGivesAllItsFieldsInFileOrder)
{
    Start();
    Json j = GetJson("/api/shots/1001");
    EXPECT_EQ(j["shot"], "1001");
    std::vector<std::string> names;
    for (auto it = j["fields"].begin(); it != j["fields"].end(); ++it)
        names.push_back(it.key());
    EXPECT_EQ(j["fields"]["Peak"], "3.25");
    EXPECT_EQ(j["fields"]["Comment"], "first shot");
    EXPECT_EQ(names.size(), 3u);
}

TEST_F(ServeTest, DataListsEveryObjectWithItsHeaderValues)
{
    Start();
    Json j = GetJson("/api/shots/1001/data");
    ASSERT_EQ(j["data"].size(), 3u);
    Json beam = j["data"][0], grid = j["data"][1], probe = j["data"][2];
    EXPECT_EQ(beam["kind"], "particles");
    EXPECT_EQ(beam["size"], 2);
    EXPECT_EQ(grid["kind"], "matrix");
    EXPECT_EQ(grid["size"], Json({2, 3}));
    EXPECT_EQ(grid["min"], 1.0);
    EXPECT_EQ(grid["max"], 6.0);
    EXPECT_EQ(probe["name"], "probe");
    EXPECT_EQ(probe["kind"], "waveform");
    EXPECT_EQ(probe["size"], 5);
    EXPECT_EQ(probe["start"], 0.0);
    EXPECT_EQ(probe["step"], 0.5);
    EXPECT_EQ(probe["min"], 1.0);
    EXPECT_EQ(probe["max"], 5.0);
}

TEST_F(ServeTest, HeadersOfEachKind)
{
    Start();
    Json w = GetJson("/api/shots/1001/data/probe");
    EXPECT_EQ(w["kind"], "waveform");
    EXPECT_EQ(w["points"], 5);
    EXPECT_EQ(w["end"], 2.0);
    EXPECT_EQ(w["max"], 5.0);
    Json m = GetJson("/api/shots/1001/data/grid");
    EXPECT_EQ(m["kind"], "matrix");
    EXPECT_EQ(m["sizes"], Json({2, 3, 1}));
    EXPECT_EQ(m["axes"][1]["start"], 10.0);
    EXPECT_EQ(m["axes"][1]["step"], 0.5);
    Json p = GetJson("/api/shots/1001/data/beam.dpt");
    EXPECT_EQ(p["kind"], "particles");
    EXPECT_EQ(p["particles"], 2);
    // An extension picks the kind.
    GetJson("/api/shots/1001/data/probe.dmt", 404);
}

TEST_F(ServeTest, EvalGivesOneRowPerShotAndNullWithoutValue)
{
    Start();
    Json j = GetJson("/api/eval?expr=" + Encode("Peak*2"));
    EXPECT_EQ(j["total"], 2);
    ASSERT_EQ(j["rows"].size(), 2u);
    EXPECT_EQ(j["rows"][0], Json({{"shot", "1001"}, {"group", 0}, {"value", 6.5}}));
    EXPECT_EQ(j["rows"][1]["value"], 3.0);
    Json trace = GetJson("/api/eval?spec=1001&expr=" + Encode("probe\\mx"));
    EXPECT_EQ(trace["rows"][0]["value"], 5.0);
    Json none = GetJson("/api/eval?expr=" + Encode("grid\\mx+[Nothing]"));
    EXPECT_TRUE(none["rows"][1]["value"].is_null());
}

TEST_F(ServeTest, ShotsTakenWhileServingAreListedAtOnce)
{
    Start();
    EXPECT_EQ(GetJson("/api/shots")["total"], 2);
    DString shot("1003");
    ASSERT_EQ(Expt.CreateShot(shot, "new"), 0);
    Json j = GetJson("/api/shots");
    EXPECT_EQ(j["total"], 3);
    EXPECT_EQ(j["shots"][2]["comment"], "new");
    EXPECT_EQ(GetJson("/api/experiment")["shots"], 3);
}

TEST_F(ServeTest, ShotListsNameSetsAndAListNameStaysOneFile)
{
    DStringArray names;
    DArray<int> groups;
    names.Add("1002");
    groups.Add(0);
    Expt.SaveShotList("late.txt", names, groups);
    Start();
    Json j = GetJson("/api/shots?list=late");
    ASSERT_EQ(j["total"], 1);
    EXPECT_EQ(j["shots"][0]["shot"], "1002");
    EXPECT_EQ(GetJson("/api/eval?list=late&expr=Peak")["rows"][0]["value"], 1.5);
    GetJson("/api/shots?list=" + Encode("../ShotLists/late"), 400);
    GetJson("/api/shots?list=" + Encode("..\\Exp1"), 400);
}
