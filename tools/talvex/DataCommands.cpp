// The commands that look at data objects: data (a shot's objects with their main header
// values) and dump (one object's values as columns).
#include "Commands.h"
#include "Console.h"
#include "Experiment.h"
#include "FileSystem.h"
#include "Geometry.h"
#include "Matrix.h"
#include "ParticleGroup.h"
#include "Paths.h"
#include "Session.h"
#include "Table.h"
#include "Waveform.h"

#include <algorithm>

namespace cli {

namespace {

/// Particles read at a time while dumping a group.
const int kParticleBatch = 1000000;
/// Output gathered before it is written.
const size_t kFlushAt = 1 << 20;

const char* const kGeometryTypes[] = {"",       "point",   "line", "polyline", "rectangle",
                                      "circle", "polygon", "box",  "cylinder", "sphere",
                                      "cone",   "mesh",    "label"};

std::string Short(double v)
{
    return Number(v, "%.6g");
}
std::string Full(double v)
{
    return Number(v, "%.8g");
}

struct DataEntry {
    std::string name;
    DataType kind;
};

bool HasWildcard(const std::string& s)
{
    return s.find_first_of("*?") != std::string::npos;
}

/// The data objects of the current shot whose names match pattern (an extension picks the
/// kind), sorted by name.
std::vector<DataEntry> ListData(std::string pattern)
{
    DataType only = DTNone;
    size_t dot = pattern.rfind('.');
    if (dot != std::string::npos && dot > 0) {
        only = KindOfExtension(pattern.substr(dot));
        if (only != DTNone)
            pattern.resize(dot);
    }
    std::vector<DataEntry> entries;
    for (DataType kind : {DTWaveform, DTMatrix, DTParticleGroup, DTGeometry}) {
        if (only != DTNone && kind != only)
            continue;
        std::string ext = KindExtension(kind);
        DStringArray names;
        GetFiles(AppendPathElts(Expt.ShotFolder, (pattern + ext).c_str()), names, true);
        for (int i = 0; i < names.Count(); ++i) {
            std::string file = Str(names[i]);
            entries.push_back({file.substr(0, file.size() - ext.size()), kind});
        }
    }
    std::stable_sort(entries.begin(), entries.end(), [](const DataEntry& a, const DataEntry& b) {
        return DString(a.name.c_str()).Compare(DString(b.name.c_str())) < 0;
    });
    return entries;
}

/// Name, kind, size, start, step, min, max.
std::vector<std::string> Describe(const DataEntry& e)
{
    DString file = AppendPathElts(Expt.ShotFolder, e.name.c_str());
    std::vector<std::string> row = {e.name, KindName(e.kind), "unreadable"};
    if (e.kind == DTWaveform) {
        Waveform w;
        if (!w.Read(file))
            return row;
        row[2] = std::to_string(w.npnts());
        if (w.npnts() == 0)
            return row;
        w.Scale();
        row.push_back(Short(w.Start()));
        row.push_back(Short(w.step));
        if (w.pMax() > 0) {
            row.push_back(Short(w.Min()));
            row.push_back(Short(w.Max()));
        }
    } else if (e.kind == DTMatrix) {
        Matrix m;
        if (!m.Read(file))
            return row;
        row[2] = std::to_string(m.GetSize(1)) + "x" + std::to_string(m.GetSize(2));
        if (m.Rank() == 3)
            row[2] += "x" + std::to_string(m.GetSize(3));
        m.Scale();
        row.insert(row.end(), {"", "", Short(m.Min()), Short(m.Max())});
    } else if (e.kind == DTParticleGroup) {
        ParticleGroup p;
        if (p.Read(file, 0, 0))
            row[2] = std::to_string(p.nOrigParticles());
    } else if (e.kind == DTGeometry) {
        Geometry g;
        if (g.Read(file))
            row[2] = std::to_string(g.Count());
    }
    return row;
}

/// Output that is written in large pieces.
class Sink {
public:
    ~Sink() { Out(text); }
    void Add(const std::string& s)
    {
        text += s;
        if (text.size() >= kFlushAt) {
            Out(text);
            text.clear();
        }
    }

private:
    std::string text;
};

/// Rows of cells: comma-separated for CSV, tab-separated in the plain form, and for JSON an
/// array of objects keyed by the first row's names.
class Rows {
public:
    explicit Rows(Format format) : format(format) { }
    ~Rows()
    {
        if (format == Format::Json)
            out.Add(names.empty() ? "[]\n" : rows ? "\n]\n" : "]\n");
    }
    /// A header value, shown only in the plain form, before the columns.
    void Header(const char* key, const std::string& value)
    {
        if (format == Format::Aligned && !value.empty())
            out.Add(std::string("# ") + key + ": " + value + "\n");
    }
    /// The first columns hold text even where it reads as a number (JSON only).
    void TextColumns(size_t n) { textColumns = n; }
    void Row(const std::vector<std::string>& cells)
    {
        if (format == Format::Json) {
            JsonRow(cells);
            return;
        }
        bool csv = format == Format::Csv;
        std::string line;
        for (size_t i = 0; i < cells.size(); ++i)
            line += (i ? (csv ? "," : "\t") : "") + (csv ? Table::CsvCell(cells[i]) : cells[i]);
        out.Add(line + "\n");
    }

private:
    void JsonRow(const std::vector<std::string>& cells)
    {
        if (names.empty()) {
            names = cells;
            out.Add("[");
            return;
        }
        std::string object = rows++ ? ",\n  {" : "\n  {";
        for (size_t i = 0; i < cells.size() && i < names.size(); ++i)
            object += (i ? ", " : "") + JsonCell(names[i], false) + ": "
                      + JsonCell(cells[i], i >= textColumns);
        out.Add(object + "}");
    }

