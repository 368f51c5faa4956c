// The exported face of the platform layer's test-only fault switch.
#include "FaultInjection.h"

void platform::fault::Arm(int k, int error, int ops)
{
    Set(k, error, ops);
}

void platform::fault::Disarm()
{
    Set(0, 0, 0);
}

int platform::fault::Calls()
{
    return Count();
}
