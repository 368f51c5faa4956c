// The C interface over experiment handles: shots, fields, data objects and expressions of any open
// experiment.
#include "TalvexC.h"

#include "ApiSupport_p.h"
#include "DIni.h"
#include "DataConstants.h"
#include "Experiment.h"
#include "ExpressionCheck.h"
#include "FileSystem.h"
#include "LastFailure.h"
#include "Matrix.h"
#include "ParticleGroup.h"
#include "Paths.h"
#include "ShotCondition.h"
#include "Waveform.h"
#include "WaveformIO_p.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>

#ifndef TALVEX_VERSION
#define TALVEX_VERSION "unknown"
#endif

using api::Guard;
using api::TextOut;

namespace {

// Marks a live handle, so that a stray or closed pointer is refused instead of used.
constexpr std::uint32_t OpenTag = 0x54584550u;

// One open experiment. Each handle has its own Experiment, so several may be open at once and
// none of them touches the process-wide Expt.
struct Handle {
    std::uint32_t tag = OpenTag;
    Experiment e;
};

int Fail(DString const& message, int code = 1)
{
    SetLastFailure(code, message);
    return -1;
}

Experiment* Open(void* p)
{
    auto* h = static_cast<Handle*>(p);
    if (!h || h->tag != OpenTag) {
        Fail("not an open experiment handle");
        return nullptr;
    }
    return &h->e;
}

// Runs body on the handle's experiment; -1 (and a recorded failure) for a bad handle or when
// memory runs out.
template <class F> int WithExperiment(char const* function, void* p, F body) noexcept
{
    return Guard(function, -1, [&] {
        Experiment* e = Open(p);
        return e ? body(*e) : -1;
    });
}

// Text of a list: its full length is the result, so that a call with a null buffer learns the
// size it needs.
int ListOut(DString const& s, int* len, char* out)
{
    TextOut(s, len, out);
    return s.Len();
}

// Line breaks and tabs would split a record of the '\n'/'\t'-separated lists.
DString OneLine(DString const& s)
{
    return s.Replace("\r", " ").Replace("\n", " ").Replace("\t", " ");
}

bool IsShotName(DString const& name)
{
    return ~name && name != "." && name != ".." && name.FindFirstOf("\\/*?:\r\n\t") == npos;
}

// Makes `shot` the experiment's current shot; false with a recorded failure when there is no
// such shot. Wildcards are refused here: a pattern must never select (or delete) a folder.
bool SelectShot(Experiment& e, DString const& shot)
{
    if (!IsShotName(shot)) {
        Fail("'" + shot + "' is not a shot name");
        return false;
    }
    if (!e.SetShot(shot, -1)) {
        Fail(DString("no shot ") << shot << " in experiment " << e.GetExperimentFolder(), ENOENT);
        return false;
    }
    return true;
}

DString FieldsFile(Experiment& e)
{
    return AppendPathElts(e.GetShotFolder(), "Scalars.ini");
}

DString FieldOf(Experiment& e, DString const& key)
{
    DIni ini(FieldsFile(e));
    return ini.GetSectionKeyValue("Fields", key, "");
}

// ---- Shot sets ----

void AddSet(DStringArray& shots, DArray<int>& groups, DStringArray const& s, DArray<int> const& g)
{
    for (int i = 0; i < s.Count(); ++i) {
        shots.Add(s[i]);
        groups.Add(g[i]);
    }
}

// The shots of a list, of a range A:B, or of a wildcard over every shot path.
void ShotSet(Experiment& e, DString const& spec, DString const& list, DStringArray& shots,
             DArray<int>& groups)
{
    if (~list) {
        e.GetShotSet("(Shot list)", list, DString(), shots, groups);
        return;
    }
    if (spec.Find(':') != npos) {
        e.GetShotList(spec, -1, shots, groups);
        return;
    }
    DString const pattern = ~spec ? spec : DString("*");
    for (int g = 0; g < e.ShotPaths.Count(); ++g) {
        DStringArray s;
        DArray<int> gr;
        e.GetShotSet(e.ShotPaths[g], pattern, DString(), s, gr);
        AddSet(shots, groups, s, gr);
    }
}

bool ParseCondition(DString const& text, ShotCondition& condition)
{
    ExpressionIssue issue;
    if (!text || condition.Parse(text, issue))
        return true;
    Fail(~issue.message ? issue.message : DString("malformed condition ") + text);
    return false;
}

// The next free number after the highest numbered shot, in that shot's prefix and width.
DString NextShotName(Experiment& e)
{
    DStringArray shots;
    DArray<int> groups;
    ShotSet(e, DString(), DString(), shots, groups);
    long long best = -1;
    DString prefix;
    int width = 1;
    for (int i = 0; i < shots.Count(); ++i) {
        int n = 0;
        int const at = shots[i].EndNumber(n);
        if (at == npos || n <= best)
            continue;
        best = n;
        prefix = shots[i].Left(at);
        width = shots[i].Len() - at;
    }
    if (best < 0)
        return DString("1");
    if (best >= INT_MAX)
        return DString();
    DString format = DString("%.0") << width << 'i';
    return prefix.AddFormatted(int(best + 1), format.c_str());
}

// ---- Data objects ----

struct Kind {
    char const* ext;
    char const* name;
    DataType type;
};
constexpr Kind Kinds[] = {{".wvf", "waveform", DTWaveform},
                          {".dmt", "matrix", DTMatrix},
                          {".dpt", "particles", DTParticleGroup},
                          {".dgm", "geometry", DTGeometry}};

// Splits a known extension off a data name; DTNone when there is none.
DataType SplitKind(DString& name)
{
    for (Kind const& k : Kinds) {
        if (name.Len() > 4 && (name.Right(4) %= k.ext)) {
            name = name.Left(name.Len() - 4);
            return k.type;
        }
    }
    return DTNone;
}

char const* KindName(DataType t)
{
    for (Kind const& k : Kinds)
        if (k.type == t)
            return k.name;
    return "";
}

char const* ExtOf(DataType t)
{
    for (Kind const& k : Kinds)
        if (k.type == t)
            return k.ext;
    return "";
}

// The file (no extension) of a data name of a shot; empty with a recorded failure when the shot
// is missing or the name resolves to nothing.
DString DataFileOf(Experiment& e, char const* shot, char const* name, DataType& kind)
{
    DString stem(name);
    kind = SplitKind(stem);
    if (!SelectShot(e, DString(shot)))
        return DString();
    DString file = e.GetDataFileName(stem);
    if (!file)
        Fail("data name " + DString(name) + " resolves to no file");
    return file;
}

// DataFileOf for a function of one kind: a name whose extension names another kind is refused,
// so that "grid.dmt" never reaches a waveform file grid.wvf.
DString TypedFileOf(Experiment& e, char const* shot, char const* name, DataType expected)
{
    DataType kind = DTNone;
    DString const file = DataFileOf(e, shot, name, kind);
    if (~file && kind != DTNone && kind != expected) {
        Fail(DString(name) + " does not name a " + KindName(expected));
        return DString();
    }
    return file;
}

bool Exists(DString const& file, DataType t)
{
    DString path = file + ExtOf(t);
    return FileExists(path);
}

// The kind of the data object a name stands for: its extension, else the first kind whose
// file exists (the evaluator's order); DTNone when there is none.
DataType KindOf(DString const& file, DataType named)
{
    if (named != DTNone)
        return Exists(file, named) ? named : DTNone;
    for (Kind const& k : Kinds)
        if (Exists(file, k.type))
            return k.type;
    return DTNone;
}

DString HeaderLine(char const* key, DString const& value)
{
    return DString(key) << '=' << OneLine(value) << '\n';
}

DString HeaderLine(char const* key, float value)
{
    return HeaderLine(key, DString(value));
}

DString WaveformHeader(Waveform const& w)
{
    DString h;
    h << HeaderLine("description", w.description) << HeaderLine("note", w.note)
      << HeaderLine("date", w.dateStamp);
    float const marks[] = {w.t1, w.t2, w.t3, w.t4, w.t5};
    char const* names[] = {"t1", "t2", "t3", "t4", "t5"};
    for (int i = 0; i < 5; ++i)
        h << HeaderLine(names[i], marks[i]);
    h << HeaderLine("calibration", w.calibration) << HeaderLine("attenuation", w.attenuation)
      << HeaderLine("offset", w.offset) << HeaderLine("time_shift", w.timeShift)
      << HeaderLine("scope_shift", w.scopeShift) << HeaderLine("scope_shift2", w.scopeShift2)
      << HeaderLine("max", w.maxVal) << HeaderLine("min", w.minVal)
      << HeaderLine("locked", DString(w.lockState & 1 ? "1" : "0"));
    return h;
}

// Calls set(key, value) for each "key=value" line of a header text.
template <class F> void ForEachHeaderLine(char const* header, F set)
{
    DStringArray lines(DString(header), "\n");
    for (int i = 0; i < lines.Count(); ++i) {
        int const eq = lines[i].Find('=');
        if (eq != npos && eq > 0)
            set(lines[i].Left(eq).Trim(), lines[i].Mid(eq + 1));
    }
}

// Sets a time mark t1..t5 from its header key; false for any other key.
template <class D> bool SetMark(D& d, DString const& key, DString const& value)
{
    float* marks[] = {&d.t1, &d.t2, &d.t3, &d.t4, &d.t5};
    if (key.Len() != 2 || key[0] != 't' || key[1] < '1' || key[1] > '5')
        return false;
    float v = 0.0f;
    if (value.Trim().ToFloat(v))
        *marks[key[1] - '1'] = v;
    return true;
}

void ApplyWaveformHeader(Waveform& w, char const* header)
{
    ForEachHeaderLine(header, [&](DString const& key, DString const& value) {
        if (key == "description")
            w.description = value;
        else if (key == "note")
            w.note = value;
        else
            SetMark(w, key, value);
    });
}

DString MatrixHeader(Matrix const& m)
{
    DString h;
    h << HeaderLine("name1", m.name1) << HeaderLine("name2", m.name2)
      << HeaderLine("date", m.dateStamp);
    float const marks[] = {m.t1, m.t2, m.t3, m.t4, m.t5};
    char const* names[] = {"t1", "t2", "t3", "t4", "t5"};
    for (int i = 0; i < 5; ++i)
        h << HeaderLine(names[i], marks[i]);
    h << HeaderLine("calibration", m.calibration) << HeaderLine("max", m.maxVal)
      << HeaderLine("min", m.minVal);
    return h;
}

DString PGroupHeader(ParticleGroup const& g)
{
    DString h;
    h << HeaderLine("text1", g.text1) << HeaderLine("text2", g.text2)
      << HeaderLine("date", g.dateStamp);
    float const marks[] = {g.t1, g.t2, g.t3, g.t4, g.t5};
    char const* names[] = {"t1", "t2", "t3", "t4", "t5"};
    for (int i = 0; i < 5; ++i)
        h << HeaderLine(names[i], marks[i]);
    return h;
}

// Copies n floats, invalid samples (-DFMax and every other value IsVF refuses) as NaN.
void CopyValid(float const* from, int n, float* to)
{
    float const nan = std::numeric_limits<float>::quiet_NaN();
    for (int i = 0; i < n; ++i)
        to[i] = IsVF(from[i]) ? from[i] : nan;
}

// Axis d of a matrix from its n coordinates: a uniform step when they are evenly spaced,
// otherwise the coordinates as listed.
void SetAxis(Matrix& m, int d, float const* c, int n)
{
    if (!c) {
        m.SetStep(d, 1.0f, 0.0f);
        return;
    }
    float const step = n > 1 ? (c[n - 1] - c[0]) / float(n - 1) : 1.0f;
    bool uniform = step > 0.0f;
    for (int i = 0; uniform && i < n; ++i)
        uniform = std::fabs(c[0] + float(i) * step - c[i])
                  <= 1e-6f * (std::fabs(c[i]) + std::fabs(step));
    if (uniform) {
        m.SetStep(d, step, c[0]);
        return;
    }
    DArray<float, 0> coords(n);
    for (int i = 0; i < n; ++i)
        coords[i] = c[i];
    m.SetAllCoords(d, coords);
}

// -1, with a failure recorded unless the writer has recorded its own.
int WriteFailed(DString const& what, DString const& name)
{
    if (GetLastFailure() == 0)
        Fail("could not write " + what + " " + name);
    return -1;
}

int CheckOut(bool condition, Experiment& e, char const* text, int* position, int* len, char* out)
{
    ExpressionIssue issue;
    bool ok = true;
    if (condition) {
        ShotCondition c;
        ok = c.Parse(DString(text), issue);
    } else {
        ok = CheckExpression(DString(text), issue, &e);
    }
    api::Put(position, ok ? -1 : issue.position);
    if (ok) {
        TextOut(DString(), len, out);
        return 0;
    }
    TextOut(OneLine(issue.text) + "\n" + OneLine(issue.message) + "\n" + OneLine(issue.suggestion),
            len, out);
    return int(issue.kind);
}

} // namespace

