// Matrix files: a 2,000 x 2,000 matrix written and read against plain stdio I/O of the same
// bytes, and the last slice of a 2,000 x 2,000 x 20 matrix read against the whole of it.
#include "Matrix.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

int const Side = 2000;
int const Layers = 20;
std::string Dir;

std::string Path(char const* name)
{
    return Dir + "/" + name;
}

Matrix Filled(int layers)
{
    Matrix m(Side, Side, layers);
    for (int i = 0; i < m.Count(); ++i)
        m[i] = float(i % 4093);
    m.Scale();
    return m;
}

Matrix& Square()
{
    static Matrix m = Filled(1);
    return m;
}

long long SquareBytes()
{
    return static_cast<long long>(Square().Count()) * 4;
}

void WriteMatrix(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(Square().Write(Path("square").c_str()));
}

void WriteRaw(benchmark::State& state)
{
    for (auto _ : state) {
        std::FILE* f = std::fopen(Path("raw.bin").c_str(), "wb");
        std::fwrite(Square().Data(), 1, size_t(SquareBytes()), f);
        std::fclose(f);
    }
}

void ReadMatrix(benchmark::State& state)
{
    Square().Write(Path("square").c_str());
    for (auto _ : state) {
        Matrix m;
        benchmark::DoNotOptimize(m.Read(Path("square").c_str()));
        benchmark::DoNotOptimize(m.Data());
    }
}

void ReadRaw(benchmark::State& state)
{
    Square().Write(Path("square").c_str());
    for (auto _ : state) {
        void* p = std::malloc(size_t(SquareBytes()));
        std::FILE* f = std::fopen((Path("square") + ".dmt").c_str(), "rb");
        std::fseek(f, 100, SEEK_SET);
        benchmark::DoNotOptimize(std::fread(p, 1, size_t(SquareBytes()), f));
        std::fclose(f);
        std::free(p);
    }
}

void ReadLarge(benchmark::State& state)
{
    for (auto _ : state) {
        Matrix m;
        benchmark::DoNotOptimize(m.Read(Path("large").c_str()));
        benchmark::DoNotOptimize(m.Data());
    }
}

void ReadLastSlice(benchmark::State& state)
{
    std::string const name = Path("large") + "[" + std::to_string(Layers - 1) + "]";
    for (auto _ : state) {
        Matrix m;
        benchmark::DoNotOptimize(m.Read(name.c_str()));
        benchmark::DoNotOptimize(m.Data());
    }
}

// Wall time, median of five runs: these are I/O-bound and the machine is shared.
void Timed(benchmark::internal::Benchmark* b)
{
    b->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.5)->Repetitions(5);
    b->ReportAggregatesOnly(true);
}

BENCHMARK(WriteMatrix)->Apply(Timed);
BENCHMARK(WriteRaw)->Apply(Timed);
BENCHMARK(ReadMatrix)->Apply(Timed);
BENCHMARK(ReadRaw)->Apply(Timed);
BENCHMARK(ReadLarge)->Apply(Timed);
BENCHMARK(ReadLastSlice)->Apply(Timed);

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
    std::printf("%-14s / %-10s = %.4f wall, %.4f CPU\n", ours, baseline,
                a->second.first / b->second.first, a->second.second / b->second.second);
}

} // namespace

int main(int argc, char** argv)
{
    char pattern[] = "/tmp/talvex-bench-XXXXXX";
    if (!mkdtemp(pattern))
        return 1;
    Dir = pattern;
    Square();
    Filled(Layers).Write(Path("large").c_str());

    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nTime ratios (1.00 = plain stdio, or the whole %d-layer matrix of %.0f MB):\n",
                Layers, double(Side) * Side * Layers * 4 / (1 << 20));
    PrintRatio(reporter, "WriteMatrix", "WriteRaw");
    PrintRatio(reporter, "ReadMatrix", "ReadRaw");
    PrintRatio(reporter, "ReadLastSlice", "ReadLarge");
    benchmark::Shutdown();

    for (char const* f : {"square.dmt", "raw.bin", "large.dmt"})
        std::remove(Path(f).c_str());
    rmdir(Dir.c_str());
    return 0;
}
