// Fuzz target: settings files. The input is "<file>\0<other file>": the first is loaded,
// looked up and written back (the written form must read back to itself), the second stands
// for another writer's version, against which Changed runs and held changes are merged.
#include "FuzzSupport.h"
#include "DIni.h"

#include <cstring>

using namespace fuzzsupport;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Start();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const void* nul = std::memchr(data, 0, size);
    const size_t sizeA = nul ? size_t(static_cast<const uint8_t*>(nul) - data) : size;
    const uint8_t* b = nul ? data + sizeA + 1 : data + size;
    const size_t sizeB = nul ? size - sizeA - 1 : 0;
    WriteFile("a.ini", data, sizeA);
    Settle("a.ini");
    DIni ini("a.ini");
    const DStringArray names = ini.GetSectionNames();
    for (int i = 0; i < names.Count() && i < 16; ++i) {
        const DStringArray lines = ini.GetFullSection(names[i]);
        ini.SetSection(names[i]);
        for (int j = 0; j < lines.Count() && j < 8; ++j) {
            const DString key = lines[j].Left(lines[j].Find('='));
            ini.GetKeyValue(key, "d");
            ini.GetKeyIntValue(key, 7);
            ini.GetKeyFloatValue(key, 7.0f);
            ini.GetKeyBoolValue(key, true);
            ini.GetKeyRow(key, 3, ",", "");
        }
    }

    // The written form is a fixed point: written, read and written again, it is the same.
    FUZZ_CHECK(ini.WriteFile("w1.ini", true));
    if (ini.nSections() > 0) {
        DIni w1("w1.ini");
        FUZZ_CHECK(w1.nSections() == ini.nSections());
        for (int i = 0; i < ini.nSections() && i < 64; ++i)
            FUZZ_CHECK(w1.GetFullSection(names[i]).Count() == ini.GetFullSection(names[i]).Count());
        FUZZ_CHECK(w1.WriteFile("w2.ini", true));
        // Exactly: stray CRs included.
        FUZZ_CHECK(ReadFile("w1.ini") == ReadFile("w2.ini"));
    }

    WriteFile("a.ini", b, sizeB);
    Settle("a.ini");
    ini.Changed();

    // Changes held while another writer replaced the file survive the release.
    WriteFile("m.ini", data, sizeA);
    Settle("m.ini");
    DIni held("m.ini");
    held.HoldWrite(true);
    held.SetSection("Fz");
    held.SetKeyValue("key", "val");
    // A first section that is "Fz" itself would carry the new key away with it.
    if (names.Count() > 0 && !(names[0] %= "Fz")) {
        held.RenameSection(names[0], "Renamed");
        held.DeleteKey("Renamed", "k");
    }
    WriteFile("m.ini", b, sizeB);
    Settle("m.ini");
    held.HoldWrite(false);
    DIni merged("m.ini");
    FUZZ_CHECK(merged.GetSectionKeyValue("Fz", "key", "") == "val");
    return 0;
}
