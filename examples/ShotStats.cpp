// ShotStats: a sample analysis module that sums up numeric fields and traces of the current
// shot, alone or with the work shared between the processes of an MPI job.
//
// Argument: blank-separated words. "out=<prefix>" names the result fields (default "Stats");
// "trace:<name>" adds the valid samples of the shot's trace <name>; every other word is a
// field-name pattern ('*' and '?' wildcards, case ignored) whose numeric fields are added.
// Results: <prefix>Count, <prefix>Mean, <prefix>StdDev, <prefix>Min, <prefix>Max and
// <prefix>Processes, written as fields of the current shot by one process only. In an MPI job
// each process sums its slice of the fields and reads only its slice of each trace (the
// header, then the slice's bytes) into one reused buffer, so the work is even however many
// traces there are and no process holds more than its share.
//
// Before summing, in the order given: "charge:<name>=<expression>" writes the trace <name>, a
// capacitor charging towards the expression's value with a time constant of 1 ms (1,000
// samples, 10 us apart); "expr:<field>=<expression>" stores the expression's value (for
// example "probe\19", the 10-90 % rise time of trace probe) as field <field>. Either alone
// is a whole request.
#include "DFile.h"
#include "DNotify.h"
#include "DataConstants.h"
#include "DString.h"
#include "DStringArray.h"
#include "Experiment.h"
#include "Paths.h"
#include "Waveform.h"

#include <mpi.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>
#include <vector>

#if defined(_WIN32)
#define MODULE_ENTRY extern "C" __declspec(dllexport)
#else
#define MODULE_ENTRY extern "C" __attribute__((visibility("default")))
#endif