const char* GetVersionC(void)
{
    return TALVEX_VERSION;
}

void* OpenExperimentC(const char* folder, int create)
{
    return Guard("OpenExperimentC", static_cast<void*>(nullptr), [&]() -> void* {
        DString f(folder);
        while (f.Len() > 1 && (f[f.Len() - 1] == '/' || f[f.Len() - 1] == '\\'))
            f.TruncateBy(1);
        DString parent, name;
        SplitPathElts(f, parent, name);
        if (!name) {
            Fail("no experiment folder given");
            return nullptr;
        }
        DString probe = f;
        bool const exists = FolderExists(probe);
        DString shots = AppendPathElts(f, "Shots");
        DString settings = AppendPathElts(f, name) + ".ini";
        bool const isExperiment = exists && (FolderExists(shots) || FileExists(settings));
        if (!isExperiment && !create) {
            Fail(f
                     + (exists ? " is not an experiment folder (it has no Shots folder and no "
                                     + name + ".ini)"
                               : DString(" does not exist")),
                 ENOENT);
            return nullptr;
        }
        if (!isExperiment && !CreateFolder(f)) {
            Fail("could not create the experiment folder " + f);
            return nullptr;
        }
        auto* h = new Handle;
        h->e.SetExperimentFolder(f);
        DString made = AppendPathElts(f, "Shots");
        if (!FolderExists(made)) {
            delete h;
            Fail("could not create the Shots folder of " + f);
            return nullptr;
        }
        return h;
    });
}

