// Expanded labels: text fields, evaluated and formatted values, nesting and unterminated
// references.
#include "EvaluatorFixture.h"

#include <string>

class LabelTest : public ShotDataTest {
protected:
    void SetUp() override
    {
        ShotDataTest::SetUp();
        Expt.SetShotData("Peak", "3.27");
        Expt.SetShotData("Half", "3.25");
        Expt.SetShotData("Gain", "007");
        Expt.SetShotData("a", "2");
        Expt.SetShotData("Mode", "fast");
    }
    static std::string Label(char const* label) { return S(Expt.GetExpandedLabel(label)); }
};

TEST_F(LabelTest, FieldsAndValues)
{
    EXPECT_EQ(Label("Shot ![Shot]: peak ![Peak%.1f] V"), "Shot Run0100: peak 3.3 V");
    EXPECT_EQ(Label("![Half*2]"), "6.5");
    EXPECT_EQ(Label("![Nothing]"), "(undefined)");
    EXPECT_EQ(Label("![Comment] / ![Mode]"), "fixture / fast");
    // A numeric field is a value: evaluated and printed in the value's form.
    EXPECT_EQ(Label("gain ![Gain]"), "gain 7");
    EXPECT_EQ(Label("![Gain%05.1f]"), "007.0");
    EXPECT_EQ(Label("![1/3]"), "0.33333334");
    EXPECT_EQ(Label("![1/0]"), "(undefined)");
    // Only `![` opens a reference.
    EXPECT_EQ(Label("[a] !a ! [a] ![a]!"), "[a] !a ! [a] 2!");
    EXPECT_EQ(Label(""), "");
    // The shot's name is text even when it reads as a number.
    MakeFolder(exp + "/Shots/Shot0100");
    ASSERT_TRUE(Expt.SetShot("0100"));
    EXPECT_EQ(Label("![Shot]/![shot%.1f]"), "0100/0100");
}

TEST_F(LabelTest, NestingAndUnterminatedReferences)
{
    EXPECT_EQ(Label("x=![[a]+1]"), "x=3");
    EXPECT_EQ(Label("![([a]+[a])*[a]%.0f]"), "8");
    EXPECT_EQ(Label("abc ![x"), "abc ![x");
    EXPECT_EQ(Label("![a] then ![[a]"), "![a] then ![[a]");
}

TEST_F(LabelTest, FormatsThatPrintfCannotTakeSafely)
{
    for (char const* label : {"![Peak%s]", "![Peak%n]", "![Peak%d]", "![Peak%.1f%s]",
                              "![Peak%123456789012345678901234f]"}) {
        EXPECT_EQ(Label(label), "3.27") << label;
    }
}

TEST_F(LabelTest, NoCurrentShot)
{
    Expt.SetExperimentFolder("");
    EXPECT_EQ(Label("![Shot] ![Peak] ![2*3]"), " (undefined) 6");
}
