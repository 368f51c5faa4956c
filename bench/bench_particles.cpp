// Particle-group files of 10,000,000 particles written, read, appended and read in part,
// against plain stdio I/O of the same bytes, with the peak memory of each operation.
#include "ParticleGroup.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
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

void RawWrite(std::string const& path)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(Source().Data(), 1, size_t(DataBytes), f);
    std::fclose(f);
}

void RawRead(std::string const& path, long long offset, long long bytes)
{
    void* p = std::malloc(size_t(bytes));
    std::FILE* f = std::fopen(path.c_str(), "rb");
    std::fseek(f, long(offset), SEEK_SET);
    benchmark::DoNotOptimize(std::fread(p, 1, size_t(bytes), f));
    std::fclose(f);
    std::free(p);
}

// The operations compared; each stands alone once the group file exists.
void WriteGroup()
{
    Source().Write(Path("group").c_str());
}
void WriteRaw()
{
    RawWrite(Path("raw.bin"));
}
// The same bytes replacing the file as a whole: a temporary file renamed over the target.
void WriteRawReplace()
{
    RawWrite(Path(".raw.tmp"));
    std::rename(Path(".raw.tmp").c_str(), Path("raw.bin").c_str());
}
void ReadGroup()
{
    ParticleGroup g;
    benchmark::DoNotOptimize(g.Read(Path("group").c_str(), -1, 0));
}
void ReadRaw()
{
    RawRead(Path("group") + ".dpt", 200, DataBytes);
}
void ReadLastPercent()
{
    ParticleGroup g;
    int const last = Particles / 100;
    benchmark::DoNotOptimize(g.Read(Path("group").c_str(), last, Particles - last));
}
// Appends go to a fresh one-particle file, made before the clock starts.
void FreshSmallFile()
{
    ParticleGroup(1).Write(Path("app").c_str());
}
void AppendGroup()
{
    Source().Append(Path("app").c_str());
}
void AppendRaw()
{
    std::FILE* f = std::fopen((Path("app") + ".dpt").c_str(), "r+b");
    std::fseek(f, 0, SEEK_END);
    std::fwrite(Source().Data(), 1, size_t(DataBytes), f);
    int const total = Particles + 1;
    std::fseek(f, 12, SEEK_SET);
    std::fwrite(&total, 4, 1, f);
    std::fclose(f);
}
void Nothing() { }

void Measure(benchmark::State& state, void (*op)(), void (*setup)())
{
    for (auto _ : state) {
        state.PauseTiming();
        setup();
        state.ResumeTiming();
        op();
    }
}

// Wall time: these operations are I/O-bound.
void Timed(benchmark::internal::Benchmark* b)
{
    b->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
}

BENCHMARK_CAPTURE(Measure, WriteGroup, WriteGroup, Nothing)->Apply(Timed);
BENCHMARK_CAPTURE(Measure, WriteRaw, WriteRaw, Nothing)->Apply(Timed);
BENCHMARK_CAPTURE(Measure, WriteRawReplace, WriteRawReplace, Nothing)->Apply(Timed);
BENCHMARK_CAPTURE(Measure, ReadGroup, ReadGroup, Nothing)->Apply(Timed);
BENCHMARK_CAPTURE(Measure, ReadRaw, ReadRaw, Nothing)->Apply(Timed);
BENCHMARK_CAPTURE(Measure, ReadLastPercent, ReadLastPercent, Nothing)->Apply(Timed);
BENCHMARK_CAPTURE(Measure, AppendGroup, AppendGroup, FreshSmallFile)->Apply(Timed);
BENCHMARK_CAPTURE(Measure, AppendRaw, AppendRaw, FreshSmallFile)->Apply(Timed);

struct Cost {
    double wall;
    double cpu;
};

double ProcessSeconds()
{
    return double(std::clock()) / CLOCKS_PER_SEC;
}

Cost Seconds(void (*op)(), void (*setup)())
{
    setup();
    auto const t0 = std::chrono::steady_clock::now();
    double const c0 = ProcessSeconds();
    op();
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(),
            ProcessSeconds() - c0};
}

// The median ratio of back-to-back runs in alternating order, so that the load of a shared
// machine and the page cache's write-back fall on both sides alike.
void PrintPaired(char const* label, void (*ours)(), void (*base)(), void (*setup)() = Nothing)
{
    std::vector<double> wall;
    std::vector<double> cpu;
    for (int i = 0; i < 9; ++i) {
        Cost a {};
        Cost b {};
        if (i % 2 == 0) {
            a = Seconds(ours, setup);
            b = Seconds(base, setup);
        } else {
            b = Seconds(base, setup);
            a = Seconds(ours, setup);
        }
        wall.push_back(a.wall / b.wall);
        cpu.push_back(a.cpu / b.cpu);
    }
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    std::printf("  %-36s %.4f wall, %.4f CPU\n", label, wall[wall.size() / 2], cpu[cpu.size() / 2]);
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
    double const read = PeakMegabytes([] {
        ParticleGroup g;
        g.Read(Path("peak").c_str());
    });
    double const append = PeakMegabytes([&] { filled().Append(Path("peak").c_str()); });
    std::printf("Peak memory above an idle child (%.0f MB), data %.0f MB:\n", idle,
                double(DataBytes) / (1 << 20));
    std::printf("  fill only %.0f MB, write %.0f MB, read %.0f MB, append %.0f MB\n\n",
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
    WriteGroup();

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::printf("\nTime ratios for %d particles (%.0f MB), median of 9 alternating pairs:\n",
                Particles, double(DataBytes) / (1 << 20));
    PrintPaired("write / stdio write", WriteGroup, WriteRaw);
    PrintPaired("write / stdio write and rename", WriteGroup, WriteRawReplace);
    PrintPaired("read / stdio read", ReadGroup, ReadRaw);
    PrintPaired("append / stdio append", AppendGroup, AppendRaw, FreshSmallFile);
    PrintPaired("read last 1 % / read all", ReadLastPercent, ReadGroup);

    for (char const* f : {"group.dpt", "raw.bin", "app.dpt", "peak.dpt"})
        std::remove(Path(f).c_str());
    rmdir(Dir.c_str());
    return 0;
}
