// Constants shared by the data objects and the expression evaluator: the no-value mark and pi.
#ifndef TALVEX_DATACONSTANTS_H
#define TALVEX_DATACONSTANTS_H

#include "TalvexApi.h"

/// 3.3e38. -DFMax marks an invalid sample and is the "no value" result of parameters and
/// expressions.
TALVEX_API extern const float DFMax;

/// Pi as a float (3.14159274), the value the data objects' integrals use.
TALVEX_API extern const float pi;

#endif
