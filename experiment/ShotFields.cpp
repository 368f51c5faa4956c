// Shot fields: Scalars.ini and its per-shot-path cache, field expansion and the write pause.
#include "Experiment.h"
#include "Experiment_p.h"
#include "DNotify.h"

using expt::kNotFound;

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
    ScalarCacheIni.HoldWrite(false);
    ScalarsIni.HoldWrite(false);
    PauseIO = false;
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
    if (!ShotFolder || !ShotName || !name)
        return;
    DString const trimmed = value.Trim();
    if ((name %= "Comment") && (trimmed %= ShotName)) {
        MsgBox("Attempt to write shot name to comment, in base");
        return;
    }
    if (!PauseIO) {
        BindScalars();
        BindCache();
    }
    DString const section = "Shot" + ShotName;
    if (!value) {
        ScalarCacheIni.DeleteKey(section.c_str(), name);
        ScalarsIni.DeleteKey("Fields", name);
        return;
    }
    ScalarCacheIni.SetSection(section);
    ScalarCacheIni.SetKeyValue(name, trimmed);
    ScalarsIni.SetSection("Fields");
    ScalarsIni.SetKeyValue(name, trimmed);
}

void Experiment::SetScalarData(DString const& name, float value)
{
    if (!ShotFolder)
        return;
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
        ScalarsIni.HoldWrite(false);
        ScalarCacheIni.HoldWrite(false);
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
