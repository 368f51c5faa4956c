// Shots: creating, selecting, renaming and deleting shots, and deriving shot names and groups.
#include "Experiment.h"
#include "Experiment_p.h"
#include "Clock.h"
#include "Core.h"
#include "DNotify.h"
#include "FileSystem.h"
#include "Log.h"
#include "Paths.h"
#include "Platform.h"

#include <climits>
#include <string>

using expt::IsShotFolderName;
using expt::kNotFound;
using expt::ShotFolderIn;

namespace {

/// Letters against which a new shot's first character is tested for the "True"/"False" cues.
char const kLetterTable[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

bool ShotFolderExists(DString const& shotPath, DString const& name)
{
    DString folder = ShotFolderIn(shotPath, name);
    return FolderExists(folder);
}

/// "False" when the shot starts with the table's first letter, "True" otherwise.
DString FirstLetterWord(DString const& shot)
{
    return DString(DString(kLetterTable).Find(shot[0]) != 0);
}

bool CueMatches(DString const& cue, DString const& shot, DString const& word)
{
    if (cue == "*")
        return true;
    if (cue == "#" ? shot.IsNumeric() : shot.StartsWith(cue))
        return true;
    return cue %= word;
}

DString WithoutStar(DString const& name)
{
    return name.Len() > 0 && name[0] == '*' ? name.Mid(1) : name;
}

std::string Std(DString const& s)
{
    return std::string(s.c_str(), std::size_t(s.Len()));
}

/// Prefix of the hidden name a shot folder takes while it is deleted; listings never show a
/// name beginning with '.', and shot names never match it.
char const kDeleting[] = ".deleting-Shot";

/// Moves folder out of sight in one rename, beside itself; the hidden folder, or empty when
/// it cannot be moved.
DString HideFolder(DString const& shotPath, DString const& name, DString const& folder)
{
    for (int n = 1; n < 1000; ++n) {
        DString const hidden = AppendPathElts(shotPath, (kDeleting + name + "-") << n);
        if (!platform::ToNative(Std(hidden), false).empty())
            continue;
        if (RenameFolder(folder, hidden))
            return hidden;
        // Renamed, but not known to be on disk (the failure stays recorded): hidden all the same.
        if (!platform::IsFolder(platform::ToNative(Std(folder), false))
            && platform::IsFolder(platform::ToNative(Std(hidden), false)))
            return hidden;
        // Another deleter may have taken this name just now; anything else is final.
        if (platform::ToNative(Std(hidden), false).empty())
            return DString();
    }
    return DString();
}

/// Removes what killed deletes left in the shot path; what cannot go yet stays hidden.
void RemoveDeleteLeftovers(DString const& shotPath)
{
    std::string const pattern = Std(AppendPathElts(shotPath, kDeleting)) + "*";
    for (platform::FoundEntry const& entry : platform::FindEntries(pattern)) {
        DString const leftover = AppendPathElts(shotPath, DString(entry.name.c_str()));
        if (entry.folder && !DeleteFolder(leftover))
            Log("cannot remove the leftover of a delete " + leftover);
    }
}

/// Claims a new shot's folder: exactly one of several processes creating it gets Created.
platform::NewFolder ClaimShotFolder(DString const& shotPath, DString const& folder)
{
    CreateFolder(shotPath);
    std::string const native = platform::ToNative(Std(folder), true);
    if (native.empty())
        return platform::NewFolder::Failed;
    return platform::MakeNewFolder(native);
}

/// Removes the current shot's cache section during a delete; false, after reporting and
/// moving the hidden folder back, when the section stays. `reported` is set when the delete
/// goes on with a failure already reported.
bool DropCacheSection(Experiment& e, DString const& shotPath, DString const& folder,
                      DString const& hidden, expt::FailureWatch const& watch, bool& reported)
{
    DString const section = "Shot" + e.ShotName;
    e.ScalarCacheIni.SetFileName(AppendPathElts(shotPath, "ScalarCache.ini"));
    e.ScalarCacheIni.DeleteSection(section);
    if (!watch.Failed())
        return true;
    e.ScalarCacheIni.Refresh();
    if (!e.ScalarCacheIni.SectionExists(section))
        return true; // gone from the file; only its sync failed
    // A shot listed by its cache but without a folder would be half deleted: it comes back.
    DString reason;
    int const code = watch.Failed(&reason);
    if (!hidden || RenameFolder(hidden, folder)) {
        SetLastFailure(code, reason);
        expt::ReportWithCause(watch, "Cannot delete shot " + e.ShotName
                                         + ": its cache section cannot be removed");
        return false;
    }
    SetLastFailure(code, reason);
    expt::ReportWithCause(watch, "Shot " + e.ShotName
                                     + " was deleted but its cache section could not be removed");
    reported = true;
    return true;
}

} // namespace

int Experiment::GroupForNewShot(DString const& shot) const
{
    DString word = FirstLetterWord(shot);
    for (int i = 0; i < Cues.Count(); ++i) {
        if (CueMatches(Cues[i].Cue, shot, word))
            return HasShotPath(Cues[i].Group) ? Cues[i].Group : 0;
    }
    return 0;
}

int Experiment::GuessPathFromShot(DString& name)
{
    if (!IsShotFolderName(name))
        return -1;
    if (HasShotPath(CurrentGroup) && ShotFolderExists(ShotPaths[CurrentGroup], name))
        return CurrentGroup;
    for (int g = 0; g < ShotPaths.Count(); ++g) {
        if (g != CurrentGroup && ShotFolderExists(ShotPaths[g], name))
            return g;
    }
    return -1;
}

int Experiment::CreateShot(DString& name, DString const& comment, bool setDate)
{
    if (!ExperimentName || ShotPaths.Count() == 0) {
        SetLastFailure(1, "No experiment is open; shot " + name + " was not created");
        return -1;
    }
    bool star = name.Len() > 0 && name[0] == '*';
    if (star)
        name = name.Mid(1);
    DString shot = name.BeforeFirst('\\', true);
    DString data = name.AfterFirst('\\', false);
    DString why;
    if (!IsStorableShotName(shot, &why)) {
        ReportFailure(1, "Invalid shot name '" + shot + "': " + why);
        return -1;
    }

    bool reused = false;
    int g = GuessPathFromShot(shot);
    if (g >= 0) {
        if (!star) {
            if (!data)
                return -(g + 1);
            DString marked = AppendPathElts(ShotFolderIn(ShotPaths[g], shot), "*" + data + ".wvf");
            if (FileExists(marked))
                return -(g + 1);
        }
        reused = true;
    } else {
        g = GroupForNewShot(shot);
        switch (ClaimShotFolder(ShotPaths[g], ShotFolderIn(ShotPaths[g], shot))) {
        case platform::NewFolder::Created: break;
        case platform::NewFolder::Exists:
            // Another process created it since the search: it is that process's new shot.
            if (!star)
                return -(g + 1);
            reused = true;
            break;
        case platform::NewFolder::Failed:
            ReportFailure(platform::LastError().code,
                          "Cannot create the folder of shot " + shot + " in " + ShotPaths[g] + ": "
                              + DString(platform::LastError().text.c_str()));
            return -1;
        }
    }

    DString const previous = ShotName;
    int const previousGroup = CurrentGroup;
    // A pause carries over to the new shot, so that its creation's fields are held too and
    // the end of the pause writes each of its files once.
    bool const paused = PauseIO;
    SetShot(shot, g);
    if (paused && !reused)
        HoldNewShotFields();
    else if (paused)
        SetPauseIO(true);
    expt::FailureWatch watch;
    if (~comment)
        SetShotData("Comment", comment);
    if (setDate || !reused)
        SetShotData("Date", Now());
    if (!watch.Failed())
        return g;
    if (reused) {
        expt::ReportWithCause(watch, "Shot " + shot + " was created without all its fields");
        return g;
    }
    // A new shot without its fields would be listed half made: the folder this call claimed
    // goes again, with whatever reached the cache.
    expt::ReportWithCause(watch, "Shot " + shot + " was not created: its fields cannot be written");
    DString reason;
    int const code = GetLastFailure(&reason);
    DiscardNewShot();
    if (~previous)
        SetShot(previous, previousGroup);
    SetLastFailure(code, reason);
    return -1;
}

void Experiment::DiscardNewShot()
{
    ReleasePause();
    DString const shotPath = ShotPaths[CurrentGroup];
    ScalarCacheIni.SetFileName(AppendPathElts(shotPath, "ScalarCache.ini"));
    ScalarCacheIni.DeleteSection("Shot" + ShotName);
    DeleteFolder(ShotFolderIn(shotPath, ShotName));
}

bool Experiment::SetShot(DString name, int gnum)
{
    if (!ExperimentName) {
        CurrentGroup = -1;
        ShotFolder = ExperimentFolder;
        if (Logging)
            Log("experiment name not defined");
        return false;
    }
    name = WithoutStar(name);
    DString why;
    if (!IsShotFolderName(name) || (~name && !IsStorableShotName(name, &why))) {
        if (Logging)
            Log("invalid shot name " + name);
        SetLastFailure(1,
                       "Invalid shot name '" + name + "': " + (~why ? why : "not one folder name"));
        return false;
    }
    if (gnum < 0)
        gnum = GuessPathFromShot(name);
    if (name == ShotName && gnum == CurrentGroup)
        return true;
    if (!HasShotPath(gnum)) {
        if (Logging)
            Log(DString("gnum is ") << gnum);
        return false;
    }

    ShotName = name;
    CurrentGroup = gnum;
    ShotFolder = ShotFolderIn(ShotPaths[gnum], name);
    if (Logging)
        Log("setting ini's in SetShot");
    ReleasePause();
    ScalarCacheFileName = AppendPathElts(ShotPaths[gnum], "ScalarCache.ini");
    ScalarsFileName = AppendPathElts(ShotFolder, "Scalars.ini");
    if (Logging)
        Log("Finished setting shot");
    return true;
}

bool Experiment::DeleteShot()
{
    if (!ShotName || !HasShotPath(CurrentGroup) || !IsShotFolderName(ShotName)) {
        SetLastFailure(1, "No current shot to delete");
        return false;
    }
    ReleasePause();
    DString const shotPath = ShotPaths[CurrentGroup];
    // The folder is formed afresh, so that only a folder inside the shot path can go.
    DString folder = ShotFolderIn(shotPath, ShotName);
    DString hidden;
    expt::FailureWatch watch;
    if (FolderExists(folder)) {
        // One rename takes the whole shot out of every listing before any file goes.
        hidden = HideFolder(shotPath, ShotName, folder);
        if (!hidden) {
            expt::ReportWithCause(watch, "Cannot delete shot " + ShotName + ": its folder " + folder
                                             + " cannot be renamed");
            return false;
        }
    }
    bool reported = false;
    if (!DropCacheSection(*this, shotPath, folder, hidden, watch, reported))
        return false;
    bool ok = !watch.Failed();
    if (!ok && !reported)
        expt::ReportWithCause(watch, "Shot " + ShotName + " was deleted, not known to be on disk");
    if (~hidden && !DeleteFolder(hidden)) {
        ReportFailure(1, "Shot " + ShotName + " was deleted but files remain in " + hidden
                             + "; the next delete removes them");
        ok = false;
    }
    RemoveDeleteLeftovers(shotPath);
    return ok;
}

bool Experiment::RenameShot(DString newName)
{
    if (!ShotName || !HasShotPath(CurrentGroup))
        return false;
    newName = WithoutStar(newName);
    DString why;
    if (!IsStorableShotName(newName, &why)) {
        ReportFailure(1, "Cannot rename shot " + ShotName + ": invalid name '" + newName
                             + "': " + why);
        return false;
    }
    if (!IsShotFolderName(ShotName))
        return false;
    DString const shotPath = ShotPaths[CurrentGroup];
    DString const target = ShotFolderIn(shotPath, newName);
    bool const sameName = newName %= ShotName;
    if (!sameName) {
        DString probe = target;
        if (FolderExists(probe)) {
            Message("Shot " + newName + " already exists, rename aborted");
            return false;
        }
    }
    ReleasePause();
    DString const source = ShotFolderIn(shotPath, ShotName);
    expt::FailureWatch renaming;
    if (!RenameFolder(source, target)) {
        expt::ReportWithCause(renaming,
                              "Cannot rename the folder of shot " + ShotName + " to " + target);
        return false;
    }

    // A cache section under the new name can only be left over from a shot that is gone.
    DString const from = "Shot" + ShotName;
    DString const to = "Shot" + newName;
    ScalarCacheIni.SetFileName(AppendPathElts(shotPath, "ScalarCache.ini"));
    bool const stale = !sameName && ScalarCacheIni.SectionExists(to);
    expt::FailureWatch watch;
    if (stale || ScalarCacheIni.SectionExists(from)) {
        ScalarCacheIni.HoldWrite(true);
        if (stale)
            ScalarCacheIni.DeleteSection(to);
        ScalarCacheIni.RenameSection(from, to);
        ScalarCacheIni.HoldWrite(false);
    }
    if (!watch.Failed()) {
        SetShot(newName, CurrentGroup);
        return true;
    }
    // A shot whose folder and cache section disagree would read as another shot's: the
    // folder goes back, and the section too where its rename reached the file.
    DString reason;
    int const code = watch.Failed(&reason);
    ScalarCacheIni.Refresh();
    if (!sameName && ScalarCacheIni.SectionExists(to) && !ScalarCacheIni.SectionExists(from))
        ScalarCacheIni.RenameSection(to, from);
    bool const back = RenameFolder(target, source);
    SetLastFailure(code, reason);
    expt::ReportWithCause(watch,
                          "Cannot rename shot " + from.Mid(4) + " to " + newName
                              + ": its cache section cannot be renamed"
                              + (back ? DString() : DString("; the folder keeps the new name")));
    if (!back)
        SetShot(newName, CurrentGroup);
    return false;
}

void Experiment::SetTempShot(DString const& name, int gnum)
{
    SavedShotName = ShotName;
    SavedGroup = CurrentGroup;
    SetShot(name, gnum);
}

void Experiment::ResetShot()
{
    SetShot(SavedShotName, SavedGroup);
}

DString Experiment::GetShotName()
{
    return ShotName;
}
DString Experiment::GetShotFolder()
{
    return ShotFolder;
}

DString Experiment::GetOffsetShotName(int offset)
{
    if (offset == 0)
        return ShotName;
    int value = 0;
    int start = ShotName.EndNumber(value);
    if (start == kNotFound)
        return ShotName;
    long long moved = static_cast<long long>(value) + offset;
    if (moved < INT_MIN || moved > INT_MAX)
        return ShotName;
    DString format("%.0");
    format << (ShotName.Len() - start) << 'i';
    return ShotName.Left(start).AddFormatted(static_cast<int>(moved), format.c_str());
}

bool Experiment::IsStorableShotName(DString const& name, DString* why)
{
    char const* reason = nullptr;
    if (!name)
        reason = "it is empty";
    else if (!IsShotFolderName(name))
        reason = "it is not one folder name";
    else if (name.FindFirstOf("[]=") != kNotFound)
        reason = "it holds one of [ ] =";
    for (int i = 0; !reason && i < name.Len(); ++i) {
        unsigned char const c = static_cast<unsigned char>(name[i]);
        if (c < 0x20 || c == 0x7f)
            reason = "it holds a line break or another control character";
    }
    if (reason && why)
        *why = reason;
    return !reason;
}

bool Experiment::IsValidName(DString const& name, bool set)
{
    static char const kRefused[] = "!\"#$*:;=?@\\{}~";
    static char const kRefusedInSet[] = "!\"#$&*,/:;<>?{|}~";
    return name.FindFirstOf(set ? kRefusedInSet : kRefused) == kNotFound;
}

int Experiment::GetShotGroupNumber(DString const& path)
{
    return expt::FindPath(ShotPaths, GetLocalFileName(FullPath(path)));
}

int Experiment::GetShotGNumFromFileName(DString const& fileName, DString& shot)
{
    DString data;
    SplitPathElts(fileName, shot, data);
    if (!shot) {
        shot = ShotName;
        return CurrentGroup;
    }
    return GuessPathFromShot(shot);
}

DString Experiment::GetShotGroupPath(int g)
{
    return HasShotPath(g) ? ShotPaths[g] : DString();
}