    Format format;
    Sink out;
    std::vector<std::string> names;
    size_t rows = 0;
    size_t textColumns = 0;
};

void CommonHeaders(Rows& rows, const DataRef& data)
{
    rows.Header("shot", Str(Expt.ShotName));
    rows.Header("data", data.name);
    rows.Header("kind", KindName(data.kind));
}

std::string Marks(float const (&t)[5])
{
    std::string text;
    for (float v : t)
        text += (text.empty() ? "" : " ") + Full(v);
    return text;
}

void DumpWaveform(const DataRef& data, Rows& rows)
{
    Waveform w;
    if (!w.Read(data.file))
        Fail("cannot read waveform " + Quoted(data.name));
    CommonHeaders(rows, data);
    rows.Header("points", std::to_string(w.npnts()));
    rows.Header("start", Full(w.Start()));
    rows.Header("step", Full(w.step));
    rows.Header("calibration", Full(w.calibration));
    rows.Header("attenuation", Full(w.attenuation));
    rows.Header("offset", Full(w.offset));
    float marks[5] = {w.t1, w.t2, w.t3, w.t4, w.t5};
    rows.Header("marks", Marks(marks));
    rows.Header("description", Str(w.description));
    rows.Header("note", Str(w.note));
    rows.Header("written", Str(w.dateStamp));
    rows.Row({"time", "value"});
    double start = w.Start();
    for (int i = 0; i < w.npnts(); ++i)
        rows.Row({Full(start + double(i) * w.step), Full(w[i])});
}

void DumpMatrix(const DataRef& data, Rows& rows)
{
    Matrix m;
    if (!m.Read(data.file))
        Fail("cannot read matrix " + Quoted(data.name));
    int rowsN = m.GetSize(1), cols = m.GetSize(2), layers = m.Rank() == 3 ? m.GetSize(3) : 1;
    if (m.Count() != rowsN * cols * layers)
        Fail("matrix " + Quoted(data.name) + " holds fewer values than its axes say");
    CommonHeaders(rows, data);
    std::string size = std::to_string(rowsN) + "x" + std::to_string(cols);
    rows.Header("size", m.Rank() == 3 ? size + "x" + std::to_string(layers) : size);
    rows.Header("calibration", Full(m.calibration));
    float marks[5] = {m.t1, m.t2, m.t3, m.t4, m.t5};
    rows.Header("marks", Marks(marks));
    rows.Header("name1", Str(m.name1));
    rows.Header("name2", Str(m.name2));
    rows.Header("written", Str(m.dateStamp));
    // Each line is one row (axis 1); the heading names the column coordinates (axis 2).
    std::vector<std::string> heading;
    if (m.Rank() == 3)
        heading.push_back("layer");
    heading.push_back("row");
    for (int j = 0; j < cols; ++j)
        heading.push_back(Full(m.GetCoord(2, j)));
    rows.Row(heading);
    for (int k = 0; k < layers; ++k) {
        for (int i = 0; i < rowsN; ++i) {
            std::vector<std::string> line;
            if (m.Rank() == 3)
                line.push_back(Full(m.GetCoord(3, k)));
            line.push_back(Full(m.GetCoord(1, i)));
            for (int j = 0; j < cols; ++j)
                line.push_back(Full(m[i + rowsN * (j + cols * k)]));
            rows.Row(line);
        }
    }
}

void DumpParticles(const DataRef& data, Rows& rows)
{
    ParticleGroup head;
    if (!head.Read(data.file, 0, 0))
        Fail("cannot read particle group " + Quoted(data.name));
    bool polar = head.Geometry() != 0;
    CommonHeaders(rows, data);
    rows.Header("particles", std::to_string(head.nOrigParticles()));
    rows.Header("geometry",
                std::to_string(head.Geometry()) + (polar ? " (polar)" : " (cartesian)"));
    float marks[5] = {head.t1, head.t2, head.t3, head.t4, head.t5};
    rows.Header("marks", Marks(marks));
    rows.Header("text1", Str(head.text1));
    rows.Header("text2", Str(head.text2));
    rows.Header("written", Str(head.dateStamp));
    if (polar)
        rows.Row({"r", "theta", "c2", "vr", "vtheta", "c5", "c6", "c7"});
    else
        rows.Row({"x", "y", "c2", "vx", "vy", "c5", "c6", "c7"});
    for (int start = 0; start < head.nOrigParticles(); start += kParticleBatch) {
        ParticleGroup batch;
        if (!batch.Read(data.file, kParticleBatch, start) || batch.nParticles() == 0)
            Fail("cannot read particle group " + Quoted(data.name));
        for (int p = 0; p < batch.nParticles(); ++p) {
            std::vector<std::string> line;
            for (float v : batch.PData()[p].col)
                line.push_back(Full(v));
            rows.Row(line);
        }
    }
}

void DumpGeometry(const DataRef& data, Rows& rows)
{
    Geometry g;
    if (!g.Read(data.file))
        Fail("cannot read geometry set " + Quoted(data.name));
    CommonHeaders(rows, data);
    rows.Header("objects", std::to_string(g.Count()));
    rows.Header("text1", Str(g.text1));
    rows.Header("text2", Str(g.text2));
    rows.Header("written", Str(g.dateStamp));
    rows.TextColumns(2);
    rows.Row({"name", "type", "x", "y", "z", "axis x", "axis y", "axis z", "size 1", "size 2",
              "size 3", "size 4", "points"});
    for (int i = 0; i < g.Count(); ++i) {
        const Geometry::Object& o = g[i];
        std::vector<std::string> line = {Str(o.name)};
        bool known = o.type >= Geometry::Point && o.type <= Geometry::Label;
        line.push_back(known ? kGeometryTypes[o.type] : std::to_string(o.type));
        for (float v : o.origin)
            line.push_back(Full(v));
        for (float v : o.axis)
            line.push_back(Full(v));
        for (float v : o.size)
            line.push_back(Full(v));
        line.push_back(std::to_string(o.points.Count()));
        rows.Row(line);
    }
}

} // namespace

int RunData(const CommandLine& cl)
{
    cl.ExpectArgs(1, 2, "data SHOT [PATTERN] [--csv|--json]");
    std::string pattern = cl.Args().size() > 1 ? cl.Arg(1) : "*";
    if (pattern.empty() || pattern.find_first_of("/\\") != std::string::npos)
        Fail("invalid data pattern " + Quoted(pattern) + ": it names objects of the shot itself");
    OpenExperiment(cl);
    ShotRef shot = UseShot(cl.Arg(0));
    std::vector<DataEntry> entries = ListData(pattern);
    if (entries.empty() && !HasWildcard(pattern))
        Fail("no data object " + Quoted(pattern) + " in shot " + Quoted(shot.name));
    Table table({"Name", "Kind", "Size", "Start", "Step", "Min", "Max"});
    for (size_t c = 2; c < 7; ++c)
        table.AlignRight(c);
    Progress progress(int(entries.size()), "reading data objects");
    for (const DataEntry& e : entries) {
        table.Add(Describe(e));
        progress.Step();
    }
    Out(table.Text(TableFormat(cl)));
    return 0;
}

int RunDump(const CommandLine& cl)
{
    cl.ExpectArgs(2, 2, "dump SHOT DATA [--csv|--json]");
    Format format = TableFormat(cl);
    OpenExperiment(cl);
    UseShot(cl.Arg(0));
    DataRef data = FindData(cl.Arg(1));
    Rows rows(format);
    switch (data.kind) {
    case DTWaveform: DumpWaveform(data, rows); break;
    case DTMatrix: DumpMatrix(data, rows); break;
    case DTParticleGroup: DumpParticles(data, rows); break;
    default: DumpGeometry(data, rows); break;
    }
    return 0;
}

} // namespace cli
