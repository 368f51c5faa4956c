// Shot fields: Scalars.ini and its per-shot-path cache, field expansion and the write pause.
#include "Experiment.h"
#include "Experiment_p.h"
#include "DNotify.h"
#include "FileSystem.h"
#include "Paths.h"

using expt::kNotFound;
using expt::ShotFolderIn;

namespace {

bool HasControl(DString const& text)
{
    for (int i = 0; i < text.Len(); ++i) {
        unsigned char const c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7f)
            return true;
    }
    return false;
}

bool Refuse(DString* why, char const* reason)
{
    if (why)
        *why = reason;
    return false;
}

} // namespace

void expt::ReportWithCause(FailureWatch const& watch, DString const& what)
{
    DString cause;
    int const code = watch.Failed(&cause);
    // A lower layer that recorded the cause has told the sinks already.
    if (code != 0)
        SetLastFailure(code, what + ": " + cause);
    else
        ReportFailure(1, what);
}

bool Experiment::IsFieldName(DString const& name, DString* why)
{
    if (!name)
        return Refuse(why, "it is empty");
    if (HasControl(name))
        return Refuse(why, "it holds a line break or another control character");
    if (name.FindFirstOf("=[]\\") != kNotFound || name.Find("::") != kNotFound)
        return Refuse(why, "it holds one of = [ ] \\ ::");
    if (name[0] == ';')
        return Refuse(why, "it starts with ;");
    if (name[0] == ' ' || name[name.Len() - 1] == ' ')
        return Refuse(why, "it starts or ends with a blank");
    return true;
}

bool Experiment::IsFieldValue(DString const& value, DString* why)
{
    if (HasControl(value))
        return Refuse(why, "it holds a line break or another control character");
    return true;
}

namespace {

/// Stands for a missing key: no field value can hold a line break.
char const kNoField[] = "\n";

/// The value of `key` in `section`, kNoField when there is none.
DString FieldOf(DIni& ini, DString const& section, DString const& key)
{
    ini.SetSection(section);
    return ini.GetKeyValue(key, kNoField);
}

/// Sets `key` in `section`, or deletes it for kNoField.
void PutField(DIni& ini, DString const& section, DString const& key, DString const& value)
{
    if (value == kNoField) {
        ini.DeleteKey(section.c_str(), key);
        return;
    }
    ini.SetSection(section);
    ini.SetKeyValue(key, value);
}

} // namespace

DString expt::FieldIn(DIni const& ini, DString const& section, DString const& name)
{
    DString value;
    int const split = name.Find("::");
    if (split == expt::kNotFound) {
        ini.FindValue(section, name, value);
        return value;
    }
    if (ini.FindValue(section, name.Left(split), value) && ~value)
        return value;
    value = DString();
    ini.FindValue(section, name.Mid(split + 2), value);
    return value;
}

/// Refuses, with a message and the last failure, what would not be stored as given.
bool Experiment::RefuseUnsafeField(DString const& name, DString const& value)
{
    DString why;
    if (!IsFieldName(name, &why)) {
        ReportFailure(1, "Invalid field name '" + name + "' of shot " + ShotName + ": " + why);
        return true;
    }
    if (!IsFieldValue(value, &why)) {
        ReportFailure(1, "Invalid value for field " + name + " of shot " + ShotName + ": " + why);
        return true;
    }
    return false;
}

/// Binds both field files; false, after reporting, when either cannot be had.
bool Experiment::BindForWrite()
{
    expt::FailureWatch watch;
    bool ok = ScalarsIni.SetFileName(ScalarsFileName);
    ScalarsIni.SetSection("Fields");
    ok = ScalarCacheIni.SetFileName(ScalarCacheFileName) && ok;
    ScalarCacheIni.SetSection("Shot" + ShotName);
    if (ok && !watch.Failed())
        return true;
    expt::ReportWithCause(watch, "Cannot open the field files of shot " + ShotName);
    return false;
}

/// True, after reporting, when the current shot's folder no longer exists (renamed or deleted
/// by another process): its cache section must not be written again.
bool Experiment::ShotFolderGone()
{
    DString folder = ShotFolder;
    if (FolderExists(folder))
        return false;
    ReportFailure(1, "Shot " + ShotName + " no longer exists (its folder " + ShotFolder
                         + " is gone); its fields were not written");
    return true;
}

