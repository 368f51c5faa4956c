// The tool's test fixture: a small experiment made through the library, and the tool run on it
// as a separate program.
#ifndef TALVEX_TEST_CLIFIXTURE_H
#define TALVEX_TEST_CLIFIXTURE_H

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

/// What a finished run of the tool left.
struct Result {
    std::string out;
    std::string err;
    int status = -1;
};

/// Every file and folder below a folder: relative path -> bytes ("<folder>" for folders).
using Snapshot = std::map<std::string, std::string>;
Snapshot TakeSnapshot(const std::string& folder);

class CliTest : public ::testing::Test {
protected:
    /// Experiment Exp1 in the test folder: shot 1001 (Comment "first shot", Peak 3.25) with
    /// waveform probe (1 3 2 5 4 from 0 by 0.5), a 2 x 3 matrix grid and a particle group
    /// beam of 2 particles; shot 1002 (Peak 1.5) with waveform probe; every Date fixed.
    void SetUp() override;

    /// The tool with these arguments, standard input fed from input, in the test folder.
    Result Talvex(const std::vector<std::string>& args, const std::string& input = "") const;
    /// As Talvex, with -e and the experiment folder first.
    Result InExp(std::vector<std::string> args, const std::string& input = "") const;

    std::string exp; ///< the experiment folder
};

#endif
