// Experiment configuration: selecting an experiment folder, its shot paths and cues, path forms.
#include "Experiment.h"
#include "Experiment_p.h"
#include "Clock.h"
#include "Core.h"
#include "FileSystem.h"
#include "Log.h"
#include "Paths.h"
#include "Platform.h"

TALVEX_API Experiment Expt;

const int Experiment::CurDataVersion;

namespace {

bool IsSep(char c)
{
    return platform::IsPathSeparator(c);
}

/// `mark` + the part of path below prefix, written with backslashes; empty when prefix is
/// empty or not a folder above path.
DString RelativeTo(DString const& path, DString const& prefix, char const* mark)
{
    DString rest;
    if (!prefix || !PathAfterPrefix(path, prefix, rest))
        return DString();
    return mark + rest.Replace("/", "\\");
}

/// Shot paths listed by one [Groups] pattern: the matching sub-folders, `.` names left out.
void ListGroupFolders(DString const& full, DStringArray& out)
{
    out.Clear();
    if (!full)
        return;
    GetFolders(full, out, true);
    DString dir, last;
    SplitPathElts(full, dir, last);
    for (int j = 0; j < out.Count(); ++j)
        out[j] = AppendPathElts(dir, out[j]);
}

} // namespace

namespace expt {

bool IsShotFolderName(DString const& name)
{
    if (name == "." || name == "..")
        return false;
    return name.FindFirstOf("\\/") == kNotFound;
}

DString ShotFolderIn(DString const& shotPath, DString const& name)
{
    return AppendPathElts(shotPath, "Shot" + name);
}

int FindPath(DStringArray const& paths, DString const& path)
{
    for (int i = 0; i < paths.Count(); ++i)
        if (PathsEqual(paths[i], path))
            return i;
    return -1;
}

} // namespace expt

bool Experiment::SetExperimentFolder(DString const& folder)
{
    // Held field writes belong to the shot that is about to stop being current.
    ReleasePause();
    if (!folder) {
        ExperimentFolder = DString();
        ExperimentPath = DString();
        ExperimentName = DString();
        CurrentGroup = -1;
        ShotName = DString();
        ShotFolder = DString();
        return true;
    }
    ExperimentFolder = folder;
    ExperimentUNCFolder = GetUNCFileName(folder);
    SplitPathElts(folder, ExperimentPath, ExperimentName);
    if (!ExperimentName)
        return true;

    ShotPaths.Clear();
    ShotPaths.Add(AppendPathElts(ExperimentFolder, "Shots"));
    CreateFolder(ShotPaths[0]);

    DIni settings(AppendPathElts(ExperimentFolder, ExperimentName) + ".ini");
    Description = settings.GetSectionKeyValue("General", "Description", "");

    DStringArray lines = settings.GetFullSection("Groups");
    Groups.Clear();
    Groups.ReSize(lines.Count());
    if (Logging)
        Log("Parsing out shot groups...");
    DStringArray found;
    for (int i = 0; i < lines.Count(); ++i) {
        DStringArray fields(lines[i].BeforeFirst('=', true), ";", 3);
        Groups[i].Pattern = fields[0];
        Groups[i].Label = fields[2];
        ListGroupFolders(FullPath(Groups[i].Pattern), found);
        ShotPaths.Append(found);
    }

    if (Logging)
        Log("Getting cues...");
    lines = settings.GetFullSection("ShotCreation");
    Cues.Clear();
    if (lines.Count() == 0) {
        Cues.ReSize(1);
        Cues[0].Cue = "*";
        Cues[0].Group = 0;
    } else {
        Cues.ReSize(lines.Count());
        for (int i = 0; i < lines.Count(); ++i) {
            Cues[i].Cue = lines[i].BeforeFirst('=', true);
            DString value = lines[i].AfterFirst('=', false);
            Cues[i].Group = expt::FindPath(ShotPaths, GetLocalFileName(FullPath(value)));
        }
    }

    CreateFolder(AppendPathElts(ExperimentFolder, "Query"));
    CreateFolder(AppendPathElts(ExperimentFolder, "Macros"));

    CurrentGroup = 0;
    ShotFolder = DString();
    ShotName = DString();
    PauseIO = false;
    heldWrites = false;
    newShotFields = false;
    ScalarsFileName = DString();
    ScalarCacheFileName = DString();
    return true;
}

DString Experiment::GetExperimentFolder()
{
    return ExperimentFolder;
}
DString Experiment::GetExperimentName()
{
    return ExperimentName;
}
DString Experiment::GetExperimentPath()
{
    return ExperimentPath;
}
DString Experiment::GetExperimentUNCFolder()
{
    return ExperimentUNCFolder;
}

DString Experiment::AppendExptPathElts(DString const& a)
{
    return AppendPathElts(ExperimentFolder, a);
}

DString Experiment::AppendExptPathElts(DString const& a, DString const& b)
{
    return AppendPathElts(ExperimentFolder, a, b);
}

DString Experiment::FullPath(DString const& path)
{
    if (path.Len() >= 2 && path[0] == '.' && IsSep(path[1]))
        return AppendPathElts(ExperimentFolder, TranslateFileName(path.Mid(2)));
    if (path.Len() >= 3 && path[0] == '.' && path[1] == '.' && IsSep(path[2]))
        return AppendPathElts(ExperimentPath, TranslateFileName(path.Mid(3)));
    return GetLocalFileName(path);
}

DString Experiment::RelativePath(DString const& path)
{
    // The experiment folder is tried first, so that a folder without a parent works too.
    DString relative = RelativeTo(path, ExperimentFolder, ".\\");
    if (!relative)
        relative = RelativeTo(path, ExperimentPath, "..\\");
    return ~relative ? relative : GetUNCFileName(path);
}

DString Experiment::GetCurPath()
{
    return HasShotPath(CurrentGroup) ? ShotPaths[CurrentGroup] : DString();
}

int Experiment::GetCurrentGroup()
{
    return CurrentGroup;
}

void Experiment::StampConfigFile(DIni& ini)
{
    ini.HoldWrite(true);
    ini.DeleteSection("LastRun");
    ini.SetSection("LastRun");
    ini.SetKeyValue("Shot", ShotName);
    ini.SetKeyValue("ShotPath", GetCurPath());
    ini.SetKeyValue("Started", Now());
    ini.HoldWrite(false);
}
