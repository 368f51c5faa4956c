// Expression evaluations per second against the floor of reading the files they need once.
#include "BenchRoot.h"
#include "Core.h"
#include "DString.h"
#include "Experiment.h"
#include "Waveform.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

double WallSeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double CpuSeconds()
{
    return double(std::clock()) / CLOCKS_PER_SEC;
}

/// Reads a whole file with stdio into a new buffer, as a reader of the object would.
long ReadWhole(std::string const& path)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return 0;
    std::fseek(f, 0, SEEK_END);
    long const n = std::ftell(f);
    std::fseek(f, 0, SEEK_SET);
    std::vector<char> buf(size_t(n > 0 ? n : 0));
    long const got = long(std::fread(buf.data(), 1, buf.size(), f));
    std::fclose(f);
    return got;
}

/// Runs per second of `run` (wall and processor time): the median of five rounds of about
/// 0.3 s each, so that a busy machine disturbs one round rather than the result.
template <class Run> std::pair<double, double> Rate(Run run)
{
    std::vector<double> wall, cpu;
    for (int round = 0; round < 5; ++round) {
        int n = 0;
        double const w0 = WallSeconds(), c0 = CpuSeconds();
        double w = w0;
        while (w - w0 < 0.3) {
            for (int i = 0; i < 10; ++i)
                run();
            n += 10;
            w = WallSeconds();
        }
        wall.push_back(n / (w - w0));
        cpu.push_back(n / std::max(CpuSeconds() - c0, 1e-9));
    }
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    return {wall[2], cpu[2]};
}

void Report(char const* what, char const* expr, std::vector<std::string> const& files)
{
    float value = 0.0f;
    long bytes = 0;
    auto const eval = Rate([&] { value = Expt.GetScalarData(expr); });
    auto const read = Rate([&] {
        for (auto const& f : files)
            bytes += ReadWhole(f);
    });
    std::printf("%-22s %-18s %10.0f %10.0f %6.2f %6.2f   (value %g)\n", what, expr, eval.first,
                read.first, read.first / eval.first, read.second / eval.second, double(value));
}

} // namespace

int main(int argc, char** argv)
{
    std::string const root = MakeBenchRoot();
    if (root.empty())
        return 1;
    CoreInit("");

    std::string const exp = root + "/Exp1";
    Expt.SetExperimentFolder(exp.c_str());
    DString shot("1234");
    Expt.CreateShot(shot);
    Expt.SetShotData("Peak", "1.5");
    Expt.SetShotData("Gain", "2");
    for (int i = 0; i < 20; ++i)
        Expt.SetShotData(DString("Other") << i, DString(i));

    int const points = 100000;
    Waveform w(points);
    for (int i = 0; i < points; ++i)
        w[i] = float(i) / float(points - 1);
    w.Scale();
    w.Write(Expt.GetDataFileName("probe"));

    std::string const folder = Expt.ShotFolder.c_str();
    // With an expression as argument only that one is evaluated (for a profiler).
    if (argc > 1) {
        float value = 0.0f;
        auto const rate = Rate([&] { value = Expt.GetScalarData(argv[1]); });
        std::printf("%s = %g: %.0f evals/s\n", argv[1], double(value), rate.first);
        fs::remove_all(root);
        return 0;
    }
    // Ratio: time of one evaluation over the time of reading its files once (wall, processor).
    std::printf("%-22s %-18s %10s %10s %6s %6s\n", "floor: files read once", "expression",
                "evals/s", "reads/s", "wall", "cpu");
    Report("Scalars.ini", "[Peak]*2+Gain::1", {folder + "/Scalars.ini"});
    Report("probe.wvf (100,000)", "probe\\19", {folder + "/probe.wvf"});
    Report("both", "probe\\19*[Peak]", {folder + "/Scalars.ini", folder + "/probe.wvf"});

    std::error_code ec;
    fs::remove_all(root, ec);
    return 0;
}
