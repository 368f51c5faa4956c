// Catalog: the experiment as the server answers about it, every library call behind one lock.
#include "Catalog.h"
#include "Decimate.h"

#include "../CommandLine.h"
#include "../Console.h"
#include "../Session.h"
#include "../ShotSets.h"
#include "DIni.h"
#include "DataConstants.h"
#include "Experiment.h"
#include "FileSystem.h"
#include "Geometry.h"
#include "Matrix.h"
#include "ParticleGroup.h"
#include "Paths.h"
#include "ShotCondition.h"
#include "Waveform.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

#ifndef TALVEX_VERSION_TEXT
#define TALVEX_VERSION_TEXT "unknown"
#endif

namespace serve {

namespace {

using cli::Str;

const DataType kKinds[] = {DTWaveform, DTMatrix, DTParticleGroup, DTGeometry};

/// A value for JSON: a number, or null for the library's no-value mark and for NaN.
Json Value(float v)
{
    return IsVF(v) ? Json(double(v)) : Json(nullptr);
}

std::string Quoted(const std::string& s)
{
    return "'" + s + "'";
}

std::string Number(double v)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.9g", v);
    return buf;
}

/// Seconds since 1970 as local "YYYY-MM-DD HH:MM:SS"; empty for 0.
std::string FormatTime(long long seconds)
{
    if (seconds <= 0)
        return std::string();
    std::time_t t = static_cast<std::time_t>(seconds);
    std::tm parts {};
    localtime_r(&t, &parts);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &parts);
    return buf;
}

/// The floats as little-endian bytes.
std::string Float32Bytes(const float* values, size_t n)
{
    std::string bytes(n * 4, '\0');
    if (n > 0)
        std::memcpy(&bytes[0], values, n * 4);
    const unsigned one = 1;
    if (*reinterpret_cast<const unsigned char*>(&one) == 0) {
        for (size_t i = 0; i < bytes.size(); i += 4) {
            std::swap(bytes[i], bytes[i + 3]);
            std::swap(bytes[i + 1], bytes[i + 2]);
        }
    }
    return bytes;
}

/// Every field of the current shot in file order (the first of duplicate names wins).
Json AllFields()
{
    Json fields = Json::object();
    for (const cli::Field& f : cli::CurrentFields())
        fields[f.name] = f.value;
    return fields;
}

/// Splits "1002b" into text and number runs and compares numbers by value, text ignoring case.
int NaturalCompare(const std::string& a, const std::string& b)
{
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        bool da = std::isdigit(static_cast<unsigned char>(a[i]));
        bool db = std::isdigit(static_cast<unsigned char>(b[j]));
        if (da && db) {
            size_t ei = i, ej = j;
            while (ei < a.size() && std::isdigit(static_cast<unsigned char>(a[ei])))
                ++ei;
            while (ej < b.size() && std::isdigit(static_cast<unsigned char>(b[ej])))
                ++ej;
            std::string na = a.substr(i, ei - i), nb = b.substr(j, ej - j);
            na.erase(0, std::min(na.find_first_not_of('0'), na.size()));
            nb.erase(0, std::min(nb.find_first_not_of('0'), nb.size()));
            if (na.size() != nb.size())
                return na.size() < nb.size() ? -1 : 1;
            if (int c = na.compare(nb))
                return c;
            i = ei;
            j = ej;
            continue;
        }
        int ca = std::tolower(static_cast<unsigned char>(a[i]));
        int cb = std::tolower(static_cast<unsigned char>(b[j]));
        if (ca != cb)
            return ca < cb ? -1 : 1;
        ++i;
        ++j;
    }
    return (a.size() - i) < (b.size() - j) ? -1 : (a.size() - i) > (b.size() - j) ? 1 : 0;
}

/// Field values sort as numbers when both are numbers, else naturally; empty values last.
int CompareValues(const std::string& a, const std::string& b)
{
    if (a.empty() || b.empty())
        return a.empty() == b.empty() ? 0 : a.empty() ? 1 : -1;
    char *ea = nullptr, *eb = nullptr;
    double x = std::strtod(a.c_str(), &ea), y = std::strtod(b.c_str(), &eb);
    if (*ea == '\0' && *eb == '\0' && ea != a.c_str() && eb != b.c_str())
        return x < y ? -1 : x > y ? 1 : 0;
    return NaturalCompare(a, b);
}

