// Shot conditions: comparisons, texts and wildcards, three-valued logic, parse faults, and
// filtering a set of shots.
#include "EvaluatorFixture.h"
#include "ShotCondition.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using T = ShotCondition::Truth;

class ShotConditions : public ShotDataTest {
protected:
    void SetUp() override
    {
        ShotDataTest::SetUp();
        WriteRamp("ip", 2e5f);
        Expt.SetShotData("Bt", "2.5");
        Expt.SetShotData("Operator", "A. Smith");
        Expt.SetShotData("Comment", "Calibration run");
        Expt.SetShotData("Third", "0.33333333");
    }

    static T Truth(char const* text)
    {
        ShotCondition c;
        ExpressionIssue issue;
        EXPECT_TRUE(c.Parse(text, issue)) << text << ": " << issue.message.c_str();
        return c.Evaluate(Expt);
    }

    static ExpressionIssue Fault(char const* text)
    {
        ShotCondition c;
        ExpressionIssue issue;
        EXPECT_FALSE(c.Parse(text, issue)) << text;
        EXPECT_TRUE(c.IsEmpty()) << text;
        return issue;
    }
};

} // namespace

TEST_F(ShotConditions, ComparesNumbers)
{
    EXPECT_EQ(Truth("[Bt] == 2.5"), T::True);
    EXPECT_EQ(Truth("Bt==2.5"), T::True);
    EXPECT_EQ(Truth("[Bt] != 2.5"), T::False);
    EXPECT_EQ(Truth("ip\\mx > 1e5"), T::True);
    EXPECT_EQ(Truth("ip\\mx >= 2e5"), T::True);
    EXPECT_EQ(Truth("ip\\mx < 2e5"), T::False);
    EXPECT_EQ(Truth("ip\\mx <= 2e5"), T::True);
    EXPECT_EQ(Truth("2*[Bt] == 5"), T::True);
    EXPECT_EQ(Truth("(Bt+0.5)*2 == 6"), T::True);
    // Equal within the eight digits the evaluator keeps.
    EXPECT_EQ(Truth("Third == 1/3"), T::True);
    EXPECT_EQ(Truth("Third < 1/3"), T::False);
    EXPECT_EQ(Truth("Third >= 1/3"), T::True);
    EXPECT_EQ(Truth("[Bt] == 2.5 && ip\\mx > 1e5"), T::True);
}

TEST_F(ShotConditions, ComparesTextsIgnoringCase)
{
    EXPECT_EQ(Truth("Operator == 'A. Smith'"), T::True);
    EXPECT_EQ(Truth("Operator == \"a. smith\""), T::True);
    EXPECT_EQ(Truth("'A. SMITH' == Operator"), T::True);
    EXPECT_EQ(Truth("Operator != 'B. Jones'"), T::True);
    EXPECT_EQ(Truth("Comment ~ 'calib*'"), T::True);
    EXPECT_EQ(Truth("Comment ~ '*run'"), T::True);
    EXPECT_EQ(Truth("Comment ~ 'test*'"), T::False);
    EXPECT_EQ(Truth("[Operator] == 'A. Smith'"), T::True);
    EXPECT_EQ(Truth("Missing == 'x'"), T::Unknown);
    EXPECT_EQ(Truth("Missing ~ '*'"), T::Unknown);
    EXPECT_EQ(Truth("Operator == 'a && b || c'"), T::False);
}

TEST_F(ShotConditions, BareExpressionIsTrueWhenValidAndPositive)
{
    EXPECT_EQ(Truth("Bt"), T::True);
    EXPECT_EQ(Truth("Bt-2.5"), T::False);
    EXPECT_EQ(Truth("Missing"), T::Unknown);
    EXPECT_EQ(Truth("!Bt"), T::False);
}

TEST_F(ShotConditions, ThreeValuedLogicAsSql)
{
    // 1 true, 0 false, Missing unknown.
    struct Row {
        char const* text;
        T want;
    } const rows[] = {
        {"Bt && Bt", T::True},
        {"Bt && Bt-3", T::False},
        {"Bt && Missing", T::Unknown},
        {"Bt-3 && Missing", T::False},
        {"Missing && Bt-3", T::False},
        {"Missing && Missing", T::Unknown},
        {"Bt || Missing", T::True},
        {"Missing || Bt", T::True},
        {"Bt-3 || Missing", T::Unknown},
        {"Bt-3 || Bt-3", T::False},
        {"Missing || Missing", T::Unknown},
        {"!Missing", T::Unknown},
        {"!(Missing > 1)", T::Unknown},
        {"!!Bt", T::True},
        {"Missing > 1 || [Bt] == 2.5", T::True},
        // && binds tighter than ||.
        {"Bt || Bt-3 && Bt-3", T::True},
        {"(Bt || Bt-3) && Bt-3", T::False},
    };
    for (Row const& r : rows)
        EXPECT_EQ(Truth(r.text), r.want) << r.text;
}

TEST_F(ShotConditions, OffsetsAndBangsAreNotComparisons)
{
    WriteRamp("vcap", 3.0f, "Run0099");
    WriteRamp("vcap", 1.0f, "Run0101");
    EXPECT_EQ(Truth("<\\vcap\\mx > 2"), T::True);
    EXPECT_EQ(Truth("<1\\vcap\\mx > 2"), T::True);
    EXPECT_EQ(Truth(">\\vcap\\mx > 2"), T::False);
    EXPECT_EQ(Truth("2 < <\\vcap\\mx"), T::True);
    EXPECT_EQ(Truth("1+>\\vcap\\mx>=2"), T::True);
    EXPECT_EQ(Truth("![Bt] == 2.5"), T::True);
    EXPECT_EQ(Truth("!(Bt != 2.5)"), T::True);
}

