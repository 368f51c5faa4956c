// Expressions over data objects: trace, matrix and particle-group parameters, shot offsets,
// index forms, and what the evaluation leaves in the data cache.
#include "EvaluatorFixture.h"

class DataParamTest : public ShotDataTest {
protected:
    void SetUp() override
    {
        ShotDataTest::SetUp();
        WriteRamp("probe", 100.0f);            // rise time 80, maximum 100
        WriteRamp("probe", 50.0f, "Run0099");  // maximum 50
        WriteRamp("probe", 200.0f, "Run0101"); // maximum 200
    }
};

TEST_F(DataParamTest, TraceParametersHereAndInOtherShots)
{
    float const none = -DFMax;
    ExpectValues({
        {"probe\\19", 80},
        {"probe\\19*2", 160},
        {"probe\\MX-1", 99},
        {"[probe\\mx]", 100},
        {"probe\\mx/probe\\tp", 100}, // '/' divides, '\' separates
        {"probe\\zz", none},
        {"nothing\\mx", none},
        {"\\mx", none},
        {"Run0099\\probe\\mx", 50},
        {">\\probe\\mx", 200},
        {"<\\probe\\mx", 50},
        {"<1\\probe\\mx+>1\\probe\\mx", 250},
        {">x\\probe\\mx", 100}, // an unreadable count means this shot
        {">2\\probe\\mx", none},
        {"Run0098\\probe\\mx", none},
    });
    EXPECT_EQ(Expt.DataPtrs.Count(), 0); // every object read was let go again
}

TEST_F(DataParamTest, IndexesInBracketsAndParentheses)
{
    Expt.SetShotData("Level", "30");
    // tv: time at which the ramp 0..100 first reaches the level.
    ExpectValues({
        {"probe\\tv[50]", 50},
        {"probe\\tv(50)", 50},
        {"probe\\tv[25*2]", 50},
        {"probe\\tv(5*(4+6))", 50},
        {"probe\\tv(0.5)", 0.5f},
        {"probe\\vt(-1)+1", 1},
        {"2*probe\\tv(50)^2", 5000},
        {"probe\\t%[40]", 40},
        {"probe\\tv([Level])", 30},
        {"probe\\tv[Level*2]", 60},
        {">\\probe\\tv(100)", 50},
        // An index without a value is no parameter at all.
        {"probe\\tv[Missing]", -DFMax},
        {"probe\\tv(1/0)", -DFMax},
    });
}

TEST_F(DataParamTest, MatrixAndParticleGroupParameters)
{
    WriteMatrix("grid", 4, 3, 7.0f);
    WriteGroup("beam", 5, 2.5f);
    ExpectValues({{"grid\\rc*grid\\cc", 12},
                  {"grid\\re", 11.5f},
                  {"grid\\t1+grid\\mx", 18},
                  {"grid\\rc(1)", -DFMax},
                  {"beam\\np", 5},
                  {"beam\\T2*2", 5},
                  {"beam\\mx", -DFMax}});
    EXPECT_EQ(Expt.DataPtrs.Count(), 0);
}

TEST_F(DataParamTest, CachedObjectsServeAtNamesAndSurvive)
{
    void* held = Expt.GetDataPtr("probe", DTWaveform);
    auto* w = static_cast<Waveform*>(Expt.InitDataPtr("@tmp", DTWaveform));
    ASSERT_TRUE(held && w);
    w->ReSize(3);
    (*w)[0] = 1.0f;
    (*w)[1] = 4.0f;
    (*w)[2] = 2.0f;
    w->Scale();

    ExpectValues(
        {{"@tmp\\mx", 4}, {"@TMP\\mx+@tmp\\mn", 5}, {"probe\\mx", 100}, {"@other\\mx", -DFMax}});

    // Both owners' objects are still there, unchanged.
    ASSERT_EQ(Expt.DataPtrs.Count(), 2);
    EXPECT_EQ(Expt.GetDataPtr("@tmp", DTWaveform), w);
    EXPECT_EQ(w->npnts(), 3);
    EXPECT_EQ(Expt.DataPtrs[0].object, held);
    EXPECT_EQ(static_cast<Waveform*>(held)->npnts(), 101);
}

TEST_F(DataParamTest, NoCurrentShotNoData)
{
    Expt.SetExperimentFolder(exp.c_str());
    ExpectValues({{"probe\\mx", -DFMax}, {"Run0099\\probe\\mx", -DFMax}});
    EXPECT_EQ(Expt.DataPtrs.Count(), 0);
}
