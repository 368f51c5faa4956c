// Test module without the "SvInit" entry point.
#include "ModuleEntry.h"

MODULE_ENTRY int Other()
{
    return 1;
}
