// Export marker of the test modules' entry points.
#ifndef TALVEX_TEST_MODULEENTRY_H
#define TALVEX_TEST_MODULEENTRY_H

#define MODULE_ENTRY extern "C" __attribute__((visibility("default")))

#endif
