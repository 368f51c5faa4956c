// Per-shot costs against the size of the experiment (1k, 10k, 100k shots), each operation beside
// a plain program doing the same files (the floor); experiments are generated directly.
//
// TALVEX_BENCH_SCALE (default 1) multiplies the experiment sizes and the sample counts, so 0.1
// gives a quick run. Floors run with and without the syncs a durable commit needs.
#include "BenchRoot.h"
#include "Core.h"
#include "DArray.h"
#include "DString.h"
#include "DStringArray.h"
#include "Experiment.h"
#include "ExperimentGenerator.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kFields = 10;
const char* const kDate = "12/08/2026 10:00:00";

double Seconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::string ReadAll(const std::string& path)
{
    std::string text;
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return text;
    struct stat st;
    if (fstat(fd, &st) == 0) {
        text.resize(size_t(st.st_size));
        ssize_t got = read(fd, &text[0], text.size());
        text.resize(got > 0 ? size_t(got) : 0);
    }
    close(fd);
    return text;
}

void SyncFolder(const std::string& folder)
{
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

/// A whole-file commit: a temporary beside the target, synced, renamed over it, folder synced.
void Commit(const std::string& folder, const std::string& name, const std::string& bytes, bool sync)
{
    const std::string tmp = folder + "/." + name + ".tmp";
    int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    if (write(fd, bytes.data(), bytes.size()) != ssize_t(bytes.size()))
        std::fprintf(stderr, "short write of %s\n", tmp.c_str());
    if (sync)
        fsync(fd);
    close(fd);
    rename(tmp.c_str(), (folder + "/" + name).c_str());
    if (sync)
        SyncFolder(folder);
}

/// An appended update: the bytes at the end of the file, synced.
void Append(const std::string& path, const std::string& bytes, bool sync)
{
    int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0)
        return;
    if (write(fd, bytes.data(), bytes.size()) != ssize_t(bytes.size()))
        std::fprintf(stderr, "short append to %s\n", path.c_str());
    if (sync)
        fsync(fd);
    close(fd);
}

/// The experiment of one size, the shot names the samples use and the floors' own cache copy.
struct Bench {
    std::string exp;
    std::string shots; ///< the shot path
    long size = 0;
    long next = 0; ///< next free shot number
    int samples = 0;
    std::string floorCache; ///< hidden copy of ScalarCache.ini that the floors append to
    double cacheMb = 0;     ///< size of ScalarCache.ini as generated
};

std::string FieldLine(long shot, int k)
{
    return "Field" + std::to_string(k) + "=" + std::to_string(shot * kFields + k);
}

/// ---- Shot creation ------------------------------------------------------------------------

double LibraryCreate(Bench& b, bool pause)
{
    // One shot first, untimed: loading the cache and the shot folder's names once is the
    // opening's cost (measured on its own below), not a shot's.
    double t0 = 0;
    for (int i = -1; i < b.samples; ++i) {
        if (i == 0)
            t0 = Seconds();
        DString name(int(b.next++));
        // A pause begun before CreateShot covers the creation's own Date field too.
        if (pause)
            Expt.SetPauseIO(true);
        Expt.CreateShot(name, DString(), false);
        for (int k = 0; k < kFields; ++k)
            Expt.SetShotData(DString("Field") << k, DString(int((b.next - 1) * kFields + k)));
        if (pause)
            Expt.SetPauseIO(false);
    }
    return (Seconds() - t0) / b.samples;
}