namespace {

const int CommandRun = 129;
const int CommandRunMpi = 130;
const int CodeDisplay = 1;
const int CodeStatus = 31;

/// One "charge:" or "expr:" word: what to write, and the expression that gives its value.
struct Derived {
    bool trace = false; ///< a charging trace rather than a field
    DString name;
    DString expression;
};

struct Request {
    DString prefix = "Stats";
    DStringArray patterns;
    DStringArray traces;
    std::vector<Derived> derived;
    DString error; ///< why the argument was refused; empty when it is usable
};

/// Sums over a share of the values; shares combine by adding the sums.
struct Partial {
    double count = 0;
    double sum = 0;
    double sumSq = 0;
    double min = std::numeric_limits<double>::infinity();
    double max = -std::numeric_limits<double>::infinity();
    double failures = 0; ///< processes that could not read their input
};

/// Where this process stands in the job (0 of 1 when alone).
struct Place {
    int rank = 0;
    int size = 1;
};

bool SameLetter(char a, char b)
{
    return std::tolower(static_cast<unsigned char>(a))
           == std::tolower(static_cast<unsigned char>(b));
}

bool WildcardMatch(const char* pattern, const char* name)
{
    for (; *pattern; ++pattern, ++name) {
        if (*pattern == '*') {
            for (const char* rest = name;; ++rest) {
                if (WildcardMatch(pattern + 1, rest))
                    return true;
                if (!*rest)
                    return false;
            }
        }
        if (!*name)
            return false;
        if (*pattern != '?' && !SameLetter(*pattern, *name))
            return false;
    }
    return !*name;
}

/// "charge:<name>=<expression>" or "expr:<field>=<expression>".
Derived ParseDerived(const DString& word, DString& error)
{
    Derived d;
    d.trace = word.StartsWith("charge:");
    const DString rest = word.AfterFirst(':');
    d.name = rest.BeforeFirst('=');
    d.expression = rest.AfterFirst('=');
    if (!d.name || !d.expression)
        error = d.trace ? "charge: needs <trace>=<expression>" : "expr: needs <field>=<expression>";
    return d;
}

Request ParseArgument(const DString& argument)
{
    Request request;
    DStringArray words(argument, " ");
    for (int i = 0; i < words.Count(); ++i) {
        const DString& word = words[i];
        if (word.StartsWith("out="))
            request.prefix = word.Mid(4);
        else if (word.StartsWith("trace:"))
            request.traces.Add(word.Mid(6));
        else if (word.StartsWith("charge:") || word.StartsWith("expr:"))
            request.derived.push_back(ParseDerived(word, request.error));
        else
            request.patterns.Add(word);
    }
    if (~request.error)
        return request;
    if (!request.prefix)
        request.error = "out= needs a field prefix";
    else if (request.patterns.Count() == 0 && request.traces.Count() == 0
             && request.derived.empty())
        request.error = "name the fields or traces to sum up";
    for (int i = 0; i < request.traces.Count() && !request.error; ++i) {
        if (!request.traces[i])
            request.error = "trace: needs a trace name";
    }
    return request;
}

bool MatchesAny(const DStringArray& patterns, const DString& name)
{
    for (int i = 0; i < patterns.Count(); ++i) {
        if (WildcardMatch(patterns[i].c_str(), name.c_str()))
            return true;
    }
    return false;
}

/// The numeric fields that match, in file order.
std::vector<double> MatchingFields(const Request& request)
{
    std::vector<double> values;
    DStringArray lines = Expt.ScalarsIni.GetFullSection("Fields");
    for (int i = 0; i < lines.Count(); ++i) {
        DString name = lines[i].BeforeFirst('=');
        double v = 0;
        if (~name && MatchesAny(request.patterns, name)
            && lines[i].AfterFirst('=').Trim().ToDouble(v) && std::isfinite(v))
            values.push_back(v);
    }
    return values;
}

void Add(Partial& p, double v)
{
    p.count += 1;
    p.sum += v;
    p.sumSq += v * v;
    // Plain comparisons: a NaN leaves both as fmin and fmax would, without a call per value.
    if (v < p.min)
        p.min = v;
    if (v > p.max)
        p.max = v;
}

Partial Summarize(const std::vector<double>& values, size_t begin, size_t end)
{
    Partial p;
    for (size_t i = begin; i < end; ++i)
        Add(p, values[i]);
    return p;
}

/// Adds the valid samples of a trace, read straight into one Waveform that is reused.
bool AddTrace(Partial& p, Waveform& trace, const DString& name)
{
    if (!trace.Read(AppendPathElts(Expt.GetShotFolder(), name)))
        return false;
    const int n = trace.npnts();
    for (int k = 0; k < n; ++k) {
        const float v = trace[k];
        if (IsVF(v))
            Add(p, v);
    }
    return true;
}

/// Adds the valid samples of this process's slice of a trace: the header, then only the
/// slice's bytes, into one reused buffer.
bool AddTraceSlice(Partial& p, std::vector<float>& buffer, const DString& name, const Place& place)
{
    DFile file;
    Waveform header;
    if (!file.Open(AppendPathElts(Expt.GetShotFolder(), name) + ".wvf", 5) || !header.Read(file, 0))
        return false;
    const long long n = header.fileCount;
    const long long begin = n * place.rank / place.size, end = n * (place.rank + 1) / place.size;
    const long long first = file.Tell(); // the first sample
    buffer.resize(size_t(end - begin));
    file.SeekAbs(first + begin * 4);
    const long long piece = 1 << 28; // samples per read, so that a byte count fits an int
    for (long long done = 0; done < end - begin; done += piece)
        file.BRead(buffer.data() + done, int(std::min(piece, end - begin - done) * 4));
    if (file.Tell() != first + end * 4)
        return false;
    for (const float v : buffer)
        if (IsVF(v))
            Add(p, v);
    return true;
}

/// This process's share: its slice of the matching fields and, with several processes, its
/// slice of every trace (so that the work is even however many traces there are). Process 0
/// checks every trace's header first, so that it names the first one that cannot be read.
Partial SumShare(const Request& request, const Place& place, DString& error)
{
    const std::vector<double> fields = MatchingFields(request);
    const size_t n = fields.size();
    Partial p = Summarize(fields, n * size_t(place.rank) / size_t(place.size),
                          n * size_t(place.rank + 1) / size_t(place.size));
    Waveform trace;
    for (int i = 0; i < request.traces.Count() && place.rank == 0 && place.size > 1; ++i) {
        if (!trace.Read(AppendPathElts(Expt.GetShotFolder(), request.traces[i]), 0)) {
            error = "cannot read trace " + request.traces[i];
            return p;
        }
    }
    std::vector<float> slice;
    for (int i = 0; i < request.traces.Count(); ++i) {
        if (place.size == 1 ? !AddTrace(p, trace, request.traces[i])
                            : !AddTraceSlice(p, slice, request.traces[i], place)) {
            error = "cannot read trace " + request.traces[i];
            return p;
        }
    }
    return p;
}

/// A capacitor charging towards `final` through a time constant of 1 ms.
Waveform ChargingTrace(float final, const DString& expression)
{
    const int points = 1000;
    const double tau = 1e-3;
    Waveform w(points);
    w.step = 1e-5f;
    for (int i = 0; i < points; ++i)
        w[i] = float(final * (1.0 - std::exp(-i * double(w.step) / tau)));
    w.Scale();
    w.description = "charging towards " + expression;
    return w;
}

Place JobPlace(bool mpi)
{
    Place place;
    int started = 0;
    if (mpi && MPI_Initialized(&started) == MPI_SUCCESS && started) {
        MPI_Comm_rank(MPI_COMM_WORLD, &place.rank);
        MPI_Comm_size(MPI_COMM_WORLD, &place.size);
    }
    return place;
}

/// The sums of every process, on process 0.
Partial CombineOnFirst(const Partial& mine, const Place& place)
{
    if (place.size == 1)
        return mine;
    Partial all;
    double sums[4] = {mine.count, mine.sum, mine.sumSq, mine.failures};
    double totals[4] = {0, 0, 0, 0};
    MPI_Reduce(sums, totals, 4, MPI_DOUBLE, MPI_SUM, 0, MPI_COMM_WORLD);
    MPI_Reduce(&mine.min, &all.min, 1, MPI_DOUBLE, MPI_MIN, 0, MPI_COMM_WORLD);
    MPI_Reduce(&mine.max, &all.max, 1, MPI_DOUBLE, MPI_MAX, 0, MPI_COMM_WORLD);
    all.count = totals[0];
    all.sum = totals[1];
    all.sumSq = totals[2];
    all.failures = totals[3];
    return all;
}

void WriteResults(const DString& prefix, const Partial& all, const Place& place)
{
    const double mean = all.sum / all.count;
    const double spread = all.count > 1 ? std::sqrt(
                              std::fmax(0.0, (all.sumSq - all.sum * mean) / (all.count - 1)))
                                        : 0.0;
    Expt.SetPauseIO(true);
    Expt.SetShotData(prefix + "Count", DString(int(all.count)));
    Expt.SetShotData(prefix + "Mean", Format(mean, "%.6g"));
    Expt.SetShotData(prefix + "StdDev", Format(spread, "%.6g"));
    Expt.SetShotData(prefix + "Min", Format(all.min, "%.6g"));
    Expt.SetShotData(prefix + "Max", Format(all.max, "%.6g"));
    Expt.SetShotData(prefix + "Processes", DString(place.size));
    Expt.SetPauseIO(false);
}

class StatsSink : public DNotify {
public:
    DNotify* host = nullptr;

