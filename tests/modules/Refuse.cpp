// Test plug-in whose "SvInit" says it is not ready.
#include "DNotify.h"
#include "ModuleEntry.h"

MODULE_ENTRY bool SvInit(int, DNotify*, DNotify*& moduleSink)
{
    moduleSink = nullptr;
    return false;
}
