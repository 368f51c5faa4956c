// Umbrella header: every exported class, free function, global and constant of TalvexCore.
#ifndef TALVEX_TALVEXCORE_H
#define TALVEX_TALVEXCORE_H

#include "TalvexApi.h"
#include "DString.h"

#endif
