// Splitting a 10 MB text into lines and appending 100,000 elements, against the standard library.
#include "DArray.h"
#include "DString.h"
#include "DStringArray.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

// About 10 MB of CR LF lines of 5 to 80 characters, like a tabulated data file.
std::string const& Text()
{
    static std::string const text = [] {
        std::string t;
        t.reserve(10u << 20);
        unsigned seed = 12345;
        char line[128];
        while (t.size() < (10u << 20)) {
            seed = seed * 1103515245u + 12345u;
            int const n = std::snprintf(line, sizeof line, "%u\t%.6g\t", seed % 100000, seed / 7.0);
            int const width = 5 + int(seed >> 8) % 76;
            t.append(line, size_t(n < width ? n : width));
            t.append("\r\n");
        }
        return t;
    }();
    return text;
}

void SplitLinesDStringArray(benchmark::State& state)
{
    DString const text(Text().c_str());
    for (auto _ : state) {
        DStringArray lines;
        lines.Split(text, LDelim);
        benchmark::DoNotOptimize(lines.Data());
    }
}

void SplitLinesStd(benchmark::State& state)
{
    std::string const& text = Text();
    for (auto _ : state) {
        std::vector<std::string> lines;
        size_t pos = 0;
        while (pos < text.size()) {
            size_t hit = text.find('\n', pos);
            size_t const end = hit == std::string::npos ? text.size() : hit;
            size_t len = end - pos;
            if (len > 0 && text[end - 1] == '\r')
                --len;
            lines.push_back(text.substr(pos, len));
            if (hit == std::string::npos)
                break;
            pos = hit + 1;
        }
        benchmark::DoNotOptimize(lines.data());
    }
}

int const AddCount = 100000;

void AddDArray(benchmark::State& state)
{
    for (auto _ : state) {
        DArray<int> a;
        for (int i = 0; i < AddCount; ++i)
            a.Add(i);
        benchmark::DoNotOptimize(a.Data());
    }
}

void AddPushBack(benchmark::State& state)
{
    for (auto _ : state) {
        std::vector<int> v;
        for (int i = 0; i < AddCount; ++i)
            v.push_back(i);
        benchmark::DoNotOptimize(v.data());
    }
}

BENCHMARK(SplitLinesDStringArray)->Unit(benchmark::kMillisecond);
BENCHMARK(SplitLinesStd)->Unit(benchmark::kMillisecond);
BENCHMARK(AddDArray)->Unit(benchmark::kMicrosecond);
BENCHMARK(AddPushBack)->Unit(benchmark::kMicrosecond);

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
        std::printf("%-24s / %-16s = %.2f\n", ours, baseline, a->second / b->second);
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nTime ratios (below 1: faster than the standard library):\n");
    PrintRatio(reporter, "SplitLinesDStringArray", "SplitLinesStd");
    PrintRatio(reporter, "AddDArray", "AddPushBack");
    benchmark::Shutdown();
    return 0;
}
