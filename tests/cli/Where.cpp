// Selecting shots by value: --where on shots, eval and list, through the library's conditions.
#include "CliFixture.h"

#include "ShotCondition.h"

namespace {

/// True once the library parses comparisons (before that a condition is a bare expression).
bool ConditionsCompare()
{
    ShotCondition condition;
    ExpressionIssue issue;
    return !condition.Parse("Peak ==", issue);
}

} // namespace

TEST_F(CliTest, WhereKeepsTheShotsWhereABareExpressionIsPositive)
{
    // Peak is 3.25 and 1.5; a shot without the operand is left out.
    EXPECT_EQ(InExp({"shots", "--where", "Peak-2", "--csv"}).out,
              "Shot,Group,Date,Comment\n1001,0,2024-01-02 10:00:00,first shot\n");
    EXPECT_EQ(InExp({"eval", "Peak", "--where", "2-Peak", "--csv"}).out, "Shot,Peak\n1002,1.5\n");
    EXPECT_EQ(InExp({"eval", "Peak", "--where", "Missing", "--csv"}).out, "Shot,Peak\n");
    // A set and a condition together.
    EXPECT_EQ(InExp({"eval", "Peak", "1002", "--where", "Peak-2", "--csv"}).out, "Shot,Peak\n");

    Result saved = InExp({"list", "save", "High", "100*", "--where", "Peak-2"});
    EXPECT_EQ(saved.status, 0) << saved.err;
    EXPECT_EQ(saved.out, "saved 1 shot as list High\n");
    EXPECT_EQ(testsupport::ReadBytes(exp + "/ShotLists/High.txt"), "1001;.\\Shots");
    Result none = InExp({"list", "merge", "High", "100*", "--where", "Missing"});
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.err, "talvex: no shots match; shot list 'High' is left as it was\n");
}

TEST_F(CliTest, AnUnparsableConditionIsAnErrorBeforeAnythingIsRead)
{
    Result empty = Talvex({"-e", testsupport::TestDir() + "/Nowhere", "shots", "--where", ""});
    EXPECT_EQ(empty.status, 1);
    EXPECT_EQ(empty.err, "talvex: error: empty condition\n");
    if (!ConditionsCompare())
        GTEST_SKIP() << "ShotCondition::Parse accepts 'Peak ==' (no comparisons yet)";
    for (const char* cond : {"Peak ==", "[Peak] > 1 &&", "(Peak > 1", "probe\\zz > 1"}) {
        Result run = InExp({"shots", "--where", cond});
        EXPECT_EQ(run.status, 1) << cond;
        EXPECT_EQ(run.out, "") << cond;
        EXPECT_EQ(run.err.rfind("talvex: error: ", 0), 0u) << cond << ": " << run.err;
        EXPECT_NE(run.err.find(" at column "), std::string::npos) << cond << ": " << run.err;
    }
}

TEST_F(CliTest, WhereComparesNumbersAndTexts)
{
    if (!ConditionsCompare())
        GTEST_SKIP() << "ShotCondition::Parse accepts 'Peak ==' (no comparisons yet)";
    ASSERT_EQ(InExp({"set", "1002", "Operator", "A. Smith"}).status, 0);
    auto shots = [&](const char* cond) {
        Result run = InExp({"eval", "Peak", "--where", cond, "--csv"});
        EXPECT_EQ(run.status, 0) << cond << ": " << run.err;
        return run.out.substr(run.out.find('\n') + 1);
    };
    EXPECT_EQ(shots("[Peak] == 3.25"), "1001,3.25\n");
    EXPECT_EQ(shots("Peak > 1 && probe\\mx >= 5"), "1001,3.25\n1002,1.5\n");
    EXPECT_EQ(shots("Operator == 'a. smith'"), "1002,1.5\n");
    EXPECT_EQ(shots("Comment ~ 'first*'"), "1001,3.25\n");
    // An absent operand makes a comparison unknown, and its negation too.
    EXPECT_EQ(shots("!(Operator == 'A. Smith')"), "");
    EXPECT_EQ(shots("Missing > 1 || Peak < 2"), "1002,1.5\n");
}