TEST_F(ShotConditions, FaultsHavePositions)
{
    struct Row {
        char const* text;
        ExpressionIssue::Kind kind;
        int position;
        char const* token;
    } const rows[] = {
        {"[Bt] ==", ExpressionIssue::Syntax, 5, "=="},
        {"&& Bt", ExpressionIssue::Syntax, 0, "&"},
        {"Bt &&", ExpressionIssue::Syntax, 3, "&&"},
        {"(Bt > 1", ExpressionIssue::Syntax, 0, "("},
        {"Bt > 1)", ExpressionIssue::Syntax, 6, ")"},
        {"(Bt > 1) Gain", ExpressionIssue::Syntax, 9, "G"},
        {"Bt = 2", ExpressionIssue::Syntax, 3, "="},
        {"Operator == 'A. Smith", ExpressionIssue::Syntax, 12, "'"},
        {"Comment ~ calib", ExpressionIssue::Syntax, 8, "~"},
        {"Operator < 'x'", ExpressionIssue::Syntax, 9, "<"},
        {"'x'", ExpressionIssue::Syntax, 0, "'x'"},
        {"Bt > 1 && ip\\zz > 2", ExpressionIssue::UnknownCode, 13, "zz"},
        {"sqrt(Bt) > 1", ExpressionIssue::UnknownFunction, 0, "sqrt"},
        {"Bt > 1 +", ExpressionIssue::Syntax, 7, "+"},
        {"", ExpressionIssue::Syntax, 0, ""},
    };
    for (Row const& r : rows) {
        ExpressionIssue const issue = Fault(r.text);
        EXPECT_EQ(issue.kind, r.kind) << r.text << ": " << issue.message.c_str();
        EXPECT_EQ(issue.position, r.position) << r.text << ": " << issue.message.c_str();
        EXPECT_STREQ(issue.text.c_str(), r.token) << r.text;
    }
    EXPECT_STREQ(Fault("Bt > 1 && ip\\zz > 2").message.c_str(),
                 "unknown trace-parameter code 'zz' at column 14 of 'Bt > 1 && ip\\zz > 2'");
}

TEST_F(ShotConditions, NamesAreLookedUpWithAnExperiment)
{
    ShotCondition c;
    ExpressionIssue issue;
    EXPECT_TRUE(c.Parse("Bt > 1 && Operator == 'x' && ip\\mx > 0", issue, &Expt));
    EXPECT_FALSE(c.Parse("Bt > 1 && Oprator == 'x'", issue, &Expt));
    EXPECT_EQ(issue.kind, ExpressionIssue::UnknownField);
    EXPECT_EQ(issue.position, 10);
    EXPECT_STREQ(issue.suggestion.c_str(), "Operator");
    EXPECT_FALSE(c.Parse("iq\\mx > 1", issue, &Expt));
    EXPECT_EQ(issue.kind, ExpressionIssue::UnknownData);
    EXPECT_STREQ(issue.suggestion.c_str(), "ip");
}

TEST_F(ShotConditions, FilterKeepsOnlyTrueShotsAndRestoresTheCurrentShot)
{
    ASSERT_TRUE(Expt.SetShot("Run0099"));
    Expt.SetShotData("Bt", "1.5");
    ASSERT_TRUE(Expt.SetShot("Run0101"));
    Expt.SetShotData("Bt", "3");
    ASSERT_TRUE(Expt.SetShot("Run0100"));

    DStringArray shots;
    DArray<int> groups;
    DArray<long long> dates;
    Expt.GetShotSet(Expt.ShotPaths[0], "*", DString(), shots, groups, &dates);
    ASSERT_EQ(shots.Count(), 3);
    long long const lastDate = dates[2];

    ShotCondition c;
    ExpressionIssue issue;
    ASSERT_TRUE(c.Parse("Bt >= 2.5 || Missing", issue));
    c.Filter(Expt, shots, groups, &dates);
    ASSERT_EQ(shots.Count(), 2);
    EXPECT_STREQ(shots[0].c_str(), "Run0100");
    EXPECT_STREQ(shots[1].c_str(), "Run0101");
    EXPECT_EQ(groups.Count(), 2);
    EXPECT_EQ(dates.Count(), 2);
    EXPECT_EQ(dates[1], lastDate);
    EXPECT_STREQ(Expt.ShotName.c_str(), "Run0100");

    // Unknown for every shot: none kept.
    ASSERT_TRUE(c.Parse("Missing > 0 && Bt > 0", issue));
    c.Filter(Expt, shots, groups, &dates);
    EXPECT_EQ(shots.Count(), 0);
    EXPECT_STREQ(Expt.ShotName.c_str(), "Run0100");
}

TEST(ShotConditionText, DeepNestingIsAFaultNotACrash)
{
    ShotCondition c;
    ExpressionIssue issue;
    EXPECT_FALSE(c.Parse(std::string(100000, '!').append("1").c_str(), issue));
    EXPECT_EQ(issue.kind, ExpressionIssue::Syntax);
    std::string const deep = std::string(100000, '(') + "1" + std::string(100000, ')');
    EXPECT_FALSE(c.Parse(deep.c_str(), issue));
    EXPECT_TRUE(c.Parse("!!(((1 > 0)))", issue));
}