/// Every field commits both files whole: the shot's Scalars.ini and the whole cache text.
double FloorRewriteWhole(Bench& b, std::string& cache)
{
    const double t0 = Seconds();
    for (int i = 0; i < b.samples; ++i) {
        const long shot = b.next++;
        const std::string folder = b.shots + "/Shot" + std::to_string(shot);
        mkdir(folder.c_str(), 0755);
        std::string fields = "[Fields]\r\nDate=" + std::string(kDate);
        cache += "\r\n[Shot" + std::to_string(shot) + "]\r\nDate=" + kDate;
        Commit(b.shots, ".floor-whole.ini", cache, false);
        Commit(folder, "Scalars.ini", fields, false);
        for (int k = 0; k < kFields; ++k) {
            fields += "\r\n" + FieldLine(shot, k);
            cache += "\r\n" + FieldLine(shot, k);
            Commit(b.shots, ".floor-whole.ini", cache, false);
            Commit(folder, "Scalars.ini", fields, false);
        }
    }
    return (Seconds() - t0) / b.samples;
}

/// Each field its own durable update (perField), or each file written once (a pause).
double FloorCommits(Bench& b, bool perField, bool sync)
{
    const double t0 = Seconds();
    for (int i = 0; i < b.samples; ++i) {
        const long shot = b.next++;
        const std::string folder = b.shots + "/Shot" + std::to_string(shot);
        mkdir(folder.c_str(), 0755);
        if (sync)
            SyncFolder(b.shots);
        std::string fields = "[Fields]\r\nDate=" + std::string(kDate);
        std::string section = "\r\n[Shot" + std::to_string(shot) + "]\r\nDate=" + kDate;
        if (perField) {
            Commit(folder, "Scalars.ini", fields, sync);
            Append(b.floorCache, section, sync);
        }
        for (int k = 0; k < kFields; ++k) {
            const std::string line = "\r\n" + FieldLine(shot, k);
            fields += line;
            section += line;
            if (perField) {
                Commit(folder, "Scalars.ini", fields, sync);
                Append(b.floorCache, line, sync);
            }
        }
        if (!perField) {
            Commit(folder, "Scalars.ini", fields, sync);
            Append(b.floorCache, section, sync);
        }
    }
    return (Seconds() - t0) / b.samples;
}

/// ---- Work on existing shots ---------------------------------------------------------------

/// Existing shots spread evenly over the experiment.
std::vector<long> Spread(const Bench& b)
{
    std::vector<long> picks;
    for (int i = 0; i < b.samples; ++i)
        picks.push_back(1 + long(double(i) * double(b.size) / b.samples));
    return picks;
}

double LibrarySetShotField(Bench& b)
{
    const std::vector<long> picks = Spread(b);
    const double t0 = Seconds();
    for (long shot : picks) {
        Expt.SetShot(DString(int(shot)));
        Expt.SetShotData("Extra", DString(int(shot)));
    }
    return (Seconds() - t0) / double(picks.size());
}

/// Reads the shot's Scalars.ini, commits it with the new line and appends the line to the cache.
double FloorSetShotField(Bench& b, bool sync)
{
    const std::vector<long> picks = Spread(b);
    const double t0 = Seconds();
    for (long shot : picks) {
        const std::string folder = b.shots + "/Shot" + std::to_string(shot);
        const std::string line = "\r\nExtra2=" + std::to_string(shot);
        Commit(folder, "Scalars.ini", ReadAll(folder + "/Scalars.ini") + line, sync);
        Append(b.floorCache, line, sync);
    }
    return (Seconds() - t0) / double(picks.size());
}

double LibraryEvaluate(Bench& b)
{
    const std::vector<long> picks = Spread(b);
    double sum = 0;
    const double t0 = Seconds();
    for (long shot : picks) {
        Expt.SetShot(DString(int(shot)));
        sum += Expt.GetScalarData("[Field3]*2");
    }
    const double t = (Seconds() - t0) / double(picks.size());
    return sum > 0 ? t : -1;
}

/// The value of key `key` in INI text, or empty.
std::string KeyValue(const std::string& text, const std::string& key)
{
    const std::string wanted = "\n" + key + "=";
    size_t at = text.find(wanted);
    if (at == std::string::npos)
        return std::string();
    at += wanted.size();
    return text.substr(at, text.find('\r', at) - at);
}

