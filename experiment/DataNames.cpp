// Data names: their file names, shot offsets, listings, and data marks set through scalars.
#include "Experiment.h"
#include "Experiment_p.h"
#include "FileSystem.h"
#include "Matrix.h"
#include "Paths.h"
#include "Waveform.h"
#include "WriterLock_p.h"

#include <climits>

using expt::kNotFound;

DString Experiment::GetDataFileName(DString name)
{
    if (!name)
        return DString();
    name = GetExpandedString(name, false);
    // A missing field empties the name; it must not fall back on the shot folder itself.
    if (!name)
        return DString();
    if (name[0] == '.' || IsFullQual(name))
        return FullPath(name);
    DString shot, data;
    SplitPathElts(name, shot, data);
    if (!data)
        return DString();
    if (~shot) {
        int const g = GuessPathFromShot(shot);
        if (g < 0)
            return DString();
        return AppendPathElts(expt::ShotFolderIn(ShotPaths[g], shot), data);
    }
    // Without a current shot a bare name would land in the working folder.
    if (!ShotFolder)
        return DString();
    return AppendPathElts(ShotFolder, data);
}

DString Experiment::CleanDataFileName(DString const& name)
{
    if (!name)
        return DString();
    DString shot, data;
    SplitPathElts(name, shot, data);
    if (!shot || (shot[0] != '>' && shot[0] != '<'))
        return name;
    int count = 1;
    if (shot.Len() > 1 && !shot.ToInt(count, 1))
        return data;
    int offset = count;
    if (shot[0] == '<')
        offset = count == INT_MIN ? INT_MAX : -count;
    return GetOffsetShotName(offset) + '\\' + data;
}

void Experiment::GetDataFileNames(DString const& pattern, DStringArray& names, bool clear)
{
    DString const p = GetExpandedString(pattern, false);
    if (!p)
        return;
    DString shot, file, search, prefix;
    SplitPathElts(p, shot, file);
    if (!shot) {
        if (!ShotFolder)
            return;
        search = AppendPathElts(ShotFolder, p);
    } else {
        int const g = GuessPathFromShot(shot);
        if (g < 0)
            return;
        search = AppendPathElts(expt::ShotFolderIn(ShotPaths[g], shot), file);
        prefix = shot + '\\';
    }
    DStringArray found;
    GetFiles(search, found, true);
    // Only the new names get the prefix; what the caller already held stays as it was.
    if (clear)
        names.Clear();
    bool const merge = names.Count() > 0;
    for (int i = 0; i < found.Count(); ++i) {
        found[i].RemoveExt();
        names.Add(prefix + found[i]);
    }
    if (merge)
        names.Sort();
}

namespace {

/// The mark `t<digit>` of a data object; null for a digit outside 1..5.
template <class Data> float* Mark(Data& d, char digit)
{
    switch (digit) {
    case '1': return &d.t1;
    case '2': return &d.t2;
    case '3': return &d.t3;
    case '4': return &d.t4;
    case '5': return &d.t5;
    default: return nullptr;
    }
}

} // namespace

void Experiment::SetDataMark(DString const& name, float value)
{
    int const sep = name.Find('\\');
    if (sep == kNotFound || name.Len() != sep + 3
        || (name[sep + 1] != 't' && name[sep + 1] != 'T')) {
        SetLastFailure(1, "Not a data mark (<data>\\t1 to t5): " + name);
        return;
    }
    char const digit = name[sep + 2];
    DString const file = GetDataFileName(name.Left(sep));
    if (!file || !(digit >= '1' && digit <= '5')) {
        SetLastFailure(1, "Not a data mark of a known data object: " + name);
        return;
    }
    expt::FailureWatch watch;
    bool written = false;
    bool const found = WriteMark(file, digit, value, written);
    if (!found)
        SetLastFailure(1, "No waveform or matrix " + file + " to hold data mark " + name);
    else if (!written)
        expt::ReportWithCause(watch, "Cannot write data mark " + name + " into " + file);
}

bool Experiment::WriteMark(DString const& file, char digit, float value, bool& written)
{
    // Only an object read whole is written back, so a damaged file is never rewritten. The
    // file's writer lock is held from the read to the end of the write, so that no other
    // writer's change falls in between and is lost.
    {
        WriterLock lock(file + ".wvf");
        Waveform w(0);
        if (w.Read(file, -1) && w.npnts() > 0) {
            *Mark(w, digit) = value;
            written = w.Write(file);
            return true;
        }
    }
    WriterLock lock(file + ".dmt");
    Matrix m(1, 1, 1);
    if (m.Read(file, -1, 0) && m.Count() > 1) {
        *Mark(m, digit) = value;
        written = m.Write(file);
        return true;
    }
    return false;
}
