// Shot fields: both settings files byte for byte, reserved names, expansion and the write pause.
#include "ExperimentFixture.h"

#include <sys/stat.h>

using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace {

/// Identity and time of a file, to tell whether it was written.
std::string Stamp(std::string const& path)
{
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return "missing";
    return std::to_string(st.st_ino) + ":" + std::to_string(st.st_mtim.tv_sec) + "." +
           std::to_string(st.st_mtim.tv_nsec) + ":" + std::to_string(st.st_size);
}

} // namespace

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
    std::string Scalars(char const* shot = "1234")
    {
        return ReadBytes(exp + "/Shots/Shot" + shot + "/Scalars.ini");
    }
    std::string Cache() { return ReadBytes(exp + "/Shots/ScalarCache.ini"); }
};

TEST_F(ShotFieldsTest, WritesReachBothFilesExactly)
{
    Expt.SetShotData("Peak", "3.25");
    Expt.SetShotData("Comment", "  first test ");
    Expt.SetScalarData("Gain", 2.5f);
    Expt.SetScalarData("Tiny", 1e-20f);
    Expt.SetShotData("Peak", "");
    Expt.SetShotData("Gain", "3");
    ASSERT_TRUE(Expt.SetShot("1235"));
    Expt.SetShotData("Peak", "1");

    EXPECT_EQ(Scalars(), "[Fields]\r\nComment=first test\r\nGain=3\r\nTiny=9.9999997e-21");
    EXPECT_EQ(Scalars("1235"), "[Fields]\r\nPeak=1");
    EXPECT_EQ(Cache(), "[Shot1234]\r\nComment=first test\r\nGain=3\r\nTiny=9.9999997e-21\r\n"
                       "[Shot1235]\r\nPeak=1");
    EXPECT_EQ(S(Expt.GetShotData("peak")), "1");
}

TEST_F(ShotFieldsTest, ReservedNamesAndAlternatives)
{
    WriteBytes(exp + "/Shots/Shot1234/Scalars.ini", "[Fields]\r\nShot=other\r\nGain0=2\r\nA=1\r\n");
    EXPECT_EQ(S(Expt.GetShotData("SHOT")), "1234");
    EXPECT_EQ(S(Expt.GetShotData("Gain::Gain0")), "2");
    EXPECT_EQ(S(Expt.GetShotData("A::Gain0")), "1");
    EXPECT_TRUE(!Expt.GetShotData("Missing"));

    Expt.SetShotData("comment", " 1234 ");
    ASSERT_EQ(sink.got.size(), 1u);
    EXPECT_EQ(sink.got[0].first, 7);
    EXPECT_EQ(sink.got[0].second, "Attempt to write shot name to comment, in base");
    EXPECT_TRUE(!Expt.GetShotData("Comment"));
    EXPECT_EQ(Cache(), "");
}

TEST_F(ShotFieldsTest, NoCurrentShotReadsEmptyAndWritesNothing)
{
    Open();
    Expt.SetShotData("Peak", "1");
    Expt.SetScalarData("Peak", 1.f);
    Expt.SetShotCacheData();
    EXPECT_TRUE(!Expt.GetShotData("Shot"));
    EXPECT_TRUE(!Expt.GetShotData("Peak"));
    EXPECT_EQ(Scalars(), "");
    EXPECT_FALSE(testsupport::Exists(exp + "/Shots/ScalarCache.ini"));
}

TEST_F(ShotFieldsTest, ScalarNamesWithBackslashWriteNoField)
{
    Expt.SetScalarData("probe\\x", 1.5f);
    Expt.SetScalarData("probe\\t2", 1.5f);
    EXPECT_EQ(Scalars(), "");
}

TEST_F(ShotFieldsTest, CacheSectionIsRebuiltFromTheShotFile)
{
    Expt.SetShotData("Old", "1");
    WriteBytes(exp + "/Shots/Shot1234/Scalars.ini", "[Fields]\r\nA=1\r\nB=2\r\n[Other]\r\nC=3");
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
    EXPECT_EQ(S(Expt.GetExpandedString("no fields", true)), "no fields");
}

