// Shot lists and sets: list files, ranges of shot names, wildcards over a shot path, filters.
#include "Experiment.h"
#include "Experiment_p.h"
#include "Core.h"
#include "DFile.h"
#include "FileSystem.h"
#include "Log.h"
#include "Paths.h"
#include "Platform.h"

#include <string>
#include <unordered_map>
#include <unordered_set>
#include <memory>
#include <vector>

using expt::IsShotFolderName;
using expt::kNotFound;
using expt::ShotFolderIn;

namespace {

char const kListFolder[] = "ShotLists";
char const kListSource[] = "(Shot list)";

/// A range asking for more names than this is taken as a typing error: it gives no shots
/// rather than exhausting memory.
constexpr long long kMaxRangeNames = 1000000;

/// A list name is one file name: it never reaches outside the list folder.
bool IsListName(DString const& name)
{
    return ~name && IsShotFolderName(name);
}

DString WithTxt(DString const& name)
{
    return name.EndsWith(".txt") ? name : name + ".txt";
}

/// A shot name that a list line can carry and that names one folder.
bool IsListableShot(DString const& shot)
{
    return ~shot && IsShotFolderName(shot) && shot.FindFirstOf("\r\n;") == kNotFound
           && shot[0] != '"';
}

/// One line of a list file as read.
struct ListEntry {
    DString shot;
    int group = -1; ///< -1: the path names no shot path
    DString line;   ///< the line as it stood in the file
};

/// The lines of a list file, parsed; empty lines are skipped.
std::vector<ListEntry> ReadListFile(Experiment& e, DString const& path)
{
    DStringArray lines;
    DFile::GetLines(path, lines);
    std::vector<ListEntry> entries;
    entries.reserve(std::size_t(lines.Count()));
    // Lists repeat a few shot paths many times: each path text is resolved once.
    std::unordered_map<std::string, int> groupOf;
    for (int i = 0; i < lines.Count(); ++i) {
        DString text = lines[i];
        if (text.Len() > 0 && text[text.Len() - 1] == '"')
            text.TruncateBy(1);
        if (text.Len() > 0 && text[0] == '"')
            text = text.Mid(1);
        if (!text)
            continue;
        ListEntry entry;
        entry.line = lines[i];
        int const semi = text.Find(';');
        if (semi == kNotFound) {
            entry.shot = text;
            entry.group = 0;
        } else {
            entry.shot = text.Left(semi);
            DString const pathText = text.Mid(semi + 1);
            auto found = groupOf.find(pathText.c_str());
            if (found == groupOf.end())
                found = groupOf.emplace(pathText.c_str(), e.GetShotGroupNumber(pathText)).first;
            entry.group = found->second;
        }
        if (!IsShotFolderName(entry.shot))
            entry.group = -1;
        entries.push_back(entry);
    }
    return entries;
}

/// `<shot>;<shot path relative to the experiment>`; the relative paths are formed once per group.
class ListLines {
public:
    explicit ListLines(Experiment& e) : e(e), relative(std::size_t(e.ShotPaths.Count())) { }

