// Runs as an MPI job: every process runs the module in its MPI form and logs its own lines.
#include "RunnerFixture.h"

TEST_F(RunnerTest, EveryProcessOfAJobRunsTheModuleAndLogs)
{
    if (!HasMpiLauncher())
        GTEST_SKIP() << "no MPI launcher";
    Outcome r = RunMpi(3, "Echo;" + exp + ";J1;work;ml");
    EXPECT_EQ(r.status, 0) << testsupport::ReadBytes(testsupport::TestDir() + "/stderr.txt");
    std::string log = testsupport::ReadBytes(UserFile("Log.txt"));
    for (int rank = 0; rank < 3; ++rank) {
        std::string proc = std::to_string(rank);
        EXPECT_TRUE(HasLine(r.out, "Echo 130 mode 0 rank " + proc + " of 3 [work]")) << r.out;
        EXPECT_TRUE(HasLine(log, "MPI started on " + host + ", proc " + proc + " of 3 for shot J1"))
            << log;
        EXPECT_TRUE(HasLine(log, "Echo 130 mode 0 rank " + proc + " of 3 [work] (31)"));
        EXPECT_TRUE(HasLine(log, "MPI finalizing on proc " + proc + " by "));
    }
    EXPECT_TRUE(HasLine(log, "Calling MPI_Init with args = " + runner + " Echo;"));
    EXPECT_TRUE(HasLine(log, "MPI_Init returned 0"));
}

TEST_F(RunnerTest, MpiFlagsWithoutALauncherMakeAOneProcessWorld)
{
    Outcome m = Run(("Echo;" + exp + ";S1;w;ml").c_str());
    EXPECT_EQ(m.status, 0);
    EXPECT_EQ(m.out, "Echo 130 mode 0 rank 0 of 1 [w]\n");
    EXPECT_TRUE(HasLine(testsupport::ReadBytes(UserFile("Log.txt")), "proc 0 of 1 for shot S1"));

    // Flag b joins the job but runs the module in its single-process form.
    Outcome b = Run(("Echo;" + exp + ";S1;w;b").c_str());
    EXPECT_EQ(b.status, 0);
    EXPECT_EQ(b.out, "Echo 129 mode 0 rank 0 of 1 [w]\n");
}

TEST_F(RunnerTest, ShotThatCannotBeSetEndsTheWholeJob)
{
    // Without an experiment no process can set its shot; the job ends instead of hanging.
    Outcome r = RunMpi(2, "Echo;;S1;w;m");
    EXPECT_NE(r.status, 0);
    EXPECT_TRUE(HasLine(r.out, "Could not set shot to "));
    EXPECT_FALSE(HasLine(r.out, "Echo 130"));
}

TEST_F(RunnerTest, MissingPluginInAJobFailsEveryProcess)
{
    Outcome r = RunMpi(2, "Nowhere;" + exp + ";S1;w;m");
    EXPECT_NE(r.status, 0);
    EXPECT_TRUE(HasLine(r.out, "Could not connect to Nowhere"));
}
