// String copies, assignments and single-character appends, against std::string.
#include "DString.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

int const TextLen = 1000;
int const AppendCount = 100000;

void CopyDString(benchmark::State& state)
{
    DString const s('x', TextLen);
    for (auto _ : state) {
        DString c(s);
        benchmark::DoNotOptimize(c.c_str());
        benchmark::ClobberMemory();
    }
}

void CopyStd(benchmark::State& state)
{
    std::string const s(TextLen, 'x');
    for (auto _ : state) {
        std::string c(s);
        benchmark::DoNotOptimize(c.data());
        benchmark::ClobberMemory();
    }
}

// Alternates two sources so that every assignment really changes the target's buffer.
void AssignDString(benchmark::State& state)
{
    DString const a('a', TextLen);
    DString const b('b', TextLen);
    DString target;
    bool flip = false;
    for (auto _ : state) {
        target = (flip = !flip) ? a : b;
        benchmark::DoNotOptimize(target.c_str());
        benchmark::ClobberMemory();
    }
}

void AssignStd(benchmark::State& state)
{
    std::string const a(TextLen, 'a');
    std::string const b(TextLen, 'b');
    std::string target;
    bool flip = false;
    for (auto _ : state) {
        target = (flip = !flip) ? a : b;
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
}

void AppendCharsDString(benchmark::State& state)
{
    for (auto _ : state) {
        DString s;
        for (int i = 0; i < AppendCount; ++i)
            s << static_cast<char>('a' + i % 26);
        benchmark::DoNotOptimize(s.c_str());
    }
}

void AppendCharsStd(benchmark::State& state)
{
    for (auto _ : state) {
        std::string s;
        for (int i = 0; i < AppendCount; ++i)
            s += static_cast<char>('a' + i % 26);
        benchmark::DoNotOptimize(s.data());
    }
}

BENCHMARK(CopyDString);
BENCHMARK(CopyStd);
BENCHMARK(AssignDString);
BENCHMARK(AssignStd);
BENCHMARK(AppendCharsDString)->Unit(benchmark::kMicrosecond);
BENCHMARK(AppendCharsStd)->Unit(benchmark::kMicrosecond);

// Keeps each benchmark's real time per iteration (the median when repetitions are asked for)
// so that the ratios print after the table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> seconds;

    void ReportRuns(std::vector<Run> const& runs) override
    {
        for (Run const& r : runs) {
            std::string const& name = r.run_name.function_name;
            if (r.run_type == Run::RT_Iteration && r.iterations > 0)
                seconds[name] = r.real_accumulated_time / double(r.iterations);
            else if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median")
                seconds[name] = r.GetAdjustedRealTime()
                                * benchmark::GetTimeUnitMultiplier(r.time_unit);
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

void PrintRatio(RatioReporter const& rep, char const* ours, char const* baseline)
{
    auto a = rep.seconds.find(ours);
    auto b = rep.seconds.find(baseline);
    if (a != rep.seconds.end() && b != rep.seconds.end() && b->second > 0)
        std::printf("%-20s / %-16s = %.2f\n", ours, baseline, a->second / b->second);
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nTime ratios (below 1: faster than std::string; strings of %d characters):\n",
                TextLen);
    PrintRatio(reporter, "CopyDString", "CopyStd");
    PrintRatio(reporter, "AssignDString", "AssignStd");
    PrintRatio(reporter, "AppendCharsDString", "AppendCharsStd");
    benchmark::Shutdown();
    return 0;
}