/// The shots a query names, in the experiment's order, through the tool's own set rules.
std::vector<cli::ShotRef> SelectShots(const ShotQuery& q)
{
    if (!q.spec.empty() && !q.list.empty())
        throw ApiError(400, "give spec or list, not both");
    std::vector<std::string> args;
    if (!q.list.empty()) {
        std::string name = cli::ListName(q.list);
        DString file = cli::ListFile(name);
        if (!FileExists(file))
            throw ApiError(404, "no shot list " + Quoted(name));
        args.insert(args.end(), {"--list", name});
    }
    if (!q.data.empty())
        args.insert(args.end(), {"--data", q.data});
    bool plain = q.spec.find_first_of("*?:") == std::string::npos;
    if (!q.spec.empty() && plain && cli::IsShotName(DString(q.spec.c_str()))) {
        DString name(q.spec.c_str());
        if (Expt.GuessPathFromShot(name) < 0)
            throw ApiError(404, "no shot " + Quoted(q.spec));
    }
    args.push_back("--");
    if (!q.spec.empty())
        args.push_back(q.spec);
    cli::CommandLine cl("shots", args, cli::kSetOptions);
    return cli::SelectShots(cl, q.spec);
}

/// SelectShots, reused while the shot paths and shot lists are as they were. Sets of the
/// shots holding a data object are not reused: a new object leaves the shot paths unchanged.
std::vector<cli::ShotRef> SelectCached(const ShotQuery& q, SetCache& sets)
{
    if (!q.data.empty())
        return SelectShots(q);
    std::string list = q.list.empty() ? std::string() : cli::ListName(q.list);
    std::string key = q.spec + '\n' + q.list + '\n' + q.data;
    std::vector<FileStamp> stamps;
    for (int g = 0; g < Expt.ShotPaths.Count(); ++g)
        stamps.push_back(StampOf(Str(Expt.ShotPaths[g])));
    std::string lists = Str(AppendPathElts(Expt.ExperimentFolder, "ShotLists"));
    stamps.push_back(StampOf(lists));
    if (!list.empty())
        stamps.push_back(StampOf(lists + "/" + list + ".txt"));
    if (const std::vector<cli::ShotRef>* held = sets.Find(key, stamps))
        return *held;
    std::vector<cli::ShotRef> shots = SelectShots(q);
    sets.Keep(key, stamps, shots);
    return shots;
}

void Filter(const std::string& where, std::vector<cli::ShotRef>& shots)
{
    if (where.empty())
        return;
    ShotCondition condition;
    ExpressionIssue issue;
    if (!condition.Parse(DString(where.c_str()), issue))
        throw ApiError(400, Str(issue.message), issue.position);
    cli::KeepWhere(condition, shots);
}

std::string FieldOf(const cli::ShotRef& s, const char* name)
{
    return Expt.SetShot(s.name, s.group) ? Str(cli::CurrentField(name)) : std::string();
}

void Sort(const std::string& sort, std::vector<cli::ShotRef>& shots)
{
    if (sort.empty())
        return;
    bool descending = sort[0] == '-';
    std::string key = sort.substr(descending ? 1 : 0);
    if (key.empty())
        throw ApiError(400, "empty sort key");
    std::vector<std::pair<std::string, size_t>> keyed;
    for (size_t i = 0; i < shots.size(); ++i) {
        const cli::ShotRef& s = shots[i];
        std::string k;
        if (key == "shot")
            k = Str(s.name);
        else if (key == "group")
            k = std::to_string(s.group);
        else if (key == "date")
            k = std::to_string(s.date);
        else if (key == "comment")
            k = FieldOf(s, "Comment");
        else
            k = FieldOf(s, key.c_str());
        keyed.emplace_back(k, i);
    }
    auto by = [&](const std::pair<std::string, size_t>& a,
                  const std::pair<std::string, size_t>& b) {
        int c = key == "shot" ? NaturalCompare(a.first, b.first) : CompareValues(a.first, b.first);
        if (descending && !(a.first.empty() || b.first.empty()))
            c = -c;
        return c < 0;
    };
    std::stable_sort(keyed.begin(), keyed.end(), by);
    std::vector<cli::ShotRef> sorted;
    for (const auto& k : keyed)
        sorted.push_back(shots[k.second]);
    shots.swap(sorted);
}

