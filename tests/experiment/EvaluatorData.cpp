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

TEST_F(DataParamTest, TraceParametersOfTheCurrentShot)
{
    EXPECT_FLOAT_EQ(Eval("probe\\19"), 80.0f);
    EXPECT_FLOAT_EQ(Eval("probe\\19*2"), 160.0f);
    EXPECT_FLOAT_EQ(Eval("probe\\mx/probe\\tp"), 100.0f); // '/' divides, '\' separates
    EXPECT_FLOAT_EQ(Eval("probe\\MX-1"), 99.0f);
    EXPECT_FLOAT_EQ(Eval("[probe\\mx]"), 100.0f);
    EXPECT_EQ(Eval("probe\\zz"), -DFMax);
    EXPECT_EQ(Eval("nothing\\mx"), -DFMax);
    EXPECT_EQ(Eval("\\mx"), -DFMax);
    EXPECT_EQ(Expt.DataPtrs.Count(), 0); // every object read was let go again
}

TEST_F(DataParamTest, OtherShotsByNameAndOffset)
{
    EXPECT_FLOAT_EQ(Eval("Run0099\\probe\\mx"), 50.0f);
    EXPECT_FLOAT_EQ(Eval(">\\probe\\mx"), 200.0f);
    EXPECT_FLOAT_EQ(Eval("<\\probe\\mx"), 50.0f);
    EXPECT_FLOAT_EQ(Eval("<1\\probe\\mx+>1\\probe\\mx"), 250.0f);
    EXPECT_FLOAT_EQ(Eval(">x\\probe\\mx"), 100.0f); // an unreadable count means this shot
    EXPECT_EQ(Eval(">2\\probe\\mx"), -DFMax);       // Run0102 does not exist
    EXPECT_EQ(Eval("Run0098\\probe\\mx"), -DFMax);
}

TEST_F(DataParamTest, IndexesInBracketsAndParentheses)
{
    // tv: time at which the ramp 0..100 first reaches the level.
    EXPECT_FLOAT_EQ(Eval("probe\\tv[50]"), 50.0f);
    EXPECT_FLOAT_EQ(Eval("probe\\tv(50)"), 50.0f);
    EXPECT_FLOAT_EQ(Eval("probe\\tv[25*2]"), 50.0f);
    EXPECT_FLOAT_EQ(Eval("probe\\tv(5*(4+6))"), 50.0f);
    EXPECT_FLOAT_EQ(Eval("probe\\tv(0.5)"), 0.5f);
    EXPECT_FLOAT_EQ(Eval("probe\\vt(-1)+1"), 1.0f); // before the start: 0
    EXPECT_FLOAT_EQ(Eval("2*probe\\tv(50)^2"), 5000.0f);
    EXPECT_FLOAT_EQ(Eval("probe\\t%[40]"), 40.0f);
    Expt.SetShotData("Level", "30");
    EXPECT_FLOAT_EQ(Eval("probe\\tv([Level])"), 30.0f);
    EXPECT_FLOAT_EQ(Eval("probe\\tv[Level*2]"), 60.0f);
    EXPECT_FLOAT_EQ(Eval(">\\probe\\tv(100)"), 50.0f);
    // An index without a value is no parameter at all.
    EXPECT_EQ(Eval("probe\\tv[Missing]"), -DFMax);
    EXPECT_EQ(Eval("probe\\tv(1/0)"), -DFMax);
}

TEST_F(DataParamTest, MatrixAndParticleGroupParameters)
{
    WriteMatrix("grid", 4, 3, 7.0f);
    WriteGroup("beam", 5, 2.5f);
    EXPECT_FLOAT_EQ(Eval("grid\\rc*grid\\cc"), 12.0f);
    EXPECT_FLOAT_EQ(Eval("grid\\re"), 11.5f);
    EXPECT_FLOAT_EQ(Eval("grid\\t1+grid\\mx"), 18.0f);
    EXPECT_EQ(Eval("grid\\rc(1)"), -DFMax); // not a matrix code
    EXPECT_FLOAT_EQ(Eval("beam\\np"), 5.0f);
    EXPECT_FLOAT_EQ(Eval("beam\\T2*2"), 5.0f);
    EXPECT_EQ(Eval("beam\\mx"), -DFMax);
    EXPECT_EQ(Expt.DataPtrs.Count(), 0);
}

TEST_F(DataParamTest, CachedObjectsServeAtNamesAndSurvive)
{
    void* held = Expt.GetDataPtr("probe", DTWaveform);
    ASSERT_NE(held, nullptr);
    void* tmp = Expt.InitDataPtr("@tmp", DTWaveform);
    ASSERT_NE(tmp, nullptr);
    Waveform& w = *static_cast<Waveform*>(tmp);
    w.ReSize(3);
    w[0] = 1.0f;
    w[1] = 4.0f;
    w[2] = 2.0f;
    w.Scale();

    EXPECT_FLOAT_EQ(Eval("@tmp\\mx"), 4.0f);
    EXPECT_FLOAT_EQ(Eval("@TMP\\mx+@tmp\\mn"), 5.0f);
    EXPECT_FLOAT_EQ(Eval("probe\\mx"), 100.0f);
    EXPECT_EQ(Eval("@other\\mx"), -DFMax);

    // Both owners' objects are still there, unchanged.
    ASSERT_EQ(Expt.DataPtrs.Count(), 2);
    EXPECT_EQ(Expt.GetDataPtr("@tmp", DTWaveform), tmp);
    EXPECT_EQ(w.npnts(), 3);
    EXPECT_EQ(Expt.DataPtrs[0].object, held);
    EXPECT_EQ(static_cast<Waveform*>(held)->npnts(), 101);
}

TEST_F(DataParamTest, NoCurrentShotNoData)
{
    Expt.SetExperimentFolder(exp.c_str());
    EXPECT_EQ(Eval("probe\\mx"), -DFMax);
    EXPECT_EQ(Eval("Run0099\\probe\\mx"), -DFMax);
    EXPECT_EQ(Expt.DataPtrs.Count(), 0);
}
