// Files that once made a reader or an analysis misbehave (found by fuzzing), kept so that
// they never do again. The sanitizer stage of the tests turns any slip into a failure.
#include "Waveform.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using testsupport::WriteBytes;

namespace {

// Every trace parameter code, with an argument where the code takes one.
const char* const TraceCodes[] = {
    "t1",      "st",     "it",      "ts",     "is",    "pt",    "ft",   "su", "mx",
    "mn",      "cl",     "at",      "tp",     "bl",    "sv",    "tm",   "tn", "19",
    "28",      "av",     "in",      "ri",     "pi",    "sd",    "wa",   "fh", "vt[0.5]",
    "tv[0.5]", "t%[50]", "bv[0.5]", "b%[50]", "la[1]", "ta[1]", "lt[1]"};

// A locked version-4 header whose start and step make time windows not a number.
const std::string NanWindowTrace("\xfc\xff\x00\x00\x02\x00\x00\x00\x00\x00\xff\xff\x7e\xfe\x25\x7f"
                                 "\xff\xff\xc6\x00\x00\x00\x80\x3f\x00\x00\x00\x00\x00\x00\x80\x3f"
                                 "\x00\x00\x80\xff\xff\xff\xff\xff\xff\xff\x06\x00\x00\x00\x00\x40"
                                 "\x00\x00\x80\x3f\x02\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x3f"
                                 "\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"
                                 "\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"
                                 "\x00\x00\x00\x00\x00\x00\x00\x00\xcd\xff\x00\x00\x00\x01\x00\x02"
                                 "\x00\x00\x00\x01\x00\x00\x00\x00\x00\x80\x3f\x00\x00\x00\x40",
                                 127);

} // namespace

TEST(HostileInput, AnalysisOfOddWaveformsStaysDefined)
{
    const std::vector<std::string> files = {NanWindowTrace};
    for (const std::string& bytes : files) {
        WriteBytes("odd.wvf", bytes);
        Waveform w;
        ASSERT_TRUE(w.Read("odd", -1));
        Waveform x;
        ASSERT_TRUE(x.Read("odd", 3));
        w.Scale();
        for (const char* code : TraceCodes) {
            w.GetTraceParam(code);
            w.GetXYTraceParam(code, x);
        }
    }
}