/// The selected, filtered and sorted shots of a query (not yet paged).
std::vector<cli::ShotRef> Query(const ShotQuery& q, SetCache& sets)
{
    // A malformed condition is reported before any shot is read.
    ShotCondition probe;
    ExpressionIssue issue;
    if (!q.where.empty() && !probe.Parse(DString(q.where.c_str()), issue))
        throw ApiError(400, Str(issue.message), issue.position);
    std::vector<cli::ShotRef> shots = SelectCached(q, sets);
    Filter(q.where, shots);
    Sort(q.sort, shots);
    return shots;
}

/// Runs f on the library; the tool's failures become answers.
template <class F> auto Guarded(std::mutex& lock, F f) -> decltype(f())
{
    std::lock_guard<std::mutex> hold(lock);
    try {
        return f();
    } catch (const cli::Failure& failure) {
        throw ApiError(400, failure.what());
    }
}

struct Object {
    std::string name; ///< as the client named it, without the kind's extension
    std::string file; ///< the real file name without extension
    DataType kind = DTNone;
};

Json Describe(const Object& o, WaveformCache& waves)
{
    Json j;
    j["name"] = o.name;
    j["kind"] = cli::KindName(o.kind);
    DString file(o.file.c_str());
    if (o.kind == DTWaveform) {
        std::shared_ptr<const Waveform> held = waves.Get(o.file);
        if (!held)
            return j["unreadable"] = true, j;
        Waveform w(*held);
        w.Scale();
        j["size"] = w.npnts();
        j["start"] = double(w.Start());
        j["step"] = double(w.step);
        j["min"] = w.pMax() > 0 ? Value(w.Min()) : Json(nullptr);
        j["max"] = w.pMax() > 0 ? Value(w.Max()) : Json(nullptr);
    } else if (o.kind == DTMatrix) {
        Matrix m;
        if (!m.Read(file))
            return j["unreadable"] = true, j;
        m.Scale();
        Json sizes = Json::array({m.GetSize(1), m.GetSize(2)});
        if (m.Rank() == 3)
            sizes.push_back(m.GetSize(3));
        j["size"] = sizes;
        j["min"] = Value(m.Min());
        j["max"] = Value(m.Max());
    } else if (o.kind == DTParticleGroup) {
        ParticleGroup p;
        if (!p.Read(file, 0, 0))
            return j["unreadable"] = true, j;
        j["size"] = p.nOrigParticles();
    } else {
        Geometry g;
        if (!g.Read(file))
            return j["unreadable"] = true, j;
        j["size"] = g.Count();
    }
    return j;
}

Json Marks(float a, float b, float c, float d, float e)
{
    return Json::array({double(a), double(b), double(c), double(d), double(e)});
}

Payload JsonPayload(const Json& j)
{
    return Payload {j.dump(), "application/json", {}};
}

size_t ClampIndex(double v, size_t n)
{
    if (!(v > 0))
        return 0;
    return v >= double(n) ? n : size_t(v);
}

Payload WaveformData(const Object& o, const DataQuery& q, WaveformCache& waves)
{
    std::shared_ptr<const Waveform> held = waves.Get(o.file);
    if (!held)
        throw ApiError(500, "cannot read waveform " + Quoted(o.name));
    const Waveform& w = *held;
    size_t n = size_t(w.npnts());
    double start = w.Start(), step = w.step;
    if (q.samples) {
        Payload p {Float32Bytes(w.Data(), n), "application/octet-stream", {}};
        p.headers = {{"X-Talvex-Start", Number(start)},
                     {"X-Talvex-Step", Number(step)},
                     {"X-Talvex-Count", std::to_string(n)}};
        return p;
    }
    Json j;
    j["name"] = o.name;
    j["kind"] = "waveform";
    j["shot"] = Str(Expt.ShotName);
    j["points"] = n;
    j["start"] = start;
    j["step"] = step;
    if (q.points > 0) {
        size_t first = 0, end = n;
        if (q.window && step > 0) {
            first = ClampIndex(std::floor((q.from - start) / step), n);
            end = ClampIndex(std::ceil((q.to - start) / step) + 1, n);
        }
        std::vector<size_t> kept = DecimateMinMax(w.Data(), first, end, q.points);
        Json t = Json::array(), v = Json::array();
        for (size_t i : kept) {
            t.push_back(start + double(i) * step);
            v.push_back(double(w.Data()[i]));
        }
        j["decimated"] = end - first > 2 * q.points;
        j["t"] = std::move(t);
        j["v"] = std::move(v);
        return JsonPayload(j);
    }
    // The extremes from a copy: the held samples stay as the file has them.
    Waveform scaled(w);
    scaled.Scale();
    j["end"] = double(w.End());
    j["calibration"] = double(w.calibration);
    j["attenuation"] = double(w.attenuation);
    j["offset"] = double(w.offset);
    j["marks"] = Marks(w.t1, w.t2, w.t3, w.t4, w.t5);
    j["description"] = Str(w.description);
    j["note"] = Str(w.note);
    j["written"] = Str(w.dateStamp);
    j["min"] = scaled.pMax() > 0 ? Value(scaled.Min()) : Json(nullptr);
    j["max"] = scaled.pMax() > 0 ? Value(scaled.Max()) : Json(nullptr);
    return JsonPayload(j);
}

