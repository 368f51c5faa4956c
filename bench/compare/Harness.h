// Interleaved measurement in child processes: phase times, medians, peak memory, the table.
#ifndef TALVEX_BENCH_HARNESS_H
#define TALVEX_BENCH_HARNESS_H

#include <functional>
#include <string>
#include <vector>

namespace bench {

/// Wall and processor seconds of one phase.
struct Times {
    double wall = 0;
    double cpu = 0;
};

/// The timed phases of one run; code between Stop and the next Start is not timed.
class Phases {
public:
    void Start();
    void Stop();
    /// A phase measured otherwise, such as the total of several others.
    void Add(const Times& t) { taken_.push_back(t); }
    const std::vector<Times>& Taken() const { return taken_; }

private:
    Times at_;
    std::vector<Times> taken_;
};

/// One way of doing a case's work. `run` gets a fresh empty folder of its own.
struct Variant {
    std::string name;
    std::function<void(const std::string& folder, Phases& phases)> run;
};

/// Medians over the rounds of one variant, and its largest peak resident size.
struct Result {
    std::vector<Times> phases;
    double peakMb = 0;
    bool failed = false;
};

/// Runs every variant `rounds` times, interleaved (round 1 of each, then round 2 ...), each run
/// in a child process of its own with its own fresh folder under `work`; the page cache is
/// left warm but no dirty data is carried from one run into the next.
std::vector<Result> RunInterleaved(const std::string& work, const std::vector<Variant>& variants,
                                   int rounds);

/// Runs one variant once in this process (for profilers).
void RunHere(const std::string& work, const Variant& variant);

/// A new empty folder (an existing one is emptied first).
void FreshFolder(const std::string& path);

/// Removes a folder tree.
void RemoveTree(const std::string& path);

/// Prints a table: one row per variant, for each phase its wall and processor milliseconds
/// (or a rate when `perSecond` > 0: units of work per second) and the ratio of wall and of
/// processor time to the reference row, then the peak memory.
void PrintTable(const std::vector<std::string>& phaseNames, const std::vector<Variant>& variants,
                const std::vector<Result>& results, int reference, double perSecond = 0);

} // namespace bench

#endif
