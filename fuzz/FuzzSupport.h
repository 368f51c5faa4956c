// Shared set-up of the fuzz targets: a private folder as current directory, a started core
// whose messages go nowhere, and the fuzzer's bytes as files.
#ifndef TALVEX_FUZZSUPPORT_H
#define TALVEX_FUZZSUPPORT_H

#include "Core.h"
#include "DNotify.h"
#include "DString.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace fuzzsupport {

/// Swallows every message, so that refusals do not flood the fuzzer's output.
class QuietSink : public DNotify {
public:
    void OnNotify(int, int, DString const&) override { }
};

inline std::string& Folder()
{
    static std::string folder;
    return folder;
}

inline void RemoveFolder()
{
    std::error_code ec;
    std::filesystem::current_path("/", ec);
    std::filesystem::remove_all(Folder(), ec);
}

/// Makes a private folder (in memory where /dev/shm is there) the current directory and the
/// home of the per-user files, and starts the core. Called once per fuzzing process.
inline void Start()
{
    const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string dir = std::string(base) + "/talvex-fuzz-XXXXXX";
    if (!mkdtemp(&dir[0]))
        std::abort();
    Folder() = dir;
    std::filesystem::create_directories(dir + "/home");
    setenv("HOME", (dir + "/home").c_str(), 1);
    setenv("XDG_DATA_HOME", (dir + "/home").c_str(), 1);
    setenv("TALVEX_SMB_CONF", (dir + "/smb.conf").c_str(), 1);
    setenv("TALVEX_MOUNTS", (dir + "/mounts").c_str(), 1);
    if (chdir(dir.c_str()) != 0)
        std::abort();
    std::atexit(RemoveFolder);
    CoreInit("");
    static QuietSink sink;
    SetNotify(&sink);
}

/// Writes the bytes to `path` (created or replaced).
inline void WriteFile(const char* path, const uint8_t* data, size_t size)
{
    std::FILE* f = std::fopen(path, "wb");
    if (!f)
        std::abort();
    if (size > 0 && std::fwrite(data, 1, size, f) != size)
        std::abort();
    std::fclose(f);
}

/// Dates the file 10 s back: an empty settings file that old is taken as empty at once,
/// where a fresh one is read again and again in case a rewrite is under way.
inline void Settle(const char* path)
{
    struct timespec times[2];
    clock_gettime(CLOCK_REALTIME, &times[0]);
    times[0].tv_sec -= 10;
    times[1] = times[0];
    utimensat(AT_FDCWD, path, times, 0);
}

/// The whole file; empty when missing.
inline std::string ReadFile(const char* path)
{
    std::string bytes;
    std::FILE* f = std::fopen(path, "rb");
    if (!f)
        return bytes;
    char buf[65536];
    size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        bytes.append(buf, n);
    std::fclose(f);
    return bytes;
}

/// The input as text, up to its first NUL as every text of the system.
inline DString Text(const uint8_t* data, size_t size)
{
    return DString(reinterpret_cast<const char*>(data), int(size));
}

/// Takes a little-endian value off the front of the input (zero when too short).
template <class T> T Take(const uint8_t*& data, size_t& size)
{
    T v = 0;
    const size_t n = size < sizeof v ? size : sizeof v;
    for (size_t i = 0; i < n; ++i)
        v = T(v | (T(data[i]) << (8 * i)));
    data += n;
    size -= n;
    return v;
}

/// Dies loudly: a property the library promises does not hold.
#define FUZZ_CHECK(cond)                                                                           \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::fprintf(stderr, "property failed: %s (%s:%d)\n", #cond, __FILE__, __LINE__);      \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

} // namespace fuzzsupport

#endif
