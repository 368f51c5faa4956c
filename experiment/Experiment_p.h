// Helpers shared by the experiment's source files (not installed).
#ifndef TALVEX_EXPERIMENT_P_H
#define TALVEX_EXPERIMENT_P_H

#include "DIni.h"
#include "DString.h"
#include "DStringArray.h"
#include "LastFailure.h"

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

/// Tells whether the calls made during its life recorded a failure; the caller's earlier
/// failure comes back when none did, so that a success never erases what it did not cause.
class FailureWatch {
public:
    FailureWatch() : earlier(GetLastFailure(&earlierText)) { ClearLastFailure(); }
    ~FailureWatch()
    {
        if (earlier != 0 && GetLastFailure() == 0)
            SetLastFailure(earlier, earlierText);
    }
    FailureWatch(FailureWatch const&) = delete;
    FailureWatch& operator=(FailureWatch const&) = delete;
    /// The code of a failure recorded since the watch began (0 when none), with its text.
    int Failed(DString* text = nullptr) const { return GetLastFailure(text); }

private:
    DString earlierText;
    int earlier;
};

/// A field of `section` as GetShotData reads a name: `a::b` is a, else b; empty when absent.
DString FieldIn(DIni const& ini, DString const& section, DString const& name);

/// Records a failure that a caller's earlier messages did not explain: `what` followed by the
/// reason a lower layer recorded (when it did), sent to the message sinks.
void ReportWithCause(FailureWatch const& watch, DString const& what);

} // namespace expt

#endif
