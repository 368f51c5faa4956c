// The runner explains its argument: --help on standard output, a missing argument on standard
// error with status 2, instead of a run of nothing.
#include "RunnerFixture.h"

TEST_F(RunnerTest, HelpPrintsTheUsageAndSucceeds)
{
    for (const char* arg : {"--help", "-h"}) {
        Outcome r = Run(arg);
        EXPECT_EQ(r.status, 0) << arg;
        EXPECT_EQ(r.out.rfind("Usage: TalvexDLLRun MODULE;EXPERIMENT;SHOT;ARGUMENT;FLAGS\n", 0), 0u)
            << r.out;
        EXPECT_FALSE(HasLine(r.out, "Could not set shot"));
    }
}

TEST_F(RunnerTest, NoArgumentIsAUsageErrorWithStatus2)
{
    Outcome r = Run(nullptr);
    EXPECT_EQ(r.status, 2);
    // The usage goes to standard error; nothing is run, so nothing is said on standard output.
    EXPECT_EQ(r.out, "");
    // An empty argument is still a run, and fails as one.
    EXPECT_EQ(Run("").status, 255);
}
