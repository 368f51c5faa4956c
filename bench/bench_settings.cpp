// Settings files: loading, changing one key, adding sections and writing back, against plain
// stdio on the same bytes; loading at three sizes to show it grows linearly.
#include "DIni.h"

#include "Clock.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <cstdlib>
#include <filesystem>
#include <malloc.h>
#include <map>
#include <string>
#include <vector>

namespace {

std::string g_dir;

std::string SettingsPath(int sections)
{
    return g_dir + "/s" + std::to_string(sections) + ".ini";
}

// A settings file of `sections` sections of 10 keys each, as DIni writes it.
void MakeSettingsFile(int sections)
{
    std::string text;
    for (int s = 0; s < sections; ++s) {
        text += (s ? "\r\n[Section" : "[Section") + std::to_string(s) + "]";
        for (int k = 0; k < 10; ++k)
            text += "\r\nKey" + std::to_string(k) + "=value " + std::to_string(s * 10 + k);
    }
    std::FILE* f = std::fopen(SettingsPath(sections).c_str(), "wb");
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
}

std::string StdioRead(const std::string& path)
{
    std::string bytes;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    std::fseek(f, 0, SEEK_END);
    bytes.resize(size_t(std::ftell(f)));
    std::fseek(f, 0, SEEK_SET);
    const size_t got = std::fread(&bytes[0], 1, bytes.size(), f);
    bytes.resize(got);
    std::fclose(f);
    return bytes;
}

void StdioWrite(const std::string& path, const std::string& bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

// A shot cache as the experiment keeps it: `sections` sections [Shot<n>] of 10 fields.
std::string CachePath(int sections)
{
    return g_dir + "/cache" + std::to_string(sections) + ".ini";
}

std::string FieldLine(int shot, int k)
{
    return "Field" + std::to_string(k) + "=" + std::to_string(shot * 0.125 + k);
}

void MakeCacheFile(int sections)
{
    std::string text;
    for (int s = 0; s < sections; ++s) {
        text += (s ? "\r\n[Shot" : "[Shot") + std::to_string(s) + "]";
        for (int k = 0; k < 10; ++k)
            text += "\r\n" + FieldLine(s, k);
    }
    StdioWrite(CachePath(sections), text);
}

// One new shot of 10 fields, each field its own committed write, as the experiment makes it.
void BM_AddShot(benchmark::State& state)
{
    const int sections = int(state.range(0));
    MakeCacheFile(sections);
    DIni ini(CachePath(sections).c_str());
    int shot = sections;
    for (auto _ : state) {
        ini.SetSection(DString("Shot") << shot);
        for (int k = 0; k < 10; ++k) {
            const std::string line = FieldLine(shot, k);
            const size_t eq = line.find('=');
            ini.SetKeyValue(line.substr(0, eq).c_str(), line.substr(eq + 1).c_str());
        }
        ++shot;
    }
}

// The floor: each field's line appended to the file and synced, as its own update.
void BM_StdioAddShot(benchmark::State& state)
{
    const int sections = int(state.range(0));
    MakeCacheFile(sections);
    const std::string path = CachePath(sections);
    int shot = sections;
    for (auto _ : state) {
        for (int k = -1; k < 10; ++k) {
            const std::string bytes = k < 0 ? "\r\n[Shot" + std::to_string(shot) + "]"
                                            : "\r\n" + FieldLine(shot, k);
            const int fd = open(path.c_str(), O_WRONLY | O_APPEND);
            const bool ok = write(fd, bytes.data(), bytes.size()) == ssize_t(bytes.size());
            benchmark::DoNotOptimize(ok);
            fsync(fd);
            close(fd);
        }
        ++shot;
    }
}

void BM_Load(benchmark::State& state)
{
    const DString path = SettingsPath(int(state.range(0))).c_str();
    for (auto _ : state) {
        DIni ini(path);
        benchmark::DoNotOptimize(ini.nSections());
    }
}

void BM_StdioRead(benchmark::State& state)
{
    const std::string path = SettingsPath(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(StdioRead(path));
}

void BM_ChangeKey(benchmark::State& state)
{
    DIni ini(SettingsPath(10000).c_str());
    int n = 0;
    for (auto _ : state) {
        ini.SetSection("Section5000");
        ini.SetKeyValue("Key5", DString(n++ % 10));
    }
}

void BM_WriteBack(benchmark::State& state)
{
    DIni ini(SettingsPath(10000).c_str());
    for (auto _ : state)
        ini.WriteFile("", false);
}

void BM_StdioWrite(benchmark::State& state)
{
    const std::string path = SettingsPath(10000);
    const std::string bytes = StdioRead(path);
    for (auto _ : state)
        StdioWrite(path, bytes);
}

// Keeps each run's mean time per iteration so that the ratios can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> seconds;
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration)
                seconds[run.benchmark_name()] = run.GetAdjustedRealTime()
                                                / benchmark::GetTimeUnitMultiplier(run.time_unit);
        ConsoleReporter::ReportRuns(runs);
    }
};

