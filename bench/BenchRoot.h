// BenchRoot: a throwaway folder that keeps a benchmark away from the real profile and shares.
#ifndef TALVEX_BENCH_BENCHROOT_H
#define TALVEX_BENCH_BENCHROOT_H

#include <cstdlib>
#include <string>

/// Points the library's per-user folder, share table and mount table into `root`.
inline void IsolateBench(const std::string& root)
{
    setenv("HOME", root.c_str(), 1);
    setenv("XDG_DATA_HOME", root.c_str(), 1);
    setenv("TALVEX_SMB_CONF", (root + "/smb.conf").c_str(), 1);
    setenv("TALVEX_MOUNTS", (root + "/mounts").c_str(), 1);
}

/// A new folder under /tmp with the benchmark isolated into it; empty when none can be made.
inline std::string MakeBenchRoot()
{
    char tmpl[] = "/tmp/talvex-bench-XXXXXX";
    if (!mkdtemp(tmpl))
        return std::string();
    IsolateBench(tmpl);
    return tmpl;
}

#endif
