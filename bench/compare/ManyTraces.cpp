// Many small traces in one shot (200 x 50k and 2,000 x 5k samples): .wvf files against raw files
// (temporary + rename, with and without syncs) and one HDF5 file; reading again into an existing
// Waveform against a read into a warm buffer; system calls per trace written (when strace is
// installed).
//
// TALVEX_BENCH_SCALE (default 1) multiplies the trace counts.
#include "Harness.h"
#include "Stores.h"

#include "Core.h"
#include "DString.h"
#include "Waveform.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace bench;

namespace {

const float Step = 1e-6f;

struct Shape {
    int traces;
    int points;
};

void Fill(float* p, size_t n, unsigned seed)
{
    for (size_t i = 0; i < n; ++i)
        p[i] = float((i * 2654435761u + seed) % 10007) * 1e-3f;
}

void Check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "bench_manytraces: %s failed\n", what);
        std::exit(1);
    }
}

/// Names longer than six letters, as labs name their probes.
std::string TraceName(int i)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "probe%04d", i);
    return buf;
}

void SyncPath(const std::string& path, int flags)
{
    int fd = open(path.c_str(), flags | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

/// A temporary beside the target, written, optionally synced, renamed, folder synced.
bool RawCommit(const std::string& folder, const std::string& name, const float* data, size_t n,
               bool sync)
{
    const std::string tmp = folder + "/." + name + ".tmp";
    int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    bool ok = write(fd, data, n * sizeof(float)) == ssize_t(n * sizeof(float));
    if (sync)
        ok = fsync(fd) == 0 && ok;
    ok = close(fd) == 0 && ok;
    ok = ok && rename(tmp.c_str(), (folder + "/" + name).c_str()) == 0;
    if (sync)
        SyncPath(folder, O_RDONLY | O_DIRECTORY);
    return ok;
}

/// A read into a buffer that already has room: open, read, close.
bool RawReadInto(const std::string& path, float* data, size_t n)
{
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool ok = read(fd, data, n * sizeof(float)) == ssize_t(n * sizeof(float));
    close(fd);
    return ok;
}

Variant RawVariant(const Shape& s, bool sync)
{
    return {sync ? "raw files, temp+rename+fsync" : "raw files, temp+rename",
            [s, sync](const std::string& folder, Phases& ph) {
                std::vector<float> data(size_t(s.points));
                Fill(data.data(), data.size(), 1);
                ph.Start();
                for (int t = 0; t < s.traces; ++t)
                    Check(RawCommit(folder, TraceName(t) + ".f32", data.data(), data.size(), sync),
                          "raw write");
                ph.Stop();
                ph.Start();
                for (int t = 0; t < s.traces; ++t) {
                    FloatBlock back = RawRead(folder + "/" + TraceName(t) + ".f32");
                    Check(back.count == data.size(), "raw read");
                }
                ph.Stop();
                std::vector<float> warm(data.size());
                ph.Start();
                for (int t = 0; t < s.traces; ++t)
                    Check(
                        RawReadInto(folder + "/" + TraceName(t) + ".f32", warm.data(), warm.size()),
                        "raw read into a warm buffer");
                ph.Stop();
            }};
}

Variant WaveformVariant(const Shape& s)
{
    return {
        "Waveform .wvf files", [s](const std::string& folder, Phases& ph) {
            CoreInit("");
            Waveform w(s.points);
            Fill(w.Data(), size_t(w.npnts()), 1);
            w.step = Step;
            ph.Start();
            for (int t = 0; t < s.traces; ++t)
                Check(w.Write((folder + "/" + TraceName(t)).c_str()), "Waveform::Write");
            ph.Stop();
            ph.Start();
            for (int t = 0; t < s.traces; ++t) {
                Waveform back;
                Check(back.Read((folder + "/" + TraceName(t)).c_str()) && back.npnts() == s.points,
                      "Waveform::Read");
            }
            ph.Stop();
            Waveform again(s.points); // already holds enough room
            ph.Start();
            for (int t = 0; t < s.traces; ++t)
                Check(again.Read((folder + "/" + TraceName(t)).c_str()), "Waveform::Read again");
            ph.Stop();
        }};
}

Variant Hdf5Variant(const Shape& s)
{
    return {"HDF5, one file", [s](const std::string& folder, Phases& ph) {
                std::vector<float> data(size_t(s.points));
                Fill(data.data(), data.size(), 1);
                const std::string file = folder + "/shot.h5";
                ph.Start();
                {
                    H5File f(file, H5File::Create);
                    for (int t = 0; t < s.traces; ++t)
                        Check(f.Ok()
                                  && f.WriteTrace(TraceName(t).c_str(), data.data(), data.size(),
                                                  0.0f, Step),
                              "HDF5 write");
                }
                ph.Stop();
                for (int pass = 0; pass < 2; ++pass) {
                    ph.Start();
                    H5File f(file, H5File::ReadOnly);
                    for (int t = 0; t < s.traces; ++t)
                        Check(f.ReadTrace(TraceName(t).c_str()).count == data.size(), "HDF5 read");
                    ph.Stop();
                }
            }};
}

/// The child of a strace run: writes the traces one way and nothing else.
int WriteOnly(const char* how, const std::string& folder, const Shape& s)
{
    std::vector<float> data(size_t(s.points));
    Fill(data.data(), data.size(), 1);
    if (std::strcmp(how, "wvf") == 0) {
        CoreInit("");
        Waveform w(s.points);
        std::copy(data.begin(), data.end(), w.Data());
        for (int t = 0; t < s.traces; ++t)
            Check(w.Write((folder + "/" + TraceName(t)).c_str()), "Waveform::Write");
        return 0;
    }
    for (int t = 0; t < s.traces; ++t)
        Check(RawCommit(folder, TraceName(t) + ".f32", data.data(), data.size(),
                        std::strcmp(how, "raw-sync") == 0),
              "raw write");
    return 0;
}

/// System calls of `how` writing the traces, from `strace -c -f`; -1 without strace.
long CountCalls(const std::string& self, const std::string& work, const char* how, const Shape& s)
{
    const std::string folder = work + "/strace-" + how;
    FreshFolder(folder);
    const std::string out = work + "/strace.txt";
    const std::string cmd = "strace -f -c -o '" + out + "' '" + self + "' --write-only " + how
                            + " '" + folder + "' " + std::to_string(s.traces) + " "
                            + std::to_string(s.points) + " >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0)
        return -1;
    long total = -1;
    if (FILE* f = std::fopen(out.c_str(), "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, f)) {
            double pct = 0, secs = 0;
            long usecs = 0, calls = 0;
            char name[64] = "";
            if (std::sscanf(line, "%lf %lf %ld %ld %*s %63s", &pct, &secs, &usecs, &calls, name)
                    >= 4
                && std::strstr(line, "total"))
                total = calls;
            else if (std::strstr(line, "total")
                     && std::sscanf(line, "%lf %lf %ld %ld", &pct, &secs, &usecs, &calls) == 4)
                total = calls;
        }
        std::fclose(f);
    }
    RemoveTree(folder);
    return total;
}

/// The calls made by start-up alone, so that the count per trace leaves them out.
void PrintCalls(const std::string& self, const std::string& work, const Shape& s)
{
    if (std::system("command -v strace >/dev/null 2>&1") != 0) {
        std::printf("  system calls per trace written: strace not installed\n");
        return;
    }
    const Shape none {0, s.points};
    std::printf("  system calls per trace written (strace -c -f, start-up subtracted):");
    for (const char* how : {"wvf", "raw", "raw-sync"}) {
        const long all = CountCalls(self, work, how, s);
        const long base = CountCalls(self, work, how, none);
        if (all < 0 || base < 0)
            std::printf(" %s failed", how);
        else
            std::printf("  %s %.1f", how, double(all - base) / s.traces);
    }
    std::printf("\n");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 6 && std::strcmp(argv[1], "--write-only") == 0)
        return WriteOnly(argv[2], argv[3], {std::atoi(argv[4]), std::atoi(argv[5])});
    double scale = 1;
    if (const char* s = std::getenv("TALVEX_BENCH_SCALE"))
        scale = std::max(0.001, std::atof(s));
    char tmpl[] = "/tmp/talvex-manytraces-XXXXXX";
    if (!mkdtemp(tmpl))
        return 1;
    const std::string work = tmpl;
    setenv("HOME", work.c_str(), 1);
    setenv("XDG_DATA_HOME", work.c_str(), 1);
    const std::string self = "/proc/" + std::to_string(getpid()) + "/exe";
    char exe[4096];
    const ssize_t len = readlink(self.c_str(), exe, sizeof exe - 1);
    const std::string program = len > 0 ? std::string(exe, size_t(len)) : std::string(argv[0]);

    std::printf("Many traces in one shot: write, read, read again (Waveform: into one that already "
                "has room; raw: into a warm buffer).\nMedian of 3 interleaved rounds, each in a "
                "fresh process; x = cost against raw files with the same syncs (the second row: "
                "library writes"
                "\nsync each file and its folder, as that row does)."
                "\n");
    for (Shape s : {Shape {200, 50000}, Shape {2000, 5000}}) {
        s.traces = std::max(2, int(s.traces * scale));
        std::vector<Variant> v {RawVariant(s, false), RawVariant(s, true), WaveformVariant(s)};
        if (HaveHdf5())
            v.push_back(Hdf5Variant(s));
        std::printf("\n%d traces x %d samples\n", s.traces, s.points);
        PrintTable({"write", "read", "read again"}, v, RunInterleaved(work, v, 3), 1);
        PrintCalls(program, work, s);
    }
    RemoveTree(work);
    return 0;
}