void CloseExperimentC(void* exp)
{
    auto* h = static_cast<Handle*>(exp);
    if (!h || h->tag != OpenTag)
        return;
    h->tag = 0;
    delete h;
}

int ListShotsHC(void* exp, const char* spec, const char* list, const char* where, int* len,
                char* out)
{
    return WithExperiment("ListShotsHC", exp, [&](Experiment& e) {
        ShotCondition condition;
        if (!ParseCondition(DString(where), condition))
            return -1;
        DStringArray shots;
        DArray<int> groups;
        ShotSet(e, DString(spec), DString(list), shots, groups);
        condition.Filter(e, shots, groups);
        DString text;
        for (int i = 0; i < shots.Count(); ++i) {
            if (!IsShotName(shots[i]) || !e.SetShot(shots[i], groups[i]))
                continue;
            DIni ini(FieldsFile(e));
            text << shots[i] << '\t' << groups[i] << '\t'
                 << OneLine(ini.GetSectionKeyValue("Fields", "Date", "")) << '\t'
                 << OneLine(ini.GetSectionKeyValue("Fields", "Comment", "")) << '\n';
        }
        return ListOut(text, len, out);
    });
}

int CreateShotHC(void* exp, const char* name, const char* comment, int* len, char* out)
{
    return WithExperiment("CreateShotHC", exp, [&](Experiment& e) {
        DString n(name);
        if (n == "*")
            n = NextShotName(e);
        if (!IsShotName(n) || !e.IsValidName(n))
            return Fail("'" + DString(name) + "' is not a shot name");
        DString made = n;
        // CreateShot's -(g+1) for an existing shot of group 0 reads as its plain failure.
        if (e.GuessPathFromShot(made) >= 0)
            return Fail(DString("shot ")
                            << n << " already exists in experiment " << e.GetExperimentFolder(),
                        EEXIST);
        int const g = e.CreateShot(made, DString(comment), true);
        if (g < 0)
            return Fail("could not create shot " + n);
        TextOut(made, len, out);
        return 1;
    });
}