Json Axis(const Matrix& m, int d)
{
    Json a;
    a["size"] = m.GetSize(d);
    float step = m.GetStep(d);
    if (step > 0) {
        a["start"] = double(m.GetCoord(d, 0));
        a["step"] = double(step);
    } else {
        Json coords = Json::array();
        for (int i = 0; i < m.GetSize(d); ++i)
            coords.push_back(double(m.GetCoord(d, i)));
        a["coords"] = std::move(coords);
    }
    return a;
}

Payload MatrixData(const Object& o, const DataQuery& q)
{
    Matrix m;
    if (!m.Read(DString(o.file.c_str())))
        throw ApiError(500, "cannot read matrix " + Quoted(o.name));
    int nx = m.GetSize(1), ny = m.GetSize(2), nz = m.Rank() == 3 ? m.GetSize(3) : 1;
    if ((long long)m.Count() != (long long)nx * ny * nz)
        throw ApiError(500, "matrix " + Quoted(o.name) + " holds fewer values than its axes say");
    if (q.points > 0)
        throw ApiError(400, "points applies to waveforms only");
    if (q.samples) {
        Payload p {Float32Bytes(m.Data(), size_t(m.Count())), "application/octet-stream", {}};
        p.headers = {{"X-Talvex-Sizes",
                      std::to_string(nx) + "," + std::to_string(ny) + "," + std::to_string(nz)}};
        return p;
    }
    m.Scale();
    Json j;
    j["name"] = o.name;
    j["kind"] = "matrix";
    j["shot"] = Str(Expt.ShotName);
    j["rank"] = m.Rank();
    j["sizes"] = Json::array({nx, ny, nz});
    Json axes = Json::array();
    for (int d = 1; d <= m.Rank(); ++d)
        axes.push_back(Axis(m, d));
    j["axes"] = std::move(axes);
    j["calibration"] = double(m.calibration);
    j["marks"] = Marks(m.t1, m.t2, m.t3, m.t4, m.t5);
    j["name1"] = Str(m.name1);
    j["name2"] = Str(m.name2);
    j["written"] = Str(m.dateStamp);
    j["min"] = Value(m.Min());
    j["max"] = Value(m.Max());
    return JsonPayload(j);
}

Payload ParticleData(const Object& o, const DataQuery& q)
{
    DString file(o.file.c_str());
    ParticleGroup head;
    if (!head.Read(file, 0, 0))
        throw ApiError(500, "cannot read particle group " + Quoted(o.name));
    if (q.points > 0)
        throw ApiError(400, "points applies to waveforms only");
    if (q.samples) {
        ParticleGroup all;
        int n = head.nOrigParticles();
        if (n > 0 && (!all.Read(file, n, 0) || all.nParticles() != n))
            throw ApiError(500, "cannot read particle group " + Quoted(o.name));
        std::vector<float> values;
        values.reserve(size_t(n) * 8);
        for (int i = 0; i < all.nParticles(); ++i)
            values.insert(values.end(), all.PData()[i].col, all.PData()[i].col + 8);
        Payload p {Float32Bytes(values.data(), values.size()), "application/octet-stream", {}};
        p.headers = {{"X-Talvex-Sizes", "8," + std::to_string(n)}};
        return p;
    }
    Json j;
    j["name"] = o.name;
    j["kind"] = "particles";
    j["shot"] = Str(Expt.ShotName);
    j["particles"] = head.nOrigParticles();
    j["geometry"] = head.Geometry();
    j["marks"] = Marks(head.t1, head.t2, head.t3, head.t4, head.t5);
    j["text1"] = Str(head.text1);
    j["text2"] = Str(head.text2);
    j["written"] = Str(head.dateStamp);
    return JsonPayload(j);
}

