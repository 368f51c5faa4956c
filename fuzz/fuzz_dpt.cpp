// Fuzz target: the .dpt reader (whole and in batches) and appending to a fuzzed file, which
// either succeeds and reads back or leaves the file exactly as it was.
#include "FuzzSupport.h"
#include "ParticleGroup.h"

using namespace fuzzsupport;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Start();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const int start = Take<int16_t>(data, size);
    const int count = Take<int16_t>(data, size);
    const int geometry = Take<uint8_t>(data, size) % 3;
    WriteFile("in.dpt", data, size);

    ParticleGroup whole;
    const bool read = whole.Read("in");
    ParticleGroup batch;
    const bool batched = batch.Read("in", count, start);
    FUZZ_CHECK(read == batched);
    if (read) {
        whole.GetPGroupParam("np");
        whole.Scale();
        whole.CleanUp();
    }

    ParticleGroup more(3);
    for (int i = 0; i < 3; ++i)
        for (int c = 0; c < ParticleGroup::nParticleCols; ++c)
            more.PData()[i].col[c] = float(i * 8 + c) - 7.5f;
    more.SetGeometry(geometry);
    more.Scale();
    const std::string before = ReadFile("in.dpt");
    if (!more.Append("in")) {
        FUZZ_CHECK(ReadFile("in.dpt") == before);
        return 0;
    }
    ParticleGroup after;
    FUZZ_CHECK(after.Read("in", -1));
    FUZZ_CHECK(!read || after.nOrigParticles() == whole.nOrigParticles() + 3);
    return 0;
}
