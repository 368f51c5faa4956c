// Expressions of numbers: operators, signs, functions, grouping, errors and their messages.
#include "EvaluatorFixture.h"

#include <cmath>

using ArithmeticTest = ShotDataTest;

TEST_F(ArithmeticTest, OperatorsBindAndAssociateAsWritten)
{
    EXPECT_FLOAT_EQ(Eval("2+3*4"), 14.0f);
    EXPECT_FLOAT_EQ(Eval("2^3^2"), 64.0f); // (2^3)^2
    EXPECT_FLOAT_EQ(Eval("10/4/5"), 0.5f);
    EXPECT_FLOAT_EQ(Eval("2*3/4*2"), 3.0f);
    EXPECT_FLOAT_EQ(Eval("1-2-3"), -4.0f);
    EXPECT_FLOAT_EQ(Eval("1+2^2*3"), 13.0f);
    EXPECT_FLOAT_EQ(Eval("7"), 7.0f);
}

TEST_F(ArithmeticTest, SignsAndExponents)
{
    EXPECT_FLOAT_EQ(Eval("-2^2"), -4.0f); // the leading minus applies after the power
    EXPECT_FLOAT_EQ(Eval("(0-2)^2"), 4.0f);
    EXPECT_FLOAT_EQ(Eval("(0-2)^3"), -8.0f);
    EXPECT_FLOAT_EQ(Eval("2*-3"), -6.0f);
    EXPECT_FLOAT_EQ(Eval("2^-1"), 0.5f);
    EXPECT_FLOAT_EQ(Eval("1+-2"), -1.0f);
    EXPECT_FLOAT_EQ(Eval("1--2"), 3.0f);
    EXPECT_FLOAT_EQ(Eval("-1-2"), -3.0f);
    EXPECT_FLOAT_EQ(Eval("1e-3*2"), 0.002f);
    EXPECT_FLOAT_EQ(Eval("2E+2-1"), 199.0f);
    EXPECT_FLOAT_EQ(Eval("2*(0-3)"), -6.0f);
}

TEST_F(ArithmeticTest, InvalidResultsGiveTheNoValueMark)
{
    EXPECT_EQ(Eval("1/0"), -DFMax);
    EXPECT_EQ(Eval("0/0"), -DFMax);
    EXPECT_EQ(Eval("1e30*1e30"), -DFMax);
    EXPECT_EQ(Eval("1e39"), -DFMax);
    EXPECT_EQ(Eval(""), -DFMax);
    EXPECT_EQ(Eval("2+"), -DFMax);
    EXPECT_EQ(Eval("(0-8)^0.5"), -DFMax);
    EXPECT_EQ(Eval("2 + 3"), -DFMax); // blanks belong to the operand "2 + 3"
    EXPECT_EQ(Eval("2)"), -DFMax);    // a stray ')' stays in the operand
    EXPECT_TRUE(Messages().empty());
}

TEST_F(ArithmeticTest, IntermediateValuesKeepEightDigits)
{
    // (1/3) is written back as 0.33333334, so the product is not exactly 1.
    EXPECT_EQ(Eval("(1/3)*3"), float(0.33333334f * 3.0f));
    EXPECT_EQ(Eval("(1/3)"), 1.0f / 3.0f);
}

TEST_F(ArithmeticTest, Functions)
{
    EXPECT_EQ(Eval("sin(0)"), 0.0f);
    EXPECT_EQ(Eval("SIN(0)"), 0.0f);
    EXPECT_FLOAT_EQ(Eval("cos(0)+exp(0)+log(1)"), 2.0f);
    EXPECT_FLOAT_EQ(Eval("tan(1)"), float(std::tan(1.0)));
    EXPECT_EQ(Eval("atn(1)"), std::atan(1.0f));
    EXPECT_FLOAT_EQ(Eval("2*sin(exp(0)-1)+1"), 1.0f);
    EXPECT_FLOAT_EQ(Eval("((2))*(3)"), 6.0f);
    EXPECT_EQ(Eval("log(0-1)"), -DFMax);
    EXPECT_EQ(Eval("exp(100)"), -DFMax);
    // Any other three letters stay: "xsin(0)" applies sin and leaves the operand x0.
    EXPECT_EQ(Eval("xsin(0)"), -DFMax);
    Expt.SetShotData("x0", "5");
    EXPECT_FLOAT_EQ(Eval("xsin(0)"), 5.0f);
    EXPECT_FLOAT_EQ(Eval("abc(1)"), -DFMax); // operand abc1
    Expt.SetShotData("abc1", "4");
    EXPECT_FLOAT_EQ(Eval("abc(1)"), 4.0f);
}

TEST_F(ArithmeticTest, UnmatchedBracketsAndParenthesesAreReported)
{
    EXPECT_EQ(Eval("(1+2"), -DFMax);
    EXPECT_EQ(Eval("[a"), -DFMax);
    EXPECT_EQ(Eval("2*[Peak"), -DFMax);
    EXPECT_EQ(Messages(), (std::vector<std::string>{
                              "Expression cannot be evaluated because of unmatched parenthesis",
                              "Expression cannot be evaluated because of unmatched bracket",
                              "Expression cannot be evaluated because of unmatched bracket"}));
}
