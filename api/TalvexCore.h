// Umbrella header: every exported class, free function, global and constant of TalvexCore.
#ifndef TALVEX_TALVEXCORE_H
#define TALVEX_TALVEXCORE_H

#include "TalvexApi.h"
#include "DString.h"
#include "DArray.h"
#include "DStringArray.h"
#include "Paths.h"
#include "FileSystem.h"
#include "DataConstants.h"
#include "Waveform.h"
#include "Matrix.h"
#include "ParticleGroup.h"
#include "Geometry.h"

#endif
