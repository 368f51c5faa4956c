// Expressions that cannot work are errors before anything is evaluated; an operand merely
// absent for a shot stays (undefined) there, and --why names it.
#include "CliFixture.h"

#include "Experiment.h"
#include "ExpressionCheck.h"

namespace {

/// True once the library's checker knows the trace-parameter codes (before that it refuses
/// only an empty text).
bool CheckerKnowsCodes()
{
    ExpressionIssue issue;
    return !CheckExpression("vcap\\zz", issue) && issue.IsError();
}

} // namespace

TEST_F(CliTest, AnEmptyExpressionIsAnErrorNamingIt)
{
    Result run = InExp({"eval", ""});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "talvex: error: empty expression\n");
    // Every -x is checked too, before the experiment is opened.
    Result other = Talvex({"-e", testsupport::TestDir() + "/Nowhere", "eval", "Peak", "-x", ""});
    EXPECT_EQ(other.status, 1);
    EXPECT_EQ(other.err, "talvex: error: empty expression\n");
}

TEST_F(CliTest, AnUnknownCodeIsAnErrorWithItsColumn)
{
    if (!CheckerKnowsCodes())
        GTEST_SKIP() << "CheckExpression(\"vcap\\zz\") reports no error yet";
    Result run = InExp({"eval", "vcap\\zz"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err,
              "talvex: error: unknown trace-parameter code 'zz' at column 6 of 'vcap\\zz'\n");
}

TEST_F(CliTest, MalformedExpressionsAreErrorsNotUndefinedValues)
{
    if (!CheckerKnowsCodes())
        GTEST_SKIP() << "CheckExpression(\"vcap\\zz\") reports no error yet";
    // The typos a new user makes: a misspelt code, an unknown function, a dangling operator.
    const char* const bad[] = {"probe\\mean", "sqrt(2)",    "ln(2)",
                               "probe\\mx +", "probe\\mx*", "Peak**2"};
    for (const char* expr : bad) {
        Result run = InExp({"eval", expr, "1001"});
        EXPECT_EQ(run.status, 1) << expr;
        EXPECT_EQ(run.out, "") << expr;
        EXPECT_EQ(run.err.rfind("talvex: error: ", 0), 0u) << expr << ": " << run.err;
        EXPECT_NE(run.err.find(" at column "), std::string::npos) << expr << ": " << run.err;
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << expr << ": " << run.err;
    }
}

TEST_F(CliTest, AnAbsentOperandIsUndefinedAndWhySaysWhich)
{
    ASSERT_EQ(InExp({"set", "1001", "Gain", "2"}).status, 0);
    ASSERT_EQ(InExp({"set", "1002", "Gain", "high"}).status, 0);
    Result run = InExp({"eval", "probe\\mx*[Gain]", "-x", "[Peak]+beam2\\mx", "--why"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Shot  probe\\mx*[Gain]  [Peak]+beam2\\mx  Why\n"
                       "1001               10      (undefined)  no data object 'beam2' "
                       "(did you mean 'beam'?)\n"
                       "1002      (undefined)      (undefined)  field 'Gain' is not a number: "
                       "'high'; no data object 'beam2' (did you mean 'beam'?)\n");
    // A plain field name, an object that cannot be read, arithmetic without a value.
    testsupport::WriteBytes(exp + "/Shots/Shot1001/broken.wvf", std::string("\x04\x00", 2));
    Result csv = InExp({"eval", "Missing*2", "1001", "-x", "broken\\tv(2)", "-x", "1/(Peak-Peak)",
                        "--why", "--csv"});
    EXPECT_EQ(csv.status, 0) << csv.err;
    EXPECT_EQ(csv.out, "Shot,Missing*2,broken\\tv(2),1/(Peak-Peak),Why\n"
                       "1001,,,,no field 'Missing'; 'broken\\tv(2)' has no value; "
                       "'1/(Peak-Peak)' has no value for these operands\n");
    // A parameter's argument without a value is named, not the parameter; bol() needs none.
    EXPECT_EQ(InExp({"eval", "probe\\tv([Level]/2)+bol(Flag)", "1002", "--why", "--csv"}).out,
              "Shot,probe\\tv([Level]/2)+bol(Flag),Why\n1002,,no field 'Level'\n");
    // Without --why there is no such column.
    EXPECT_EQ(InExp({"eval", "Missing", "1001", "--csv"}).out, "Shot,Missing\n1001,\n");
}

TEST_F(CliTest, WhySuggestsACloseNameForOneNoShotHolds)
{
    ExpressionIssue issue;
    CheckExpression("prob\\mx", issue, &Expt);
    if (issue.suggestion.Len() == 0)
        GTEST_SKIP() << "CheckExpression suggests no close names yet";
    Result run = InExp({"eval", "prob\\mx", "1001", "--why", "--csv"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Shot,prob\\mx,Why\n1001,,no data object 'prob' (did you mean '"
                           + std::string(issue.suggestion.c_str()) + "'?)\n");
}
