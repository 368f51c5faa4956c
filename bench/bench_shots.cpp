// Creating shots with ten fields each, with and without the write pause, against plain stdio.
#include "BenchRoot.h"
#include "Core.h"
#include "DString.h"
#include "Experiment.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kFields = 10;

/// Wall and processor seconds; the processor time is what to read on a busy machine.
struct Times {
    double wall = 0;
    double cpu = 0;
};

Times Now()
{
    Times t;
    t.wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    t.cpu = double(std::clock()) / CLOCKS_PER_SEC;
    return t;
}

Times Since(Times const& t0)
{
    Times t = Now();
    return {t.wall - t0.wall, t.cpu - t0.cpu};
}

/// The library: CreateShot, then ten SetShotData, optionally inside a pause.
Times RunLibrary(std::string const& root, int shots, bool pause)
{
    std::string folder = root + "/lib" + std::to_string(shots) + (pause ? "p" : "");
    Expt.SetExperimentFolder(folder.c_str());
    Times t0 = Now();
    for (int s = 0; s < shots; ++s) {
        DString name(s);
        Expt.CreateShot(name, DString(), false);
        if (pause)
            Expt.SetPauseIO(true);
        for (int f = 0; f < kFields; ++f)
            Expt.SetShotData(DString("Field") << f, DString(s * kFields + f));
        if (pause)
            Expt.SetPauseIO(false);
    }
    return Since(t0);
}

/// Writes sections as the settings files hold them, replacing the file atomically.
void WriteIni(std::string const& path,
              std::vector<std::pair<std::string, std::vector<std::string>>> const& sections)
{
    std::string text;
    for (auto const& sec : sections) {
        if (!text.empty())
            text += "\r\n";
        text += "[" + sec.first + "]";
        for (auto const& line : sec.second)
            text += "\r\n" + line;
    }
    std::string tmp = path + ".tmp";
    std::FILE* f = std::fopen(tmp.c_str(), "wb");
    if (!f)
        return;
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
    std::rename(tmp.c_str(), path.c_str());
}

/// The baseline: the same folders and the same file rewrites (every write rewrites both files
/// whole), kept in memory with the standard library only.
Times RunBaseline(std::string const& root, int shots, bool pause)
{
    std::string shotPath = root + "/base" + std::to_string(shots) + (pause ? "p" : "") + "/Shots";
    fs::create_directories(shotPath);
    std::string cacheFile = shotPath + "/ScalarCache.ini";
    std::vector<std::pair<std::string, std::vector<std::string>>> cache;
    Times t0 = Now();
    for (int s = 0; s < shots; ++s) {
        std::string folder = shotPath + "/Shot" + std::to_string(s);
        fs::create_directory(folder);
        cache.push_back({"Shot" + std::to_string(s), {"Date=01/01/2024 00:00:00"}});
        std::vector<std::pair<std::string, std::vector<std::string>>> fields {
            {"Fields", {cache.back().second[0]}}};
        WriteIni(cacheFile, cache);
        WriteIni(folder + "/Scalars.ini", fields);
        for (int f = 0; f < kFields; ++f) {
            std::string line = "Field" + std::to_string(f) + "=" + std::to_string(s * kFields + f);
            cache.back().second.push_back(line);
            fields[0].second.push_back(line);
            if (!pause) {
                WriteIni(cacheFile, cache);
                WriteIni(folder + "/Scalars.ini", fields);
            }
        }
        if (pause) {
            WriteIni(cacheFile, cache);
            WriteIni(folder + "/Scalars.ini", fields);
        }
    }
    return Since(t0);
}

} // namespace

int main(int argc, char** argv)
{
    // Sizes may be given on the command line (for profiling); by default 500, 1000 and 2000.
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty())
        sizes = {500, 1000, 2000};
    std::string root = MakeBenchRoot();
    if (root.empty())
        return 1;
    CoreInit("");

    std::printf("microseconds per shot (%d fields each); wall and processor time\n", kFields);
    std::printf("%-6s %-6s %12s %12s %12s %12s %8s %8s\n", "shots", "pause", "lib wall", "lib cpu",
                "stdio wall", "stdio cpu", "wall x", "cpu x");
    for (bool pause : {false, true}) {
        for (int shots : sizes) {
            Times lib = RunLibrary(root, shots, pause);
            Times base = RunBaseline(root, shots, pause);
            std::printf("%-6d %-6s %12.0f %12.0f %12.0f %12.0f %8.2f %8.2f\n", shots,
                        pause ? "yes" : "no", lib.wall / shots * 1e6, lib.cpu / shots * 1e6,
                        base.wall / shots * 1e6, base.cpu / shots * 1e6, lib.wall / base.wall,
                        lib.cpu / base.cpu);
            std::fflush(stdout);
        }
    }
    std::error_code ec;
    fs::remove_all(root, ec);
    return 0;
}
