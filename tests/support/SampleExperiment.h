// SampleExperiment: the small experiment that the tool's and the server's tests work on.
#ifndef TALVEX_TEST_SAMPLEEXPERIMENT_H
#define TALVEX_TEST_SAMPLEEXPERIMENT_H

#include <string>

namespace testsupport {

/// Makes experiment folder `exp` on Expt (after CoreInit) with shots 1001 ("first shot",
/// Peak 3.25) and 1002 (Peak 1.5), each holding waveform probe (5 samples, step 0.5), and in
/// 1001 matrix grid (2 x 3) and particle group beam (2 particles); 1001 is current afterwards.
/// A failure is a fatal test failure (check HasFatalFailure()).
void MakeSampleExperiment(const std::string& exp);

} // namespace testsupport

#endif
