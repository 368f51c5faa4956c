// Settings files: loading, changing one key and writing back, against plain stdio on the same
// bytes; loading at three sizes to show it grows linearly.
#include "DIni.h"

#include "Clock.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
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

} // namespace

BENCHMARK(BM_Load)->Arg(1000)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdioRead)->Arg(1000)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChangeKey)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteBack)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdioWrite)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    std::string base = (std::filesystem::temp_directory_path() / "talvex-bench-XXXXXX").string();
    if (!mkdtemp(&base[0]))
        return 1;
    g_dir = base;
    for (int n : {1000, 10000, 40000})
        MakeSettingsFile(n);

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
