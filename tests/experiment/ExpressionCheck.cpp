// The expression checker: faults with their kind, position and text; everything the evaluator
// reads stays accepted; names looked up in an experiment.
#include "EvaluatorFixture.h"
#include "ExpressionCheck.h"
#include "ExpressionLanguage.h"
#include "TraceParamTable.h"

#include <gtest/gtest.h>

namespace {

struct Bad {
    char const* expr;
    ExpressionIssue::Kind kind;
    int position;
    char const* text;
};

ExpressionIssue Check(char const* expr, Experiment* e = nullptr)
{
    ExpressionIssue issue;
    bool const ok = CheckExpression(expr, issue, e);
    EXPECT_EQ(ok, issue.kind == ExpressionIssue::None) << expr;
    return issue;
}

} // namespace

TEST(ExpressionCheck, FaultsHaveKindPositionAndText)
{
    using K = ExpressionIssue;
    Bad const cases[] = {
        {"vcap\\mx +", K::Syntax, 8, "+"},
        {"vcap\\mx+", K::Syntax, 7, "+"},
        {"2*", K::Syntax, 1, "*"},
        {"*2", K::Syntax, 0, "*"},
        {"2++3", K::Syntax, 1, "+"},
        {"a::", K::Syntax, 1, "::"},
        {"?1", K::Syntax, 0, "?"},
        {"(1+2", K::Syntax, 0, "("},
        {"2*(1+(3)", K::Syntax, 2, "("},
        {"1+2)", K::Syntax, 3, ")"},
        {"[a", K::Syntax, 0, "["},
        {"2*[Peak", K::Syntax, 2, "["},
        {"a]", K::Syntax, 1, "]"},
        {"()", K::Syntax, 0, "()"},
        {"[]*2", K::Syntax, 0, "[]"},
        {"2 + 3", K::Syntax, 1, " "},
        {"vcap\\mx + 2", K::Syntax, 7, " "},
        {"1 ", K::Syntax, 1, " "},
        {"a>2", K::Syntax, 1, ">"},
        {"Gain==2", K::Syntax, 4, "="},
        {"2*-vcap\\mx", K::Syntax, 2, "-"},
        {"vcap\\", K::Syntax, 4, "\\"},
        {"\\mx", K::Syntax, 0, "\\"},
        {"x\\\\mx", K::Syntax, 2, "\\"},
        {"2(3)", K::Syntax, 1, "("},
        {"sqrt(2)", K::UnknownFunction, 0, "sqrt"},
        {"ln(2)", K::UnknownFunction, 0, "ln"},
        {"1+max(2)", K::UnknownFunction, 2, "max"},
        {"xsin(0)", K::UnknownFunction, 0, "xsin"},
        {"vcap\\zz", K::UnknownCode, 5, "zz"},
        {"vcap\\mean", K::UnknownCode, 5, "mean"},
        {"2*Run1\\vcap\\m", K::UnknownCode, 12, "m"},
        {"vcap\\tv[probe\\qq]", K::UnknownCode, 14, "qq"},
        {"[vcap\\xx]", K::UnknownCode, 6, "xx"},
        {"", K::Syntax, 0, ""},
    };
    for (Bad const& c : cases) {
        ExpressionIssue const issue = Check(c.expr);
        EXPECT_EQ(issue.kind, c.kind) << c.expr << ": " << issue.message.c_str();
        EXPECT_EQ(issue.position, c.position) << c.expr << ": " << issue.message.c_str();
        EXPECT_STREQ(issue.text.c_str(), c.text) << c.expr;
        EXPECT_TRUE(issue.IsError()) << c.expr;
    }
}

TEST(ExpressionCheck, MessageNamesTextAndOneBasedColumn)
{
    ExpressionIssue const code = Check("vcap\\zz");
    EXPECT_STREQ(code.message.c_str(),
                 "unknown trace-parameter code 'zz' at column 6 of 'vcap\\zz'");
    EXPECT_STREQ(Check("vcap\\mx +").message.c_str(),
                 "dangling operator '+' at column 9 of 'vcap\\mx +'");
    EXPECT_STREQ(Check("sqrt(2)").message.c_str(),
                 "unknown function 'sqrt' at column 1 of 'sqrt(2)'");
}

TEST(ExpressionCheck, SuggestsCloseNames)
{
    EXPECT_STREQ(Check("vcap\\mean").suggestion.c_str(), "av");
    EXPECT_STREQ(Check("vcap\\mz").suggestion.c_str(), "mx");
    EXPECT_STREQ(Check("ln(2)").suggestion.c_str(), "log");
    EXPECT_STREQ(Check("sni(2)").suggestion.c_str(), "sin");
    EXPECT_STREQ(Check("vcap\\zz").suggestion.c_str(), "");
}

