// Shots: creating, selecting, renaming and deleting shots, and deriving shot names and groups.
#include "Experiment.h"
#include "Experiment_p.h"
#include "Clock.h"
#include "Core.h"
#include "DNotify.h"
#include "FileSystem.h"
#include "Log.h"
#include "Paths.h"

#include <climits>

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
    if (!ExperimentName || ShotPaths.Count() == 0)
        return -1;
    bool star = name.Len() > 0 && name[0] == '*';
    if (star)
        name = name.Mid(1);
    DString shot = name.BeforeFirst('\\', true);
    DString data = name.AfterFirst('\\', false);
    if (!shot || !IsShotFolderName(shot)) {
        if (Logging)
            Log("invalid shot name " + shot);
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
        DString folder = ShotFolderIn(ShotPaths[g], shot);
        CreateFolder(folder);
        if (!FolderExists(folder))
            return -1;
    }

    SetShot(shot, g);
    if (~comment)
        SetShotData("Comment", comment);
    if (setDate || !reused)
        SetShotData("Date", Now());
    return g;
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
    if (!IsShotFolderName(name)) {
        if (Logging)
            Log("invalid shot name " + name);
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
    if (!ShotName || !HasShotPath(CurrentGroup) || !IsShotFolderName(ShotName))
        return false;
    ReleasePause();
    // The folder is formed afresh, so that only a folder inside the shot path can go.
    DeleteFolder(ShotFolderIn(ShotPaths[CurrentGroup], ShotName));
    ScalarCacheIni.SetFileName(AppendPathElts(ShotPaths[CurrentGroup], "ScalarCache.ini"));
    ScalarCacheIni.DeleteSection("Shot" + ShotName);
    return true;
}

bool Experiment::RenameShot(DString newName)
{
    if (!ShotName || !HasShotPath(CurrentGroup))
        return false;
    newName = WithoutStar(newName);
    if (!newName || !IsShotFolderName(newName) || !IsShotFolderName(ShotName))
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
    if (!RenameFolder(ShotFolderIn(shotPath, ShotName), target))
        return false;

    // A cache section under the new name can only be left over from a shot that is gone.
    DString const from = "Shot" + ShotName;
    DString const to = "Shot" + newName;
    ScalarCacheIni.SetFileName(AppendPathElts(shotPath, "ScalarCache.ini"));
    bool const stale = !sameName && ScalarCacheIni.SectionExists(to);
    if (stale || ScalarCacheIni.SectionExists(from)) {
        ScalarCacheIni.HoldWrite(true);
        if (stale)
            ScalarCacheIni.DeleteSection(to);
        ScalarCacheIni.RenameSection(from, to);
        ScalarCacheIni.HoldWrite(false);
    }
    SetShot(newName, CurrentGroup);
    return true;
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
