// The runner's three self-tests: their exact lines, status suffixes and exit status.
#include "RunnerFixture.h"

#include <regex>

TEST_F(RunnerTest, HelloTestPrintsOneLineWithTheComputerName)
{
    for (const char* arg : {"test", "TEST", "Test"}) {
        Outcome r = Run(arg);
        EXPECT_EQ(r.status, 0) << arg;
        EXPECT_EQ(r.out, "Hello from TalvexDLLRun on " + host + " on x64=f\n") << arg;
    }
}

TEST_F(RunnerTest, MpiSelfTestReportsItsPlaceInTheJob)
{
    Outcome alone = Run("TestMPI");
    EXPECT_EQ(alone.status, 0);
    EXPECT_EQ(alone.out, "Hello from TalvexDLLRun on " + host + ", process 0 of 1=f\n");

    if (!HasMpiLauncher())
        GTEST_SKIP() << "no MPI launcher";
    Outcome job = RunMpi(2, "testmpi");
    EXPECT_EQ(job.status, 0);
    EXPECT_TRUE(HasLine(job.out, "Hello from TalvexDLLRun on " + host + ", process 0 of 2=f"));
    EXPECT_TRUE(HasLine(job.out, "Hello from TalvexDLLRun on " + host + ", process 1 of 2=f"));
}

TEST_F(RunnerTest, TimingTestAcceptsAnythingAfterItsName)
{
    const std::regex line(R"(Task completed by  TalvexDLLRun in [-+.0-9e]+=f\n)");
    for (const char* arg : {"testtime", "testtime!and!more"}) {
        Outcome r = Run(arg);
        EXPECT_EQ(r.status, 0) << arg;
        EXPECT_TRUE(std::regex_match(r.out, line)) << arg << ": " << r.out;
    }
}

TEST_F(RunnerTest, BlanksFromBangsKeepANameFromBeingASelfTest)
{
    // "test!" is "test " once the bang is a blank: a normal run with no experiment.
    Outcome r = Run("test!");
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out.find("Hello"), std::string::npos);
    EXPECT_TRUE(HasLine(r.out, "Could not set shot to "));
}
