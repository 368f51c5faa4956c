// Session: the experiment a command works on, its shots and the data objects of a shot.
#include "Session.h"
#include "Console.h"
#include "Core.h"
#include "DIni.h"
#include "Experiment.h"
#include "FileSystem.h"
#include "Paths.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace cli {

namespace {

struct KindInfo {
    DataType kind;
    const char* name;
    const char* extension;
};

/// In the order FindData tries them.
const KindInfo kKinds[] = {{DTWaveform, "waveform", ".wvf"},
                           {DTMatrix, "matrix", ".dmt"},
                           {DTParticleGroup, "particles", ".dpt"},
                           {DTGeometry, "geometry", ".dgm"}};

bool IsSep(char c)
{
    return c == '/' || c == '\\';
}

/// The absolute form of a folder name: a relative name is taken under the current folder, and
/// "." and ".." elements of a native path are resolved as text.
DString AbsoluteFolder(const std::string& given)
{
    DString path(given.c_str());
    if (IsWindowsStylePath(path)) {
        while (path.Len() > 3 && IsSep(path[path.Len() - 1]))
            path.TruncateBy(1);
        return path;
    }
    if (!IsFullQual(path))
        path = AppendPathElts(GetCurrentDirectoryD(), path);
    std::vector<std::string> elements;
    std::string element;
    std::string text = Str(path) + "/";
    for (char c : text) {
        if (!IsSep(c)) {
            element += c;
            continue;
        }
        if (element == "..") {
            if (!elements.empty())
                elements.pop_back();
        } else if (!element.empty() && element != ".") {
            elements.push_back(element);
        }
        element.clear();
    }
    std::string absolute;
    for (const std::string& e : elements)
        absolute += "/" + e;
    return DString(absolute.empty() ? "/" : absolute.c_str());
}

bool LooksLikeExperiment(const DString& folder, const DString& name)
{
    DString settings = AppendPathElts(folder, name + ".ini");
    DString shots = AppendPathElts(folder, "Shots");
    return FileExists(settings) || FolderExists(shots);
}

} // namespace

void OpenExperiment(const CommandLine& cl, bool plainFolderAllowed)
{
    std::string given = ".";
    bool named = true;
    const char* env = std::getenv("TALVEX_EXPERIMENT");
    if (cl.Has("experiment"))
        given = cl.Value("experiment");
    else if (env && *env)
        given = env;
    else
        named = false;
    if (given.empty())
        Fail("empty experiment folder name");

    CoreInit("");
    SetNotify(&Sink());
    DString folder = AbsoluteFolder(given);
    DString parent, name;
    SplitPathElts(folder, parent, name);
    // A new experiment may be named by a new folder, in a folder that exists.
    DString probe = folder, parentProbe = parent;
    if (!FolderExists(probe) && plainFolderAllowed && named && ~name && ~parent
        && FolderExists(parentProbe))
        CreateFolder(folder);
    if (!FolderExists(folder))
        Fail("experiment folder " + Quoted(given) + " does not exist");
    if (!name)
        Fail(Quoted(folder) + " cannot be an experiment folder");
    std::string shown = named ? Quoted(given) : "the current folder " + Quoted(folder);
    if (!(plainFolderAllowed && named) && !LooksLikeExperiment(folder, name))
        Fail(shown + " is not an experiment folder: it holds neither " + Str(name)
             + ".ini nor a Shots folder");
    Expt.SetExperimentFolder(folder);
}

std::string ExperimentShown()
{
    return Str(Expt.ExperimentFolder);
}

bool IsShotName(const DString& name)
{
    if (!Experiment::IsStorableShotName(name) || !Expt.IsValidName(name, false))
        return false;
    for (int i = 0; i < name.Len(); ++i) {
        unsigned char c = static_cast<unsigned char>(name[i]);
        if (c < 0x20 || c == 0x7f || IsSep(char(c)))
            return false;
    }
    return true;
}

void CheckShotName(const std::string& name, const char* what)
{
    if (name.empty())
        Fail(std::string("empty ") + what);
    if (!IsShotName(DString(name.c_str())) || name.find('\0') != std::string::npos)
        Fail(std::string("invalid ") + what + " " + Quoted(name));
}

