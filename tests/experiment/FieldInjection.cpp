// Names and values that would forge or split lines of the settings files are refused.
#include "ExperimentFixture.h"

#include "LastFailure.h"

using testsupport::ReadBytes;

namespace {

class FieldInjectionTest : public ExperimentTest {
protected:
    void SetUp() override
    {
        ExperimentTest::SetUp();
        Open();
        ASSERT_GE(Create("1", "one"), 0);
        ASSERT_GE(Create("2", "two"), 0);
        ASSERT_TRUE(Expt.SetShot("1"));
        before = Files();
        ClearLastFailure();
    }
    std::string Files()
    {
        return ReadBytes(exp + "/Shots/ScalarCache.ini") + "|"
               + ReadBytes(exp + "/Shots/Shot1/Scalars.ini") + "|"
               + ReadBytes(exp + "/Shots/Shot2/Scalars.ini");
    }
    /// The files are as they were, and the refusal was recorded and told.
    void ExpectRefused(char const* what)
    {
        EXPECT_EQ(Files(), before) << what;
        EXPECT_NE(GetLastFailure(), 0) << what;
        EXPECT_FALSE(sink.got.empty()) << what;
        ClearLastFailure();
        sink.got.clear();
    }
    std::string before;
};

} // namespace

TEST_F(FieldInjectionTest, ValueWithLineBreaksCannotForgeASection)
{
    Expt.SetShotData("Operator", "hello\r\n[Shot2]\r\nOperator=Mallory");
    ExpectRefused("CR LF");
    Expt.SetShotData("Operator", "a\nb");
    ExpectRefused("LF");
    Expt.SetShotData("Operator", "a\rb");
    ExpectRefused("CR");
}

TEST_F(FieldInjectionTest, NamesThatAreNotOneKeyAreRefused)
{
    for (char const* name : {"[Comment]", "A=B", "x\r\ny", ";hidden", "a::b", " lead", "[Shot2"}) {
        Expt.SetShotData(name, "v");
        ExpectRefused(name);
    }
    Expt.SetScalarData("A=B", 1.0f);
    ExpectRefused("scalar");
}

TEST_F(FieldInjectionTest, SafeWritesStillWorkAndKeepAnEarlierFailure)
{
    SetLastFailure(5, "earlier");
    Expt.SetShotData("Operator", "A. Smith");
    EXPECT_EQ(S(Expt.GetShotData("Operator")), "A. Smith");
    DString text;
    EXPECT_EQ(GetLastFailure(&text), 5);
    EXPECT_EQ(S(text), "earlier");
}

TEST_F(FieldInjectionTest, ShotNamesThatBreakASectionHeaderAreRefused)
{
    for (char const* name : {"a]b", "[x", "a=b", "a\nb", "a\tb"}) {
        EXPECT_EQ(Create(name), -1) << name;
        EXPECT_FALSE(IsFolder(exp + "/Shots/Shot" + name)) << name;
        ExpectRefused(name);
        EXPECT_FALSE(Expt.RenameShot(name)) << name;
        EXPECT_TRUE(IsFolder(exp + "/Shots/Shot1"));
        ExpectRefused(name);
    }
}
