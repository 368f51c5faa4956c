// Particle-group files of 10,000,000 particles written, read, appended and read in part,
// against plain stdio I/O of the same bytes, with the peak memory of each operation.
#include "ParticleGroup.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

int const Particles = 10000000;
long long const DataBytes = static_cast<long long>(Particles) * 32;
std::string Dir;

std::string Path(char const* name)
{
    return Dir + "/" + name;
}

ParticleGroup& Source()
{
    static ParticleGroup g = [] {
        ParticleGroup s(Particles);
        for (int i = 0; i < s.Count(); ++i)
            s[i] = float(i % 1000) * 0.5f;
        s.Scale();
        return s;
    }();
    return g;
}

void WriteGroup(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(Source().Write(Path("group").c_str()));
}

void WriteRaw(benchmark::State& state)
{
    for (auto _ : state) {
        std::FILE* f = std::fopen(Path("raw.bin").c_str(), "wb");
        std::fwrite(Source().Data(), 1, size_t(DataBytes), f);
        std::fclose(f);
    }
}

void ReadGroup(benchmark::State& state)
{
    Source().Write(Path("group").c_str());
    for (auto _ : state) {
        ParticleGroup g;
        benchmark::DoNotOptimize(g.Read(Path("group").c_str(), -1, 0));
        benchmark::DoNotOptimize(g.Data());
    }
}

void ReadRaw(benchmark::State& state)
{
    Source().Write(Path("group").c_str());
    for (auto _ : state) {
        void* p = std::malloc(size_t(DataBytes));
        std::FILE* f = std::fopen((Path("group") + ".dpt").c_str(), "rb");
        std::fseek(f, 200, SEEK_SET);
        benchmark::DoNotOptimize(std::fread(p, 1, size_t(DataBytes), f));
        std::fclose(f);
        std::free(p);
    }
}

// The last 1 % of the file, next to ReadGroup for the whole of it.
void ReadLastPercent(benchmark::State& state)
{
    Source().Write(Path("group").c_str());
    int const last = Particles / 100;
    for (auto _ : state) {
        ParticleGroup g;
        benchmark::DoNotOptimize(g.Read(Path("group").c_str(), last, Particles - last));
        benchmark::DoNotOptimize(g.Data());
    }
}

// Each append goes to a fresh one-particle file.
void AppendGroup(benchmark::State& state)
{
    ParticleGroup one(1);
    for (auto _ : state) {
        state.PauseTiming();
        one.Write(Path("app").c_str());
        state.ResumeTiming();
        benchmark::DoNotOptimize(Source().Append(Path("app").c_str()));
    }
}

void AppendRaw(benchmark::State& state)
{
    ParticleGroup one(1);
    for (auto _ : state) {
        state.PauseTiming();
        one.Write(Path("app").c_str());
        state.ResumeTiming();
        std::FILE* f = std::fopen((Path("app") + ".dpt").c_str(), "r+b");
        std::fseek(f, 0, SEEK_END);
        std::fwrite(Source().Data(), 1, size_t(DataBytes), f);
        int const total = Particles + 1;
        std::fseek(f, 12, SEEK_SET);
        std::fwrite(&total, 4, 1, f);
        std::fclose(f);
    }
}

// Wall time, median of five runs: these are I/O-bound and the machine is shared.
void Timed(benchmark::internal::Benchmark* b)
{
    b->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.5)->Repetitions(5);
    b->ReportAggregatesOnly(true);
}

BENCHMARK(WriteGroup)->Apply(Timed);
BENCHMARK(WriteRaw)->Apply(Timed);
BENCHMARK(ReadGroup)->Apply(Timed);
BENCHMARK(ReadRaw)->Apply(Timed);
BENCHMARK(AppendGroup)->Apply(Timed);
BENCHMARK(AppendRaw)->Apply(Timed);
BENCHMARK(ReadLastPercent)->Apply(Timed);

// Keeps each benchmark's median wall and CPU time per iteration for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, std::pair<double, double>> seconds;

    void ReportRuns(std::vector<Run> const& runs) override
    {
        for (Run const& r : runs) {
            if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median") {
                double const unit = benchmark::GetTimeUnitMultiplier(r.time_unit);
                seconds[r.run_name.function_name] = {r.GetAdjustedRealTime() * unit,
                                                     r.GetAdjustedCPUTime() * unit};
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

void PrintRatio(RatioReporter const& rep, char const* ours, char const* baseline)
{
    auto a = rep.seconds.find(ours);
    auto b = rep.seconds.find(baseline);
    if (a == rep.seconds.end() || b == rep.seconds.end() || b->second.first <= 0)
        return;
    std::printf("%-16s / %-12s = %.4f wall, %.4f CPU\n", ours, baseline,
                a->second.first / b->second.first, a->second.second / b->second.second);
}

// Peak resident memory of one operation, in a child process that starts small.
template <class Op> double PeakMegabytes(Op op)
{
    pid_t const pid = fork();
    if (pid == 0) {
        op();
        _exit(0);
    }
    int status = 0;
    struct rusage use = {};
    wait4(pid, &status, 0, &use);
    return double(use.ru_maxrss) / 1024.0;
}

void PrintPeaks()
{
    auto filled = [] {
        ParticleGroup g(Particles);
        for (int i = 0; i < g.Count(); ++i)
            g[i] = float(i % 7);
        g.Scale();
        return g;
    };
    double const idle = PeakMegabytes([] {});
    double const build = PeakMegabytes([&] { filled(); });
    double const write = PeakMegabytes([&] { filled().Write(Path("peak").c_str()); });
    double const read = PeakMegabytes([] { ParticleGroup g; g.Read(Path("peak").c_str()); });
    double const append = PeakMegabytes([&] { filled().Append(Path("peak").c_str()); });
    std::printf("\nPeak memory above an idle child (%.0f MB), data %.0f MB:\n", idle,
                double(DataBytes) / (1 << 20));
    std::printf("  fill only %.0f MB, write %.0f MB, read %.0f MB, append %.0f MB\n",
                build - idle, write - idle, read - idle, append - idle);
}

} // namespace

int main(int argc, char** argv)
{
    char pattern[] = "/tmp/talvex-bench-XXXXXX";
    if (!mkdtemp(pattern))
        return 1;
    Dir = pattern;
    PrintPeaks();
    Source(); // built before any timing

    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nTime ratios for %d particles (%.0f MB; 1.00 = plain stdio):\n", Particles,
                double(DataBytes) / (1 << 20));
    PrintRatio(reporter, "WriteGroup", "WriteRaw");
    PrintRatio(reporter, "ReadGroup", "ReadRaw");
    PrintRatio(reporter, "AppendGroup", "AppendRaw");
    PrintRatio(reporter, "ReadLastPercent", "ReadGroup");
    benchmark::Shutdown();

    for (char const* f : {"group.dpt", "raw.bin", "app.dpt", "peak.dpt"})
        std::remove(Path(f).c_str());
    rmdir(Dir.c_str());
    return 0;
}