TEST(ExpressionCheck, AcceptsWhatTheEvaluatorReads)
{
    char const* const valid[] = {
        "2+3*4",
        "2^3^2",
        "10/4/5",
        "-2^2",
        "(0-2)^2",
        "2*-3",
        "2^-1",
        "1+-2",
        "1--2",
        "1e-3*2",
        "2E+2-1",
        "((2))*(3)",
        " 1",
        "1e5",
        "-3",
        "+2",
        ".5",
        "sin(0)",
        "SIN(0)",
        "cos(0)+exp(0)+log(1)",
        "2*sin(exp(0)-1)+1",
        "atn(1)",
        "tan(1)",
        "probe\\19",
        "probe\\MX-1",
        "[probe\\mx]",
        "probe\\mx/probe\\tp",
        "Run0099\\probe\\mx",
        ">\\probe\\mx",
        "<\\probe\\mx",
        "<1\\probe\\mx+>1\\probe\\mx",
        ">2\\probe\\mx",
        ">x\\probe\\mx",
        "probe\\tv[50]",
        "probe\\tv(50)",
        "probe\\tv[25*2]",
        "probe\\tv(5*(4+6))",
        "probe\\vt(-1)+1",
        "2*probe\\tv(50)^2",
        "probe\\t%[40]",
        "probe\\b%(10)",
        "probe\\tv([Level])",
        "probe\\tv[Level*2]",
        "grid\\rc*grid\\cc",
        "grid\\re",
        "beam\\np",
        "beam\\T2*2",
        "@tmp\\mx",
        "@TMP\\mx+@tmp\\mn",
        "[Peak]*2",
        "Peak*2",
        "-[Peak]",
        "2*[Peak]+[Five]",
        "[![Key]]*2",
        "![Five]^2",
        "Gain::1",
        "a::b::c::Five",
        "[Peak]*2+Gain::Five",
        "Yes?10?20",
        "No?10",
        "Five-6?1?2",
        "(Five-4)?Peak*2?0",
        "No?1?Yes?2?3",
        "Missing?1?x::4",
        "bol(Yes)",
        "2*BOL(Yes)+bol(Missing)",
        "(Yes)",
        "[Peak value]*2",
        "Peak value",
        "-Gain",
        "(-Gain)*2",
        "Shot",
        "[Shot]",
        "1/0",
        "..\\Other\\probe\\mx",
        "x1e-2",
    };
    for (char const* e : valid) {
        ExpressionIssue const issue = Check(e);
        EXPECT_EQ(issue.kind, ExpressionIssue::None) << e << ": " << issue.message.c_str();
    }
}

TEST(ExpressionCheck, EveryCodeOfTheTableIsAccepted)
{
    for (int i = 0; i < DataParamCodeCount(); ++i) {
        DString const code = GetDataParamCode(i).code;
        EXPECT_EQ(Check((DString("x\\") + code).c_str()).kind, ExpressionIssue::None)
            << code.c_str();
        DString upper = code;
        upper.ToUpper();
        EXPECT_EQ(Check((DString("x\\") + upper + "[1]").c_str()).kind, ExpressionIssue::None)
            << code.c_str();
    }
    for (int i = 0; i < ExpressionFunctionCount(); ++i) {
        DString const name = GetExpressionFunction(i).name;
        EXPECT_EQ(Check((name + "(1)").c_str()).kind, ExpressionIssue::None) << name.c_str();
    }
}

class ExpressionCheckNames : public ShotDataTest { };

TEST_F(ExpressionCheckNames, UnknownFieldsAndDataAreFoundInTheExperiment)
{
    WriteRamp("vcap", 10.0f);
    WriteRamp("probe", 5.0f, "Run0099");
    Expt.SetShotData("Gain", "2");
    ASSERT_TRUE(Expt.SetShot("Run0101"));
    Expt.SetShotData("Bt", "2.5");
    ASSERT_TRUE(Expt.SetShot("Run0100"));
    Expt.SetShotCacheData();

    EXPECT_EQ(Check("vcap\\mx*Gain+Bt", &Expt).kind, ExpressionIssue::None);
    // Held by another shot only: still known.
    EXPECT_EQ(Check("probe\\mx", &Expt).kind, ExpressionIssue::None);
    EXPECT_EQ(Check("Run0099\\probe\\mx", &Expt).kind, ExpressionIssue::None);

    ExpressionIssue const data = Check("2*vcp\\mx", &Expt);
    EXPECT_EQ(data.kind, ExpressionIssue::UnknownData);
    EXPECT_EQ(data.position, 2);
    EXPECT_STREQ(data.text.c_str(), "vcp");
    EXPECT_STREQ(data.suggestion.c_str(), "vcap");
    EXPECT_FALSE(data.IsError());

    ExpressionIssue const field = Check("vcap\\mx*[Gian]", &Expt);
    EXPECT_EQ(field.kind, ExpressionIssue::UnknownField);
    EXPECT_EQ(field.position, 9);
    EXPECT_STREQ(field.suggestion.c_str(), "Gain");
    EXPECT_STREQ(field.message.c_str(), "unknown field 'Gian' at column 10 of 'vcap\\mx*[Gian]'");

    // Syntax comes first, and nothing is looked up without an experiment.
    EXPECT_EQ(Check("vcp\\mx+", &Expt).kind, ExpressionIssue::Syntax);
    EXPECT_EQ(Check("vcp\\mx").kind, ExpressionIssue::None);
    EXPECT_EQ(Check("Shot", &Expt).kind, ExpressionIssue::None);
    EXPECT_EQ(Check("@tmp\\mx", &Expt).kind, ExpressionIssue::None);
}

