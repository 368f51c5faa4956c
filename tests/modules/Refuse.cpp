// Test plug-in that is never usable: its "SvInit" says it is not ready, or, in mode 1, claims
// to be ready without handing back a sink.
#include "DNotify.h"
#include "ModuleEntry.h"

MODULE_ENTRY bool SvInit(int mode, DNotify*, DNotify*& moduleSink)
{
    moduleSink = nullptr;
    return mode == 1;
}
