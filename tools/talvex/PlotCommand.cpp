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
    const char* usage = "plot SHOT DATA... [-o FILE.svg] [--title TEXT]";
    cl.ExpectArgs(2, size_t(-1), usage);
    std::string output = cl.Value("output");
    if (cl.Has("output") && output.empty())
        Fail("empty output file name");
    if (!cl.Has("output") && OutputIsTerminal())
        Fail("plot writes an SVG document: give -o FILE.svg or redirect the output");
    OpenExperiment(cl);
    ShotRef shot = UseShot(cl.Arg(0));

    SvgPlot plot;
    std::vector<TraceSource> sources;
    std::vector<Waveform> traces;
    for (size_t i = 1; i < cl.Args().size(); ++i) {
        DataRef data = FindData(cl.Arg(i));
        if (data.kind != DTWaveform)
            Fail(Quoted(data.name) + " is a " + KindName(data.kind)
                 + ", not a waveform; plot draws waveforms");
        traces.emplace_back();
        Waveform& w = traces.back();
        if (!w.Read(data.file))
            Fail("cannot read waveform " + Quoted(data.name));
        if (w.npnts() == 0)
            Fail("waveform " + Quoted(data.name) + " holds no points");
        if (!IsVF(w.Start()) || !IsVF(w.step) || !IsVF(w.End()))
            Fail("waveform " + Quoted(data.name) + " has no valid time base");
        sources.push_back(SourceOf(data.name));
    }
    bool oneShot = true;
    for (const TraceSource& s : sources)
        oneShot = oneShot && (DString(s.shot.c_str()) %= shot.name);
    for (size_t i = 0; i < traces.size(); ++i) {
        const TraceSource& s = sources[i];
        plot.AddTrace(oneShot || s.shot.empty() ? s.data : s.shot + " " + s.data, traces[i]);
    }
    if (cl.Has("title"))
        plot.SetTitle(Str(Expt.GetExpandedLabel(DString(cl.Value("title").c_str()))));
    else
        plot.SetTitle(Title(sources));

    std::string svg = plot.Render();
    if (!cl.Has("output"))
        Out(svg);
    else if (!DFile::WriteText(DString(output.c_str()), DString(svg.c_str(), int(svg.size()))))
        Fail("cannot write " + Quoted(output));
    return 0;
}

} // namespace cli
