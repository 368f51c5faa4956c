// The import command: a waveform written from columns of text, such as dump prints.
#include "Commands.h"
#include "Console.h"
#include "DFile.h"
#include "DataConstants.h"
#include "Experiment.h"
#include "FileSystem.h"
#include "Paths.h"
#include "Session.h"
#include "WriteCheck.h"
#include "Waveform.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace cli {

namespace {

/// How far a time may stray from start + i * step, in steps, before the times count as
/// unevenly spaced (text forms of times carry rounding).
const double kTimeTolerance = 1e-3;

struct Samples {
    double start = 0;
    double step = 1;
    std::vector<float> values;
};

std::string ReadInput(const std::string& source)
{
    if (source == "-") {
        std::string text;
        char buf[65536];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, stdin)) > 0)
            text.append(buf, n);
        return text;
    }
    DString path(source.c_str());
    if (!FileExists(path))
        Fail("no file " + Quoted(source));
    DString text = DFile::GetText(path);
    return std::string(text.c_str(), size_t(text.Len()));
}

bool ParseNumber(const std::string& field, double& v)
{
    if (field.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    v = std::strtod(field.c_str(), &end);
    return *end == '\0';
}

/// The fields of a line: split at commas, semicolons or tabs when it holds one of them (in
/// that order of preference), else at runs of blanks; blanks around fields are dropped.
std::vector<std::string> Fields(const std::string& line)
{
    char delim = ' ';
    for (char c : {',', ';', '\t'}) {
        if (delim == ' ' && line.find(c) != std::string::npos)
            delim = c;
    }
    std::vector<std::string> fields;
    size_t from = 0;
    while (from <= line.size()) {
        size_t to = line.find(delim, from);
        if (to == std::string::npos)
            to = line.size();
        std::string field = line.substr(from, to - from);
        size_t a = field.find_first_not_of(" \t"), b = field.find_last_not_of(" \t");
        field = a == std::string::npos ? std::string() : field.substr(a, b - a + 1);
        if (delim != ' ' || !field.empty())
            fields.push_back(field);
        from = to + 1;
    }
    return fields;
}

/// One or two columns (values, or times and values); '#' lines and a first heading line are
/// skipped. Fails on anything else that is not a number and on unevenly spaced times.
Samples ParseColumns(const std::string& text, const std::string& source, const CommandLine& cl)
{
    std::vector<double> times;
    Samples s;
    int columns = 0;
    bool sawRow = false, sawHeading = false;
    size_t lineNo = 0;
    size_t from = 0;
    while (from < text.size()) {
        size_t to = text.find('\n', from);
        std::string line = text.substr(from,
                                       to == std::string::npos ? std::string::npos : to - from);
        from = to == std::string::npos ? text.size() : to + 1;
        ++lineNo;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#')
            continue;
        std::vector<std::string> fields = Fields(line.substr(first));
        std::vector<double> numbers(fields.size());
        bool numeric = true;
        for (size_t i = 0; i < fields.size(); ++i)
            numeric = numeric && ParseNumber(fields[i], numbers[i]);
        std::string where = "line " + std::to_string(lineNo) + " of " + Quoted(source);
        if (!numeric) {
            if (!sawRow && !sawHeading) {
                sawHeading = true;
                continue;
            }
            Fail(where + " is not a row of numbers");
        }
        sawRow = true;
        if (columns == 0) {
            if (fields.size() > 2)
                Fail(where + " has " + std::to_string(fields.size())
                     + " columns; give values, or times and values");
            columns = int(fields.size());
        } else if (int(fields.size()) != columns) {
            Fail(where + " has " + std::to_string(fields.size()) + " columns, not "
                 + std::to_string(columns));
        }
        if (s.values.size() >= size_t(INT_MAX))
            Fail(Quoted(source) + " holds too many values for one waveform");
        if (columns == 2)
            times.push_back(numbers[0]);
        float v = float(numbers.back());
        s.values.push_back(IsVF(v) ? v : -DFMax);
    }
    if (s.values.empty())
        Fail("no values in " + Quoted(source));
    if (columns == 2) {
        if (cl.Has("step") || cl.Has("start"))
            Fail("--step and --start are for one column of values; here the times give them");
        s.start = times[0];
        s.step = times.size() > 1 ? times[1] - times[0] : 1;
        for (size_t i = 1; i < times.size(); ++i) {
            double expected = s.start + double(i) * s.step;
            if (!(std::fabs(times[i] - expected) <= kTimeTolerance * std::fabs(s.step)))
                Fail("the times of " + Quoted(source) + " are not evenly spaced (at time "
                     + Number(times[i]) + "); a waveform has one time step");
        }
    } else {
        if (cl.Has("step") && !ParseNumber(cl.Value("step"), s.step))
            Fail("--step needs a number, not " + Quoted(cl.Value("step")));
        if (cl.Has("start") && !ParseNumber(cl.Value("start"), s.start))
            Fail("--start needs a number, not " + Quoted(cl.Value("start")));
    }
    if (!IsVF(float(s.step)) || float(s.step) == 0 || !IsVF(float(s.start)))
        Fail("the time step of " + Quoted(source) + " must be a number other than 0");
    return s;
}

/// A name for a new data object of the shot itself.
void CheckDataName(const std::string& name)
{
    if (name.empty())
        Fail("empty data name");
    if (!IsShotName(DString(name.c_str())) || name[0] == '.' || name[0] == '>' || name[0] == '<')
        Fail("invalid data name " + Quoted(name));
}

} // namespace

int RunImport(const CommandLine& cl)
{
    cl.ExpectArgs(3, 3, "import SHOT DATA FILE [--step DT] [--start T0] [--force]");
    std::string data = cl.Arg(1);
    if (data.size() > 4 && KindOfExtension(data.substr(data.size() - 4)) == DTWaveform)
        data.resize(data.size() - 4);
    CheckDataName(data);
    std::string source = cl.Arg(2);
    Samples samples = ParseColumns(ReadInput(source), source == "-" ? "standard input" : source,
                                   cl);

    OpenExperiment(cl);
    ShotRef shot = UseShot(cl.Arg(0));
    DString file = AppendPathElts(Expt.ShotFolder, DString(data.c_str()));
    DString existing = file + ".wvf";
    if (FileExists(existing) && !cl.Has("force"))
        Fail("shot " + Quoted(shot.name) + " already has a waveform " + Quoted(data)
             + "; --force replaces it");
    Waveform w(int(samples.values.size()));
    for (size_t i = 0; i < samples.values.size(); ++i)
        w[int(i)] = samples.values[i];
    w.startBase = float(samples.start);
    w.step = float(samples.step);
    w.Scale();
    CheckedWrite("cannot write waveform " + Quoted(data) + " of shot " + Quoted(shot.name),
                 [&] { return w.Write(file); });
    return 0;
}

} // namespace cli