void Experiment::BindScalars()
{
    ScalarsIni.SetFileName(ScalarsFileName);
    ScalarsIni.SetSection("Fields");
}

void Experiment::BindCache()
{
    ScalarCacheIni.SetFileName(ScalarCacheFileName);
    ScalarCacheIni.SetSection("Shot" + ShotName);
}

void Experiment::ReleasePause()
{
    if (!PauseIO)
        return;
    WriteHeldFields();
    PauseIO = false;
}

/// Ends the hold of both field files: writes them, unless the shot went away meanwhile; then
/// the held changes are dropped, so that no cache section of a gone shot comes back. A pause
/// that held no field write ends without writing either file.
void Experiment::WriteHeldFields()
{
    bool const written = heldWrites;
    bool const fresh = newShotFields;
    heldWrites = false;
    newShotFields = false;
    if (!written || (~ShotFolder && ~ShotName && ShotFolderGone())) {
        ScalarCacheIni.Refresh();
        if (fresh)
            ScalarsIni = DIni();
        else
            ScalarsIni.Refresh();
        return;
    }
    if (!fresh) {
        ScalarCacheIni.HoldWrite(false);
        ScalarsIni.HoldWrite(false);
        return;
    }
    expt::FailureWatch watch;
    ScalarCacheIni.HoldWrite(false);
    if (!watch.Failed())
        WriteNewScalars();
    if (watch.Failed())
        DropUnwrittenShot(watch);
}

/// A shot made inside a pause whose fields could not be written would be listed half made:
/// as after a failed CreateShot, its folder and cache section go again, unless data objects
/// were written into it meanwhile (those are never thrown away).
void Experiment::DropUnwrittenShot(expt::FailureWatch const& watch)
{
    DString const folder = ShotFolderIn(ShotPaths[CurrentGroup], ShotName);
    DStringArray files, folders;
    GetFiles(AppendPathElts(folder, "*"), files);
    GetFolders(AppendPathElts(folder, "*"), folders, true);
    bool const empty = folders.Count() == 0
                       && (files.Count() == 0
                           || (files.Count() == 1 && (files[0] %= "Scalars.ini")));
    if (!empty) {
        expt::ReportWithCause(watch, "Shot " + ShotName + " was created without all its fields");
        return;
    }
    expt::ReportWithCause(watch,
                          "Shot " + ShotName + " was not created: its fields cannot be written");
    DString reason;
    int const code = GetLastFailure(&reason);
    ScalarCacheIni.SetFileName(ScalarCacheFileName);
    ScalarCacheIni.DeleteSection("Shot" + ShotName);
    DeleteFolder(folder);
    SetLastFailure(code, reason);
}

/// The pause of a shot that CreateShot has just made holds its Scalars.ini in memory only,
/// so that the file is written once, when the pause ends, rather than made empty first.
void Experiment::HoldNewShotFields()
{
    PauseIO = true;
    newShotFields = true;
    ScalarsIni = DIni();
    ScalarsIni.SetSection("Fields");
    ScalarsIni.HoldWrite(true);
    BindCache();
    ScalarCacheIni.HoldWrite(true);
}

/// Writes the held fields of a new shot: the whole file, or, when another writer made the
/// file meanwhile, the held keys applied to what it holds.
void Experiment::WriteNewScalars()
{
    DStringArray const lines = ScalarsIni.GetFullSection("Fields");
    ScalarsIni.HoldWrite(false); // no file yet: nothing is written
    DString probe = ScalarsFileName;
    if (!FileExists(probe)) {
        ScalarsIni.WriteFile(ScalarsFileName, false);
        return;
    }
    BindScalars();
    ScalarsIni.HoldWrite(true);
    for (int i = 0; i < lines.Count(); ++i) {
        int const eq = lines[i].Find('=');
        if (eq != kNotFound)
            ScalarsIni.SetKeyValue(lines[i].Left(eq), lines[i].Mid(eq + 1));
    }
    ScalarsIni.HoldWrite(false);
}

