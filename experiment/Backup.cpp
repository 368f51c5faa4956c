// Backup: the experiment's backup folder, and copies of shots that never replace each other.
#include "Experiment.h"
#include "Experiment_p.h"
#include "DIni.h"
#include "FileSystem.h"
#include "Paths.h"
#include "Platform.h"

#include <string>

namespace {

char const kDefaultBackup[] = "..\\Backup";
char const kLocationFile[] = "BackupLocation.ini";

bool IsSep(char c)
{
    return c == '\\' || c == '/';
}

std::string Std(DString const& s)
{
    return std::string(s.c_str(), std::size_t(s.Len()));
}

DString WithoutTrailingSeps(DString path)
{
    while (path.Len() > 1 && IsSep(path[path.Len() - 1]))
        path.TruncateBy(1);
    return path;
}

DString SettingsFile(Experiment const& e)
{
    return AppendPathElts(e.ExperimentFolder, e.ExperimentName) + ".ini";
}

/// A key of a settings file that may be missing; an empty file is not opened at all, because
/// opening one waits for a writer that is not there.
DString ReadSetting(DString const& file, char const* section, char const* key)
{
    if (GetFileLen(file) == 0)
        return DString();
    DIni ini(file);
    return ini.GetSectionKeyValue(section, key, "");
}

/// Where folder is copied before any suffix: its path below ExperimentPath (whole elements)
/// below the backup folder; for a folder elsewhere, ExperimentPath\Backup\<experiment>\Shots
/// joined with the folder's own last element.
DString MirroredFolder(Experiment const& e, DString const& folder, DString const& backup)
{
    DString rest;
    if (PathAfterPrefix(folder, e.ExperimentPath, rest))
        return AppendPathElts(backup, rest);
    DString parent, last;
    SplitPathElts(folder, parent, last);
    return AppendPathElts(e.ExperimentPath, "Backup", e.ExperimentName, "Shots", last);
}

DString Suffixed(DString const& base, int n)
{
    return n == 0 ? base : (base + "_") << n;
}

/// True when any entry (of any letter case) has this name.
bool Taken(DString const& path)
{
    return !platform::ToNative(Std(path), false).empty();
}

/// The first of base, base_1, base_2 ... that this call creates; a name that another process
/// creates first is left to it. Empty when a folder cannot be created.
DString ClaimFolder(DString const& base)
{
    DString parent, last;
    SplitPathElts(base, parent, last);
    if (~parent)
        CreateFolder(parent);
    for (int n = 0; n < 0x7fffffff; ++n) {
        DString const candidate = Suffixed(base, n);
        switch (platform::MakeNewFolder(platform::ToNative(Std(candidate), true))) {
        case platform::NewFolder::Created: return candidate;
        case platform::NewFolder::Exists: continue;
        case platform::NewFolder::Failed:
            ReportFailure(platform::LastError().code,
                          "cannot create folder " + candidate + ": "
                              + DString(platform::LastError().text.c_str()));
            return DString();
        }
    }
    return DString();
}

} // namespace

DString Experiment::GetBackupPath()
{
    if (!ExperimentName)
        return DString();
    DString value = ReadSetting(SettingsFile(*this), "Backup", "Path").Trim();
    if (!value)
        value = kDefaultBackup;
    DString path = FullPath(value);
    if (!path)
        return path;
    CreateFolder(path);
    DString location = AppendPathElts(path, kLocationFile);
    if (FileExists(location)) {
        DString const redirect = ReadSetting(location, "General", "BackupLocation").Trim();
        if (~redirect)
            path = redirect;
    }
    return path;
}

void Experiment::SetBackupPath(DString path)
{
    if (!ExperimentName)
        return;
    path = WithoutTrailingSeps(path);
    DString parent, last;
    SplitPathElts(path, parent, last);
    if (last %= ExperimentName)
        path = parent;
    DIni settings(SettingsFile(*this));
    settings.SetSection("Backup");
    settings.SetKeyValue("Path", RelativePath(path));
}

DString Experiment::GetBackupShotFolder(DString folder)
{
    folder = WithoutTrailingSeps(~folder ? folder : ShotFolder);
    if (!folder || !ExperimentName)
        return DString();
    DString const backup = GetBackupPath();
    if (!backup)
        return DString();
    DString const base = MirroredFolder(*this, folder, backup);
    int n = 0;
    while (Taken(Suffixed(base, n)))
        ++n;
    return Suffixed(base, n);
}

void Experiment::BackupShot()
{
    lastBackupFolder = DString();
    DString source = WithoutTrailingSeps(ShotFolder);
    if (!ExperimentName || !source || !FolderExists(source)) {
        ReportFailure(1, "No shot folder to back up" + (~source ? ": " + source : DString()));
        return;
    }
    DString const backup = GetBackupPath();
    if (!backup) {
        ReportFailure(1, "No backup folder for shot " + ShotName);
        return;
    }
    DString const base = MirroredFolder(*this, source, backup);
    // A backup folder inside the shot would be copied into itself.
    if (PathStartsWith(base, source)) {
        ReportFailure(1, "The backup folder " + base + " lies inside shot folder " + source);
        return;
    }
    expt::FailureWatch watch;
    DString const target = ClaimFolder(base);
    if (!target) {
        expt::ReportWithCause(watch, "Cannot create a backup folder for shot " + ShotName + " in "
                                         + backup);
        return;
    }
    if (CopyFolder(source, target) && !watch.Failed()) {
        lastBackupFolder = target;
        return;
    }
    // A partial copy would pass for a backup; this call made the folder, so it may go.
    DeleteFolder(target);
    expt::ReportWithCause(watch, "Cannot back up shot " + ShotName + " to " + target
                                     + ": not every file could be copied");
}
