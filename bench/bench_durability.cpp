// The cost of durability: a field written through a settings file, a waveform and 200 small
// traces, each with every commit synced ([Files] Synchronous=Full, the default) and with the
// syncs left to the system (Off), against raw stdio doing the same temporary file, fsync and
// rename (the floor) in the same run.
#include "Core.h"
#include "DIni.h"
#include "Waveform.h"

#include "BenchRoot.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::string g_dir;

// 0: Full, 1: Off.
void UseSync(int off)
{
    StIni.SetSection("Files");
    StIni.SetKeyValue("Synchronous", off ? "Off" : "Full");
    SetUserPath();
}

const char* ModeName(int off)
{
    return off ? "Off" : "Full";
}

Waveform Trace(int n)
{
    Waveform w;
    w.ReSize(n);
    for (int i = 0; i < n; ++i)
        w[i] = float(i % 1000) * 0.5f;
    w.step = 1e-6f;
    return w;
}

void BM_FieldWrite(benchmark::State& state)
{
    UseSync(int(state.range(0)));
    DIni ini((g_dir + "/Scalars.ini").c_str());
    ini.SetSection("Shot1");
    int i = 0;
    for (auto _ : state)
        ini.SetKeyValue("Operator", DString(++i));
    state.SetLabel(ModeName(int(state.range(0))));
}

void BM_WaveformWrite(benchmark::State& state)
{
    UseSync(int(state.range(0)));
    Waveform w = Trace(100000);
    const DString name = (g_dir + "/probe").c_str();
    for (auto _ : state)
        benchmark::DoNotOptimize(w.Write(name));
    state.SetBytesProcessed(int64_t(state.iterations()) * 400000);
    state.SetLabel(ModeName(int(state.range(0))));
}

void BM_SmallTraces200(benchmark::State& state)
{
    UseSync(int(state.range(0)));
    Waveform w = Trace(1000);
    for (auto _ : state)
        for (int k = 0; k < 200; ++k)
            benchmark::DoNotOptimize(w.Write((g_dir + "/t" + std::to_string(k)).c_str()));
    state.SetLabel(ModeName(int(state.range(0))));
}

// The floor: what any safe writer must do at least, in plain stdio.
void RawCommit(const std::string& target, const std::vector<char>& bytes, bool sync)
{
    const std::string temp = target + ".tmp";
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fflush(f);
    if (sync)
        fsync(fileno(f));
    std::fclose(f);
    std::rename(temp.c_str(), target.c_str());
    if (sync) {
        const int dir = open(g_dir.c_str(), O_RDONLY | O_DIRECTORY);
        fsync(dir);
        close(dir);
    }
}

void BM_FloorRawCommit(benchmark::State& state)
{
    const std::vector<char> bytes(size_t(state.range(0)), 'x');
    const bool sync = state.range(1) == 0;
    for (auto _ : state)
        RawCommit(g_dir + "/raw.bin", bytes, sync);
    state.SetLabel(ModeName(int(state.range(1))));
}

void BM_FloorRaw200Small(benchmark::State& state)
{
    const std::vector<char> bytes(4200, 'x');
    const bool sync = state.range(0) == 0;
    for (auto _ : state)
        for (int k = 0; k < 200; ++k)
            RawCommit(g_dir + "/r" + std::to_string(k), bytes, sync);
    state.SetLabel(ModeName(int(state.range(0))));
}

BENCHMARK(BM_FieldWrite)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WaveformWrite)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SmallTraces200)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FloorRawCommit)
    ->Args({400, 0})
    ->Args({400, 1})
    ->Args({400000, 0})
    ->Args({400000, 1})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FloorRaw200Small)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    g_dir = MakeBenchRoot();
    if (g_dir.empty())
        return 1;
    CoreInit("");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    std::filesystem::remove_all(g_dir);
    return 0;
}