void PrintRatios(const std::map<std::string, double>& s)
{
    auto at = [&](const std::string& name) {
        const auto it = s.find(name);
        return it == s.end() ? 0.0 : it->second;
    };
    std::printf("\nSettings file of 10,000 sections x 10 keys (%.1f MB):\n",
                double(std::filesystem::file_size(SettingsPath(10000))) / 1e6);
    std::printf("  load         %8.2f ms  = %5.1f x stdio read  (%.2f ms)\n",
                at("BM_Load/10000") * 1e3, at("BM_Load/10000") / at("BM_StdioRead/10000"),
                at("BM_StdioRead/10000") * 1e3);
    std::printf("  change key   %8.2f ms  = %5.1f x stdio write (%.2f ms)\n",
                at("BM_ChangeKey") * 1e3, at("BM_ChangeKey") / at("BM_StdioWrite"),
                at("BM_StdioWrite") * 1e3);
    std::printf("  write back   %8.2f ms  = %5.1f x stdio write\n", at("BM_WriteBack") * 1e3,
                at("BM_WriteBack") / at("BM_StdioWrite"));
    for (int n : {1000, 100000}) {
        const std::string tail = "/" + std::to_string(n);
        std::printf("  new shot + 10 fields, %6d shots: %8.2f ms = %5.1f x appending each line "
                    "and syncing (%.2f ms)\n",
                    n, at("BM_AddShot" + tail) * 1e3,
                    at("BM_AddShot" + tail) / at("BM_StdioAddShot" + tail),
                    at("BM_StdioAddShot" + tail) * 1e3);
    }
    std::printf("Loading per section (linear when flat):\n");
    for (int n : {1000, 10000, 40000}) {
        const std::string name = "BM_Load/" + std::to_string(n);
        std::printf("  %6d sections: %8.2f ms, %6.3f us per section, %5.1f x stdio read\n", n,
                    at(name) * 1e3, at(name) / n * 1e6,
                    at(name) / at("BM_StdioRead/" + std::to_string(n)));
    }
}

// Between iterations the allocator gives large freed heaps back to the system, so the biggest
// file pays for fresh pages on every load. With the heap kept, the time per section shows the
// parsing alone.
void PrintWarmHeapLoads()
{
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    std::printf("Loading per section with the heap kept between loads (best of 5):\n");
    for (int n : {1000, 10000, 40000}) {
        double best = 1e9;
        for (int run = 0; run < 6; ++run) {
            const double t0 = Timer();
            {
                DIni ini(SettingsPath(n).c_str());
                benchmark::DoNotOptimize(ini.nSections());
            }
            if (run > 0) // the first run fills the heap
                best = std::min(best, Timer() - t0);
        }
        std::printf("  %6d sections: %8.2f ms, %6.3f us per section\n", n, best * 1e3,
                    best / n * 1e6);
    }
}

// A /proc/self/status figure in kB (Linux).
long StatusKb(const char* key)
{
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (!f)
        return 0;
    char line[256];
    long kb = 0;
    const size_t n = std::strlen(key);
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, key, n) == 0)
            kb = std::atol(line + n + 1);
    std::fclose(f);
    return kb;
}

// Opening a cache once in a process of its own, so that no heap is left from earlier work:
// time against one stdio read of the file, and the peak memory against the file's size.
int OpenCost(const std::string& path)
{
    const double size = double(std::filesystem::file_size(path));
    const double r0 = Timer();
    benchmark::DoNotOptimize(StdioRead(path));
    const double read = Timer() - r0;
    std::FILE* reset = std::fopen("/proc/self/clear_refs", "w"); // peak := now
    if (reset) {
        std::fputs("5", reset);
        std::fclose(reset);
    }
    const long before = StatusKb("VmRSS:");
    const double t0 = Timer();
    DIni ini(path.c_str());
    const double open = Timer() - t0;
    const long peak = StatusKb("VmHWM:") - before;
    std::printf("Opening a cache of 100,000 shots (%.1f MB): %.1f ms = %.1f x one stdio read "
                "(%.1f ms); peak memory %.1f MB = %.1f x the file\n",
                size / 1e6, open * 1e3, open / read, read * 1e3, peak / 1e3, peak * 1e3 / size);
    benchmark::DoNotOptimize(ini.nSections());
    return 0;
}

void PrintOpenCost(const char* self)
{
    MakeCacheFile(100000);
    std::fflush(stdout);
    const std::string command = std::string(self) + " --open-cost " + CachePath(100000);
    if (std::system(command.c_str()) != 0)
        std::printf("Opening a cache of 100,000 shots: not measured\n");
}

} // namespace

BENCHMARK(BM_Load)->Arg(1000)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdioRead)->Arg(1000)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChangeKey)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteBack)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdioWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AddShot)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdioAddShot)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "--open-cost")
        return OpenCost(argv[2]);
    std::string base = (std::filesystem::temp_directory_path() / "talvex-bench-XXXXXX").string();
    if (!mkdtemp(&base[0]))
        return 1;
    g_dir = base;
    for (int n : {1000, 10000, 40000})
        MakeSettingsFile(n);
    PrintOpenCost(argv[0]);

    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintRatios(reporter.seconds);
    PrintWarmHeapLoads();
    benchmark::Shutdown();

    std::error_code ec;
    std::filesystem::remove_all(g_dir, ec);
    return 0;
}