double FloorEvaluate(Bench& b)
{
    const std::vector<long> picks = Spread(b);
    double sum = 0;
    const double t0 = Seconds();
    for (long shot : picks) {
        const std::string text = ReadAll(b.shots + "/Shot" + std::to_string(shot) + "/Scalars.ini");
        sum += std::strtod(KeyValue(text, "Field3").c_str(), nullptr) * 2;
    }
    const double t = (Seconds() - t0) / double(picks.size());
    return sum > 0 ? t : -1;
}

/// ---- Listing ------------------------------------------------------------------------------

double LibraryList(long& count)
{
    DStringArray shots;
    DArray<int> groups;
    DArray<long long> dates;
    const double t0 = Seconds();
    Expt.GetShotSet(".\\Shots", "*", "", shots, groups, &dates);
    const double t = Seconds() - t0;
    count = shots.Count();
    return t / double(std::max(1L, count));
}

/// The set with each shot's Date and Comment, as `talvex shots` lists it: no file dates,
/// the fields from the cache.
double LibraryListFields(long& count)
{
    DStringArray shots, names, values;
    DArray<int> groups;
    names.Add("Date");
    names.Add("Comment");
    const double t0 = Seconds();
    Expt.GetShotSet(".\\Shots", "*", "", shots, groups);
    Expt.GetShotSetFields(shots, groups, names, values);
    const double t = Seconds() - t0;
    count = values.Count() == 2 * shots.Count() ? shots.Count() : -1;
    return t / double(std::max(1L, count));
}

/// Selecting the range 1:size, which looks for each name's folder.
double LibrarySelectRange(const Bench& b, long& count)
{
    DStringArray shots;
    DArray<int> groups;
    const double t0 = Seconds();
    Expt.GetShotSet("(Shot list)", ("1:" + std::to_string(b.size)).c_str(), "", shots, groups);
    const double t = Seconds() - t0;
    count = shots.Count();
    return t / double(std::max(1L, count));
}

/// The shot folders, and each one's date and comment from the cache read once.
double FloorList(Bench& b, long& count)
{
    const double t0 = Seconds();
    std::vector<std::string> names;
    if (DIR* dir = opendir(b.shots.c_str())) {
        while (dirent* e = readdir(dir)) {
            if (strncasecmp(e->d_name, "Shot", 4) == 0 && e->d_type == DT_DIR)
                names.emplace_back(e->d_name + 4);
        }
        closedir(dir);
    }
    const std::string cache = ReadAll(b.shots + "/ScalarCache.ini");
    std::map<std::string, std::pair<size_t, size_t>> sections;
    for (size_t at = cache.find('['); at != std::string::npos;) {
        const size_t close = cache.find(']', at);
        const size_t next = cache.find("\n[", close);
        sections[cache.substr(at + 1, close - at - 1)] = {close, next};
        at = next == std::string::npos ? next : next + 1;
    }
    std::sort(names.begin(), names.end());
    size_t found = 0;
    for (const std::string& name : names)
        found += sections.count("Shot" + name);
    const double t = Seconds() - t0;
    count = long(names.size());
    return found > 0 ? t / double(std::max(1L, count)) : -1;
}

/// Runs `talvex shots --csv` on the experiment; seconds per shot listed.
double ToolList(Bench& b)
{
#ifdef TALVEX_TOOL
    const std::string cmd = std::string(TALVEX_TOOL) + " -e '" + b.exp + "' shots --csv";
    const double t0 = Seconds();
    FILE* p = popen(cmd.c_str(), "r");
    if (!p)
        return -1;
    long lines = 0;
    char buf[4096];
    while (fgets(buf, sizeof buf, p))
        ++lines;
    const double t = Seconds() - t0;
    return pclose(p) == 0 && lines > 0 ? t / double(lines) : -1;
#else
    (void)b;
    return -1;
#endif
}

/// ---- Opening an experiment, in a fresh process ----------------------------------------------