TEST_F(ShotFieldsTest, PauseHoldsAllWritesUntilReleased)
{
    Expt.SetShotData("Before", "1");
    std::string scalarsBefore = Stamp(exp + "/Shots/Shot1234/Scalars.ini");
    std::string cacheBefore = Stamp(exp + "/Shots/ScalarCache.ini");

    Expt.SetPauseIO(true);
    for (int i = 0; i < 100; ++i)
        Expt.SetShotData((DString("K") << i), DString(i));
    EXPECT_EQ(S(Expt.GetShotData("K99")), "99");
    EXPECT_EQ(Stamp(exp + "/Shots/Shot1234/Scalars.ini"), scalarsBefore);
    EXPECT_EQ(Stamp(exp + "/Shots/ScalarCache.ini"), cacheBefore);

    Expt.SetPauseIO(false);
    EXPECT_FALSE(Expt.PauseIO);
    std::string scalars = Scalars();
    std::string cache = Cache();
    for (int i = 0; i < 100; ++i) {
        std::string line = "\r\nK" + std::to_string(i) + "=" + std::to_string(i);
        EXPECT_NE(scalars.find(line), std::string::npos) << line;
        EXPECT_NE(cache.find(line), std::string::npos) << line;
    }
    EXPECT_EQ(scalars.find("[Fields]\r\nBefore=1\r\nK0=0"), 0u);
}

TEST_F(ShotFieldsTest, SameShotKeepsThePause)
{
    Expt.SetPauseIO(true);
    Expt.SetShotData("Held", "1");
    EXPECT_TRUE(Expt.SetShot("1234"));
    EXPECT_TRUE(Expt.PauseIO);
    EXPECT_EQ(Scalars(), "");
    Expt.SetPauseIO(false);
    EXPECT_EQ(Scalars(), "[Fields]\r\nHeld=1");
}

TEST_F(ShotFieldsTest, HeldFieldsAreWrittenBeforeAnythingRebinds)
{
    // Each step changes the settings objects' binding; the held field must reach the files.
    Expt.SetPauseIO(true);
    Expt.SetShotData("A", "1");
    ASSERT_TRUE(Expt.SetShot("1235"));
    EXPECT_FALSE(Expt.PauseIO);
    EXPECT_EQ(Scalars(), "[Fields]\r\nA=1");

    Expt.SetPauseIO(true);
    Expt.SetShotData("B", "2");
    Expt.SetShotCacheData();
    EXPECT_EQ(Scalars("1235"), "[Fields]\r\nB=2");
    EXPECT_EQ(Cache(), "[Shot1234]\r\nA=1\r\n[Shot1235]\r\nB=2");

    Expt.SetPauseIO(true);
    Expt.SetShotData("C", "3");
    ASSERT_TRUE(Expt.RenameShot("1236"));
    EXPECT_EQ(Scalars("1236"), "[Fields]\r\nB=2\r\nC=3");
    EXPECT_EQ(Cache(), "[Shot1234]\r\nA=1\r\n[Shot1236]\r\nB=2\r\nC=3");

    Expt.SetPauseIO(true);
    Expt.SetShotData("D", "4");
    ASSERT_TRUE(Expt.DeleteShot());
    EXPECT_EQ(Cache(), "[Shot1234]\r\nA=1");

    ASSERT_TRUE(Expt.SetShot("1234"));
    Expt.SetPauseIO(true);
    Expt.SetShotData("E", "5");
    Open();
    EXPECT_FALSE(Expt.PauseIO);
    EXPECT_EQ(Scalars(), "[Fields]\r\nA=1\r\nE=5");
    EXPECT_EQ(Cache(), "[Shot1234]\r\nA=1\r\nE=5");
}
