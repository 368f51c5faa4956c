// SvgPlot: traces drawn on shared time and value axes as a standalone SVG document.
#include "SvgPlot.h"
#include "DString.h"
#include "Waveform.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>

namespace cli {

namespace {

const double kWidth = 900, kHeight = 540;
const double kLeft = 90, kRight = 30, kTop = 50, kBottom = 60;
const double kLegendRow = 18;
/// Rough width of one legend character at the document's font size.
const double kCharWidth = 7;
const int kTargetTicks = 6;
const int kMaxTicks = 50;
/// Above this many samples per pixel column a trace keeps only each column's extremes.
const size_t kSamplesPerColumn = 4;
const char* const kColours[] = {"#1f77b4", "#d62728", "#2ca02c", "#ff7f0e", "#9467bd",
                                "#8c564b", "#e377c2", "#7f7f7f", "#bcbd22", "#17becf"};

std::string Fixed(double v)
{
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.2f", v);
    return buf;
}

/// An axis: the data range widened to whole tick steps, and the ticks.
struct Axis {
    double lo = 0, hi = 1, step = 1;
    std::vector<double> ticks;
};

double NiceStep(double span)
{
    double raw = span / kTargetTicks;
    double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    double f = raw / magnitude;
    return (f < 1.5 ? 1 : f < 3.5 ? 2 : f < 7.5 ? 5 : 10) * magnitude;
}

Axis MakeAxis(double lo, double hi)
{
    double size = std::max(std::fabs(lo), std::fabs(hi));
    if (!(hi - lo > size * 1e-9)) {
        double pad = size > 0 ? size * 0.1 : 1;
        lo -= pad;
        hi += pad;
    }
    Axis a;
    a.step = NiceStep(hi - lo);
    a.lo = std::floor(lo / a.step) * a.step;
    a.hi = std::ceil(hi / a.step) * a.step;
    for (int k = 0; k < kMaxTicks; ++k) {
        double t = a.lo + k * a.step;
        if (t > a.hi + a.step * 1e-6)
            break;
        a.ticks.push_back(std::fabs(t) < a.step * 1e-9 ? 0.0 : t);
    }
    return a;
}

/// A tick's label with as many digits as its step needs.
std::string TickLabel(double v, const Axis& a)
{
    char buf[48];
    double size = std::max(std::fabs(a.lo), std::fabs(a.hi));
    int stepDigits = int(std::floor(std::log10(a.step) + 1e-9));
    if (a.step >= 1e-4 && size < 1e7) {
        std::snprintf(buf, sizeof buf, "%.*f", std::max(0, -stepDigits), v);
    } else {
        int precision = int(std::floor(std::log10(size) + 1e-9)) - stepDigits + 1;
        std::snprintf(buf, sizeof buf, "%.*g", std::clamp(precision, 1, 15), v);
    }
    return buf;
}

bool ValidUtf8At(const std::string& s, size_t i, size_t& length)
{
    unsigned char c = static_cast<unsigned char>(s[i]);
    length = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
    if (length == 0 || i + length > s.size())
        return false;
    for (size_t k = 1; k < length; ++k) {
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
            return false;
    }
    return true;
}

} // namespace

std::string XmlText(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        size_t length = 0;
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else if (c == '"')
            out += "&quot;";
        else if (c == '\'')
            out += "&apos;";
        else if (c < 0x20 || c == 0x7f)
            out += '?';
        else if (c < 0x80)
            out += char(c);
        else if (ValidUtf8At(text, i, length)) {
            out += text.substr(i, length);
            i += length - 1;
        } else {
            char ref[16];
            std::snprintf(ref, sizeof ref, "&#x%X;", unsigned(c));
            out += ref;
        }
    }
    return out;
}

bool ParseLegendPlace(const std::string& name, LegendPlace& place)
{
    const std::pair<const char*, LegendPlace> names[] = {{"top-right", LegendPlace::TopRight},
                                                         {"top-left", LegendPlace::TopLeft},
                                                         {"bottom-right", LegendPlace::BottomRight},
                                                         {"bottom-left", LegendPlace::BottomLeft},
                                                         {"none", LegendPlace::None}};
    for (const auto& [text, value] : names) {
        if (name == text) {
            place = value;
            return true;
        }
    }
    return false;
}

void SvgPlot::AddTrace(const std::string& name, const Waveform& w, bool secondAxis)
{
    Trace t {name, w.Start(), w.step, std::vector<float>(w.Data(), w.Data() + w.npnts()),
             secondAxis};
    traces.push_back(std::move(t));
}

bool SvgPlot::HasSecondAxis() const
{
    for (const Trace& t : traces) {
        if (t.second)
            return true;
    }
    return false;
}