TEST(ExpressionLanguage, HelpListsEveryCodeAndFunction)
{
    std::string const help = ExpressionLanguageHelp().c_str();
    for (int i = 0; i < DataParamCodeCount(); ++i) {
        DataParamCode const& c = GetDataParamCode(i);
        EXPECT_NE(help.find(std::string("  ") + c.code), std::string::npos) << c.code;
        EXPECT_NE(help.find(c.meaning), std::string::npos) << c.code;
    }
    for (int i = 0; i < ExpressionFunctionCount(); ++i)
        EXPECT_NE(help.find(std::string(GetExpressionFunction(i).name) + "(x)"), std::string::npos);
    for (char const* topic : {"?", "::", "[Gain]", ">\\", "<\\", "@", "&&", "||", "~"})
        EXPECT_NE(help.find(topic), std::string::npos) << topic;
}

TEST_F(ExpressionCheckNames, WhyUndefinedNamesTheMissingOperand)
{
    WriteRamp("vcap", 10.0f);
    Expt.SetShotData("Gain", "2");
    Expt.SetShotData("Name", "abc");
    EXPECT_STREQ(WhyUndefined("vcap\\mx*Gain", Expt).c_str(), "");
    EXPECT_STREQ(WhyUndefined("vcap\\mx*Gian", Expt).c_str(), "field 'Gian' is missing");
    EXPECT_STREQ(WhyUndefined("Name+1", Expt).c_str(), "field 'Name' is not a number: 'abc'");
    EXPECT_STREQ(WhyUndefined("Gain*>\\vcap\\mx", Expt).c_str(),
                 "data object '>\\vcap' is missing");
    EXPECT_STREQ(WhyUndefined("vcap\\tm+probe\\mx", Expt).c_str(),
                 "data object 'probe' is missing");
    EXPECT_STREQ(WhyUndefined("vcap\\zz", Expt).c_str(),
                 "unknown trace-parameter code 'zz' at column 6 of 'vcap\\zz'");
    EXPECT_STREQ(WhyUndefined("Gain/0", Expt).c_str(),
                 "no value: a division by zero, a function outside its domain or a result out of "
                 "range");
}

TEST_F(ExpressionCheckNames, TheEvaluatorKnowsExactlyTheFunctionsOfTheTable)
{
    for (int i = 0; i < ExpressionFunctionCount(); ++i) {
        DString const call = DString(GetExpressionFunction(i).name) + "(0.5)";
        EXPECT_NE(Expt.GetScalarData(call), -DFMax) << call.c_str();
    }
    for (char const* other : {"abs(0.5)", "sqr(0.5)", "lnx(0.5)"})
        EXPECT_EQ(Expt.GetScalarData(other), -DFMax) << other;
}

TEST(ExpressionCheck, DeepNestingIsAFaultNotACrash)
{
    std::string const deep = std::string(100000, '(') + "1" + std::string(100000, ')');
    EXPECT_EQ(Check(deep.c_str()).kind, ExpressionIssue::Syntax);
    std::string const brackets = std::string(100000, '[') + "a" + std::string(100000, ']');
    EXPECT_EQ(Check(brackets.c_str()).kind, ExpressionIssue::Syntax);
    std::string const nested = std::string(50, '(') + "1" + std::string(50, ')');
    EXPECT_EQ(Check(nested.c_str()).kind, ExpressionIssue::None);
}

TEST_F(ExpressionCheckNames, CodesMustFitTheKindOfDataObject)
{
    WriteRamp("vcap", 10.0f);
    WriteMatrix("grid", 2, 3);
    WriteGroup("beam", 4, 1.0f);
    for (char const* fine : {"vcap\\sd", "vcap\\t1", "grid\\rc", "grid\\mx", "beam\\np", "beam\\t2",
                             "Run0100\\grid\\cc"})
        EXPECT_EQ(Check(fine, &Expt).kind, ExpressionIssue::None) << fine;
    ExpressionIssue const w = Check("vcap\\rc", &Expt);
    EXPECT_EQ(w.kind, ExpressionIssue::UnknownCode);
    EXPECT_EQ(w.position, 5);
    EXPECT_STREQ(w.message.c_str(), "unknown waveform code 'rc' at column 6 of 'vcap\\rc'");
    ExpressionIssue const m = Check("1+grid\\sd", &Expt);
    EXPECT_EQ(m.kind, ExpressionIssue::UnknownCode);
    EXPECT_EQ(m.position, 7);
    EXPECT_STREQ(Check("beam\\mx", &Expt).message.c_str(),
                 "unknown particle-group code 'mx' at column 6 of 'beam\\mx'");
    // Without an experiment the kind is not known: any code of the table passes.
    EXPECT_EQ(Check("vcap\\rc").kind, ExpressionIssue::None);
}