    DString Line(DString const& shot, int group)
    {
        DString line = shot + ";";
        if (group < 0 || group >= e.ShotPaths.Count())
            return line;
        DString& path = relative[std::size_t(group)];
        if (!path)
            path = e.RelativePath(e.ShotPaths[group]);
        return line + path;
    }

private:
    Experiment& e;
    std::vector<DString> relative;
};

bool WriteList(Experiment& e, DString const& name, DStringArray const& lines)
{
    DString const folder = e.AppendExptPathElts(kListFolder);
    CreateFolder(folder);
    return DFile::WriteLines(AppendPathElts(folder, name), lines);
}

/// Keeps the entries whose flag is set, in order.
void KeepFlagged(std::vector<char> const& keep, DStringArray& shots, DArray<int>& groups,
                 DArray<long long>* dates)
{
    DStringArray keptShots;
    DArray<int> keptGroups;
    DArray<long long> keptDates;
    for (int i = 0; i < shots.Count(); ++i) {
        if (!keep[std::size_t(i)])
            continue;
        keptShots.Add(shots[i]);
        keptGroups.Add(groups[i]);
        if (dates)
            keptDates.Add((*dates)[i]);
    }
    shots = std::move(keptShots);
    groups = std::move(keptGroups);
    if (dates)
        *dates = std::move(keptDates);
}

/// The names of range `A:B` and their group; false when either end has no number or the range
/// is empty or too large.
bool RangeNames(Experiment& e, DString const& spec, int gnum, DStringArray& shots,
                DArray<int>& groups)
{
    DString const first = spec.BeforeFirst(':');
    int from = 0, to = 0;
    int const at = first.EndNumber(from);
    if (at == kNotFound || spec.EndNumber(to) == kNotFound)
        return false;
    long long const count = static_cast<long long>(to) - from + 1;
    if (count < 1 || count > kMaxRangeNames)
        return false;
    DString const prefix = first.Left(at);
    DString const format = DString("%.0") << (first.Len() - at) << "i";
    shots.Reserve(int(count));
    groups.Reserve(int(count));
    for (long long i = 0; i < count; ++i) {
        DString name = prefix;
        shots.Add(name.AddFormatted(int(from + i), format.c_str()));
    }
    if (gnum < 0 || gnum >= e.ShotPaths.Count()) {
        DString firstName = shots[0];
        gnum = e.GuessPathFromShot(firstName);
        if (gnum < 0)
            gnum = 0;
    }
    for (int i = 0; i < shots.Count(); ++i)
        groups.Add(gnum);
    if (Logging)
        Log("Got names of shots in range");
    return true;
}

/// The valid entries of list file `<name>.txt`.
bool ListFileShots(Experiment& e, DString const& name, DStringArray& shots, DArray<int>& groups)
{
    if (!IsListName(name))
        return false;
    DString const folder = e.AppendExptPathElts(kListFolder);
    CreateFolder(folder);
    for (ListEntry const& entry : ReadListFile(e, AppendPathElts(folder, WithTxt(name)))) {
        if (entry.group < 0)
            continue;
        shots.Add(entry.shot);
        groups.Add(entry.group);
    }
    return true;
}

/// Lookups of shot folders and of files in them as FolderExists, FileExists and FileDate make
/// them, with fewer system calls: the name as given is tried natively first, below the shot
/// path held open, and only when it is missing is the path or shot folder searched for a
/// variant in another letter case.
class ShotFiles {
public:
    explicit ShotFiles(Experiment const& e) : e(e), scopes(std::size_t(e.ShotPaths.Count())) { }

    /// FolderExists of folder `Shot<shot>` of group g.
    bool HasFolder(int g, DString const& shot)
    {
        if (g < 0 || g >= e.ShotPaths.Count() || !IsShotFolderName(shot))
            return false;
        platform::FoundEntry found;
        platform::FolderScope const* scope = Scope(g);
        if (scope && scope->Stat("Shot" + Std(shot), std::string(), found))
            return found.folder;
        DString folder = ShotFolderIn(e.ShotPaths[g], shot);
        return FolderExists(folder);
    }

    /// FileDate of folder `Shot<shot>` of group g.
    long long FolderDate(int g, DString const& shot)
    {
        platform::FoundEntry found;
        platform::FolderScope const* scope = Scope(g);
        if (IsShotFolderName(shot) && scope
            && scope->Stat("Shot" + Std(shot), std::string(), found))
            return found.modified;
        return FileDate(ShotFolderIn(e.ShotPaths[g], shot));
    }

    /// FileExists of `name` (wildcards allowed) in folder `Shot<shot>` of group g.
    bool Holds(int g, DString const& shot, DString const& name)
    {
        DString path = AppendPathElts(ShotFolderIn(e.ShotPaths[g], shot), name);
        if (!IsPlainName(name))
            return FileExists(path);
        platform::FoundEntry found;
        return Find(g, shot, name, path, found) && !found.folder;
    }

    /// FileDate of the plain name `name` in folder `Shot<shot>` of group g.
    long long Date(int g, DString const& shot, DString const& name)
    {
        DString const path = AppendPathElts(ShotFolderIn(e.ShotPaths[g], shot), name);
        platform::FoundEntry found;
        return Find(g, shot, name, path, found) ? found.modified : 0;
    }

private:
    static bool IsPlainName(DString const& name)
    {
        return ~name && name.FindFirstOf("\\/*?") == kNotFound && name != "." && name != "..";
    }

