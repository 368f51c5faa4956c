// Shot fields: both settings files byte for byte, reserved names, expansion and the write pause.
#include "ExperimentFixture.h"

using testsupport::ReadBytes;
using testsupport::WriteBytes;

class ShotFieldsTest : public ExperimentTest {
protected:
    void SetUp() override
    {
        ExperimentTest::SetUp();
        Open();
        // Shots made by hand carry no Date field, so the files are known to the byte.
        MakeFolder(exp + "/Shots/Shot1234");
        MakeFolder(exp + "/Shots/Shot1235");
        ASSERT_TRUE(Expt.SetShot("1234"));
    }
    std::string Scalars(char const* shot = "1234") { return ReadBytes(ScalarsPath(shot)); }
    std::string ScalarsPath(char const* shot = "1234")
    {
        return exp + "/Shots/Shot" + shot + "/Scalars.ini";
    }
    std::string Cache() { return ReadBytes(exp + "/Shots/ScalarCache.ini"); }
};

TEST_F(ShotFieldsTest, WritesReachBothFilesExactly)
{
    Expt.SetShotData("Peak", "3.25");
    Expt.SetShotData("Comment", "  first test ");
    Expt.SetScalarData("Gain", 2.5f);
    Expt.SetScalarData("Tiny", 1e-20f);
    Expt.SetScalarData("probe\\x", 1.5f);
    Expt.SetShotData("Peak", "");
    Expt.SetShotData("Gain", "3");
    ASSERT_TRUE(Expt.SetShot("1235"));
    Expt.SetShotData("Peak", "1");

    EXPECT_EQ(Scalars(), "[Fields]\r\nComment=first test\r\nGain=3\r\nTiny=9.9999997e-21");
    EXPECT_EQ(Scalars("1235"), "[Fields]\r\nPeak=1");
    EXPECT_EQ(Cache(), "[Shot1234]\r\nComment=first test\r\nGain=3\r\nTiny=9.9999997e-21\r\n"
                       "[Shot1235]\r\nPeak=1");
}

TEST_F(ShotFieldsTest, ReservedNamesAlternativesAndNoShot)
{
    WriteBytes(ScalarsPath(), "[Fields]\r\nShot=other\r\nGain0=2\r\nA=1\r\n");
    EXPECT_EQ(S(Expt.GetShotData("SHOT")), "1234");
    EXPECT_EQ(S(Expt.GetShotData("Gain::Gain0")), "2");
    EXPECT_EQ(S(Expt.GetShotData("A::Gain0")), "1");

    Expt.SetShotData("comment", " 1234 ");
    ASSERT_EQ(sink.got.size(), 1u);
    EXPECT_EQ(sink.got[0],
              std::make_pair(7, std::string("Attempt to write shot name to comment, in base")));
    EXPECT_TRUE(!Expt.GetShotData("Comment"));
    EXPECT_EQ(Cache(), "");

    Open();
    Expt.SetShotData("Peak", "1");
    Expt.SetShotCacheData();
    EXPECT_TRUE(!Expt.GetShotData("Shot"));
    EXPECT_TRUE(!Expt.GetShotData("A"));
    EXPECT_FALSE(testsupport::Exists(exp + "/Shots/ScalarCache.ini"));
}

TEST_F(ShotFieldsTest, CacheSectionIsRebuiltFromTheShotFile)
{
    Expt.SetShotData("Old", "1");
    WriteBytes(ScalarsPath(), "[Fields]\r\nA=1\r\nB=2\r\n[Other]\r\nC=3");
    Expt.SetShotCacheData();
    EXPECT_EQ(Cache(), "[Shot1234]\r\nA=1\r\nB=2");
}

TEST_F(ShotFieldsTest, ExpansionReplacesFieldReferences)
{
    Expt.SetShotData("Chan", "3");
    Expt.SetShotData("b", "2");
    EXPECT_EQ(S(Expt.GetExpandedString("Probe [Chan]", false)), "Probe 3");
    EXPECT_EQ(S(Expt.GetExpandedString("Probe ![Chan]/[b]", false)), "Probe 3/2");
    EXPECT_EQ(S(Expt.GetExpandedString("[Shot]:[Chan", false)), "1234:3");
    EXPECT_TRUE(!Expt.GetExpandedString("Probe [Missing] [Chan]", false));
    EXPECT_EQ(S(Expt.GetExpandedString("[a]*![b]", true)), "[a]*2");
}

