// The sample ShotStats module as an MPI job of 1 and 2 processes over 4 traces of 10M samples:
// wall time and the largest process's peak memory against the size of the data.
//
// TALVEX_BENCH_SCALE (default 1) multiplies the trace length; TALVEX_BENCH_RUNNER names another
// runner (and so another build of the module beside it) to compare with. Needs mpirun.
#include "BenchRoot.h"
#include "Core.h"
#include "DString.h"
#include "Experiment.h"
#include "Waveform.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#ifndef TALVEX_RUNNER
#define TALVEX_RUNNER "TalvexDLLRun" // from the PATH when the build has none
#endif

namespace {

constexpr int kTraces = 4;
constexpr int kRounds = 3;

double Seconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

/// Wall seconds of the job; processor seconds and peak resident megabytes of its ranks.
struct Run {
    double wall = -1;
    double cpu = 0;    ///< processor seconds of every rank together
    double peakMb = 0; ///< the largest rank's peak
};

const char* const kStatTag = "RANKSTAT";

/// Runs `mpirun -np <ranks> <this program> --rank <runner> <command>`: each rank of the job is
/// this program starting the runner and reporting its resource use on standard output (the
/// launcher's own processes hold none of the rank's memory).
Run Job(const std::string& self, int ranks, const std::string& command)
{
    const std::string np = std::to_string(ranks);
    const char* runner = std::getenv("TALVEX_BENCH_RUNNER");
    const char* argv[] = {"mpirun",
                          "--oversubscribe",
                          "-np",
                          np.c_str(),
                          self.c_str(),
                          "--rank",
                          runner && *runner ? runner : TALVEX_RUNNER,
                          command.c_str(),
                          nullptr};
    int fds[2];
    if (pipe(fds) != 0)
        return Run();
    const double t0 = Seconds();
    pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], 1);
        close(fds[0]);
        if (!freopen("/dev/null", "w", stderr))
            _exit(126);
        execvp("mpirun", const_cast<char* const*>(argv));
        _exit(127);
    }
    close(fds[1]);
    Run r;
    FILE* out = fdopen(fds[0], "r");
    char line[512];
    while (out && std::fgets(line, sizeof line, out)) {
        double mb = 0, cpu = 0;
        if (std::sscanf(line, "RANKSTAT %lf %lf", &mb, &cpu) == 2) {
            r.peakMb = std::max(r.peakMb, mb);
            r.cpu += cpu;
        }
    }
    if (out)
        std::fclose(out);
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        r.wall = Seconds() - t0;
    return r;
}

/// One rank: runs the runner as a child and prints its peak memory and processor time.
int RankMain(const char* runner, const char* command)
{
    pid_t pid = fork();
    if (pid == 0) {
        execl(runner, runner, command, static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    struct rusage ru { };
    wait4(pid, &status, 0, &ru);
    const double cpu = double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec)
                       + double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) * 1e-6;
    std::printf("%s %.1f %.3f\n", kStatTag, double(ru.ru_maxrss) / 1024.0, cpu);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

/// A shot with one numeric field and the traces t0 .. t3; the megabytes of samples written.
double MakeShot(const std::string& exp, int points)
{
    Expt.SetExperimentFolder(exp.c_str());
    DString shot = "1";
    Expt.CreateShot(shot);
    Expt.SetShotData("A1", "1");
    Waveform w(points);
    for (int t = 0; t < kTraces; ++t) {
        for (int i = 0; i < points; ++i)
            w[i] = float((i * 7 + t) % 1000) * 1e-3f;
        w.Scale();
        if (!w.Write(Expt.GetDataFileName(DString("t") << t)))
            return -1;
    }
    Expt.SetExperimentFolder("");
    return double(kTraces) * points * sizeof(float) / 1e6;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--rank") == 0)
        return RankMain(argv[2], argv[3]);
    double scale = 1;
    if (const char* s = std::getenv("TALVEX_BENCH_SCALE"))
        scale = std::max(0.001, std::atof(s));
    if (std::system("command -v mpirun >/dev/null 2>&1") != 0) {
        std::printf("bench_shotstats: no mpirun, skipped\n");
        return 0;
    }
    const std::string root = MakeBenchRoot();
    if (root.empty())
        return 1;
    setenv("OMPI_ALLOW_RUN_AS_ROOT", "1", 1);
    setenv("OMPI_ALLOW_RUN_AS_ROOT_CONFIRM", "1", 1);
    CoreInit("");
    const std::string exp = root + "/Exp";
    char exe[4096];
    const ssize_t len = readlink("/proc/self/exe", exe, sizeof exe - 1);
    const std::string self = len > 0 ? std::string(exe, size_t(len)) : std::string(argv[0]);
    const int points = std::max(1000, int(10e6 * scale));
    const double dataMb = MakeShot(exp, points);
    if (dataMb < 0)
        return 1;

    std::string traces;
    for (int t = 0; t < kTraces; ++t)
        traces += "!trace:t" + std::to_string(t);
    const std::string work = "ShotStats;" + exp + ";1;out=S" + traces + ";m";
    const std::string idle = "ShotStats;" + exp + ";1;out=B!A1;m"; // the job's start-up alone
    std::vector<double> wall[2], peak[2], start[2], cpu[2];
    for (int round = 0; round < kRounds; ++round) {
        for (int ranks = 1; ranks <= 2; ++ranks) {
            const Run w = Job(self, ranks, work);
            const Run s = Job(self, ranks, idle);
            if (w.wall < 0 || s.wall < 0) {
                std::printf("bench_shotstats: the job failed\n");
                return 1;
            }
            wall[ranks - 1].push_back(w.wall);
            peak[ranks - 1].push_back(w.peakMb);
            start[ranks - 1].push_back(s.wall);
            cpu[ranks - 1].push_back(w.cpu - s.cpu);
        }
    }
    std::printf(
        "ShotStats over %d traces of %d samples (%.0f MB of samples), median of %d "
        "rounds; work = the job less a job that reads no trace\n%-8s %10s %12s %12s %12s %14s\n",
        kTraces, points, dataMb, kRounds, "ranks", "wall s", "start-up s", "work s", "work cpu s",
        "peak MB/rank");
    double workTime[2];
    for (int k = 0; k < 2; ++k) {
        workTime[k] = Median(wall[k]) - Median(start[k]);
        std::printf("%-8d %10.3f %12.3f %12.3f %12.3f %14.1f\n", k + 1, Median(wall[k]),
                    Median(start[k]), workTime[k], Median(cpu[k]), Median(peak[k]));
    }
    std::printf("2 ranks / 1 rank: %.2fx wall, %.2fx work; peak of one rank / data: %.2fx "
                "(1 rank), %.2fx (2 ranks, both together)\n",
                Median(wall[1]) / Median(wall[0]), workTime[1] / workTime[0],
                Median(peak[0]) / dataMb, 2 * Median(peak[1]) / dataMb);
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
    return 0;
}
