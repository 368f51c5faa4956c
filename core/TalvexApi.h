// TALVEX_API, the one export macro of TalvexCore, and the basic fixed-size types.
#ifndef TALVEX_TALVEXAPI_H
#define TALVEX_TALVEXAPI_H

#if defined(_WIN32)
#if defined(TALVEXCORE_BUILD)
#define TALVEX_API __declspec(dllexport)
#else
#define TALVEX_API __declspec(dllimport)
#endif
#else
#define TALVEX_API __attribute__((visibility("default")))
#endif

#if !defined(_WIN32)
/// Seconds since 1970 and other 64-bit values, under the name the data formats use.
typedef long long __int64;
#endif

#endif
