// The platform layer: the only place that calls the operating system (internal to the library).
#ifndef TALVEX_PLATFORM_H
#define TALVEX_PLATFORM_H

// Callers pass and receive plain bytes, ints and std types only, so that the POSIX and the
// Win32 implementations share this one interface.
namespace platform {

/// Seconds of a monotonic clock; only differences between two calls mean anything.
double MonotonicSeconds();

/// Suspends the calling thread; a negative or zero time returns at once.
void SleepMilliseconds(int ms);

} // namespace platform

#endif
