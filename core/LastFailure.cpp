// LastFailure: one record per thread, so that concurrent callers never see each other's failures.
#include "LastFailure.h"

#include "DNotify.h"
#include "Log.h"

#include <string>

namespace {
// A std::string, not a DString: DString's counts are unsynchronised and this lives per thread.
struct Failure {
    int code = 0;
    std::string text;
};

Failure& ThreadFailure()
{
    thread_local Failure failure;
    return failure;
}
} // namespace

void SetLastFailure(int code, DString const& message)
{
    Failure& f = ThreadFailure();
    f.code = code == 0 ? 1 : code;
    f.text.assign(message.c_str(), size_t(message.Len()));
}

void ReportFailure(int code, DString const& message)
{
    SetLastFailure(code, message);
    Log(message);
    Message(message);
}

int GetLastFailure(DString* message)
{
    Failure const& f = ThreadFailure();
    if (message)
        *message = DString(f.text.c_str());
    return f.code;
}

void ClearLastFailure()
{
    Failure& f = ThreadFailure();
    f.code = 0;
    f.text.clear();
}
