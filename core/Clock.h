// The process clock: a high-resolution timer, the current date as text and a sleep.
#ifndef TALVEX_CLOCK_H
#define TALVEX_CLOCK_H

#include "DString.h"
#include "TalvexApi.h"

/// Seconds of a monotonic high-resolution clock; only differences between two calls mean anything.
TALVEX_API double Timer();

/// The current local date and time as "%m/%d/%Y %H:%M:%S".
TALVEX_API DString Now();

/// Suspends the calling thread for that many milliseconds (zero or negative: returns at once).
TALVEX_API void DSleep(int milliseconds);

#endif