Payload GeometryData(const Object& o, const DataQuery& q)
{
    Geometry g;
    if (!g.Read(DString(o.file.c_str())))
        throw ApiError(500, "cannot read geometry set " + Quoted(o.name));
    if (q.samples || q.points > 0)
        throw ApiError(400, "a geometry set has no samples; its header lists its objects");
    Json j;
    j["name"] = o.name;
    j["kind"] = "geometry";
    j["shot"] = Str(Expt.ShotName);
    j["text1"] = Str(g.text1);
    j["text2"] = Str(g.text2);
    j["written"] = Str(g.dateStamp);
    Json objects = Json::array();
    for (int i = 0; i < g.Count(); ++i) {
        const Geometry::Object& ob = g[i];
        objects.push_back({{"name", Str(ob.name)},
                           {"type", ob.type},
                           {"origin", {ob.origin[0], ob.origin[1], ob.origin[2]}},
                           {"points", ob.points.Count()}});
    }
    j["objects"] = std::move(objects);
    return JsonPayload(j);
}

} // namespace

Catalog::Catalog()
{
    confinement.AddRoot(Str(Expt.ExperimentFolder));
    for (int g = 0; g < Expt.ShotPaths.Count(); ++g)
        confinement.AddRoot(Str(Expt.ShotPaths[g]));
}

/// Makes the named shot current; 404 unless it exists inside the experiment's folders.
static void UseShot(const Confinement& confinement, const std::string& given)
{
    std::string missing = "no shot " + Quoted(given);
    if (!IsPlainName(given) || !cli::IsShotName(DString(given.c_str())))
        throw ApiError(404, missing);
    DString name(given.c_str());
    int g = Expt.GuessPathFromShot(name);
    if (g < 0)
        throw ApiError(404, missing);
    DString folder = AppendPathElts(Expt.ShotPaths[g], "Shot" + name);
    if (!FolderExists(folder) || !confinement.Contains(Str(folder)))
        throw ApiError(404, missing);
    DString parent, last;
    SplitPathElts(folder, parent, last);
    if (last.Len() > 4)
        name = last.Mid(4);
    if (!Expt.SetShot(name, g))
        throw ApiError(404, missing);
}

/// The data object of the current shot that a client's name means; 404 when there is none
/// inside the experiment. A name ending in a kind's extension picks that kind.
static Object FindObject(const Confinement& confinement, const std::string& given)
{
    std::string missing = "no data object " + Quoted(given) + " in shot "
                          + Quoted(Str(Expt.ShotName));
    if (!IsPlainName(given))
        throw ApiError(404, missing);
    std::string base = given;
    DataType wanted = DTNone;
    size_t dot = base.rfind('.');
    if (dot != std::string::npos && dot > 0) {
        wanted = cli::KindOfExtension(base.substr(dot));
        if (wanted != DTNone)
            base.resize(dot);
    }
    for (DataType kind : kKinds) {
        if (wanted != DTNone && kind != wanted)
            continue;
        std::string ext = cli::KindExtension(kind);
        DString path = AppendPathElts(Expt.ShotFolder, (base + ext).c_str());
        if (!FileExists(path) || !confinement.Contains(Str(path)))
            continue;
        std::string file = Str(path);
        return Object {base, file.substr(0, file.size() - ext.size()), kind};
    }
    throw ApiError(404, missing);
}

Json Catalog::Experiment()
{
    return Guarded(lock, [&] {
        Json j;
        j["name"] = Str(Expt.ExperimentName);
        j["folder"] = Str(Expt.ExperimentFolder);
        j["description"] = Str(Expt.Description);
        Json paths = Json::array();
        for (int g = 0; g < Expt.ShotPaths.Count(); ++g)
            paths.push_back(Str(Expt.ShotPaths[g]));
        j["shotPaths"] = std::move(paths);
        j["shots"] = SelectCached(ShotQuery(), sets).size();
        j["version"] = TALVEX_VERSION_TEXT;
        j["dataVersion"] = Experiment::CurDataVersion;
        return j;
    });
}