/// Seconds and peak resident megabytes the child reports for its work, from a pipe; -1 when
/// it fails. The child measures itself: resource usage counted across fork and exec would
/// carry this process's own size.
std::pair<double, double> RunChild(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    int fds[2];
    if (pipe(fds) != 0)
        return {-1, 0};
    pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], 1);
        close(fds[0]);
        execv("/proc/self/exe", argv.data());
        _exit(127);
    }
    close(fds[1]);
    char buf[128] = "";
    const ssize_t got = read(fds[0], buf, sizeof buf - 1);
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    double seconds = -1, mb = 0;
    if (got <= 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0
        || std::sscanf(buf, "%lf %lf", &seconds, &mb) != 2)
        return {-1, 0};
    return {seconds, mb};
}

/// This process's peak resident megabytes since its start (exec).
double PeakMb()
{
    // /proc files report no size, so they are read until the end.
    std::string status;
    if (FILE* f = std::fopen("/proc/self/status", "r")) {
        char buf[4096];
        size_t got;
        while ((got = std::fread(buf, 1, sizeof buf, f)) > 0)
            status.append(buf, got);
        std::fclose(f);
    }
    const size_t at = status.find("VmHWM:");
    return at == std::string::npos ? 0 : std::strtod(status.c_str() + at + 6, nullptr) / 1024.0;
}

/// The child's work: "open" opens the experiment, sets a shot and writes one field through the
/// library; "floor" reads the cache once and commits the shot's Scalars.ini; "idle" nothing.
bool ChildWork(const std::string& what, const std::string& exp, const std::string& shot, bool sync)
{
    if (what == "open") {
        Expt.SetExperimentFolder(exp.c_str());
        if (!Expt.SetShot(shot.c_str()))
            return false;
        Expt.SetShotData("Opened", "1");
        return Expt.GetShotData("Opened") == "1";
    }
    if (what == "floor") {
        const std::string cache = ReadAll(exp + "/Shots/ScalarCache.ini");
        const std::string folder = exp + "/Shots/Shot" + shot;
        if (cache.find("[Shot" + shot + "]") == std::string::npos)
            return false;
        Commit(folder, "Scalars.ini", ReadAll(folder + "/Scalars.ini") + "\r\nOpened2=1", sync);
        return true;
    }
    return what == "idle";
}

/// Prints "<seconds> <peak MB>" of the work for the parent.
int ChildMain(const std::string& what, const std::string& exp, const std::string& shot, bool sync)
{
    CoreInit("");
    const double t0 = Seconds();
    if (!ChildWork(what, exp, shot, sync))
        return 1;
    std::printf("%.6f %.3f\n", Seconds() - t0, PeakMb());
    return 0;
}

/// ---- The table ----------------------------------------------------------------------------

/// One row of one size: library and floor milliseconds per shot, floor with syncs when measured.
struct Row {
    explicit Row(const std::string& name) : what(name) { }
    std::string what;
    double lib = -1, floor = -1, floorSync = -1;
    std::string note;
};

