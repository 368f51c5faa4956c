// The sample plug-in's derived values: a charging trace written into the shot and fields
// computed from it and from other fields through expressions, alone and in an MPI job.
#include "RunnerFixture.h"

#include "DIni.h"
#include "Waveform.h"

#include <cmath>

class DerivedSampleTest : public RunnerTest {
protected:
    void SetUp() override
    {
        RunnerTest::SetUp();
        Install(TALVEX_SAMPLE_PLUGIN,
                std::string("Plugins/ShotStats/ShotStats") + testsupport::kModuleExtension);
        ASSERT_EQ(Run(("Echo;" + exp + ";S1;;").c_str()).status, 0);
        testsupport::WriteBytes(testsupport::Native(exp + "/Shots/ShotS1/Scalars.ini"),
                                "[Fields]\r\nV(out)=2\r\nScale=10\r\n");
    }

    double Field(const char* name)
    {
        DIni ini(testsupport::Native(exp + "/Shots/ShotS1/Scalars.ini").c_str());
        double v = 0;
        return ini.GetSectionKeyValue("Fields", name, "").ToDouble(v) ? v : -1;
    }
};

TEST_F(DerivedSampleTest, ChargingTraceAndExpressionsBecomeFields)
{
    Outcome r = Run(("ShotStats;" + exp
                     + ";S1;charge:vcap=[V(out)]!expr:Rise=vcap\\19"
                       "!expr:Scaled=vcap\\mx*Scale!expr:Half=vcap\\tv(1)!expr:None=nothing\\19;")
                        .c_str());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "ShotStats: 4 of 5 derived values of shot S1\n");
    Waveform w;
    ASSERT_TRUE(w.Read(testsupport::Native(exp + "/Shots/ShotS1/vcap").c_str()));
    EXPECT_EQ(w.npnts(), 1000);
    EXPECT_NEAR(w.Max(), 2.0, 1e-3);
    EXPECT_NEAR(Field("Rise"), 1e-3 * std::log(9.0), 1e-5); // tau ln 9
    EXPECT_NEAR(Field("Scaled"), 20.0, 1e-2);
    EXPECT_NEAR(Field("Half"), 1e-3 * std::log(2.0), 1e-5);
    EXPECT_EQ(Field("None"), -1);
}

TEST_F(DerivedSampleTest, TheJobReadsTheTraceProcessZeroWrote)
{
    Outcome job = RunMpi(2, "ShotStats;" + exp + ";S1;out=J!charge:vcap=[V(out)]!trace:vcap;m");
    EXPECT_EQ(job.status, 0);
    EXPECT_EQ(job.out.substr(0, 31), "ShotStats: 1000 values of shot ");
    EXPECT_NEAR(Field("JMax"), 2.0, 1e-3);
}