    void OnNotify(int code, int value, const DString& text) override;

private:
    void Run(const DString& argument, bool mpi);
    int Derive(const Request& request);
    void Report(int code, int value, const DString& text)
    {
        if (host)
            host->OnNotify(code, value, "ShotStats: " + text);
    }
};

StatsSink Sink;

void StatsSink::OnNotify(int code, int, const DString& text)
{
    if (code == CommandRun || code == CommandRunMpi)
        Run(text, code == CommandRunMpi);
}

/// Writes the charging traces and the derived fields in the order given; the number written.
int StatsSink::Derive(const Request& request)
{
    int written = 0;
    for (const Derived& d : request.derived) {
        const float value = Expt.GetScalarData(d.expression);
        if (value == -DFMax) {
            Report(CodeDisplay, -1, "no value for " + d.expression);
            continue;
        }
        DString line = d.name;
        if (d.trace) {
            Waveform w = ChargingTrace(value, d.expression);
            if (!w.Write(Expt.GetDataFileName(d.name))) {
                Report(CodeDisplay, -1, "cannot write trace " + d.name);
                continue;
            }
            line << ": trace charging towards " << d.expression << " = " << value;
        } else {
            Expt.SetScalarData(d.name, value);
            line << " = " << d.expression << " = " << value;
        }
        Report(CodeDisplay, 0, line);
        ++written;
    }
    return written;
}

void StatsSink::Run(const DString& argument, bool mpi)
{
    const Place place = JobPlace(mpi);
    const Request request = ParseArgument(argument);
    if (~request.error) {
        // Every process refuses the same argument, so none waits for the others.
        if (place.rank == 0)
            Report(CodeStatus, -1, request.error);
        return;
    }
    if (!Expt.GetShotName()) {
        if (place.rank == 0)
            Report(CodeStatus, -1, "no current shot");
        return;
    }

    // Process 0 alone writes the shot's files; the others wait until its traces are there.
    const int derived = place.rank == 0 ? Derive(request) : 0;
    if (place.size > 1 && !request.derived.empty())
        MPI_Barrier(MPI_COMM_WORLD);
    if (request.patterns.Count() == 0 && request.traces.Count() == 0) {
        if (place.rank == 0) {
            DString done;
            done << derived << " of " << int(request.derived.size()) << " derived values of shot "
                 << Expt.GetShotName();
            Report(CodeStatus, derived == int(request.derived.size()) ? 1 : -1, done);
        }
        return;
    }

    // Each process sums its own share of the values.
    DString error;
    Partial mine = SumShare(request, place, error);
    mine.failures = ~error ? 1 : 0;
    if (place.size > 1) {
        DString share;
        share << "process " << place.rank << " of " << place.size << " summed " << int(mine.count)
              << " values";
        Report(CodeDisplay, 0, share);
    }
    const Partial all = CombineOnFirst(mine, place);
    if (place.rank != 0)
        return;

    if (all.failures > 0) {
        Report(CodeStatus, -1, ~error ? error : DString("another process could not read a trace"));
        return;
    }
    if (all.count < 1) {
        Report(CodeStatus, -1, "nothing numeric matches " + argument);
        return;
    }
    WriteResults(request.prefix, all, place);
    DString done;
    done << int(all.count) << " values of shot " << Expt.GetShotName() << ", mean "
         << Format(all.sum / all.count, "%.6g") << ", " << place.size << " process"
         << (place.size > 1 ? "es" : "");
    Report(CodeStatus, 1, done);
}

} // namespace

/// The module's entry point: keeps the host's sink and hands back its own.
MODULE_ENTRY bool SvInit(int, DNotify* hostSink, DNotify*& moduleSink)
{
    Sink.host = hostSink;
    moduleSink = &Sink;
    return true;
}
