// Waveform file speed against raw stdio, read memory, and analysis throughput in GB/s.
#include "Waveform.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

int const BigPoints = 10000000;
int const SmallFiles = 10000;
int const SmallPoints = 1000;
int const Repeats = 5;

double Seconds(std::function<void()> const& f)
{
    auto const t0 = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// Median of `repeats` runs, after one warm-up run.
double Median(std::function<void()> const& f, int repeats = Repeats)
{
    f();
    std::vector<double> t;
    for (int i = 0; i < repeats; ++i)
        t.push_back(Seconds(f));
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

std::string FileBytes(std::string const& path)
{
    std::string b;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char buf[1 << 16];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
            b.append(buf, n);
        std::fclose(f);
    }
    return b;
}

void RawWrite(std::string const& path, std::string const& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        std::abort();
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

// The same bytes written as a replacement: a temporary file beside, renamed over the target.
void RawReplace(std::string const& path, std::string const& bytes)
{
    std::string const temp = path + ".tmp";
    RawWrite(temp, bytes);
    if (std::rename(temp.c_str(), path.c_str()) != 0)
        std::abort();
}

// Reads a whole file into a fresh heap block, as a reader that allocates per file would.
size_t RawRead(std::string const& path, size_t size)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        std::abort();
    char* buf = static_cast<char*>(std::malloc(size));
    size_t const n = std::fread(buf, 1, size, f);
    std::fclose(f);
    std::free(buf);
    return n;
}

// A pulse whose half-maximum width spans most of the trace, with a little noise, so that
// the crossing and width searches walk through most samples.
Waveform Pulse(int n)
{
    Waveform w(n);
    unsigned x = 12345;
    for (int i = 0; i < n; ++i) {
        x = x * 1664525u + 1013904223u;
        double const u = (i - 0.5 * n) / (0.35 * n);
        w[i] = float(100.0 / (1.0 + u * u * u * u) + double(x >> 8) / double(1 << 24));
    }
    w.description = "benchmark";
    w.Scale();
    return w;
}

long StatusKb(char const* key)
{
    long kb = -1;
    if (FILE* f = std::fopen("/proc/self/status", "r")) {
        char line[256];
        size_t const len = std::strlen(key);
        while (std::fgets(line, sizeof line, f))
            if (std::strncmp(line, key, len) == 0)
                kb = std::atol(line + len);
        std::fclose(f);
    }
    return kb;
}

// Peak resident growth of one Read, in MB, measured in a fresh process (this program run with
// --peak), so no memory freed earlier can be reused and hide the cost.
int PeakChild(char const* name)
{
    long const before = StatusKb("VmRSS:");
    Waveform w;
    bool const ok = w.Read(DString(name), -1);
    long const peak = StatusKb("VmHWM:");
    std::printf("%.1f\n", ok ? (peak - before) / 1024.0 : -1.0);
    return ok ? 0 : 1;
}

double ReadPeakMb(std::string const& name)
{
    std::string const cmd = "/proc/" + std::to_string(getpid()) + "/exe --peak '" + name + "'";
    double mb = -1;
    if (FILE* p = popen(cmd.c_str(), "r")) {
        if (std::fscanf(p, "%lf", &mb) != 1)
            mb = -1;
        pclose(p);
    }
    return mb;
}

void Ratio(char const* what, double ours, double raw)
{
    std::printf("%-44s %9.2f ms  raw %9.2f ms  ratio %.2f\n", what, ours * 1e3, raw * 1e3,
                ours / raw);
}

// Writes compare with both an in-place raw write and a raw replacement (temp file + rename),
// which is what every whole-file write of the library does.
void WriteRatios(char const* what, double ours, double raw, double rawReplace)
{
    std::printf("%-44s %9.2f ms  raw %9.2f ms  ratio %.2f; raw replace %9.2f ms  ratio %.2f\n",
                what, ours * 1e3, raw * 1e3, ours / raw, rawReplace * 1e3, ours / rawReplace);
}

void Throughput(char const* what, Waveform const& w, std::function<void()> const& f)
{
    double const t = Median(f);
    std::printf("%-44s %9.2f ms  %6.2f GB/s of samples\n", what, t * 1e3,
                double(w.npnts()) * 4 / t / 1e9);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--peak") == 0)
        return PeakChild(argv[2]);
    char dirTemplate[] = "/tmp/bench_waveform_XXXXXX";
    if (!mkdtemp(dirTemplate))
        return 1;
    std::string const dir = dirTemplate;
    std::string const big = dir + "/big";

    std::printf("Waveform of %d points (%.1f MB of samples), median of %d runs\n\n", BigPoints,
                BigPoints * 4 / 1e6, Repeats);
    double readPeak = -1;
    {
        Waveform w = Pulse(BigPoints);
        DString const name(big.c_str());
        double const wr = Median([&] { w.Write(name); });
        std::string const bytes = FileBytes(big + ".wvf");
        double const rawWr = Median([&] { RawWrite(dir + "/raw.bin", bytes); });
        double const rawRep = Median([&] { RawReplace(dir + "/rep.bin", bytes); });
        WriteRatios("write 10^7 points", wr, rawWr, rawRep);

        Waveform r;
        double const rd = Median([&] { r.Read(name, -1); });
        double const rawRd = Median([&] { RawRead(dir + "/raw.bin", bytes.size()); });
        Ratio("read 10^7 points", rd, rawRd);

        Throughput("Scale", w, [&] { w.Scale(); });
        for (char const* code : {"19", "fh", "in", "sd", "av"}) {
            std::string const label = std::string("parameter \"") + code + "\"";
            volatile float sink = 0;
            Throughput(label.c_str(), w, [&] { sink = w.GetTraceParam(DString(code)); });
        }
    }
    readPeak = ReadPeakMb(big);
    std::printf("%-44s %9.1f MB  (samples %.1f MB)\n", "peak memory growth of one read", readPeak,
                BigPoints * 4 / 1048576.0);

    std::string const many = dir + "/many";
    std::string const rawMany = dir + "/rawmany";
    if (mkdir(many.c_str(), 0700) != 0 || mkdir(rawMany.c_str(), 0700) != 0)
        return 1;
    Waveform small = Pulse(SmallPoints);
    std::vector<std::string> names;
    for (int i = 0; i < SmallFiles; ++i)
        names.push_back("/w" + std::to_string(i));
    int const manyRepeats = 3;
    double const wrMany = Median(
        [&] {
            for (auto const& n : names)
                small.Write(DString((many + n).c_str()));
        },
        manyRepeats);
    std::string const smallBytes = FileBytes(many + names[0] + ".wvf");
    double const rawWrMany = Median(
        [&] {
            for (auto const& n : names)
                RawWrite(rawMany + n + ".wvf", smallBytes);
        },
        manyRepeats);
    double const rawRepMany = Median(
        [&] {
            for (auto const& n : names)
                RawReplace(rawMany + n + ".wvf", smallBytes);
        },
        manyRepeats);
    std::printf("\n%d waveforms of %d points in one folder (median of %d runs)\n", SmallFiles,
                SmallPoints, manyRepeats);
    WriteRatios("write all", wrMany, rawWrMany, rawRepMany);
    Waveform r;
    double const rdMany = Median(
        [&] {
            for (auto const& n : names)
                r.Read(DString((many + n).c_str()), -1);
        },
        manyRepeats);
    double const rawRdMany = Median(
        [&] {
            for (auto const& n : names)
                RawRead(rawMany + n + ".wvf", smallBytes.size());
        },
        manyRepeats);
    Ratio("read all", rdMany, rawRdMany);

    std::filesystem::remove_all(dir);
    return 0;
}