void PrintRow(const Row& r)
{
    char synced[64] = "";
    if (r.floorSync > 0)
        std::snprintf(synced, sizeof synced, "%9.3f %7.1fx", r.floorSync * 1e3,
                      r.lib / r.floorSync);
    std::printf("  %-52s %10.3f %9.3f %7.1fx %s %s\n", r.what.c_str(), r.lib * 1e3, r.floor * 1e3,
                r.floor > 0 ? r.lib / r.floor : 0.0, synced, r.note.c_str());
    std::fflush(stdout);
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

/// Opening the experiment and writing one field, each way three times in a fresh process.
Row MeasureOpen(const Bench& b)
{
    const std::string shot = std::to_string(b.size / 2);
    std::map<std::string, std::vector<double>> times, peaks;
    for (int round = 0; round < 3; ++round) {
        for (const char* what : {"idle", "open", "floor", "floor-sync"}) {
            const bool sync = std::strcmp(what, "floor-sync") == 0;
            auto got = RunChild({"bench_shotscale", "--child", sync ? "floor" : what, b.exp, shot,
                                 sync ? "1" : "0"});
            times[what].push_back(got.first);
            peaks[what].push_back(got.second);
        }
    }
    Row r {"open the experiment + first field write (fresh process)"};
    r.lib = Median(times["open"]);
    r.floor = Median(times["floor"]);
    r.floorSync = Median(times["floor-sync"]);
    char note[160];
    std::snprintf(note, sizeof note,
                  "peak MB above an idle process: library %.1f, floor %.1f (cache %.1f MB)",
                  Median(peaks["open"]) - Median(peaks["idle"]),
                  Median(peaks["floor"]) - Median(peaks["idle"]), b.cacheMb);
    r.note = note;
    return r;
}

int Scaled(double base, double scale)
{
    return std::max(2, int(base * scale + 0.5));
}

std::vector<Row> MeasureSize(const std::string& root, long size, double scale)
{
    Bench b;
    b.size = size;
    b.next = size + 1;
    b.exp = root + "/Exp" + std::to_string(size);
    b.shots = b.exp + "/Shots";
    const std::string image = generator::TraceImage(root, 1000);
    std::vector<generator::Shot> shots;
    for (long s = 1; s <= size; ++s)
        shots.push_back(generator::NumberedShot(s, kDate, kFields));
    double t0 = Seconds();
    if (!generator::WriteExperiment(b.exp, shots, "probe", image))
        return {};
    shots.clear();
    b.floorCache = b.shots + "/.floor-cache.ini";
    const std::string cacheText = ReadAll(b.shots + "/ScalarCache.ini");
    Commit(b.shots, ".floor-cache.ini", cacheText, false);
    b.cacheMb = double(cacheText.size()) / 1e6;
    std::printf("\n%ld shots: generated in %.1f s, ScalarCache.ini %.2f MB\n", size, Seconds() - t0,
                double(cacheText.size()) / 1e6);
    std::printf("  %-52s %10s %9s %8s %9s %8s\n", "ms per shot", "library", "floor", "ratio",
                "floor+sync", "ratio");

    // Sample counts shrink with the size: the library's costs grow with it today.
    const int few = Scaled(size >= 100000 ? 20 : size >= 10000 ? 50 : 200, scale);
    const int many = Scaled(200, scale);
    std::vector<Row> rows;
    Expt.SetExperimentFolder(b.exp.c_str());

    b.samples = few;
    Row create {"CreateShot + 10 fields, vs rewriting both files whole"};
    create.lib = LibraryCreate(b, false);
    std::string wholeCache = cacheText;
    create.floor = FloorRewriteWhole(b, wholeCache);
    PrintRow(create);
    Row perField {"CreateShot + 10 fields, vs each field its own update"};
    perField.lib = create.lib;
    perField.floor = FloorCommits(b, true, false);
    perField.floorSync = FloorCommits(b, true, true);
    PrintRow(perField);
    Row paused {"same inside SetPauseIO, vs each file written once"};
    paused.lib = LibraryCreate(b, true);
    paused.floor = FloorCommits(b, false, false);
    paused.floorSync = FloorCommits(b, false, true);
    PrintRow(paused);
    rows.insert(rows.end(), {create, perField, paused});

    Row setShot {"SetShot + 1 field, vs that field's own update"};
    setShot.lib = LibrarySetShotField(b);
    setShot.floor = FloorSetShotField(b, false);
    setShot.floorSync = FloorSetShotField(b, true);
    PrintRow(setShot);
    rows.push_back(setShot);

    rows.push_back(MeasureOpen(b));
    PrintRow(rows.back());

    long listed = 0, floorListed = 0;
    Row list {"listing shots (GetShotSet, dates), vs folders + cache once"};
    list.floor = FloorList(b, floorListed);
    list.lib = LibraryList(listed);
    if (listed != floorListed)
        list.note = "(lists " + std::to_string(listed) + " of " + std::to_string(floorListed) + ")";
    list.note += "(dates: a stat of each Scalars.ini, which the floor skips)";
    PrintRow(list);
    Row fields {"listing shots + Date, Comment (GetShotSetFields), same"};
    long fieldsListed = 0;
    fields.floor = list.floor;
    fields.lib = LibraryListFields(fieldsListed);
    if (fieldsListed != floorListed)
        fields.note = "(lists " + std::to_string(fieldsListed) + ")";
    PrintRow(fields);
    Row range {"selecting the range 1:N (GetShotSet), same floor"};
    long inRange = 0;
    range.floor = list.floor;
    range.lib = LibrarySelectRange(b, inRange);
    if (inRange != floorListed)
        range.note = "(selects " + std::to_string(inRange) + ")";
    PrintRow(range);
    Row tool {"listing shots (talvex shots --csv), same floor"};
    tool.floor = list.floor;
    tool.lib = ToolList(b);
    PrintRow(tool);
    rows.insert(rows.end(), {list, fields, range, tool});

    b.samples = many;
    Row eval {"evaluate [Field3]*2 per shot, vs reading Scalars.ini"};
    eval.lib = LibraryEvaluate(b);
    eval.floor = FloorEvaluate(b);
    PrintRow(eval);
    rows.push_back(eval);

    Expt.SetExperimentFolder("");
    return rows;
}

/// Removing 100,000 shot folders takes minutes on a busy disk: a detached, low-priority child
/// does it while the next benchmark runs.
void RemoveInBackground(const std::string& root)
{
    std::printf("\n(removing %s in the background)\n", root.c_str());
    std::fflush(stdout);
    const pid_t first = fork();
    if (first != 0) {
        if (first > 0)
            waitpid(first, nullptr, 0);
        return;
    }
    setsid();
    if (fork() == 0) {
        if (nice(19) < 0)
            _exit(1);
        std::error_code ec;
        fs::remove_all(root, ec);
    }
    _exit(0);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 6 && std::strcmp(argv[1], "--child") == 0)
        return ChildMain(argv[2], argv[3], argv[4], std::strcmp(argv[5], "1") == 0);
    double scale = 1;
    if (const char* s = std::getenv("TALVEX_BENCH_SCALE"))
        scale = std::max(0.001, std::atof(s));
    const std::string root = MakeBenchRoot();
    if (root.empty())
        return 1;
    CoreInit("");
    std::printf(
        "Per-shot cost against the experiment's size (%d fields and one 1,000-sample "
        "trace a shot).\nFloors: plain POSIX calls on the same files; floor+sync adds "
        "fsync of each file and its folder.\nOpening: time and peak memory measured inside a fresh "
        "process.\n",
        kFields);
    std::vector<long> sizes;
    for (long n : {1000L, 10000L, 100000L})
        sizes.push_back(std::max(10L, long(double(n) * scale)));
    std::vector<std::vector<Row>> all;
    for (long n : sizes)
        all.push_back(MeasureSize(root, n, scale));

    std::printf("\nms per shot, library / floor (x = library / floor; growth = largest / smallest "
                "size, library)\n| operation |");
    for (long n : sizes)
        std::printf(" %ld |", n);
    std::printf(" growth |\n|---|");
    for (size_t i = 0; i <= sizes.size(); ++i)
        std::printf("---|");
    std::printf("\n");
    for (size_t r = 0; !all.empty() && r < all[0].size(); ++r) {
        std::printf("| %s |", all[0][r].what.c_str());
        for (const auto& rows : all) {
            const Row& row = rows[r];
            std::printf(" %.3g / %.3g (%.1fx) |", row.lib * 1e3, row.floor * 1e3,
                        row.floor > 0 ? row.lib / row.floor : 0.0);
        }
        std::printf(" %.1fx |\n", all.back()[r].lib / all.front()[r].lib);
    }
    RemoveInBackground(root);
    return 0;
}