ShotRef UseShot(const std::string& given)
{
    CheckShotName(given, "shot name");
    DString name(given.c_str());
    int g = Expt.GuessPathFromShot(name);
    if (g < 0)
        Fail("no shot " + Quoted(given) + " in " + ExperimentShown());
    DString folder = AppendPathElts(Expt.ShotPaths[g], "Shot" + name);
    if (FolderExists(folder)) {
        DString parent, last;
        SplitPathElts(folder, parent, last);
        if (last.Len() > 4)
            name = last.Mid(4);
    }
    if (!Expt.SetShot(name, g))
        Fail("cannot select shot " + Quoted(given));
    ShotRef shot;
    shot.name = name;
    shot.group = g;
    return shot;
}

DString CurrentField(const char* name)
{
    if (GetFileLen(Expt.ScalarsFileName) <= 0)
        return DString();
    return Expt.GetShotData(name);
}

std::vector<Field> CurrentFields()
{
    std::vector<Field> fields;
    if (GetFileLen(Expt.ScalarsFileName) <= 0)
        return fields;
    DIni ini(Expt.ScalarsFileName);
    DStringArray lines = ini.GetFullSection("Fields");
    for (int i = 0; i < lines.Count(); ++i) {
        std::string line = Str(lines[i]);
        size_t eq = line.find('=');
        if (line.empty() || line[0] == ';' || eq == std::string::npos || eq == 0)
            continue;
        Field f {line.substr(0, eq), line.substr(eq + 1)};
        bool seen = false;
        for (const Field& g : fields)
            seen = seen || (DString(g.name.c_str()) %= DString(f.name.c_str()));
        if (!seen)
            fields.push_back(f);
    }
    return fields;
}

const char* KindName(DataType kind)
{
    for (const KindInfo& k : kKinds) {
        if (k.kind == kind)
            return k.name;
    }
    return "unknown";
}

const char* KindExtension(DataType kind)
{
    for (const KindInfo& k : kKinds) {
        if (k.kind == kind)
            return k.extension;
    }
    return "";
}

DataType KindOfExtension(const std::string& ext)
{
    for (const KindInfo& k : kKinds) {
        if (DString(ext.c_str()) %= k.extension)
            return k.kind;
    }
    return DTNone;
}

DataRef FindData(const std::string& given)
{
    if (given.empty())
        Fail("empty data name");
    if (given.find_first_of("*?") != std::string::npos)
        Fail("data name " + Quoted(given) + " holds a wildcard");
    std::string name = given;
    DataType wanted = DTNone;
    size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0
        && name.find_first_of("/\\", dot) == std::string::npos) {
        wanted = KindOfExtension(name.substr(dot));
        if (wanted != DTNone)
            name.resize(dot);
    }
    DString file = Expt.GetDataFileName(Expt.CleanDataFileName(DString(name.c_str())));
    if (!file)
        Fail("cannot resolve data name " + Quoted(given) + " (unknown shot or field)");
    for (const KindInfo& k : kKinds) {
        DString probe = file + k.extension;
        if ((wanted == DTNone || wanted == k.kind) && FileExists(probe)) {
            DataRef ref;
            ref.name = given;
            ref.file = file;
            ref.kind = k.kind;
            return ref;
        }
    }
    Fail("no data object " + Quoted(given) + " in shot " + Quoted(Expt.ShotName));
}

long long ShotDate(const ShotRef& shot)
{
    if (shot.dated || shot.group < 0 || shot.group >= Expt.ShotPaths.Count())
        return shot.date;
    DString folder = AppendPathElts(Expt.ShotPaths[shot.group], "Shot" + shot.name);
    return FileDate(shot.folderDate ? folder : AppendPathElts(folder, "Scalars.ini"));
}

std::string IsoDate(long long seconds)
{
    std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm {};
    char buf[32];
#ifdef _WIN32
    // The tool runs one thread; the C runtime's own copy is safe here.
    const std::tm* local = std::localtime(&t);
    bool converted = local != nullptr;
    if (converted)
        tm = *local;
#else
    bool converted = localtime_r(&t, &tm) != nullptr;
#endif
    if (seconds == 0 || !converted || std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm) == 0)
        return std::string();
    return buf;
}

std::string IsoDate(const DString& stored)
{
    __int64 seconds = 0;
    // Only the library's own form converts: other texts would be guessed at.
    if (stored.Len() == 19 && stored.ToDate(seconds) && DString(seconds) == stored)
        return IsoDate(static_cast<long long>(seconds));
    return Str(stored);
}

std::string Number(double v, const char* fmt)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, fmt, v);
    return buf;
}

} // namespace cli
