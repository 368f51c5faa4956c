// Export marker of the test modules' entry points.
#ifndef TALVEX_TEST_MODULEENTRY_H
#define TALVEX_TEST_MODULEENTRY_H

#if defined(_WIN32)
#define MODULE_ENTRY extern "C" __declspec(dllexport)
#else
#define MODULE_ENTRY extern "C" __attribute__((visibility("default")))
#endif

#endif
