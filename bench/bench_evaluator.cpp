// Expression evaluations per second against the floor of reading the files they need once.
#include "Core.h"
#include "DString.h"
#include "Experiment.h"
#include "Waveform.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

double Seconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

/// Reads a whole file with stdio; the byte count keeps the work from being optimised away.
long ReadWhole(std::string const& path, std::vector<char>& buf)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return 0;
    long n = 0;
    size_t got = 0;
    while ((got = std::fread(buf.data(), 1, buf.size(), f)) > 0)
        n += long(got);
    std::fclose(f);
    return n;
}

/// Evaluations per second of expr, run for about a second.
double EvalRate(char const* expr, float& last)
{
    int n = 0;
    double const t0 = Seconds();
    double t = t0;
    while (t - t0 < 1.0) {
        for (int i = 0; i < 20; ++i)
            last = Expt.GetScalarData(expr);
        n += 20;
        t = Seconds();
    }
    return n / (t - t0);
}

/// Whole-file stdio reads per second of the given files (each read once per round).
double ReadRate(std::vector<std::string> const& files, long& bytes)
{
    std::vector<char> buf(1 << 20);
    int n = 0;
    double const t0 = Seconds();
    double t = t0;
    while (t - t0 < 1.0) {
        for (int i = 0; i < 20; ++i)
            for (auto const& f : files)
                bytes += ReadWhole(f, buf);
        n += 20;
        t = Seconds();
    }
    return n / (t - t0);
}

void Report(char const* what, char const* expr, std::vector<std::string> const& files)
{
    float value = 0.0f;
    long bytes = 0;
    double const eval = EvalRate(expr, value);
    double const read = ReadRate(files, bytes);
    std::printf("%-34s %-20s %12.0f %12.0f %8.2f   (value %g)\n", what, expr, eval, read,
                read / eval, double(value));
}

} // namespace

int main(int argc, char** argv)
{
    char tmpl[] = "/tmp/talvex-bench-XXXXXX";
    if (!mkdtemp(tmpl))
        return 1;
    std::string const root = tmpl;
    // Keep the benchmark away from the real profile, shares and mounts.
    setenv("HOME", root.c_str(), 1);
    setenv("XDG_DATA_HOME", root.c_str(), 1);
    setenv("TALVEX_SMB_CONF", (root + "/smb.conf").c_str(), 1);
    setenv("TALVEX_MOUNTS", (root + "/mounts").c_str(), 1);
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
        std::printf("%s: %.0f evals/s\n", argv[1], EvalRate(argv[1], value));
        fs::remove_all(root);
        return 0;
    }
    std::printf("%-34s %-20s %12s %12s %8s\n", "evaluation", "expression", "evals/s", "reads/s",
                "ratio");
    Report("fields (floor: Scalars.ini once)", "[Peak]*2+Gain::1", {folder + "/Scalars.ini"});
    Report("trace (floor: probe.wvf once)", "probe\\19", {folder + "/probe.wvf"});
    Report("both (floor: both files once)", "probe\\19*[Peak]", {folder + "/Scalars.ini",
                                                                  folder + "/probe.wvf"});

    std::error_code ec;
    fs::remove_all(root, ec);
    return 0;
}
