// Selecting a set of 10,000 shots filtered by a data file, against plain directory reads.
#include "BenchRoot.h"
#include "Core.h"
#include "DArray.h"
#include "DString.h"
#include "DStringArray.h"
#include "Experiment.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <filesystem>
#include <string>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Times {
    double wall = 0;
    double cpu = 0;
};

Times Now()
{
    timespec cpu {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
    double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    return {wall, double(cpu.tv_sec) + cpu.tv_nsec * 1e-9};
}

Times Since(Times t0)
{
    Times t = Now();
    return {t.wall - t0.wall, t.cpu - t0.cpu};
}

/// Shot folders Shot0 ... Shot<n-1> in <exp>/Shots; every other one holds probe.wvf, every one
/// a Scalars.ini and a second data file.
void MakeShots(std::string const& exp, int n)
{
    for (int s = 0; s < n; ++s) {
        std::string folder = exp + "/Shots/Shot" + std::to_string(s);
        fs::create_directories(folder);
        for (char const* file : {"Scalars.ini", "other.wvf"})
            std::fclose(std::fopen((folder + "/" + file).c_str(), "wb"));
        if (s % 2 == 0)
            std::fclose(std::fopen((folder + "/probe.wvf").c_str(), "wb"));
    }
}

int LibrarySet(bool withDates)
{
    DStringArray shots;
    DArray<int> groups;
    DArray<long long> dates;
    Expt.GetShotSet(".\\Shots", "*", "probe", shots, groups, withDates ? &dates : nullptr);
    return shots.Count();
}

bool LessNoCase(std::string const& a, std::string const& b)
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower((unsigned char)x) < std::tolower((unsigned char)y);
    });
}

/// True when folder holds probe.wvf. exactCase: one stat of that name; otherwise the folder is
/// read for a name equal to it ignoring case, as the library's lookups match names.
bool HoldsProbe(std::string const& folder, bool exactCase)
{
    struct stat st;
    if (exactCase)
        return stat((folder + "/probe.wvf").c_str(), &st) == 0 && S_ISREG(st.st_mode);
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return false;
    bool found = false;
    while (dirent* e = readdir(dir)) {
        if (strcasecmp(e->d_name, "probe.wvf") == 0) {
            found = stat((folder + "/" + e->d_name).c_str(), &st) == 0 && S_ISREG(st.st_mode);
            break;
        }
    }
    closedir(dir);
    return found;
}

/// The same set by hand: read the shot path, keep the folders named Shot..., test each for
/// probe.wvf (and read Scalars.ini's date), in the same order as the library's.
int BaselineSet(std::string const& shotPath, bool withDates, bool exactCase)
{
    std::vector<std::string> names;
    std::vector<long long> dates;
    DIR* dir = opendir(shotPath.c_str());
    if (!dir)
        return 0;
    while (dirent* e = readdir(dir)) {
        std::string name = e->d_name;
        if (name.size() < 4 || strncasecmp(name.c_str(), "Shot", 4) != 0)
            continue;
        std::string folder = shotPath + "/" + name;
        struct stat st;
        if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)
            || !HoldsProbe(folder, exactCase))
            continue;
        names.push_back(name.substr(4));
        if (withDates)
            dates.push_back(stat((folder + "/Scalars.ini").c_str(), &st) == 0 ? st.st_mtime : 0);
    }
    closedir(dir);
    std::sort(names.begin(), names.end(), LessNoCase);
    return int(names.size());
}

template <class F> Times Median(F run)
{
    std::vector<Times> t;
    for (int i = 0; i < 5; ++i) {
        Times t0 = Now();
        run();
        t.push_back(Since(t0));
    }
    std::sort(t.begin(), t.end(), [](Times a, Times b) { return a.wall < b.wall; });
    return t[2];
}

} // namespace

int main(int argc, char** argv)
{
    int const n = argc > 1 ? std::atoi(argv[1]) : 10000;
    std::string root = MakeBenchRoot();
    if (root.empty())
        return 1;
    CoreInit("");
    std::string exp = root + "/Exp";
    MakeShots(exp, n);
    Expt.SetExperimentFolder(exp.c_str());

    std::printf("GetShotSet over %d shots, filter probe (every other shot); median of 5, ms\n", n);
    std::printf("baseline: readdir of the shot path, stat of each shot folder, then the data file\n"
                "found by reading the shot folder (any case, as the library) or by one stat\n");
    std::printf("%-6s %-10s %10s %10s %10s %10s %8s %8s\n", "dates", "baseline", "lib wall",
                "lib cpu", "base wall", "base cpu", "wall x", "cpu x");
    for (bool withDates : {false, true}) {
        int libCount = 0;
        Times lib = Median([&] { libCount = LibrarySet(withDates); });
        for (bool exactCase : {false, true}) {
            int baseCount = 0;
            Times base = Median(
                [&] { baseCount = BaselineSet(exp + "/Shots", withDates, exactCase); });
            if (libCount != baseCount)
                std::printf("count differs: library %d, baseline %d\n", libCount, baseCount);
            std::printf("%-6s %-10s %10.1f %10.1f %10.1f %10.1f %8.2f %8.2f\n",
                        withDates ? "yes" : "no", exactCase ? "stat" : "readdir", lib.wall * 1e3,
                        lib.cpu * 1e3, base.wall * 1e3, base.cpu * 1e3, lib.wall / base.wall,
                        lib.cpu / base.cpu);
            std::fflush(stdout);
        }
    }
    std::error_code ec;
    fs::remove_all(root, ec);
    return 0;
}
