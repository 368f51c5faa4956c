// Storage tests under injected faults: a writer run once per file call it makes, each time with
// that call failing.
#ifndef TALVEX_TEST_FAULTLOOP_H
#define TALVEX_TEST_FAULTLOOP_H

#include "../../core/platform/FaultInjection.h"

#include <functional>
#include <string>
#include <vector>

namespace testsupport {

/// One writer and the file it changes.
struct FaultCase {
    std::string target;            ///< the file the writer changes (relative to the test folder)
    std::function<void()> restore; ///< puts the old file (and any source) back
    std::function<bool()> write;   ///< the writer; true when it claims success
    /// True for a whole-file replacement: when the last call (the sync of the folder after the
    /// rename) fails, the new file is already in place and only the failure is checked.
    bool replaces = true;
};

/// Counts the calls of one clean run, then for ENOSPC, EIO and EACCES and each call k runs the
/// writer with call k failing, and checks: the writer says it failed, GetLastFailure gives the
/// error and a message naming the target, the target keeps its old bytes, and no temporary
/// file is left beside it. Returns the number of calls of the clean run (0 on a failed clean
/// run, which is itself a test failure).
int LoopFaults(const FaultCase& c);

/// Names beginning with '.' in the folder of `path` (temporary files, lock files).
std::vector<std::string> HiddenEntries(const std::string& path);

} // namespace testsupport

#endif
