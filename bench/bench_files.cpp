// File lookups and folder listings through the Windows-style layer, against plain POSIX calls.
#include "DString.h"
#include "DStringArray.h"
#include "FileSystem.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <map>
#include <string>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

int const FileCount = 2000;

// A fresh folder Exp/Shots with FileCount small files, removed at exit.
std::string const& Folder()
{
    static std::string const folder = [] {
        char base[] = "/tmp/talvex-bench-XXXXXX";
        std::string root = mkdtemp(base) ? base : "/tmp";
        std::string f = root + "/Exp/Shots";
        mkdir((root + "/Exp").c_str(), 0777);
        mkdir(f.c_str(), 0777);
        for (int i = 0; i < FileCount; ++i) {
            std::string name = f + "/Probe" + std::to_string(i) + ".WVF";
            if (std::FILE* out = std::fopen(name.c_str(), "wb"))
                std::fclose(out);
        }
        static std::string const cleanup = "rm -rf '" + root + "'";
        std::atexit([] {
            if (std::system(cleanup.c_str()) != 0) { }
        });
        return f;
    }();
    return folder;
}

void FileExistsExact(benchmark::State& state)
{
    DString const path((Folder() + "/Probe1234.WVF").c_str());
    for (auto _ : state) {
        DString p = path;
        benchmark::DoNotOptimize(FileExists(p));
    }
}

void FileExistsOtherCase(benchmark::State& state)
{
    DString const path((Folder() + "/probe1234.wvf").c_str());
    for (auto _ : state) {
        DString p = path;
        benchmark::DoNotOptimize(FileExists(p));
    }
}

void StatExact(benchmark::State& state)
{
    std::string const path = Folder() + "/Probe1234.WVF";
    for (auto _ : state) {
        struct stat st;
        benchmark::DoNotOptimize(stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode));
    }
}

void GetFilesWildcard(benchmark::State& state)
{
    DString const pattern((Folder() + "/*.wvf").c_str());
    for (auto _ : state) {
        DStringArray names;
        GetFiles(pattern, names, true);
        benchmark::DoNotOptimize(names.Data());
    }
}

void ReaddirSortStd(benchmark::State& state)
{
    std::string const folder = Folder();
    for (auto _ : state) {
        std::vector<std::string> names;
        if (DIR* d = opendir(folder.c_str())) {
            while (dirent* e = readdir(d)) {
                std::string n = e->d_name;
                struct stat st;
                if (n.size() > 4 && strcasecmp(n.c_str() + n.size() - 4, ".wvf") == 0
                    && stat((folder + "/" + n).c_str(), &st) == 0 && S_ISREG(st.st_mode))
                    names.push_back(n);
            }
            closedir(d);
        }
        std::sort(names.begin(), names.end(), [](std::string const& a, std::string const& b) {
            return strcasecmp(a.c_str(), b.c_str()) < 0;
        });
        benchmark::DoNotOptimize(names.data());
    }
}

BENCHMARK(FileExistsExact)->Unit(benchmark::kMicrosecond);
BENCHMARK(FileExistsOtherCase)->Unit(benchmark::kMicrosecond);
BENCHMARK(StatExact)->Unit(benchmark::kMicrosecond);
BENCHMARK(GetFilesWildcard)->Unit(benchmark::kMillisecond);
BENCHMARK(ReaddirSortStd)->Unit(benchmark::kMillisecond);

// Keeps each benchmark's real time per iteration so that the ratios print after the table.
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
    Folder();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nTime ratios (above 1: slower than the plain POSIX calls):\n");
    PrintRatio(reporter, "FileExistsExact", "StatExact");
    PrintRatio(reporter, "FileExistsOtherCase", "StatExact");
    PrintRatio(reporter, "GetFilesWildcard", "ReaddirSortStd");
    benchmark::Shutdown();
    return 0;
}
