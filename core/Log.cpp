// The log: one open-append-close per line, so that several processes can share the file.
#include "Log.h"

#include "Clock.h"
#include "Core.h"
#include "Core_p.h"
#include "DFile.h"
#include "FileSystem.h"
#include "LastFailure.h"
#include "Paths.h"

#include <cstdio>

namespace {
const int LogAttempts = 5;
const int LogRetryMs = 10;

DString LogFileName()
{
    return AppendPathElts(GetUserPath(), "Log.txt");
}

DString StampedLine(const DString& message)
{
    double elapsed = Timer() - core::StartTime();
    if (!(elapsed > 0))
        elapsed = 0;
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%.2e", elapsed);
    DString line(message);
    line << " by " << stamp;
    return line;
}
} // namespace

void Log(const DString& message)
{
    // A line that cannot be logged must not replace the failure the caller is reporting.
    DString failure;
    const int code = GetLastFailure(&failure);
    struct Restore {
        int code;
        DString& text;
        ~Restore()
        {
            if (code != 0)
                SetLastFailure(code, text);
            else
                ClearLastFailure();
        }
    } restore {code, failure};
    for (int attempt = 0; attempt < LogAttempts; ++attempt) {
        // Without a per-user folder the line would land in whatever the current directory is.
        if (!GetUserPath())
            return;
        if (DFile::WriteLine(LogFileName(), StampedLine(message)))
            return;
        DSleep(LogRetryMs);
    }
}

void ClearLog()
{
    if (~GetUserPath())
        DeleteFileD(LogFileName());
    Log(DString("Log initialized at ") + Now());
    Log(DString("Talvex running on ") + GetComputerNameD());
    Log(DString("Talvexpath is ") + GetTalvexPath());
}