    /// The entry that the lookup of one name finds: the name as written, else the first
    /// variant in search order that differs from it in letter case only.
    bool Find(int g, DString const& shot, DString const& name, DString const& path,
              platform::FoundEntry& found)
    {
        platform::FolderScope const* scope = Scope(g);
        if (scope && scope->Stat("Shot" + Std(shot), Std(name), found))
            return true;
        // One search of the folder: every name differing at most in its last character.
        std::string pattern = Std(path);
        pattern.back() = '?';
        for (platform::FoundEntry const& entry : platform::FindEntries(pattern)) {
            if (name %= entry.name.c_str()) {
                found = entry;
                return true;
            }
        }
        return false;
    }

    /// Group g's shot path held open (null when the path does not resolve).
    platform::FolderScope const* Scope(int g)
    {
        std::unique_ptr<platform::FolderScope>& scope = scopes[std::size_t(g)];
        if (!scope) {
            std::string const root = platform::ToNative(Std(e.ShotPaths[g]), false);
            if (root.empty())
                return nullptr;
            scope.reset(new platform::FolderScope(root));
        }
        return scope.get();
    }

    static std::string Std(DString const& s)
    {
        return std::string(s.c_str(), std::size_t(s.Len()));
    }

    Experiment const& e;
    std::vector<std::unique_ptr<platform::FolderScope>> scopes;
};

/// Drops, from the last entry to the first, the shots whose folders do not exist. In a range
/// a missing shot is looked for in every shot path; where it is found, that group holds for it
/// and for all entries before it.
void DropMissingShots(Experiment& e, bool range, DStringArray& shots, DArray<int>& groups)
{
    std::vector<char> keep(std::size_t(shots.Count()), 0);
    ShotFiles files(e);
    int found = -1;
    for (int i = shots.Count() - 1; i >= 0; --i) {
        if (found >= 0)
            groups[i] = found;
        if (files.HasFolder(groups[i], shots[i])) {
            keep[std::size_t(i)] = 1;
            continue;
        }
        if (!range)
            continue;
        DString name = shots[i];
        int const g = e.GuessPathFromShot(name);
        if (g < 0)
            continue;
        found = g;
        groups[i] = g;
        keep[std::size_t(i)] = 1;
    }
    KeepFlagged(keep, shots, groups, nullptr);
}

/// The shots of group g whose folder names match `Shot<pattern>`, with their Scalars.ini dates.
void MatchingShots(Experiment& e, int g, DString const& pattern, DStringArray& shots,
                   DArray<int>& groups, DArray<long long>* dates)
{
    if (!IsShotFolderName(pattern))
        return;
    DStringArray folders;
    GetFolders(ShotFolderIn(e.ShotPaths[g], pattern), folders, true);
    ShotFiles files(e);
    for (int i = 0; i < folders.Count(); ++i) {
        DString const shot = folders[i].Mid(4);
        if (!shot)
            continue;
        shots.Add(shot);
        groups.Add(g);
        if (dates)
            dates->Add(files.Date(g, shot, "Scalars.ini"));
    }
}

/// Keeps the shots whose folders hold a file matching dataFile.
void KeepShotsHolding(Experiment& e, DString dataFile, DStringArray& shots, DArray<int>& groups,
                      DArray<long long>* dates)
{
    if (!dataFile || dataFile == "*")
        return;
    if (dataFile.Find('.') == kNotFound)
        dataFile += ".wvf";
    ShotFiles files(e);
    std::vector<char> keep(std::size_t(shots.Count()), 0);
    for (int i = 0; i < shots.Count(); ++i) {
        int const g = groups[i];
        keep[std::size_t(i)] = g >= 0 && g < e.ShotPaths.Count() && IsShotFolderName(shots[i])
                               && files.Holds(g, shots[i], dataFile);
    }
    KeepFlagged(keep, shots, groups, dates);
}

void ClearSet(DStringArray& shots, DArray<int>& groups, DArray<long long>* dates)
{
    shots.Clear();
    groups.Clear();
    if (dates)
        dates->Clear();
}

} // namespace

void Experiment::GetShotList(DString const& spec, int gnum, DStringArray& shots,
                             DArray<int>& groups, DArray<long long>* dates)
{
    ClearSet(shots, groups, dates);
    if (!spec || !ExperimentName)
        return;
    bool const range = spec.Find(':') != kNotFound;
    bool const listed = range ? RangeNames(*this, spec, gnum, shots, groups)
                              : ListFileShots(*this, spec, shots, groups);
    if (!listed) {
        ClearSet(shots, groups, dates);
        return;
    }
    DropMissingShots(*this, range, shots, groups);
    if (Logging)
        Log("Got shot list and checked for existance");
    if (!dates)
        return;
    dates->Reserve(shots.Count());
    ShotFiles files(*this);
    for (int i = 0; i < shots.Count(); ++i)
        dates->Add(files.FolderDate(groups[i], shots[i]));
}

