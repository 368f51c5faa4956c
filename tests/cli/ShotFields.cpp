// Showing and changing shot fields, and creating, renaming and deleting shots.
#include "CliFixture.h"

TEST_F(CliTest, FieldsShowsTheFieldFileInOrderAsTableAndCsv)
{
    Result table = InExp({"fields", "1001"});
    EXPECT_EQ(table.status, 0) << table.err;
    EXPECT_EQ(table.out, "Field    Value\n"
                         "Comment  first shot\n"
                         "Date     2024-01-02 10:00:00\n"
                         "Peak     3.25\n");
    Result csv = InExp({"fields", "1001", "--csv"});
    EXPECT_EQ(csv.out, "Field,Value\nComment,first shot\nDate,2024-01-02 10:00:00\nPeak,3.25\n");
}

TEST_F(CliTest, SetAndUnsetChangeBothFieldFiles)
{
    Result set = InExp({"set", "1002", "Gain", "  2,5 \"x\" "});
    EXPECT_EQ(set.status, 0) << set.err;
    EXPECT_EQ(set.out + set.err, "");
    EXPECT_EQ(InExp({"fields", "1002", "--csv"}).out,
              "Field,Value\nDate,2024-01-02 10:00:00\nPeak,1.5\nGain,\"2,5 \"\"x\"\"\"\n");
    std::string cache = testsupport::ReadBytes(exp + "/Shots/ScalarCache.ini");
    EXPECT_NE(cache.find("Gain=2,5 \"x\""), std::string::npos) << cache;

    EXPECT_EQ(InExp({"unset", "1002", "gain"}).status, 0);
    EXPECT_EQ(InExp({"fields", "1002"}).out.find("Gain"), std::string::npos);
    cache = testsupport::ReadBytes(exp + "/Shots/ScalarCache.ini");
    EXPECT_EQ(cache.find("Gain"), std::string::npos) << cache;
}

TEST_F(CliTest, CreateRenameAndDeleteAShot)
{
    Result create = InExp({"create", "Run7", "--comment", "new run"});
    EXPECT_EQ(create.status, 0) << create.err;
    EXPECT_TRUE(testsupport::Exists(exp + "/Shots/ShotRun7"));
    Result fields = InExp({"fields", "run7", "--csv"});
    EXPECT_EQ(fields.out.substr(0, 32), "Field,Value\nComment,new run\nDate") << fields.out;

    Result rename = InExp({"rename", "Run7", "Run8"});
    EXPECT_EQ(rename.status, 0) << rename.err;
    EXPECT_FALSE(testsupport::Exists(exp + "/Shots/ShotRun7"));
    EXPECT_NE(InExp({"fields", "Run8"}).out.find("new run"), std::string::npos);
    std::string cache = testsupport::ReadBytes(exp + "/Shots/ScalarCache.ini");
    EXPECT_NE(cache.find("[ShotRun8]"), std::string::npos) << cache;

    EXPECT_EQ(InExp({"delete", "Run8", "--yes"}).status, 0);
    EXPECT_FALSE(testsupport::Exists(exp + "/Shots/ShotRun8"));
    cache = testsupport::ReadBytes(exp + "/Shots/ScalarCache.ini");
    EXPECT_EQ(cache.find("Run8"), std::string::npos) << cache;
}
