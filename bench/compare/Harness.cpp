// Interleaved runs in child processes, medians of phase times, peak memory and table output.
#include "Harness.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace bench {

namespace {

double Clock(clockid_t id)
{
    timespec ts;
    clock_gettime(id, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

bool ReadFull(int fd, void* buf, size_t n)
{
    char* p = static_cast<char*>(buf);
    while (n > 0) {
        ssize_t r = read(fd, p, n);
        if (r <= 0)
            return false;
        p += r;
        n -= size_t(r);
    }
    return true;
}

void WriteFull(int fd, const void* buf, size_t n)
{
    const char* p = static_cast<const char*>(buf);
    while (n > 0) {
        ssize_t w = write(fd, p, n);
        if (w <= 0)
            return;
        p += w;
        n -= size_t(w);
    }
}

// One run in a child: its phase times through a pipe, its peak memory from wait4.
bool RunChild(const std::string& folder, const Variant& v, std::vector<Times>& times,
              double& peakMb)
{
    int fds[2];
    if (pipe(fds) != 0)
        return false;
    std::fflush(stdout);
    pid_t pid = fork();
    if (pid < 0)
        return false;
    if (pid == 0) {
        close(fds[0]);
        Phases phases;
        v.run(folder, phases);
        size_t n = phases.Taken().size();
        WriteFull(fds[1], &n, sizeof n);
        WriteFull(fds[1], phases.Taken().data(), n * sizeof(Times));
        close(fds[1]);
        _exit(0);
    }
    close(fds[1]);
    size_t n = 0;
    bool ok = ReadFull(fds[0], &n, sizeof n) && n < 1000;
    times.assign(ok ? n : 0, Times());
    ok = ok && ReadFull(fds[0], times.data(), n * sizeof(Times));
    close(fds[0]);
    int status = 0;
    rusage ru;
    std::memset(&ru, 0, sizeof ru);
    if (wait4(pid, &status, 0, &ru) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        ok = false;
    peakMb = double(ru.ru_maxrss) / 1024.0;
    return ok;
}

double Median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    size_t m = v.size() / 2;
    return v.size() % 2 ? v[m] : 0.5 * (v[m - 1] + v[m]);
}

} // namespace

void Phases::Start()
{
    at_.wall = Clock(CLOCK_MONOTONIC);
    at_.cpu = Clock(CLOCK_PROCESS_CPUTIME_ID);
}

void Phases::Stop()
{
    taken_.push_back(
        {Clock(CLOCK_MONOTONIC) - at_.wall, Clock(CLOCK_PROCESS_CPUTIME_ID) - at_.cpu});
}

void FreshFolder(const std::string& path)
{
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
    std::filesystem::create_directories(path, ec);
}

void RemoveTree(const std::string& path)
{
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
}

std::vector<Result> RunInterleaved(const std::string& work, const std::vector<Variant>& variants,
                                   int rounds)
{
    std::vector<std::vector<std::vector<Times>>> all(variants.size());
    std::vector<Result> results(variants.size());
    for (int r = 0; r < rounds; ++r) {
        for (size_t i = 0; i < variants.size(); ++i) {
            std::string folder = work + "/v" + std::to_string(i);
            FreshFolder(folder);
            sync(); // every run starts without dirty data of an earlier one to write back
            std::vector<Times> times;
            double peak = 0;
            if (!RunChild(folder, variants[i], times, peak))
                results[i].failed = true;
            all[i].push_back(times);
            results[i].peakMb = std::max(results[i].peakMb, peak);
            RemoveTree(folder);
        }
    }
    for (size_t i = 0; i < variants.size(); ++i) {
        size_t phases = 0;
        for (const auto& run : all[i])
            phases = std::max(phases, run.size());
        for (size_t p = 0; p < phases; ++p) {
            std::vector<double> wall, cpu;
            for (const auto& run : all[i]) {
                if (p < run.size()) {
                    wall.push_back(run[p].wall);
                    cpu.push_back(run[p].cpu);
                }
            }
            results[i].phases.push_back({Median(wall), Median(cpu)});
        }
    }
    return results;
}

void RunHere(const std::string& work, const Variant& variant)
{
    std::string folder = work + "/here";
    FreshFolder(folder);
    Phases phases;
    variant.run(folder, phases);
    for (const Times& t : phases.Taken())
        std::printf("  %s: %.3f ms wall, %.3f ms cpu\n", variant.name.c_str(), t.wall * 1e3,
                    t.cpu * 1e3);
    RemoveTree(folder);
}

void PrintTable(const std::vector<std::string>& phaseNames, const std::vector<Variant>& variants,
                const std::vector<Result>& results, int reference, double perSecond)
{
    size_t width = 8;
    for (const Variant& v : variants)
        width = std::max(width, v.name.size());
    std::printf("  %-*s", int(width), "");
    for (const std::string& p : phaseNames)
        std::printf(" | %-33s", p.c_str());
    std::printf(" | %8s\n", "peak");
    std::printf("  %-*s", int(width), "");
    for (size_t p = 0; p < phaseNames.size(); ++p)
        std::printf(perSecond > 0 ? " | %9s %9s %6s %6s" : " | %9s %9s %6s %6s",
                    perSecond > 0 ? "/s wall" : "ms wall", perSecond > 0 ? "/s cpu" : "ms cpu",
                    "x wall", "x cpu");
    std::printf(" | %8s\n", "MB");
    const Result& ref = results[size_t(reference)];
    for (size_t i = 0; i < variants.size(); ++i) {
        const Result& r = results[i];
        std::printf("  %-*s", int(width), variants[i].name.c_str());
        for (size_t p = 0; p < phaseNames.size(); ++p) {
            if (r.failed || p >= r.phases.size() || p >= ref.phases.size()) {
                std::printf(" | %-33s", "failed");
                continue;
            }
            const Times& t = r.phases[p];
            const Times& base = ref.phases[p];
            // Ratios are cost ratios: above 1 means slower than the reference, for rates too.
            double xw = t.wall / base.wall, xc = base.cpu > 0 ? t.cpu / base.cpu : 0;
            if (perSecond > 0)
                std::printf(" | %9.0f %9.0f %6.2f %6.2f", perSecond / t.wall,
                            t.cpu > 0 ? perSecond / t.cpu : 0.0, xw, xc);
            else
                std::printf(" | %9.2f %9.2f %6.2f %6.2f", t.wall * 1e3, t.cpu * 1e3, xw, xc);
        }
        std::printf(" | %8.1f\n", r.peakMb);
    }
    std::fflush(stdout);
}

} // namespace bench
