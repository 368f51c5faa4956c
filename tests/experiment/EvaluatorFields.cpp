// Expressions over shot fields: references, conditionals, fallbacks, bol() and the lookup callback.
#include "EvaluatorFixture.h"

namespace {

int asked = 0;

/// Knows "Volt" (12) and "Bad" (a value that is not valid); counts every question.
bool Lookup(DString const& name, float& value)
{
    ++asked;
    if (name == "Volt") {
        value = 12.0f;
        return true;
    }
    if (name == "Bad") {
        value = 1e36f;
        return true;
    }
    return false;
}

/// Moves to shot Run0099 (whose Peak is 9) and writes a field there, knowing no name.
bool MovesShot(DString const&, float&)
{
    if (Expt.ShotName != "Run0099") {
        Expt.SetShot("Run0099");
        Expt.SetShotData("Late", "4");
    }
    return false;
}

} // namespace

class FieldsTest : public ShotDataTest {
protected:
    void SetUp() override
    {
        ShotDataTest::SetUp();
        Expt.SetShotData("Peak", "1.5");
        Expt.SetShotData("Yes", "true");
        Expt.SetShotData("No", "False");
        Expt.SetShotData("Five", "5");
        Expt.SetShotData("Name", "abc");
        Expt.SetShotData("Key", "Peak");
        asked = 0;
    }
};

TEST_F(FieldsTest, ReferencesAndPlainNames)
{
    EXPECT_FLOAT_EQ(Eval("[Peak]*2"), 3.0f);
    EXPECT_FLOAT_EQ(Eval("Peak*2"), 3.0f);
    EXPECT_FLOAT_EQ(Eval("[Peak]"), 1.5f);
    EXPECT_FLOAT_EQ(Eval("2*[Peak]+[Five]"), 8.0f);
    EXPECT_FLOAT_EQ(Eval("-[Peak]"), -1.5f);
    EXPECT_EQ(Eval("[Name]*2"), -DFMax);   // not a number
    EXPECT_EQ(Eval("Missing+1"), -DFMax);  // no such field
    EXPECT_EQ(Eval("[Missing]+1"), -DFMax);
    // ![field] is replaced by its text before anything else.
    EXPECT_FLOAT_EQ(Eval("[![Key]]*2"), 3.0f);
    EXPECT_FLOAT_EQ(Eval("![Five]^2"), 25.0f);
    EXPECT_EQ(Eval("![Missing]+1"), -DFMax);
}

TEST_F(FieldsTest, FallbackAndConditional)
{
    EXPECT_FLOAT_EQ(Eval("Gain::1"), 1.0f);
    EXPECT_FLOAT_EQ(Eval("Peak::1"), 1.5f);
    EXPECT_FLOAT_EQ(Eval("[Peak]*2+Gain::Five"), 5.0f); // the whole left side falls back
    Expt.SetShotData("Gain", "0.5");
    EXPECT_FLOAT_EQ(Eval("[Peak]*2+Gain::Five"), 3.5f);
    EXPECT_FLOAT_EQ(Eval("a::b::c::Five"), 5.0f);
    EXPECT_EQ(Eval("a::b"), -DFMax);
    EXPECT_EQ(Eval("a::"), -DFMax);

    EXPECT_FLOAT_EQ(Eval("Yes?10?20"), 10.0f);
    EXPECT_FLOAT_EQ(Eval("No?10?20"), 20.0f);
    EXPECT_EQ(Eval("No?10"), -DFMax);
    EXPECT_FLOAT_EQ(Eval("Five-6?1?2"), 2.0f);
    EXPECT_FLOAT_EQ(Eval("(Five-4)?Peak*2?0"), 3.0f);
    EXPECT_FLOAT_EQ(Eval("No?1?Yes?2?3"), 2.0f);
    EXPECT_FLOAT_EQ(Eval("No?1?No?2?3"), 3.0f);
    EXPECT_FLOAT_EQ(Eval("Missing?1?x::4"), 4.0f);
}

TEST_F(FieldsTest, BolTurnsTrueFieldsIntoOne)
{
    EXPECT_FLOAT_EQ(Eval("bol(Yes)"), 1.0f);
    EXPECT_FLOAT_EQ(Eval("bol(No)"), 0.0f);
    EXPECT_FLOAT_EQ(Eval("bol(Five)"), 5.0f);
    EXPECT_FLOAT_EQ(Eval("2*BOL(Yes)+bol(Missing)"), 2.0f);
    EXPECT_EQ(Eval("(Yes)"), -DFMax); // only bol() forgives an invalid group
}

TEST_F(FieldsTest, LookupIsAskedFirst)
{
    EXPECT_FLOAT_EQ(Eval("Volt*Peak", Lookup), 18.0f);
    EXPECT_EQ(asked, 2); // both operands, numbers never
    Expt.SetShotData("Volt", "1");
    EXPECT_FLOAT_EQ(Eval("[Volt]+2", Lookup), 14.0f);
    EXPECT_EQ(Eval("Bad+1", Lookup), -DFMax);
    EXPECT_FLOAT_EQ(Eval("Bad::3", Lookup), 3.0f);
    // A lookup works without a current shot; fields do not.
    Expt.SetExperimentFolder(exp.c_str());
    EXPECT_FLOAT_EQ(Eval("Volt/4", Lookup), 3.0f);
    EXPECT_EQ(Eval("Peak", Lookup), -DFMax);
    EXPECT_FLOAT_EQ(Eval("2*3"), 6.0f);
}

TEST_F(FieldsTest, FieldsFollowALookupThatChangesTheShot)
{
    ASSERT_TRUE(Expt.SetShot("Run0099"));
    Expt.SetShotData("Peak", "9");
    ASSERT_TRUE(Expt.SetShot("Run0100"));
    EXPECT_FLOAT_EQ(Eval("Peak+Late", MovesShot), 13.0f);
}