namespace {

/// The path data of one trace; the pen lifts at invalid samples.
std::string TracePath(const std::vector<float>& samples, double start, double step,
                      const std::function<double(double)>& px,
                      const std::function<double(double)>& py, size_t columns)
{
    std::string d;
    bool pen = false;
    auto point = [&](size_t i) {
        d += pen ? "L" : "M";
        d += Fixed(px(start + double(i) * step)) + " " + Fixed(py(samples[i]));
        pen = true;
    };
    size_t n = samples.size();
    if (n <= kSamplesPerColumn * columns) {
        for (size_t i = 0; i < n; ++i) {
            if (IsVF(samples[i]))
                point(i);
            else
                pen = false;
        }
        return d;
    }
    for (size_t b = 0; b < columns; ++b) {
        size_t from = b * n / columns, to = (b + 1) * n / columns;
        size_t lo = n, hi = n;
        for (size_t i = from; i < to; ++i) {
            if (!IsVF(samples[i]))
                continue;
            if (lo == n || samples[i] < samples[lo])
                lo = i;
            if (hi == n || samples[i] > samples[hi])
                hi = i;
        }
        if (lo == n) {
            pen = false;
            continue;
        }
        point(std::min(lo, hi));
        if (lo != hi)
            point(std::max(lo, hi));
    }
    return d;
}

} // namespace

namespace {

/// The extremes of the valid samples of the traces on one value axis.
void ValueRange(const std::vector<float>& samples, bool& any, double& lo, double& hi)
{
    for (float v : samples) {
        if (!IsVF(v))
            continue;
        lo = any ? std::min(lo, double(v)) : v;
        hi = any ? std::max(hi, double(v)) : v;
        any = true;
    }
}

std::string Line(double xa, double ya, double xb, double yb)
{
    return "<line x1=\"" + Fixed(xa) + "\" y1=\"" + Fixed(ya) + "\" x2=\"" + Fixed(xb) + "\" y2=\""
           + Fixed(yb) + "\"/>\n";
}

} // namespace

std::string SvgPlot::Render() const
{
    double tLo = 0, tHi = 0, vLo = 0, vHi = 0, wLo = 0, wHi = 0;
    bool anyTime = false, anyValue = false, anySecond = false;
    for (const Trace& t : traces) {
        if (t.samples.empty())
            continue;
        double end = t.start + double(t.samples.size() - 1) * t.step;
        tLo = anyTime ? std::min({tLo, t.start, end}) : std::min(t.start, end);
        tHi = anyTime ? std::max({tHi, t.start, end}) : std::max(t.start, end);
        anyTime = true;
        if (t.second)
            ValueRange(t.samples, anySecond, wLo, wHi);
        else
            ValueRange(t.samples, anyValue, vLo, vHi);
    }
    bool second = HasSecondAxis();
    Axis xa = MakeAxis(tLo, tHi), ya = MakeAxis(vLo, vHi), wa = MakeAxis(wLo, wHi);
    double x0 = kLeft, x1 = kWidth - (second ? kLeft : kRight), y0 = kTop, y1 = kHeight - kBottom;
    auto px = [&](double x) { return x0 + (x - xa.lo) / (xa.hi - xa.lo) * (x1 - x0); };
    auto py = [&](double y) { return y1 - (y - ya.lo) / (ya.hi - ya.lo) * (y1 - y0); };
    auto pw = [&](double y) { return y1 - (y - wa.lo) / (wa.hi - wa.lo) * (y1 - y0); };

    std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    s += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Fixed(kWidth) + "\" height=\""
         + Fixed(kHeight) + "\" viewBox=\"0 0 " + Fixed(kWidth) + " " + Fixed(kHeight)
         + "\" font-family=\"sans-serif\" font-size=\"12\">\n";
    s += "<title>" + XmlText(title) + "</title>\n";
    s += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    s += "<text x=\"" + Fixed(kWidth / 2) + "\" y=\"30\" text-anchor=\"middle\" font-size=\"16\">"
         + XmlText(title) + "</text>\n";

    s += "<g class=\"grid\" stroke=\"#e4e4e4\" stroke-width=\"1\">\n";
    for (double t : xa.ticks)
        s += Line(px(t), y0, px(t), y1);
    for (double v : ya.ticks)
        s += Line(x0, py(v), x1, py(v));
    s += "</g>\n<g class=\"axes\" stroke=\"black\" stroke-width=\"1\">\n";
    s += "<rect x=\"" + Fixed(x0) + "\" y=\"" + Fixed(y0) + "\" width=\"" + Fixed(x1 - x0)
         + "\" height=\"" + Fixed(y1 - y0) + "\" fill=\"none\"/>\n";
    for (double t : xa.ticks)
        s += Line(px(t), y1, px(t), y1 + 6);
    for (double v : ya.ticks)
        s += Line(x0 - 6, py(v), x0, py(v));
    if (second) {
        for (double v : wa.ticks)
            s += Line(x1, pw(v), x1 + 6, pw(v));
    }
    s += "</g>\n<g class=\"tick-labels\" fill=\"black\">\n";
    for (double t : xa.ticks)
        s += "<text x=\"" + Fixed(px(t)) + "\" y=\"" + Fixed(y1 + 20) + "\" text-anchor=\"middle\">"
             + XmlText(TickLabel(t, xa)) + "</text>\n";
    for (double v : ya.ticks)
        s += "<text x=\"" + Fixed(x0 - 10) + "\" y=\"" + Fixed(py(v) + 4)
             + "\" text-anchor=\"end\">" + XmlText(TickLabel(v, ya)) + "</text>\n";
    if (second) {
        for (double v : wa.ticks)
            s += "<text class=\"y2\" x=\"" + Fixed(x1 + 10) + "\" y=\"" + Fixed(pw(v) + 4)
                 + "\" text-anchor=\"start\">" + XmlText(TickLabel(v, wa)) + "</text>\n";
    }
    s += "</g>\n";
    s += "<text class=\"axis-title\" id=\"xlabel\" x=\"" + Fixed((x0 + x1) / 2) + "\" y=\""
         + Fixed(kHeight - 15) + "\" text-anchor=\"middle\">" + XmlText(xLabel) + "</text>\n";
    s += "<text class=\"axis-title\" id=\"ylabel\" transform=\"translate(20 " + Fixed((y0 + y1) / 2)
         + ") rotate(-90)\" text-anchor=\"middle\">" + XmlText(yLabel) + "</text>\n";
    if (second)
        s += "<text class=\"axis-title\" id=\"y2label\" transform=\"translate(" + Fixed(kWidth - 20)
             + " " + Fixed((y0 + y1) / 2) + ") rotate(90)\" text-anchor=\"middle\">"
             + XmlText(y2Label) + "</text>\n";

    s += "<clipPath id=\"plot-area\"><rect x=\"" + Fixed(x0) + "\" y=\"" + Fixed(y0) + "\" width=\""
         + Fixed(x1 - x0) + "\" height=\"" + Fixed(y1 - y0) + "\"/></clipPath>\n";
    s += "<g class=\"traces\" fill=\"none\" stroke-width=\"1.5\" stroke-linejoin=\"round\" "
         "clip-path=\"url(#plot-area)\">\n";
    size_t columns = size_t(x1 - x0);
    for (size_t i = 0; i < traces.size(); ++i) {
        const Trace& t = traces[i];
        std::function<double(double)> y = py;
        if (t.second)
            y = pw;
        s += "<path class=\"trace\" stroke=\"" + std::string(kColours[i % 10]) + "\""
             + (t.second ? " stroke-dasharray=\"6 3\" data-axis=\"y2\"" : "") + " d=\""
             + TracePath(t.samples, t.start, t.step, px, y, columns) + "\"><title>"
             + XmlText(t.name) + "</title></path>\n";
    }
    s += "</g>\n";
    if (legend != LegendPlace::None)
        s += Legend(x0, x1, y0, y1);
    s += "</svg>\n";
    return s;
}

