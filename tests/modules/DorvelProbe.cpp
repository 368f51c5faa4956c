// Test Dorvel module: reports which entry point was called with which arguments; fails for an
// input file whose name holds "fail".
#include "DNotify.h"
#include "DString.h"
#include "ModuleEntry.h"

namespace {

int Report(const char* entry, const char* folder, const char* file)
{
    Notify(31, 1, DString(entry) + "|" + folder + "|" + file);
    return DString(file).Find("fail") == int(npos) ? 1 : 0;
}

} // namespace

MODULE_ENTRY int RunDorvel(const char* programFolder, const char* inputFile)
{
    return Report("RunDorvel", programFolder, inputFile);
}

MODULE_ENTRY int RunDorvelMPI(const char* programFolder, const char* inputFile)
{
    return Report("RunDorvelMPI", programFolder, inputFile);
}