int RenameShotHC(void* exp, const char* from, const char* to)
{
    return WithExperiment("RenameShotHC", exp, [&](Experiment& e) {
        DString const target(to);
        if (!IsShotName(target) || !e.IsValidName(target))
            return Fail("'" + target + "' is not a shot name");
        if (!SelectShot(e, DString(from)))
            return -1;
        if (!e.RenameShot(target))
            return Fail(DString("could not rename shot ")
                            << from << " to " << target << " (does it exist already?)",
                        EEXIST);
        return 1;
    });
}

int DeleteShotHC(void* exp, const char* name)
{
    return WithExperiment("DeleteShotHC", exp, [&](Experiment& e) {
        if (!SelectShot(e, DString(name)))
            return -1;
        DString folder = e.GetShotFolder();
        e.DeleteShot();
        e.ShotName = DString();
        e.ShotFolder = DString();
        if (FolderExists(folder))
            return Fail("could not delete shot " + DString(name));
        return 1;
    });
}

int BackupShotHC(void* exp, const char* name, int* len, char* out)
{
    return WithExperiment("BackupShotHC", exp, [&](Experiment& e) {
        if (!SelectShot(e, DString(name)))
            return -1;
        DString const target = e.GetBackupShotFolder();
        if (!target)
            return Fail("no backup folder for shot " + DString(name));
        e.BackupShot();
        DString probe = target;
        if (!FolderExists(probe)) {
            if (GetLastFailure() == 0)
                Fail("could not back up shot " + DString(name) + " to " + target);
            return -1;
        }
        TextOut(target, len, out);
        return 1;
    });
}

