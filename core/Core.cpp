// Start-up of the core: folders, the program settings file and the process-wide flags.
#include "Core.h"

#include "Clock.h"
#include "Core_p.h"
#include "DNotify.h"
#include "FileSystem.h"
#include "Paths.h"
#include "Platform.h"

DIni StIni;
bool Logging = false;
bool Silent = false;
bool PublicWrite = false;

namespace {
DString TalvexPath;
DString UserPath;
DString WorkingPath;
double StartSeconds = 0;

// The keys a new Talvex.ini receives, in the order they are written.
void WriteFirstStartKeys()
{
    StIni.HoldWrite(true);
    StIni.SetSection("Startup");
    for (const char* key : {"Path", "Experiment", "Query", "Shot", "Macro"})
        StIni.SetKeyValue(key, "*");
    StIni.SetSection("Preferences");
    StIni.SetKeyValue("UseLocalSettings", "True");
    StIni.HoldWrite(false);
}
// Section [Files]: Synchronous=Full|Normal|Off (Full, the default, syncs every commit; Normal
// and Off keep the atomic replacement but leave the syncs to the system) and LockTimeout (the
// seconds a writer waits for another's lock; negative: forever).
void ApplyFileSettings()
{
    const DString sync = StIni.GetSectionKeyValue("Files", "Synchronous", "Full");
    platform::SyncMode mode = platform::SyncMode::Full;
    if (sync %= "Off")
        mode = platform::SyncMode::Off;
    else if (sync %= "Normal")
        mode = platform::SyncMode::Normal;
    platform::SetSyncMode(mode);
    float seconds = 30.0f;
    if (!StIni.GetSectionKeyValue("Files", "LockTimeout", "30").ToFloat(seconds))
        seconds = 30.0f;
    platform::SetLockTimeout(seconds < 0 ? -1 : int(seconds * 1000.0f + 0.5f));
}
} // namespace

double core::StartTime()
{
    return StartSeconds;
}

void CoreInit(const DString& programFolder)
{
    SetNotify(nullptr);
    SetQNotify(nullptr);
    Logging = false;
    StartSeconds = Timer();
    SetComputerNameD();
    SetTalvexPath(programFolder);
}

void SetTalvexPath(const DString& folder)
{
    if (!folder) {
        DString exe(platform::ExecutablePath().c_str(), npos);
        DString exeFolder, exeName;
        SplitPathElts(exe, exeFolder, exeName);
        TalvexPath = exeFolder;
    } else if (!IsFullQual(folder)) {
        TalvexPath = AppendPathElts(GetCurrentDirectoryD(), folder);
    } else {
        TalvexPath = folder;
    }
    SetUserPath();
}

DString GetTalvexPath()
{
    return TalvexPath;
}

void SetUserPath()
{
    UserPath = GetLocalSettingsPath();
    if (Silent)
        return;
    CreateFolder(UserPath);

    DString iniName = AppendPathElts(UserPath, "Talvex.ini");
    DString probe = iniName;
    const bool existed = FileExists(probe);
    StIni.SetFileName(iniName);
    StIni.SetSection("Startup");
    if (!existed)
        WriteFirstStartKeys();

    ApplyFileSettings();
    StIni.SetSection("Preferences");
    WorkingPath = StIni.GetKeyValue("WorkingPath", UserPath.c_str());
    CreateFolder(WorkingPath);
    PublicWrite = StIni.GetKeyBoolValue("PublicWriteAccess", false);
}

DString GetUserPath()
{
    return UserPath;
}

DString GetWorkingPath()
{
    return WorkingPath;
}

DString GetLocalSettingsPath()
{
    DString folder(platform::PerUserDataFolder().c_str(), npos);
    // The per-user folder is a native path, so it takes the native separator.
    folder << platform::kNativeSeparator << "Talvex";
    return folder;
}

DString GetDefaultPath(const DString& key)
{
    return StIni.GetSectionKeyValue("DefaultPaths", key, "");
}

void SetDefaultPath(const DString& key, const DString& value)
{
    StIni.SetSection("DefaultPaths");
    StIni.SetKeyValue(key, value);
}
