// WriterLock: the scope guard over the platform's writer locks.
#include "WriterLock_p.h"

#include "IoFailure_p.h"
#include "Platform.h"

#include <string>

WriterLock::WriterLock(const DString& path)
    : handle(-1), native(platform::ToNative(std::string(path.c_str(), size_t(path.Len())), true))
{
    if (native.empty())
        return;
    handle = platform::AcquireWriterLock(native);
    if (handle == platform::kLockTimedOut)
        ReportIoFailure("cannot write " + DString(native.c_str()));
}

WriterLock::~WriterLock()
{
    platform::ReleaseWriterLock(handle);
}

bool WriterLock::TimedOut() const
{
    return handle == platform::kLockTimedOut;
}
