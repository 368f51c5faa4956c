// Expressions over shot fields: references, conditionals, fallbacks, bol() and the lookup callback.
#include "EvaluatorFixture.h"

namespace {

int asked = 0;

/// Knows "Volt" (12) and "Bad" (a value that is not valid); counts every question.
bool Lookup(DString const& name, float& value)
{
    ++asked;
    value = name == "Volt" ? 12.0f : 1e36f;
    return name == "Volt" || name == "Bad";
}

/// Moves to shot Run0099 and writes a field there, knowing no name.
bool MovesShot(DString const&, float&)
{
    if (Expt.ShotName != "Run0099") {
        Expt.SetShot("Run0099");
        Expt.SetShotData("Late", "4");
    }
    return false;
}

/// Writes field Late of the current shot when asked for it, knowing no name.
bool WritesLate(DString const& name, float&)
{
    if (name == "Late")
        Expt.SetShotData("Late", "4");
    return false;
}

} // namespace

class FieldsTest : public ShotDataTest {
protected:
    void SetUp() override
    {
        ShotDataTest::SetUp();
        for (auto const& f : {std::pair<char const*, char const*> {"Peak", "1.5"},
                              {"Yes", "true"},
                              {"No", "False"},
                              {"Five", "5"},
                              {"Name", "abc"},
                              {"Key", "Peak"}})
            Expt.SetShotData(f.first, f.second);
    }
};

TEST_F(FieldsTest, ReferencesChoicesAndBol)
{
    float const none = -DFMax;
    ExpectValues({
        {"[Peak]*2", 3},
        {"Peak*2", 3},
        {"[Peak]", 1.5f},
        {"2*[Peak]+[Five]", 8},
        {"-[Peak]", -1.5f},
        {"[Name]*2", none},
        {"Missing+1", none},
        {"[Missing]+1", none},
        // ![field] is replaced by its text before anything else.
        {"[![Key]]*2", 3},
        {"![Five]^2", 25},
        {"![Missing]+1", none},
        {"Gain::1", 1},
        {"Peak::1", 1.5f},
        {"[Peak]*2+Gain::Five", 5},
        {"a::b::c::Five", 5},
        {"a::b", none},
        {"a::", none},
        {"Yes?10?20", 10},
        {"No?10?20", 20},
        {"No?10", none},
        {"Five-6?1?2", 2},
        {"(Five-4)?Peak*2?0", 3},
        {"No?1?Yes?2?3", 2},
        {"No?1?No?2?3", 3},
        {"Missing?1?x::4", 4},
        {"bol(Yes)", 1},
        {"bol(No)", 0},
        {"bol(Five)", 5},
        {"2*BOL(Yes)+bol(Missing)", 2},
        {"(Yes)", none},
    });
    Expt.SetShotData("Gain", "0.5");
    ExpectValues({{"[Peak]*2+Gain::Five", 3.5f}});
}

TEST_F(FieldsTest, LookupIsAskedFirst)
{
    asked = 0;
    ExpectValues({{"Volt*Peak", 18}}, Lookup);
    EXPECT_EQ(asked, 2); // both operands, numbers never
    Expt.SetShotData("Volt", "1");
    ExpectValues({{"[Volt]+2", 14}, {"Bad+1", -DFMax}, {"Bad::3", 3}}, Lookup);
    // A lookup works without a current shot; fields do not.
    Expt.SetExperimentFolder(exp.c_str());
    ExpectValues({{"Volt/4", 3}, {"Peak", -DFMax}}, Lookup);
}

TEST_F(FieldsTest, FieldsFollowALookupThatChangesTheShot)
{
    ASSERT_TRUE(Expt.SetShot("Run0099"));
    Expt.SetShotData("Peak", "9");
    ASSERT_TRUE(Expt.SetShot("Run0100"));
    ExpectValues({{"Peak+Late", 13}}, MovesShot);
}

TEST_F(FieldsTest, FieldsWrittenByALookupDuringTheEvaluationAreRead)
{
    // The first operand reads the file; the lookup then changes it before the second.
    ExpectValues({{"Peak+Late", 5.5f}}, WritesLate);
}

TEST_F(FieldsTest, EvaluatingAShotWithoutAFieldFileMakesNone)
{
    ASSERT_TRUE(Expt.SetShot("Run0101"));
    EXPECT_EQ(Expt.GetScalarData("[Peak]*2"), -DFMax);
    EXPECT_EQ(Expt.GetScalarData("Shot::1"), 1.0f);
    EXPECT_FALSE(testsupport::Exists(ShotDir("Run0101") + "/Scalars.ini"));
}