int ListFieldsHC(void* exp, const char* shot, int* len, char* out)
{
    return WithExperiment("ListFieldsHC", exp, [&](Experiment& e) {
        if (!SelectShot(e, DString(shot)))
            return -1;
        DIni ini(FieldsFile(e));
        DStringArray const lines = ini.GetFullSection("Fields");
        DString text;
        for (int i = 0; i < lines.Count(); ++i) {
            DString const line = lines[i].Trim();
            int const eq = line.Find('=');
            if (eq == npos || eq == 0 || line[0] == ';')
                continue;
            text << line.Left(eq).Trim() << '=' << line.Mid(eq + 1).Trim() << '\n';
        }
        return ListOut(text, len, out);
    });
}

int GetFieldHC(void* exp, const char* shot, const char* key, int* len, char* out)
{
    return WithExperiment("GetFieldHC", exp, [&](Experiment& e) {
        if (!SelectShot(e, DString(shot)))
            return -1;
        return ListOut(FieldOf(e, DString(key)), len, out);
    });
}

int SetFieldHC(void* exp, const char* shot, const char* key, const char* value)
{
    return WithExperiment("SetFieldHC", exp, [&](Experiment& e) {
        DString const k = DString(key).Trim();
        DString const v(value);
        if (!k || k.FindFirstOf("=\r\n[]") != npos || k[0] == ';')
            return Fail("'" + DString(key) + "' cannot be a field name");
        if (v.FindFirstOf("\r\n") != npos)
            return Fail("a field value is one line of text");
        if (!SelectShot(e, DString(shot)))
            return -1;
        e.SetShotData(k, v);
        // Read back from the file: the write is confirmed only by what is on disk.
        if (FieldOf(e, k) != v.Trim())
            return Fail("could not store field " + k + " of shot " + DString(shot));
        return 1;
    });
}