TEST_F(ShotFieldsTest, PauseHoldsAllWritesUntilReleased)
{
    Expt.SetShotData("Before", "1");
    Expt.SetPauseIO(true);
    for (int i = 0; i < 100; ++i)
        Expt.SetShotData(DString("K") << i, DString(i));
    EXPECT_TRUE(Expt.SetShot("1234")); // the same shot keeps the pause
    EXPECT_EQ(S(Expt.GetShotData("K99")), "99");
    EXPECT_EQ(Scalars(), "[Fields]\r\nBefore=1");
    EXPECT_EQ(Cache(), "[Shot1234]\r\nBefore=1");

    Expt.SetPauseIO(false);
    std::string lines;
    for (int i = 0; i < 100; ++i)
        lines += "\r\nK" + std::to_string(i) + "=" + std::to_string(i);
    EXPECT_EQ(Scalars(), "[Fields]\r\nBefore=1" + lines);
    EXPECT_EQ(Cache(), "[Shot1234]\r\nBefore=1" + lines);
}

TEST_F(ShotFieldsTest, HeldFieldsAreWrittenBeforeAnythingRebinds)
{
    Expt.SetPauseIO(true);
    Expt.SetShotData("A", "1");
    ASSERT_TRUE(Expt.SetShot("1235"));
    EXPECT_FALSE(Expt.PauseIO);
    EXPECT_EQ(Scalars(), "[Fields]\r\nA=1");

    Expt.SetPauseIO(true);
    Expt.SetShotData("B", "2");
    Expt.SetShotCacheData();
    EXPECT_EQ(Cache(), "[Shot1234]\r\nA=1\r\n[Shot1235]\r\nB=2");

    Expt.SetPauseIO(true);
    Expt.SetShotData("C", "3");
    ASSERT_TRUE(Expt.RenameShot("1236"));
    EXPECT_EQ(Scalars("1236"), "[Fields]\r\nB=2\r\nC=3");
    EXPECT_EQ(Cache(), "[Shot1234]\r\nA=1\r\n[Shot1236]\r\nB=2\r\nC=3");

    Expt.SetPauseIO(true);
    Expt.SetShotData("D", "4");
    ASSERT_TRUE(Expt.DeleteShot());
    EXPECT_FALSE(Expt.PauseIO);
    EXPECT_EQ(Cache(), "[Shot1234]\r\nA=1");

    ASSERT_TRUE(Expt.SetShot("1234"));
    Expt.SetPauseIO(true);
    Expt.SetShotData("E", "5");
    Open();
    EXPECT_EQ(Scalars(), "[Fields]\r\nA=1\r\nE=5");
    EXPECT_EQ(Cache(), "[Shot1234]\r\nA=1\r\nE=5");
}

TEST_F(ShotFieldsTest, PauseBegunBeforeCreateShotHoldsTheCreationsFieldsToo)
{
    Expt.SetPauseIO(true);
    Expt.SetShotData("A", "1");
    DString name = "77";
    ASSERT_EQ(Expt.CreateShot(name, "new one", false), 0);
    // The pause moved on with the shot: the old shot's held field is written, the new
    // shot's files are untouched until the pause ends, then written once, whole.
    EXPECT_TRUE(Expt.PauseIO);
    EXPECT_EQ(Scalars(), "[Fields]\r\nA=1");
    Expt.SetShotData("Peak", "2");
    EXPECT_FALSE(testsupport::Exists(ScalarsPath("77")));
    EXPECT_EQ(Cache().find("[Shot77]"), std::string::npos);
    EXPECT_EQ(S(Expt.GetShotData("Comment")), "new one");

    Expt.SetPauseIO(false);
    std::string const date = S(Expt.GetShotData("Date"));
    ASSERT_FALSE(date.empty());
    std::string const fields = "\r\nComment=new one\r\nDate=" + date + "\r\nPeak=2";
    EXPECT_EQ(Scalars("77"), "[Fields]" + fields);
    EXPECT_EQ(Cache(), "[Shot1234]\r\nA=1\r\n[Shot77]" + fields);
}

TEST_F(ShotFieldsTest, HeldFieldsOfANewShotJoinAFileAnotherWriterMadeMeanwhile)
{
    Expt.SetPauseIO(true);
    DString name = "78";
    ASSERT_EQ(Expt.CreateShot(name, "mine", false), 0);
    WriteBytes(ScalarsPath("78"), "[Fields]\r\nOther=1");
    Expt.SetPauseIO(false);
    EXPECT_EQ(Scalars("78").find("[Fields]\r\nOther=1\r\nComment=mine\r\nDate="), 0u)
        << Scalars("78");
    // A reused shot is paused as any other: its file is read and held.
    Expt.SetPauseIO(true);
    name = "*78";
    ASSERT_EQ(Expt.CreateShot(name, "again", false), 0);
    EXPECT_EQ(S(Expt.GetShotData("Other")), "1");
    EXPECT_NE(Scalars("78").find("Comment=mine"), std::string::npos);
    Expt.SetPauseIO(false);
    EXPECT_NE(Scalars("78").find("Other=1\r\nComment=again\r\nDate="), std::string::npos);
}