std::string SvgPlot::Legend(double x0, double x1, double y0, double y1) const
{
    size_t longest = 0;
    for (const Trace& t : traces)
        longest = std::max(longest, t.name.size() + (t.second ? 5 : 0));
    double boxW = 46 + kCharWidth * double(longest), boxH = 8 + kLegendRow * double(traces.size());
    bool left = legend == LegendPlace::TopLeft || legend == LegendPlace::BottomLeft;
    bool bottom = legend == LegendPlace::BottomRight || legend == LegendPlace::BottomLeft;
    double lx = left ? x0 + 8 : x1 - boxW - 8, ly = bottom ? y1 - boxH - 8 : y0 + 8;
    std::string s = "<g class=\"legend\">\n<rect x=\"" + Fixed(lx) + "\" y=\"" + Fixed(ly)
                    + "\" width=\"" + Fixed(boxW) + "\" height=\"" + Fixed(boxH)
                    + "\" fill=\"white\" fill-opacity=\"0.85\" stroke=\"#999\"/>\n";
    for (size_t i = 0; i < traces.size(); ++i) {
        double y = ly + 4 + kLegendRow * (double(i) + 0.5);
        s += "<line x1=\"" + Fixed(lx + 8) + "\" y1=\"" + Fixed(y) + "\" x2=\"" + Fixed(lx + 34)
             + "\" y2=\"" + Fixed(y) + "\" stroke=\"" + kColours[i % 10] + "\" stroke-width=\"2\""
             + (traces[i].second ? " stroke-dasharray=\"6 3\"" : "") + "/>\n";
        s += "<text x=\"" + Fixed(lx + 40) + "\" y=\"" + Fixed(y + 4) + "\">"
             + XmlText(traces[i].name + (traces[i].second ? " (y2)" : "")) + "</text>\n";
    }
    return s + "</g>\n";
}

} // namespace cli