int SetFieldsHC(void* exp, const char* shot, const char* records)
{
    return WithExperiment("SetFieldsHC", exp, [&](Experiment& e) {
        DStringArray keys, values;
        DStringArray const lines(DString(records), "\n");
        for (int i = 0; i < lines.Count(); ++i) {
            if (!lines[i])
                continue;
            int const eq = lines[i].Find('=');
            DString const k = eq == npos ? DString() : lines[i].Left(eq).Trim();
            if (!k || k.FindFirstOf("\r[]") != npos || k[0] == ';')
                return Fail("'" + lines[i] + "' is not a key=value record of a field");
            keys.Add(k);
            values.Add(lines[i].Mid(eq + 1));
        }
        if (!SelectShot(e, DString(shot)))
            return -1;
        // One write of each field file for the whole batch.
        e.SetPauseIO(true);
        for (int i = 0; i < keys.Count(); ++i)
            e.SetShotData(keys[i], values[i]);
        e.SetPauseIO(false);
        DIni ini(FieldsFile(e));
        for (int i = 0; i < keys.Count(); ++i)
            if (ini.GetSectionKeyValue("Fields", keys[i], "") != values[i].Trim())
                return Fail("could not store field " + keys[i] + " of shot " + DString(shot));
        return 1;
    });
}

int ListDataHC(void* exp, const char* shot, int* len, char* out)
{
    return WithExperiment("ListDataHC", exp, [&](Experiment& e) {
        if (!SelectShot(e, DString(shot)))
            return -1;
        DString text;
        for (Kind const& k : Kinds) {
            DStringArray names;
            GetFiles(AppendPathElts(e.GetShotFolder(), DString("*") + k.ext), names, true);
            for (int i = 0; i < names.Count(); ++i) {
                if (!(names[i].Right(4) %= k.ext) || names[i].FindFirstOf("\t\r\n") != npos)
                    continue;
                DString n = names[i];
                if (k.type == DTWaveform)
                    n.TruncateBy(4);
                text << n << '\t' << k.name << '\n';
            }
        }
        return ListOut(text, len, out);
    });
}

int DataKindHC(void* exp, const char* shot, const char* name)
{
    return WithExperiment("DataKindHC", exp, [&](Experiment& e) {
        DataType named = DTNone;
        DString const file = DataFileOf(e, shot, name, named);
        if (!file)
            return -1;
        return int(KindOf(file, named));
    });
}

int WaveformInfoHC(void* exp, const char* shot, const char* name, int* n, float* start, float* step,
                   int* len, char* header)
{
    return WithExperiment("WaveformInfoHC", exp, [&](Experiment& e) {
        DString const file = TypedFileOf(e, shot, name, DTWaveform);
        if (!file)
            return -1;
        Waveform w;
        if (!w.Read(file, 0))
            return 0;
        api::Put(n, w.fileCount);
        api::Put(start, w.Start());
        api::Put(step, w.step);
        TextOut(WaveformHeader(w), len, header);
        return 1;
    });
}

