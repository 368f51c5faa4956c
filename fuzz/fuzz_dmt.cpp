// Fuzz target: the .dmt reader, with the slice range taken from a fuzzed name ("in[a,b]") and
// from arguments, and the parameters of what it reads.
#include "FuzzSupport.h"
#include "Matrix.h"

#include <cstring>

using namespace fuzzsupport;

namespace {
const char* const Codes[] = {"t1", "t5", "su", "mx", "mn", "rc", "rs", "rb", "r1", "re",
                             "cc", "cs", "cb", "c1", "ce", "lc", "ls", "lb", "l1", "le"};
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Start();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The input is "<name suffix>\n<file bytes>"; without a line feed, all of it is the file.
    const void* lf = std::memchr(data, '\n', size < 64 ? size : 64);
    DString suffix;
    if (lf) {
        const size_t n = size_t(static_cast<const uint8_t*>(lf) - data);
        suffix = Text(data, n);
        data += n + 1;
        size -= n + 1;
    }
    const int first = Take<int8_t>(data, size);
    const int end = Take<int8_t>(data, size);
    WriteFile("in.dmt", data, size);

    Matrix m(1, 1, 1);
    const bool whole = m.Read("in");
    Matrix part(1, 1, 1);
    part.Read("in" + suffix);
    Matrix range(1, 1, 1);
    const bool ranged = range.Read("in", end, first);
    FUZZ_CHECK(!ranged || whole);
    if (!whole)
        return 0;

    for (Matrix* x : {&m, &part, &range}) {
        for (const char* code : Codes)
            x->GetMatrixParam(code);
        x->GetPartialCoords(x->Rank(), 0.0f, 1.0f);
        x->Scale();
    }
    // What is read is written again and reads back with the same grid.
    if (m.Write("out")) {
        Matrix back(1, 1, 1);
        FUZZ_CHECK(back.Read("out") && back.Count() == m.Count() && back.Rank() == m.Rank());
    }
    return 0;
}
