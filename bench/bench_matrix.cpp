// Matrix files: a 2,000 x 2,000 matrix written and read against plain stdio I/O of the same
// bytes, and the last slice of a 2,000 x 2,000 x 20 matrix read against the whole of it.
#include "Matrix.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
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

// The operations compared; the files they read are written before any timing.
void WriteMatrix()
{
    Square().Write(Path("square").c_str());
}
void WriteRaw()
{
    std::FILE* f = std::fopen(Path("raw.bin").c_str(), "wb");
    std::fwrite(Square().Data(), 1, size_t(SquareBytes()), f);
    std::fclose(f);
}
// The same bytes replacing the file as a whole: a temporary file renamed over the target.
void WriteRawReplace()
{
    std::FILE* f = std::fopen(Path(".raw.tmp").c_str(), "wb");
    std::fwrite(Square().Data(), 1, size_t(SquareBytes()), f);
    std::fclose(f);
    std::rename(Path(".raw.tmp").c_str(), Path("raw.bin").c_str());
}
void ReadMatrix()
{
    Matrix m;
    benchmark::DoNotOptimize(m.Read(Path("square").c_str()));
}
void ReadRaw()
{
    void* p = std::malloc(size_t(SquareBytes()));
    std::FILE* f = std::fopen((Path("square") + ".dmt").c_str(), "rb");
    std::fseek(f, 100, SEEK_SET);
    benchmark::DoNotOptimize(std::fread(p, 1, size_t(SquareBytes()), f));
    std::fclose(f);
    std::free(p);
}
void ReadLarge()
{
    Matrix m;
    benchmark::DoNotOptimize(m.Read(Path("large").c_str()));
}
void ReadLastSlice()
{
    Matrix m;
    benchmark::DoNotOptimize(m.Read(Path("large[19]").c_str()));
}

void Measure(benchmark::State& state, void (*op)())
{
    for (auto _ : state)
        op();
}

// Wall time: these operations are I/O-bound.
void Timed(benchmark::internal::Benchmark* b)
{
    b->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
}

BENCHMARK_CAPTURE(Measure, WriteMatrix, WriteMatrix)->Apply(Timed);
BENCHMARK_CAPTURE(Measure, WriteRaw, WriteRaw)->Apply(Timed);
BENCHMARK_CAPTURE(Measure, WriteRawReplace, WriteRawReplace)->Apply(Timed);
BENCHMARK_CAPTURE(Measure, ReadMatrix, ReadMatrix)->Apply(Timed);
BENCHMARK_CAPTURE(Measure, ReadRaw, ReadRaw)->Apply(Timed);
BENCHMARK_CAPTURE(Measure, ReadLarge, ReadLarge)->Apply(Timed);
BENCHMARK_CAPTURE(Measure, ReadLastSlice, ReadLastSlice)->Apply(Timed);

struct Cost {
    double wall;
    double cpu;
};

double ProcessSeconds()
{
    return double(std::clock()) / CLOCKS_PER_SEC;
}

Cost Seconds(void (*op)())
{
    auto const t0 = std::chrono::steady_clock::now();
    double const c0 = ProcessSeconds();
    op();
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(),
            ProcessSeconds() - c0};
}

// The median ratio of back-to-back runs in alternating order, so that the load of a shared
// machine and the page cache's write-back fall on both sides alike.
void PrintPaired(char const* label, void (*ours)(), void (*base)(), int pairs)
{
    std::vector<double> wall;
    std::vector<double> cpu;
    for (int i = 0; i < pairs; ++i) {
        Cost a {};
        Cost b {};
        if (i % 2 == 0) {
            a = Seconds(ours);
            b = Seconds(base);
        } else {
            b = Seconds(base);
            a = Seconds(ours);
        }
        wall.push_back(a.wall / b.wall);
        cpu.push_back(a.cpu / b.cpu);
    }
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    std::printf("  %-34s %.4f wall, %.4f CPU\n", label, wall[wall.size() / 2], cpu[cpu.size() / 2]);
}

} // namespace

int main(int argc, char** argv)
{
    char pattern[] = "/tmp/talvex-bench-XXXXXX";
    if (!mkdtemp(pattern))
        return 1;
    Dir = pattern;
    static_assert(Layers == 20, "ReadLastSlice names slice 19");
    Square();
    WriteMatrix();
    Filled(Layers).Write(Path("large").c_str());

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::printf("\nTime ratios, median of alternating pairs (matrix %d x %d, %.0f MB; large "
                "matrix %d layers, %.0f MB):\n",
                Side, Side, double(SquareBytes()) / (1 << 20), Layers,
                double(SquareBytes()) * Layers / (1 << 20));
    PrintPaired("write / stdio write", WriteMatrix, WriteRaw, 41);
    PrintPaired("write / stdio write and rename", WriteMatrix, WriteRawReplace, 41);
    PrintPaired("read / stdio read", ReadMatrix, ReadRaw, 41);
    PrintPaired("read last slice / read all", ReadLastSlice, ReadLarge, 9);

    for (char const* f : {"square.dmt", "raw.bin", "large.dmt"})
        std::remove(Path(f).c_str());
    rmdir(Dir.c_str());
    return 0;
}