int ReadWaveformHC(void* exp, const char* shot, const char* name, int n, float* out)
{
    return WithExperiment("ReadWaveformHC", exp, [&](Experiment& e) {
        DString const file = TypedFileOf(e, shot, name, DTWaveform);
        if (!file)
            return -1;
        Waveform w;
        if (!w.Read(file, -1))
            return Fail("could not read waveform " + DString(name));
        int const copied = n < w.npnts() ? n : w.npnts();
        if (copied > 0 && out)
            CopyValid(w.Data(), copied, out);
        return w.npnts();
    });
}

int WriteWaveformHC(void* exp, const char* shot, const char* name, int n, float start, float step,
                    const float* values, const char* header)
{
    return WithExperiment("WriteWaveformHC", exp, [&](Experiment& e) {
        if (n < 0 || (n > 0 && !values))
            return Fail("no samples to write");
        DString const file = TypedFileOf(e, shot, name, DTWaveform);
        if (!file)
            return -1;
        Waveform w;
        w.startBase = start;
        w.step = step;
        ApplyWaveformHeader(w, header);
        if (!WaveformIO::ScaleAndWrite(w, file, values, n))
            return WriteFailed("waveform", DString(name));
        return 1;
    });
}

int MatrixInfoHC(void* exp, const char* shot, const char* name, int* sizes, int* len, char* header)
{
    return WithExperiment("MatrixInfoHC", exp, [&](Experiment& e) {
        DString const file = TypedFileOf(e, shot, name, DTMatrix);
        if (!file)
            return -1;
        Matrix m;
        if (!m.Read(file, 1, 0))
            return 0;
        for (int d = 1; sizes && d <= 3; ++d)
            sizes[d - 1] = d <= m.Rank() ? m.GetOrigSize(d) : 1;
        TextOut(MatrixHeader(m), len, header);
        return 1;
    });
}

int ReadMatrixHC(void* exp, const char* shot, const char* name, const int* sizes, float* values,
                 float* coords)
{
    return WithExperiment("ReadMatrixHC", exp, [&](Experiment& e) {
        if (!sizes)
            return Fail("no sizes given");
        DString const file = TypedFileOf(e, shot, name, DTMatrix);
        if (!file)
            return -1;
        Matrix m;
        if (!m.Read(file, -1, 0))
            return Fail("could not read matrix " + DString(name));
        int have[3];
        for (int d = 1; d <= 3; ++d)
            have[d - 1] = d <= m.Rank() ? m.GetSize(d) : 1;
        if (have[0] != sizes[0] || have[1] != sizes[1] || have[2] != sizes[2]
            || static_cast<long long>(have[0]) * have[1] * have[2] != m.Count())
            return Fail("matrix " + DString(name) + " changed size while it was read");
        if (values)
            CopyValid(m.Data(), m.Count(), values);
        for (int d = 1; coords && d <= 3; ++d) {
            DArray<float, 0> const c = m.GetAllCoords(d);
            for (int i = 0; i < have[d - 1]; ++i)
                *coords++ = d <= m.Rank() && i < c.Count() ? c[i] : 0.0f;
        }
        return 1;
    });
}

int WriteMatrixHC(void* exp, const char* shot, const char* name, const int* sizes,
                  const float* values, const float* coords, const char* header)
{
    return WithExperiment("WriteMatrixHC", exp, [&](Experiment& e) {
        if (!sizes || sizes[0] < 1 || sizes[1] < 1 || sizes[2] < 1 || !values)
            return Fail("a matrix needs at least one value on each axis");
        long long const count = static_cast<long long>(sizes[0]) * sizes[1] * sizes[2];
        if (count > INT_MAX)
            return Fail("matrix too large");
        DString const file = TypedFileOf(e, shot, name, DTMatrix);
        if (!file)
            return -1;
        Matrix m(sizes[0], sizes[1], sizes[2]);
        float const* c = coords;
        for (int d = 1; d <= 3; ++d) {
            SetAxis(m, d, c, sizes[d - 1]);
            if (c)
                c += sizes[d - 1];
        }
        std::memcpy(m.Data(), values, size_t(count) * sizeof(float));
        ForEachHeaderLine(header, [&](DString const& key, DString const& value) {
            if (key == "name1")
                m.name1 = value;
            else if (key == "name2")
                m.name2 = value;
            else
                SetMark(m, key, value);
        });
        m.Scale();
        if (!m.Write(file))
            return WriteFailed("matrix", DString(name));
        return 1;
    });
}

