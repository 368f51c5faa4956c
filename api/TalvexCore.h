// Umbrella header: every exported class, free function, global and constant of TalvexCore.
#ifndef TALVEX_TALVEXCORE_H
#define TALVEX_TALVEXCORE_H

#include "TalvexApi.h"
#include "DString.h"
#include "DArray.h"
#include "DStringArray.h"
#include "Paths.h"
#include "FileSystem.h"
#include "DFile.h"
#include "DIni.h"
#include "Clock.h"
#include "Log.h"
#include "LastFailure.h"
#include "Core.h"
#include "DNotify.h"
#include "Modules.h"
#include "Nodes.h"
#include "DataConstants.h"
#include "Waveform.h"
#include "Matrix.h"
#include "ParticleGroup.h"
#include "Geometry.h"
#include "DataPtr.h"
#include "Experiment.h"
#include "ExpressionCheck.h"
#include "ShotCondition.h"
#include "ExpressionLanguage.h"
#include "TraceParamTable.h"
#include "TalvexC.h"
#include "TalvexIDL.h"

#endif
