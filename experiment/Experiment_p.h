// Helpers shared by the experiment's source files (not installed).
#ifndef TALVEX_EXPERIMENT_P_H
#define TALVEX_EXPERIMENT_P_H

#include "DString.h"
#include "DStringArray.h"

namespace expt {

/// npos as the int that DString's searches return.
constexpr int kNotFound = static_cast<int>(npos);

/// True when name can be the `X` of a shot folder `ShotX` and nothing more: no path
/// separator of either kind, and not "." or "..". The empty name passes.
bool IsShotFolderName(DString const& name);

/// Folder of shot `name` in a shot path.
DString ShotFolderIn(DString const& shotPath, DString const& name);

/// Index of the first path in paths naming the same folder as path; -1 if none.
int FindPath(DStringArray const& paths, DString const& path);

} // namespace expt

#endif
