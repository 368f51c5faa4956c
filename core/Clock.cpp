// The process clock, built on the platform's monotonic clock and sleep.
#include "Clock.h"

#include "Platform.h"

#include <chrono>

double Timer()
{
    return platform::MonotonicSeconds();
}

DString Now()
{
    const auto now = std::chrono::system_clock::now();
    const __int64 seconds =
        std::chrono::duration_cast<std::chrono::seconds>(now.time_since_epoch()).count();
    return DString(seconds);
}

void DSleep(int milliseconds)
{
    platform::SleepMilliseconds(milliseconds);
}
