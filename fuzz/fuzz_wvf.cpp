// Fuzz target: the .wvf reader (whole, header only, first points), analysis of what it reads,
// and the written form reading back.
#include "FuzzSupport.h"
#include "Waveform.h"

using namespace fuzzsupport;

namespace {
// Trace parameter codes with and without an index.
const char* const Codes[] = {"t1",     "st",      "it",     "ts",    "is",    "pt",      "ft",
                             "su",     "mx",      "mn",     "cl",    "at",    "tp",      "bl",
                             "sv",     "tm",      "tn",     "19",    "28",    "av",      "in",
                             "ri",     "pi",      "sd",     "wa",    "fh",    "vt[0.5]", "tv[0.5]",
                             "t%[50]", "bv[0.5]", "b%[50]", "la[1]", "ta[1]", "lt[1]"};
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Start();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    WriteFile("in.wvf", data, size);
    Waveform head;
    const bool headOk = head.Read("in", 0);
    FUZZ_CHECK(head.npnts() == 0);

    Waveform w;
    if (!w.Read("in", -1)) {
        FUZZ_CHECK(w.npnts() == 0);
        FUZZ_CHECK(!headOk || size >= 4); // a header that reads needs its bytes
        return 0;
    }
    FUZZ_CHECK(headOk && w.npnts() == head.fileCount);
    Waveform some;
    FUZZ_CHECK(some.Read("in", 3) && some.npnts() == 3);

    w.Scale();
    for (const char* code : Codes)
        w.GetTraceParam(code);
    for (const char* code : Codes)
        w.GetXYTraceParam(code, some);

    // What is read is written again and reads back the same.
    w.lockState = 4;
    FUZZ_CHECK(w.Write("out"));
    Waveform back;
    FUZZ_CHECK(back.Read("out", -1));
    FUZZ_CHECK(back.npnts() == w.npnts() && back.note == w.note);
    return 0;
}
