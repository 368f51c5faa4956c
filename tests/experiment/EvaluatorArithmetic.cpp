// Expressions of numbers: operators, signs, functions, grouping, errors and their messages.
#include "EvaluatorFixture.h"

#include <cmath>

using ArithmeticTest = ShotDataTest;

TEST_F(ArithmeticTest, OperatorsSignsAndFunctions)
{
    float const none = -DFMax;
    ExpectValues({
        {"2+3*4", 14},
        {"2^3^2", 64},
        {"10/4/5", 0.5f},
        {"2*3/4*2", 3},
        {"1-2-3", -4},
        {"1+2^2*3", 13},
        {"-2^2", -4},
        {"(0-2)^2", 4},
        {"(0-2)^3", -8},
        {"2*-3", -6},
        {"2^-1", 0.5f},
        {"1+-2", -1},
        {"1--2", 3},
        {"1e-3*2", 0.002f},
        {"2E+2-1", 199},
        {"2*(0-3)", -6},
        {"((2))*(3)", 6},
        {" 1", 1},
        // Intermediate values are written back with eight digits: 1/3 is 0.33333334.
        {"(1/3)*3", 0.33333334f * 3.0f},
        {"sin(0)", 0},
        {"SIN(0)", 0},
        {"cos(0)+exp(0)+log(1)", 2},
        {"tan(1)", float(std::tan(1.0))},
        {"atn(1)", std::atan(1.0f)},
        {"2*sin(exp(0)-1)+1", 1},
        // No value: division by zero, overflow, a blank inside an operand, a stray ')'.
        {"1/0", none},
        {"0/0", none},
        {"1e30*1e30", none},
        {"1e39", none},
        {"", none},
        {"2+", none},
        {"(0-8)^0.5", none},
        {"2 + 3", none},
        {"1 ", none},
        {"2)", none},
        {"log(0-1)", none},
        {"exp(100)", none},
        {"(Missing)::3", none},
    });
    EXPECT_TRUE(Messages().empty());
}

TEST_F(ArithmeticTest, OtherLettersBeforeParenthesesStay)
{
    // "xsin(0)" applies sin and leaves the operand x0; "abc(1)" is the operand abc1.
    ExpectValues({{"xsin(0)", -DFMax}, {"abc(1)", -DFMax}});
    Expt.SetShotData("x0", "5");
    Expt.SetShotData("abc1", "4");
    ExpectValues({{"xsin(0)", 5}, {"abc(1)", 4}});
}

TEST_F(ArithmeticTest, UnmatchedBracketsAndParenthesesAreReported)
{
    ExpectValues({{"(1+2", -DFMax}, {"[a", -DFMax}, {"2*[Peak", -DFMax}});
    EXPECT_EQ(Messages(), (std::vector<std::string> {
                              "Expression cannot be evaluated because of unmatched parenthesis",
                              "Expression cannot be evaluated because of unmatched bracket",
                              "Expression cannot be evaluated because of unmatched bracket"}));
}
