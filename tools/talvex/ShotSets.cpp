// ShotSets: sets of shots named by a pattern, a range or a shot list, and shot-list names.
#include "ShotSets.h"
#include "Console.h"
#include "Experiment.h"
#include "FileSystem.h"
#include "Paths.h"
#include "ShotCondition.h"

#include <cctype>
#include <iostream>
#include <set>

namespace cli {

const std::vector<OptionSpec> kSetOptions = {
    {"list", 0, true}, {"source", 0, true}, {"data", 0, true}, {"where", 0, true}};

const char kSetHelp[] =
    "SPEC names the shots: a shot name, a wildcard over shot names ('12*'), or a range A:B of\n"
    "names ending in numbers ('Run098:Run101'); without SPEC, every shot. Every shot path of\n"
    "the experiment is searched unless --source names one (as '.\\Shots', '..\\Archive\\Run1',\n"
    "an absolute folder, or a group number). --list NAME takes the shots of shot list NAME\n"
    "(ShotLists/NAME.txt) instead of SPEC. --data NAME keeps the shots holding data object\n"
    "NAME (a waveform unless NAME has an extension; wildcards allowed). --where COND keeps\n"
    "the shots for which the condition COND holds: comparisons of expressions with == != < <=\n"
    "> >=, text fields compared with quoted text or matched with ~ 'pattern*', bare\n"
    "expressions (true when greater than 0), joined with && || ! and parentheses; a shot\n"
    "where an operand is absent is left out. Example: --where '[Bt] == 2.5 && ip\\mx > 1e5'.\n"
    "See 'talvex help expressions'.\n";

namespace {

/// The source of GetShotSet that stands for a shot list or a range.
const char kShotList[] = "(Shot list)";
/// Longest range accepted: every name in it is looked for on disk.
const long long kMaxRange = 1000000;

bool HasWildcard(const std::string& s)
{
    return s.find_first_of("*?") != std::string::npos;
}

bool IsRange(const std::string& s)
{
    return s.find(':') != std::string::npos;
}

/// A wildcard pattern is a shot name with '*' and '?' in it.
void CheckPattern(const std::string& pattern)
{
    std::string plain = pattern;
    for (char& c : plain) {
        if (c == '*' || c == '?')
            c = 'x';
    }
    if (!IsShotName(DString(plain.c_str())))
        Fail("invalid shot pattern " + Quoted(pattern));
}

void CheckRange(const std::string& range)
{
    size_t colon = range.find(':');
    std::string a = range.substr(0, colon), b = range.substr(colon + 1);
    int first = 0, last = 0;
    bool numbered = IsShotName(DString(a.c_str())) && IsShotName(DString(b.c_str()))
                    && DString(a.c_str()).EndNumber(first) != int(npos)
                    && DString(b.c_str()).EndNumber(last) != int(npos);
    if (!numbered)
        Fail("invalid range " + Quoted(range) + ": give A:B, two shot names ending in numbers");
    if (last < first || (long long)last - first >= kMaxRange)
        Fail("invalid range " + Quoted(range)
             + ": the second number must not be below the first,"
               " nor a million above it");
}

DString ShotPathOf(const std::string& source)
{
    DString path(source.c_str());
    int g = Expt.GetShotGroupNumber(path);
    if (g < 0 && !IsFullQual(path) && source[0] != '.')
        g = Expt.GetShotGroupNumber(".\\" + path);
    bool digits = !source.empty() && source.size() < 9;
    for (char c : source)
        digits = digits && std::isdigit(static_cast<unsigned char>(c));
    if (g < 0 && digits && std::stoi(source) < Expt.ShotPaths.Count())
        g = std::stoi(source);
    if (g < 0)
        Fail("no shot path " + Quoted(source) + " in " + ExperimentShown());
    return Expt.ShotPaths[g];
}

void Collect(const DString& source, const std::string& spec, const DString& data,
             std::vector<ShotRef>& shots, bool withDates)
{
    DStringArray names;
    DArray<int> groups;
    DArray<long long> dates;
    Expt.GetShotSet(source, DString(spec.c_str()), data, names, groups,
                    withDates ? &dates : nullptr);
    // Shot lists and ranges date a shot by its folder, shot paths by its Scalars.ini.
    bool const folderDate = (source %= kShotList) || IsRange(spec);
    for (int i = 0; i < names.Count(); ++i) {
        ShotRef s;
        s.name = names[i];
        s.group = groups[i];
        s.date = i < dates.Count() ? dates[i] : 0;
        s.dated = withDates;
        s.folderDate = folderDate;
        shots.push_back(s);
    }
}

} // namespace

void FailIssue(const DString& message)
{
    Fail("error: " + Str(message));
}

void CheckWhere(const CommandLine& cl)
{
    if (!cl.Has("where"))
        return;
    ShotCondition condition;
    ExpressionIssue issue;
    if (!condition.Parse(DString(cl.Value("where").c_str()), issue))
        FailIssue(issue.message);
}

void KeepWhere(const ShotCondition& condition, std::vector<ShotRef>& shots)
{
    DStringArray names;
    DArray<int> groups;
    for (const ShotRef& s : shots) {
        names.Add(s.name);
        groups.Add(s.group);
    }
    // The positions ride along as the dates do, so that each kept shot keeps its own flags.
    DArray<long long> positions;
    for (size_t i = 0; i < shots.size(); ++i)
        positions.Add((long long)i);
    condition.Filter(Expt, names, groups, &positions);
    std::vector<ShotRef> kept;
    for (int i = 0; i < names.Count() && i < positions.Count(); ++i)
        kept.push_back(shots[size_t(positions[i])]);
    shots.swap(kept);
}

namespace {

/// Keeps the shots for which --where holds.
void FilterWhere(const CommandLine& cl, std::vector<ShotRef>& shots)
{
    if (!cl.Has("where") || shots.empty())
        return;
    ShotCondition condition;
    ExpressionIssue issue;
    if (!condition.Parse(DString(cl.Value("where").c_str()), issue))
        FailIssue(issue.message);
    KeepWhere(condition, shots);
}

/// Shot names from standard input, one a line; blank lines are skipped.
std::vector<std::string> NamesFromInput()
{
    std::vector<std::string> names;
    std::string line;
    while (std::getline(std::cin, line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.pop_back();
        size_t first = line.find_first_not_of(" \t");
        if (first != std::string::npos)
            names.push_back(line.substr(first));
    }
    return names;
}

std::vector<ShotRef> SelectUnfiltered(const CommandLine& cl, const std::string& spec,
                                      bool dates = true);

} // namespace

std::vector<ShotRef> SelectShots(const CommandLine& cl, const std::string& spec, bool dates)
{
    std::vector<ShotRef> shots = SelectUnfiltered(cl, spec, dates);
    FilterWhere(cl, shots);
    return shots;
}

std::vector<ShotRef> SelectShots(const CommandLine& cl, const std::vector<std::string>& specs)
{
    if (specs.empty())
        return SelectShots(cl, std::string());
    std::vector<std::string> all;
    bool inputRead = false;
    for (const std::string& spec : specs) {
        if (spec != "-") {
            all.push_back(spec);
            continue;
        }
        if (inputRead)
            Fail("'-' may be given once");
        inputRead = true;
        for (const std::string& name : NamesFromInput())
            all.push_back(name);
    }
    if (all.empty())
        Fail("no shot names on standard input");
    std::vector<ShotRef> shots;
    std::set<std::pair<int, std::string>> seen;
    for (const std::string& spec : all) {
        for (const ShotRef& s : SelectUnfiltered(cl, spec)) {
            std::string key = Str(s.name);
            for (char& c : key)
                c = char(std::toupper(static_cast<unsigned char>(c)));
            if (seen.insert({s.group, key}).second)
                shots.push_back(s);
        }
    }
    FilterWhere(cl, shots);
    return shots;
}

namespace {

std::vector<ShotRef> SelectUnfiltered(const CommandLine& cl, const std::string& spec, bool dates)
{
    DString data(cl.Value("data").c_str());
    if (cl.Has("data") && (!data || data.FindFirstOf("/\\") != int(npos)))
        Fail("invalid data name " + Quoted(data) + " for --data");
    std::vector<ShotRef> shots;
    if (cl.Has("list")) {
        if (!spec.empty())
            Fail("give shots by SPEC or by --list, not both");
        if (cl.Has("source"))
            Fail("--source does not apply to a shot list");
        std::string name = ListName(cl.Value("list"));
        DString file = ListFile(name);
        if (!FileExists(file))
            Fail("no shot list " + Quoted(name) + " in " + ExperimentShown());
        Collect(kShotList, name, data, shots, dates);
        return shots;
    }
    std::string pattern = spec.empty() ? "*" : spec;
    if (IsRange(pattern))
        CheckRange(pattern);
    else
        CheckPattern(pattern);
    if (cl.Has("source")) {
        Collect(ShotPathOf(cl.Value("source")), pattern, data, shots, dates);
    } else if (IsRange(pattern)) {
        Collect(kShotList, pattern, data, shots, dates);
    } else {
        for (int g = 0; g < Expt.ShotPaths.Count(); ++g) {
            bool repeated = false;
            for (int h = 0; h < g; ++h)
                repeated = repeated || PathsEqual(Expt.ShotPaths[h], Expt.ShotPaths[g]);
            if (!repeated)
                Collect(Expt.ShotPaths[g], pattern, data, shots, dates);
        }
    }
    DString name(spec.c_str());
    if (shots.empty() && !spec.empty() && !HasWildcard(spec) && !IsRange(spec)
        && Expt.GuessPathFromShot(name) < 0)
        Fail("no shot " + Quoted(spec) + " in " + ExperimentShown());
    return shots;
}

} // namespace

std::string ListName(const std::string& given)
{
    std::string name = given;
    if (name.size() > 4 && (DString(name.substr(name.size() - 4).c_str()) %= ".txt"))
        name.resize(name.size() - 4);
    if (name.empty())
        Fail("empty shot list name");
    if (!IsShotName(DString(name.c_str())) || name[0] == '.')
        Fail("invalid shot list name " + Quoted(given));
    return name;
}

DString ListFile(const std::string& name)
{
    return AppendPathElts(Expt.ExperimentFolder, "ShotLists", (name + ".txt").c_str());
}

} // namespace cli