void Experiment::GetShotSet(DString const& source, DString const& spec, DString dataFile,
                            DStringArray& shots, DArray<int>& groups, DArray<long long>* dates)
{
    ClearSet(shots, groups, dates);
    if (!ExperimentName)
        return;
    if (source %= kListSource) {
        GetShotList(spec, -1, shots, groups, dates);
    } else {
        int const g = expt::FindPath(ShotPaths, FullPath(source));
        if (g < 0)
            return;
        if (spec.Find(':') != kNotFound)
            GetShotList(spec, g, shots, groups, dates);
        else
            MatchingShots(*this, g, spec, shots, groups, dates);
    }
    KeepShotsHolding(*this, dataFile, shots, groups, dates);
}

void Experiment::GetShotSetFields(DStringArray const& shots, DArray<int> const& groups,
                                  DStringArray const& names, DStringArray& values)
{
    values.Clear();
    values.Reserve(shots.Count() * names.Count());
    std::vector<std::unique_ptr<DIni>> caches(std::size_t(ShotPaths.Count()));
    DIni own;
    for (int i = 0; i < shots.Count(); ++i) {
        DString const& shot = shots[i];
        int const g = i < groups.Count() ? groups[i] : -1;
        bool const usable = ~shot && HasShotPath(g) && IsShotFolderName(shot);
        // Held writes of a pause are in memory only: the current shot is read from there.
        bool const held = PauseIO && usable && shot == ShotName && g == CurrentGroup;
        DIni const* source = nullptr;
        DString section;
        if (usable && !held) {
            std::unique_ptr<DIni>& cache = caches[std::size_t(g)];
            if (!cache) {
                cache.reset(new DIni);
                cache->Load(AppendPathElts(ShotPaths[g], "ScalarCache.ini"));
            }
            source = cache.get();
            section = "Shot" + shot;
            if (!cache->SectionExists(section)) {
                own.Load(AppendPathElts(ShotFolderIn(ShotPaths[g], shot), "Scalars.ini"));
                section = "Fields";
                source = own.SectionExists(section) ? &own : nullptr;
            }
        }
        for (int k = 0; k < names.Count(); ++k) {
            if (usable && (names[k] %= "Shot"))
                values.Add(shot);
            else if (held)
                values.Add(GetShotData(names[k]));
            else
                values.Add(source ? expt::FieldIn(*source, section, names[k]) : DString());
        }
    }
}

void Experiment::SaveShotList(DString const& name, DStringArray& shots, DArray<int>& groups)
{
    if (!ExperimentName || !IsListName(name))
        return;
    ListLines format(*this);
    DStringArray lines;
    for (int i = 0; i < shots.Count(); ++i) {
        if (IsListableShot(shots[i]))
            lines.Add(format.Line(shots[i], i < groups.Count() ? groups[i] : -1));
    }
    WriteList(*this, name, lines);
}

void Experiment::MergeShotList(DString file, DString const& name, DStringArray& shots,
                               DArray<int>& groups)
{
    if (!ExperimentName || !IsListName(name) || !file)
        return;
    file = WithTxt(file);
    DString const path = IsListName(file) ? AppendExptPathElts(kListFolder, file) : FullPath(file);

    ListLines format(*this);
    DStringArray lines;
    std::unordered_set<std::string> listed;
    auto key = [](DString shot, int group) {
        return std::string(shot.ToLower().c_str()) + '\n' + std::to_string(group);
    };
    for (ListEntry const& entry : ReadListFile(*this, path)) {
        if (entry.group < 0) {
            lines.Add(entry.line); // a shot path that is not configured now: kept as written
            continue;
        }
        listed.insert(key(entry.shot, entry.group));
        lines.Add(format.Line(entry.shot, entry.group));
    }
    int const n = shots.Count() < groups.Count() ? shots.Count() : groups.Count();
    for (int i = 0; i < n; ++i) {
        int const g = groups[i];
        if (g < 0)
            continue;
        if (!listed.insert(key(shots[i], g)).second) {
            groups[i] = -1;
            continue;
        }
        if (g < ShotPaths.Count() && IsListableShot(shots[i]))
            lines.Add(format.Line(shots[i], g));
    }
    WriteList(*this, name, lines);
}
