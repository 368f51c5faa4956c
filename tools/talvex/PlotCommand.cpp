// The plot command: traces of one or more shots drawn into one SVG file.
#include "Commands.h"
#include "Console.h"
#include "DFile.h"
#include "Experiment.h"
#include "Paths.h"
#include "Session.h"
#include "SvgPlot.h"
#include "Waveform.h"

namespace cli {

namespace {

struct TraceSource {
    std::string shot; ///< the shot whose trace it is; empty for a file outside the shots
    std::string data; ///< the data name without its shot
};

/// The shot a data name reaches: its `<shot>\` part (offset marks resolved), else the current
/// shot; names relative to the experiment or absolute reach no shot.
TraceSource SourceOf(const std::string& name)
{
    std::string clean = Str(Expt.CleanDataFileName(DString(name.c_str())));
    if (clean.empty() || clean[0] == '.' || IsFullQual(DString(clean.c_str())))
        return {std::string(), name};
    size_t sep = clean.find_last_of("\\/");
    if (sep == std::string::npos)
        return {Str(Expt.ShotName), clean};
    return {clean.substr(0, sep), clean.substr(sep + 1)};
}

/// The units a waveform's file carries ("units of V" at the end of its description).
std::string UnitsOf(const Waveform& w)
{
    std::string description = Str(w.description);
    size_t at = description.rfind("units of ");
    return at == std::string::npos ? std::string() : description.substr(at + 9);
}

/// The title of a value axis: the units of its traces, each once; "value" when none has any.
std::string UnitsLabel(const std::vector<std::string>& units)
{
    std::string label;
    for (size_t i = 0; i < units.size(); ++i) {
        bool repeated = units[i].empty();
        for (size_t k = 0; k < i; ++k)
            repeated = repeated || units[k] == units[i];
        if (!repeated)
            label += (label.empty() ? "" : ", ") + units[i];
    }
    return label.empty() ? "value" : label;
}

bool EndsInSvg(const std::string& name)
{
    return name.size() > 4 && (DString(name.substr(name.size() - 4).c_str()) %= ".svg");
}

/// The waveform a data name names, read whole; fails for any other kind or an unusable one.
void ReadTrace(const std::string& name, Waveform& w)
{
    DataRef data = FindData(name);
    if (data.kind != DTWaveform)
        Fail(Quoted(data.name) + " is a " + KindName(data.kind)
             + ", not a waveform; plot draws waveforms");
    if (!w.Read(data.file))
        Fail("cannot read waveform " + Quoted(data.name));
    if (w.npnts() == 0)
        Fail("waveform " + Quoted(data.name) + " holds no points");
    if (!IsVF(w.Start()) || !IsVF(w.step) || !IsVF(w.End()))
        Fail("waveform " + Quoted(data.name) + " has no valid time base");
}

std::string Title(const std::vector<TraceSource>& sources)
{
    std::vector<std::string> shots;
    for (const TraceSource& s : sources) {
        bool seen = s.shot.empty();
        for (const std::string& t : shots)
            seen = seen || (DString(t.c_str()) %= DString(s.shot.c_str()));
        if (!seen)
            shots.push_back(s.shot);
    }
    std::string title = shots.size() > 1 ? "Shots " : "Shot ";
    for (size_t i = 0; i < shots.size(); ++i)
        title += (i ? ", " : "") + shots[i];
    return shots.empty() ? Str(Expt.ExperimentName) : title;
}

} // namespace

int RunPlot(const CommandLine& cl)
{
    const char* usage = "plot SHOT DATA... [--y2 DATA]... [-o FILE.svg] [--title TEXT] "
                        "[--xlabel TEXT] [--ylabel TEXT] [--y2label TEXT] [--legend PLACE]";
    std::vector<std::string> second = cl.Values("y2");
    cl.ExpectArgs(second.empty() ? 2 : 1, size_t(-1), usage);
    std::string output = cl.Value("output");
    if (cl.Has("output") && output.empty())
        Fail("empty output file name");
    if (cl.Has("output") && !EndsInSvg(output))
        Fail("output file " + Quoted(output) + " must end in .svg: plot writes SVG documents");
    if (!cl.Has("output") && OutputIsTerminal())
        Fail("plot writes an SVG document: give -o FILE.svg or redirect the output");
    LegendPlace legend = LegendPlace::TopRight;
    if (cl.Has("legend") && !ParseLegendPlace(cl.Value("legend"), legend))
        Fail("unknown legend place " + Quoted(cl.Value("legend"))
             + "; give top-right, top-left, bottom-right, bottom-left or none");
    if (cl.Has("y2label") && second.empty())
        Fail("--y2label names the second axis: give --y2 DATA too");
    OpenExperiment(cl);
    ShotRef shot = UseShot(cl.Arg(0));

    std::vector<std::string> names(cl.Args().begin() + 1, cl.Args().end());
    names.insert(names.end(), second.begin(), second.end());
    size_t firstSecond = cl.Args().size() - 1;
    std::vector<TraceSource> sources;
    std::vector<Waveform> traces(names.size());
    std::vector<std::string> units[2];
    for (size_t i = 0; i < names.size(); ++i) {
        ReadTrace(names[i], traces[i]);
        sources.push_back(SourceOf(names[i]));
        units[i >= firstSecond].push_back(UnitsOf(traces[i]));
    }
    bool oneShot = true;
    for (const TraceSource& s : sources)
        oneShot = oneShot && (DString(s.shot.c_str()) %= shot.name);
    SvgPlot plot;
    for (size_t i = 0; i < traces.size(); ++i) {
        const TraceSource& s = sources[i];
        plot.AddTrace(oneShot || s.shot.empty() ? s.data : s.shot + " " + s.data, traces[i],
                      i >= firstSecond);
    }
    if (cl.Has("title"))
        plot.SetTitle(Str(Expt.GetExpandedLabel(DString(cl.Value("title").c_str()))));
    else
        plot.SetTitle(Title(sources));
    plot.SetLabels(cl.Has("xlabel") ? cl.Value("xlabel") : "time",
                   cl.Has("ylabel") ? cl.Value("ylabel") : UnitsLabel(units[0]),
                   cl.Has("y2label") ? cl.Value("y2label") : UnitsLabel(units[1]));
    plot.SetLegend(legend);

    std::string svg = plot.Render();
    if (!cl.Has("output"))
        Out(svg);
    else if (!DFile::WriteText(DString(output.c_str()), DString(svg.c_str(), int(svg.size()))))
        Fail("cannot write " + Quoted(output));
    return 0;
}

} // namespace cli
