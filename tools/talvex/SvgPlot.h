// SvgPlot: traces drawn on shared time and value axes as a standalone SVG document.
#ifndef TALVEX_CLI_SVGPLOT_H
#define TALVEX_CLI_SVGPLOT_H

#include <string>
#include <vector>

class Waveform;

namespace cli {

/// A plot of one or more traces: a title, time and value axes with ticks at 1-2-5 steps, one
/// `<path class="trace">` per trace (broken where samples are invalid) and a legend. Traces
/// longer than a few points per pixel are reduced to each pixel column's extremes.
class SvgPlot {
public:
    void SetTitle(const std::string& title) { this->title = title; }
    /// Copies the samples and time base of w; name is the legend text (8-bit text that is not
    /// UTF-8 is taken as Latin-1).
    void AddTrace(const std::string& name, const Waveform& w);
    /// The whole document.
    std::string Render() const;

private:
    struct Trace {
        std::string name;
        double start;
        double step;
        std::vector<float> samples;
    };

    std::string title;
    std::vector<Trace> traces;
};

/// Text made safe for XML character data and attribute values.
std::string XmlText(const std::string& text);

} // namespace cli

#endif