Json Catalog::Shots(const ShotQuery& q)
{
    return Guarded(lock, [&] {
        std::vector<cli::ShotRef> shots = Query(q, sets);
        Json list = Json::array();
        for (size_t i = q.offset; i < shots.size() && i - q.offset < q.limit; ++i) {
            const cli::ShotRef& s = shots[i];
            Json row;
            row["shot"] = Str(s.name);
            row["group"] = s.group;
            bool selected = Expt.SetShot(s.name, s.group);
            std::string date = selected ? Str(cli::CurrentField("Date")) : std::string();
            row["date"] = date.empty() ? FormatTime(s.date) : date;
            row["comment"] = selected ? Str(cli::CurrentField("Comment")) : std::string();
            Json fields = Json::object();
            bool all = std::find(q.fields.begin(), q.fields.end(), "*") != q.fields.end();
            if (selected && all)
                fields = AllFields();
            for (const std::string& f : q.fields) {
                if (!all && selected)
                    fields[f] = Str(cli::CurrentField(f.c_str()));
            }
            row["fields"] = std::move(fields);
            list.push_back(std::move(row));
        }
        Json j;
        j["total"] = shots.size();
        j["offset"] = q.offset;
        j["shots"] = std::move(list);
        return j;
    });
}

Json Catalog::Eval(const ShotQuery& q, const std::string& expr)
{
    return Guarded(lock, [&] {
        ExpressionIssue issue;
        DString text(expr.c_str());
        bool clean = CheckExpression(text, issue, &Expt);
        if (!clean && (issue.IsError() || expr.empty()))
            throw ApiError(400, Str(issue.message), issue.position);
        std::vector<cli::ShotRef> shots = Query(q, sets);
        Json rows = Json::array();
        for (size_t i = q.offset; i < shots.size() && i - q.offset < q.limit; ++i) {
            const cli::ShotRef& s = shots[i];
            float v = Expt.SetShot(s.name, s.group) ? Expt.GetScalarData(text) : -DFMax;
            rows.push_back({{"shot", Str(s.name)}, {"group", s.group}, {"value", Value(v)}});
        }
        Json j;
        j["expr"] = expr;
        j["total"] = shots.size();
        j["offset"] = q.offset;
        if (!clean)
            j["warning"] = {{"message", Str(issue.message)}, {"position", issue.position}};
        j["rows"] = std::move(rows);
        return j;
    });
}

Json Catalog::Shot(const std::string& shot)
{
    return Guarded(lock, [&] {
        UseShot(confinement, shot);
        Json j;
        j["shot"] = Str(Expt.ShotName);
        j["group"] = Expt.CurrentGroup;
        j["fields"] = AllFields();
        return j;
    });
}

Json Catalog::DataList(const std::string& shot)
{
    return Guarded(lock, [&] {
        UseShot(confinement, shot);
        std::vector<Object> objects;
        for (DataType kind : kKinds) {
            std::string ext = cli::KindExtension(kind);
            DStringArray names;
            GetFiles(AppendPathElts(Expt.ShotFolder, ("*" + ext).c_str()), names, true);
            for (int i = 0; i < names.Count(); ++i) {
                std::string file = Str(names[i]);
                std::string name = file.substr(0, file.size() - ext.size());
                DString path = AppendPathElts(Expt.ShotFolder, file.c_str());
                if (IsPlainName(file) && confinement.Contains(Str(path)))
                    objects.push_back(
                        {name, Str(path).substr(0, Str(path).size() - ext.size()), kind});
            }
        }
        std::stable_sort(objects.begin(), objects.end(), [](const Object& a, const Object& b) {
            return DString(a.name.c_str()).Compare(DString(b.name.c_str())) < 0;
        });
        Json list = Json::array();
        for (const Object& o : objects)
            list.push_back(Describe(o, waves));
        Json j;
        j["shot"] = Str(Expt.ShotName);
        j["data"] = std::move(list);
        return j;
    });
}

Payload Catalog::Data(const std::string& shot, const std::string& name, const DataQuery& q)
{
    return Guarded(lock, [&] {
        UseShot(confinement, shot);
        Object o = FindObject(confinement, name);
        switch (o.kind) {
        case DTWaveform: return WaveformData(o, q, waves);
        case DTMatrix: return MatrixData(o, q);
        case DTParticleGroup: return ParticleData(o, q);
        default: return GeometryData(o, q);
        }
    });
}

} // namespace serve
