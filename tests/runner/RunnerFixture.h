// The runner's test fixture: a program folder of the test's own holding a copy of the runner
// and the modules a test needs, and a way to run it and capture what it prints.
#ifndef TALVEX_TEST_RUNNERFIXTURE_H
#define TALVEX_TEST_RUNNERFIXTURE_H

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

/// What a finished program left: its standard output and its exit status as the shell sees
/// it (0 to 255; 128 + signal number when a signal ended it).
struct Outcome {
    std::string out;
    int status = -1;
};

/// Runs a program with these arguments (no shell), the environment inherited.
Outcome RunProgram(const std::vector<std::string>& argv);

class RunnerTest : public ::testing::Test {
protected:
    void SetUp() override;

    /// Places a module file at `relative` under the program folder.
    void Install(const std::string& moduleFile, const std::string& relative);
    /// The runner with one argument (none when `arg` is null).
    Outcome Run(const char* arg);
    /// True when the build found an MPI launcher (the one-process stand-in of a Windows build
    /// has none).
    static bool HasMpiLauncher();
    /// The runner as `processes` ranks of an MPI job; without a launcher, as the one process
    /// of a one-process world.
    Outcome RunMpi(int processes, const std::string& arg);
    /// A file of the per-user folder (Log.txt, Talvex.ini, MPIHosts.txt).
    std::string UserFile(const std::string& name) const;
    /// Standard output split into lines.
    static std::vector<std::string> Lines(const std::string& out);
    /// True when some line of `text` holds `part`.
    static bool HasLine(const std::string& text, const std::string& part);

    std::string bin;    ///< the program folder
    std::string runner; ///< the runner's copy in it
    std::string exp;    ///< an experiment folder for the test (native)
    std::string host;   ///< this computer's name as the core reports it
};

#endif
