// Win32 clock and sleep of the platform layer.
#include "Platform.h"
#include "Win32_p.h"

namespace platform {

double MonotonicSeconds()
{
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return double(count.QuadPart) / double(frequency.QuadPart);
}

void SleepMilliseconds(int ms)
{
    if (ms > 0)
        Sleep(DWORD(ms));
}

} // namespace platform
