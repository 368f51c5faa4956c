// Hostile expressions: deep nesting, long chains, stray marker bytes and text-edge look-backs.
#include "EvaluatorFixture.h"

#include <string>

namespace {

std::string Repeat(std::string const& s, int n)
{
    std::string out;
    out.reserve(s.size() * size_t(n));
    for (int i = 0; i < n; ++i)
        out += s;
    return out;
}

float EvalText(std::string const& e)
{
    return Expt.GetScalarData(DString(e.c_str()));
}

bool KnowsEverything(DString const&, float& value)
{
    value = 2.0f;
    return true;
}

} // namespace

using BoundsTest = ShotDataTest;

TEST_F(BoundsTest, DeepNestingEvaluates)
{
    int const n = 10000;
    EXPECT_FLOAT_EQ(EvalText(Repeat("(", n) + "1+2" + Repeat(")", n)), 3.0f);
    EXPECT_FLOAT_EQ(EvalText(Repeat("sin(", n) + "0" + Repeat(")", n)), 0.0f);
    EXPECT_FLOAT_EQ(EvalText(Repeat("(1+", n) + "1" + Repeat(")", n)), float(n + 1));
    EXPECT_EQ(EvalText(Repeat("(", n) + "1" + Repeat(")", n - 1)), -DFMax);
    EXPECT_EQ(EvalText(Repeat("[", n) + "Peak" + Repeat("]", n)), -DFMax);
    EXPECT_FLOAT_EQ(Expt.GetScalarData(DString((Repeat("[", n) + "x" + Repeat("]", n)).c_str()),
                                       KnowsEverything),
                    2.0f);
}

TEST_F(BoundsTest, LongChainsEvaluate)
{
    int const n = 100000;
    EXPECT_FLOAT_EQ(EvalText(Repeat("0?1?", n) + "7"), 7.0f);
    EXPECT_FLOAT_EQ(EvalText(Repeat("0?1?", n) + "1?8?9"), 8.0f);
    EXPECT_FLOAT_EQ(EvalText(Repeat("x::", n) + "6"), 6.0f);
    EXPECT_EQ(EvalText(Repeat("x::", n)), -DFMax);
    EXPECT_EQ(EvalText(Repeat("?", n)), -DFMax);
    EXPECT_EQ(EvalText(Repeat(":", n)), -DFMax);
    EXPECT_FLOAT_EQ(EvalText(Repeat("1+", n) + "1"), float(n + 1));
    EXPECT_FLOAT_EQ(EvalText("1" + Repeat("^1", n)), 1.0f);
}

TEST_F(BoundsTest, MarkerBytesTypedByACallerAreHarmless)
{
    for (char const* e :
         {"\xC9", "\xCA", "\xCB", "\xCC", "1+\xC9", "\xCB-2", "\xCB\xCC^2", "2^\xC9", "probe\\\xCA",
          "probe\\tv\xCA", "\xC9(1)", "(1)\xCB", "\xCB-2\xCC^2", "2*\xCB"}) {
        float const v = EvalText(e);
        EXPECT_TRUE(v == -DFMax || IsVF(v)) << e;
    }
    EXPECT_FLOAT_EQ(EvalText("\xCB-2\xCC^2"), 4.0f);
}

TEST_F(BoundsTest, TextEdgesAreNeverPassed)
{
    for (char const* e :
         {"(",  ")",  "[",     "]",   "()",  "[]", "(x)",   "l(1)",   "ol(1)",   "e-",
          "-",  "+",  "e",     "1e",  "1e+", "^",  "^2",    "2^",     "*",       "/",
          "?",  "??", "::",    ":::", "a\\", "\\", "\\[1]", "\\x[1]", "\\xy[1]", "\\xy(1)",
          ")(", "][", "bol()", " ",   "- ",  "1 ", " 1"}) {
        float const v = EvalText(e);
        EXPECT_TRUE(v == -DFMax || IsVF(v)) << e;
    }
    EXPECT_FLOAT_EQ(EvalText(" 1"), 1.0f);
    EXPECT_EQ(EvalText("1 "), -DFMax);
}