DString Experiment::GetShotData(DString const& name)
{
    if (!ShotFolder || !ShotName)
        return DString();
    if (name %= "Shot")
        return ShotName;
    if (PauseIO)
        ScalarsIni.SetSection("Fields");
    else
        BindScalars();
    int split = name.Find("::");
    if (split == kNotFound)
        return ScalarsIni.GetKeyValue(name, "");
    DString first = ScalarsIni.GetKeyValue(name.Left(split), "");
    return ~first ? first : ScalarsIni.GetKeyValue(name.Mid(split + 2), "");
}

void Experiment::SetShotData(DString const& name, DString const& value)
{
    if (!ShotFolder || !ShotName || !name) {
        SetLastFailure(1, !name ? DString("Empty field name") : DString("No current shot"));
        return;
    }
    DString const trimmed = value.Trim();
    if ((name %= "Comment") && (trimmed %= ShotName)) {
        SetLastFailure(1, "Attempt to write shot name to comment, in base");
        MsgBox("Attempt to write shot name to comment, in base");
        return;
    }
    // Held writes reach the files only when the pause ends, which checks the folder then.
    if (RefuseUnsafeField(name, value) || (!PauseIO && ShotFolderGone()))
        return;
    expt::FailureWatch watch;
    if (!PauseIO && !BindForWrite())
        return;
    heldWrites = heldWrites || PauseIO;
    fieldsRead = false; // an evaluation under way reads the changed file again
    DString const section = "Shot" + ShotName;
    DString const oldCache = FieldOf(ScalarCacheIni, section, name);
    DString const oldScalars = FieldOf(ScalarsIni, "Fields", name);
    DString const stored = !value ? DString(kNoField) : trimmed;
    PutField(ScalarCacheIni, section, name, stored);
    if (!watch.Failed())
        PutField(ScalarsIni, "Fields", name, stored);
    if (!watch.Failed())
        return;
    // Either file may hold the new value (the other write failed, or the sync after the rename
    // did): both get the old one back, so that the two never disagree.
    if (!PauseIO) {
        PutField(ScalarCacheIni, section, name, oldCache);
        PutField(ScalarsIni, "Fields", name, oldScalars);
    }
    expt::ReportWithCause(watch, "Cannot write field " + name + " of shot " + ShotName);
}

void Experiment::SetScalarData(DString const& name, float value)
{
    if (!ShotFolder) {
        SetLastFailure(1, "No current shot");
        return;
    }
    // A name with a backslash addresses a data object's marks, not a field.
    if (name.Find('\\') == kNotFound)
        SetShotData(name, DString(value));
    else
        SetDataMark(name, value);
}

void Experiment::SetShotCacheData()
{
    if (!ShotFolder || !ShotName)
        return;
    ReleasePause();
    ScalarsIni.SetFileName(ScalarsFileName);
    DStringArray const lines = ScalarsIni.GetFullSection("Fields");
    ScalarCacheIni.SetFileName(ScalarCacheFileName);
    ScalarCacheIni.SetFullSection("Shot" + ShotName, lines);
}

void Experiment::SetPauseIO(bool pause)
{
    if (pause == PauseIO)
        return;
    PauseIO = pause;
    if (pause) {
        // Binding reloads the files and ends any hold, so it comes first.
        BindScalars();
        BindCache();
        ScalarsIni.HoldWrite(true);
        ScalarCacheIni.HoldWrite(true);
    } else {
        WriteHeldFields();
    }
}

DString Experiment::GetExpandedString(DString const& s, bool bangOnly)
{
    char const* const open = bangOnly ? "![" : "[";
    int const openLen = bangOnly ? 2 : 1;
    DString result;
    int pos = 0;
    for (;;) {
        int at = s.Find(open, pos);
        if (at == kNotFound)
            break;
        DString before = s.Mid(pos, at - pos);
        if (!bangOnly && before.Len() > 0 && before[before.Len() - 1] == '!')
            before.TruncateBy(1);
        result += before;
        int nameStart = at + openLen;
        int close = s.Find(']', nameStart);
        DString value = GetShotData(
            s.Mid(nameStart, close == kNotFound ? kNotFound : close - nameStart));
        if (!value)
            return DString();
        result += value;
        if (close == kNotFound)
            return result;
        pos = close + 1;
    }
    result += s.Mid(pos);
    return result;
}
