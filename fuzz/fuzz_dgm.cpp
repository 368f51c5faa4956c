// Fuzz target: the .dgm reader; what it reads is written again and reads back.
#include "FuzzSupport.h"
#include "Geometry.h"

using namespace fuzzsupport;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Start();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    WriteFile("in.dgm", data, size);
    Geometry g;
    if (!g.Read("in"))
        return 0;
    FUZZ_CHECK(g.Write("out"));
    Geometry back;
    FUZZ_CHECK(back.Read("out") && back.Count() == g.Count());
    return 0;
}
