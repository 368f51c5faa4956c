// POSIX clock and sleep of the platform layer.
#include "Platform.h"

#include <cerrno>
#include <ctime>

namespace platform {

double MonotonicSeconds()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

void SleepMilliseconds(int ms)
{
    if (ms <= 0)
        return;
    timespec req {ms / 1000, long(ms % 1000) * 1000000L};
    while (nanosleep(&req, &req) != 0 && errno == EINTR) { }
}

} // namespace platform