int PGroupInfoHC(void* exp, const char* shot, const char* name, int* n, int* geometry,
                 float* headerA, float* headerB, int* len, char* header)
{
    return WithExperiment("PGroupInfoHC", exp, [&](Experiment& e) {
        DString const file = TypedFileOf(e, shot, name, DTParticleGroup);
        if (!file)
            return -1;
        ParticleGroup g;
        if (!g.Read(file, 0, 0))
            return 0;
        api::Put(n, g.nOrigParticles());
        api::Put(geometry, g.Geometry());
        api::Put(headerA, g.headerA);
        api::Put(headerB, g.headerB);
        TextOut(PGroupHeader(g), len, header);
        return 1;
    });
}

int ReadPGroupHC(void* exp, const char* shot, const char* name, int* n, float* out)
{
    return WithExperiment("ReadPGroupHC", exp, [&](Experiment& e) {
        if (!n || *n < 0 || (*n > 0 && !out))
            return Fail("no room for particles");
        DString const file = TypedFileOf(e, shot, name, DTParticleGroup);
        if (!file)
            return -1;
        ParticleGroup g;
        if (*n > 0 && !g.Read(file, *n, 0))
            return Fail("could not read particle group " + DString(name));
        int const count = g.nParticles() < *n ? g.nParticles() : *n;
        if (count > 0)
            std::memcpy(out, g.Data(),
                        size_t(count) * ParticleGroup::nParticleCols * sizeof(float));
        *n = count;
        return 1;
    });
}

int WritePGroupHC(void* exp, const char* shot, const char* name, int n, int geometry, float headerA,
                  float headerB, const float* particles, int append)
{
    return WithExperiment("WritePGroupHC", exp, [&](Experiment& e) {
        if (n < 0 || (n > 0 && !particles) || n > INT_MAX / ParticleGroup::nParticleCols)
            return Fail("no particles to write");
        DString const file = TypedFileOf(e, shot, name, DTParticleGroup);
        if (!file)
            return -1;
        ParticleGroup g;
        g.Size(n);
        g.SetGeometry(geometry); // no particles yet: stored as given
        g.headerA = headerA;
        g.headerB = headerB;
        if (n > 0)
            std::memcpy(g.Data(), particles,
                        size_t(n) * ParticleGroup::nParticleCols * sizeof(float));
        g.Scale();
        bool const ok = append ? g.Append(file) : g.Write(file);
        if (!ok)
            return WriteFailed("particle group", DString(name));
        return 1;
    });
}

int EvaluateHC(void* exp, const char* shot, const char* expr, float* value)
{
    return WithExperiment("EvaluateHC", exp, [&](Experiment& e) {
        if (!SelectShot(e, DString(shot)))
            return -1;
        float const v = e.GetScalarData(DString(expr));
        api::Put(value, v);
        return IsVF(v) ? 1 : 0;
    });
}

int CheckExpressionHC(void* exp, const char* expr, int* position, int* len, char* out)
{
    return WithExperiment("CheckExpressionHC", exp, [&](Experiment& e) {
        return CheckOut(false, e, expr, position, len, out);
    });
}

int CheckConditionHC(void* exp, const char* condition, int* position, int* len, char* out)
{
    return WithExperiment("CheckConditionHC", exp, [&](Experiment& e) {
        return CheckOut(true, e, condition, position, len, out);
    });
}
