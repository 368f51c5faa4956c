// The sample modules run through the runner: the ShotStats plug-in alone and in an MPI job,
// and the Dorvel circuit module.
#include "RunnerFixture.h"

#include "DIni.h"
#include "DataConstants.h"
#include "Waveform.h"

#include <filesystem>

namespace fs = std::filesystem;

class SampleTest : public RunnerTest {
protected:
    void SetUp() override
    {
        RunnerTest::SetUp();
        Install(TALVEX_SAMPLE_PLUGIN,
                std::string("Plugins/ShotStats/ShotStats") + testsupport::kModuleExtension);
        Install(TALVEX_SAMPLE_DORVEL, std::string("Dorvel") + testsupport::kModuleExtension);
    }

    /// Gives shot S1 of the experiment these field lines.
    void SeedShot(const std::string& fieldLines)
    {
        ASSERT_EQ(Run(("Echo;" + exp + ";S1;;").c_str()).status, 0);
        testsupport::WriteBytes(exp + "/Shots/ShotS1/Scalars.ini", "[Fields]\r\n" + fieldLines);
    }

    std::string Field(const std::string& name)
    {
        DIni ini((exp + "/Shots/ShotS1/Scalars.ini").c_str());
        return ini.GetSectionKeyValue("Fields", name.c_str(), "").c_str();
    }
};

TEST_F(SampleTest, ShotStatsSumsUpMatchingNumericFields)
{
    SeedShot("Probe1=1\r\nProbe2=2\r\nprobe3=6\r\nProbeName=north\r\nOther=100\r\n");
    Outcome r = Run(("ShotStats;" + exp + ";S1;out=P!Probe*;").c_str());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "ShotStats: 3 values of shot S1, mean 3, 1 process\n");
    EXPECT_EQ(Field("PCount"), "3");
    EXPECT_EQ(Field("PMean"), "3");
    EXPECT_EQ(Field("PMin"), "1");
    EXPECT_EQ(Field("PMax"), "6");
    EXPECT_EQ(Field("PStdDev"), "2.64575");
    EXPECT_EQ(Field("PProcesses"), "1");
}

TEST_F(SampleTest, ShotStatsGivesTheSameResultsSharedOverAJob)
{
    SeedShot("A1=4\r\nA2=8\r\nA3=15\r\n");
    // A trace whose invalid sample is left out: 16, 23, 42.
    Waveform probe(4);
    const float samples[] = {16, -DFMax, 23, 42};
    for (int i = 0; i < 4; ++i)
        probe[i] = samples[i];
    ASSERT_TRUE(probe.Write((exp + "/Shots/ShotS1/probe").c_str()));

    ASSERT_EQ(Run(("ShotStats;" + exp + ";S1;out=One!A?!trace:probe;").c_str()).status, 0);
    if (!HasMpiLauncher())
        GTEST_SKIP() << "no MPI launcher";
    Outcome job = RunMpi(3, "ShotStats;" + exp + ";S1;out=Job!A?!trace:probe;m");
    EXPECT_EQ(job.status, 0);
    // Process 0 alone reports and writes.
    EXPECT_EQ(job.out, "ShotStats: 6 values of shot S1, mean 18, 3 processes\n");
    for (const char* stat : {"Count", "Mean", "StdDev", "Min", "Max"})
        EXPECT_EQ(Field(std::string("Job") + stat), Field(std::string("One") + stat)) << stat;
    EXPECT_EQ(Field("JobMax"), "42");
    EXPECT_EQ(Field("JobProcesses"), "3");
    EXPECT_EQ(Field("A3"), "15");
}

TEST_F(SampleTest, ShotStatsSharesTracesOverAJobWithTheSameResults)
{
    SeedShot("A1=1\r\n");
    // Three traces over two processes: one reads two of them, the other one.
    for (int t = 0; t < 3; ++t) {
        Waveform w(5);
        for (int i = 0; i < 5; ++i)
            w[i] = float(10 * t + i);
        ASSERT_TRUE(w.Write((exp + "/Shots/ShotS1/t" + std::to_string(t)).c_str()));
    }
    const std::string traces = "!trace:t0!trace:t1!trace:t2";
    ASSERT_EQ(Run(("ShotStats;" + exp + ";S1;out=One!A?" + traces + ";").c_str()).status, 0);
    if (!HasMpiLauncher())
        GTEST_SKIP() << "no MPI launcher";
    Outcome job = RunMpi(2, "ShotStats;" + exp + ";S1;out=Job!A?" + traces + ";m");
    EXPECT_EQ(job.out, "ShotStats: 16 values of shot S1, mean 11.3125, 2 processes\n");
    for (const char* stat : {"Count", "Mean", "StdDev", "Min", "Max"})
        EXPECT_EQ(Field(std::string("Job") + stat), Field(std::string("One") + stat)) << stat;

    // A trace another process would read is still named by the one that reports.
    EXPECT_EQ(RunMpi(2, "ShotStats;" + exp + ";S1;A?!trace:t0!trace:none;m").out,
              "ShotStats: cannot read trace none\n");
}

TEST_F(SampleTest, ShotStatsReportsWhatItCannotDo)
{
    SeedShot("A1=x\r\n");
    EXPECT_EQ(Run(("ShotStats;" + exp + ";S1;A*;").c_str()).out,
              "ShotStats: nothing numeric matches A*\n");
    EXPECT_EQ(RunMpi(2, "ShotStats;" + exp + ";S1;A*!trace:none;m").out,
              "ShotStats: cannot read trace none\n");
    EXPECT_EQ(Field("StatsCount"), "");
}

TEST_F(SampleTest, DorvelSolvesTheCircuitAndStoresNodeVoltages)
{
    testsupport::WriteBytes(exp + "/Dorvel/divider.cir",
                            "* divider\r\nV1 in 0 DC 10\r\nR1 in mid 1k\r\nR2 mid 0 1k\r\n"
                            "I1 mid 0 2m\r\n.end\r\n");
    Outcome r = Run(("Dorvel;" + exp + ";S1;divider;v").c_str());
    EXPECT_EQ(r.status, 0) << r.out;
    // (10 - V) / 1k = V / 1k + 2 mA gives V(mid) = 4.
    EXPECT_EQ(Field("V(mid)"), "4");
    EXPECT_EQ(Field("V(in)"), "10");
    std::string result = testsupport::ReadBytes(exp + "/Dorvel/divider.out");
    EXPECT_NE(result.find("V(mid) = 4\r\n"), std::string::npos) << result;
    EXPECT_NE(result.find("I(V1) = -0.006\r\n"), std::string::npos) << result;
}

TEST_F(SampleTest, DorvelRefusesABrokenCircuit)
{
    testsupport::WriteBytes(exp + "/Dorvel/float.cir", "V1 a 0 5\r\nR1 b c 1k\r\n");
    Outcome r = Run(("Dorvel;" + exp + ";S1;float;v").c_str());
    EXPECT_EQ(r.status, 255);
    EXPECT_TRUE(HasLine(r.out, "no single solution"));
    EXPECT_FALSE(fs::exists(exp + "/Dorvel/float.out"));
}
