// SvgPlot: traces drawn on shared time and value axes as a standalone SVG document.
#ifndef TALVEX_CLI_SVGPLOT_H
#define TALVEX_CLI_SVGPLOT_H

#include <string>
#include <vector>

class Waveform;

namespace cli {

/// Where the legend goes in the plot area, or nowhere.
enum class LegendPlace { TopRight, TopLeft, BottomRight, BottomLeft, None };

/// The place a name stands for (top-right, top-left, bottom-right, bottom-left, none); false
/// for any other name.
bool ParseLegendPlace(const std::string& name, LegendPlace& place);

/// A plot of one or more traces: a title, time and value axes with ticks at 1-2-5 steps, one
/// `<path class="trace">` per trace (broken where samples are invalid) and a legend. Traces
/// may go to a second value axis on the right. Traces longer than a few points per pixel are
/// reduced to each pixel column's extremes.
class SvgPlot {
public:
    void SetTitle(const std::string& title) { this->title = title; }
    /// The axis titles; the defaults are "time" and "value".
    void SetLabels(const std::string& x, const std::string& y, const std::string& y2)
    {
        xLabel = x;
        yLabel = y;
        y2Label = y2;
    }
    void SetLegend(LegendPlace place) { legend = place; }
    /// Copies the samples and time base of w; name is the legend text (8-bit text that is not
    /// UTF-8 is taken as Latin-1). A trace on the second axis is scaled against the right one.
    void AddTrace(const std::string& name, const Waveform& w, bool secondAxis = false);
    /// The whole document.
    std::string Render() const;

private:
    struct Trace {
        std::string name;
        double start;
        double step;
        std::vector<float> samples;
        bool second;
    };

    bool HasSecondAxis() const;
    /// The legend box inside the plot area x0..x1, y0..y1.
    std::string Legend(double x0, double x1, double y0, double y1) const;

    std::string title;
    std::string xLabel = "time", yLabel = "value", y2Label = "value";
    LegendPlace legend = LegendPlace::TopRight;
    std::vector<Trace> traces;
};

/// Text made safe for XML character data and attribute values.
std::string XmlText(const std::string& text);

} // namespace cli

#endif
