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

void SvgPlot::AddTrace(const std::string& name, const Waveform& w)
{
    Trace t {name, w.Start(), w.step, std::vector<float>(w.Data(), w.Data() + w.npnts())};
    traces.push_back(std::move(t));
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

std::string SvgPlot::Render() const
{
    double tLo = 0, tHi = 0, vLo = 0, vHi = 0;
    bool anyTime = false, anyValue = false;
    for (const Trace& t : traces) {
        if (t.samples.empty())
            continue;
        double end = t.start + double(t.samples.size() - 1) * t.step;
        tLo = anyTime ? std::min({tLo, t.start, end}) : std::min(t.start, end);
        tHi = anyTime ? std::max({tHi, t.start, end}) : std::max(t.start, end);
        anyTime = true;
        for (float v : t.samples) {
            if (!IsVF(v))
                continue;
            vLo = anyValue ? std::min(vLo, double(v)) : v;
            vHi = anyValue ? std::max(vHi, double(v)) : v;
            anyValue = true;
        }
    }
    Axis xa = MakeAxis(tLo, tHi), ya = MakeAxis(vLo, vHi);
    double x0 = kLeft, x1 = kWidth - kRight, y0 = kTop, y1 = kHeight - kBottom;
    auto px = [&](double x) { return x0 + (x - xa.lo) / (xa.hi - xa.lo) * (x1 - x0); };
    auto py = [&](double y) { return y1 - (y - ya.lo) / (ya.hi - ya.lo) * (y1 - y0); };

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
        s += "<line x1=\"" + Fixed(px(t)) + "\" y1=\"" + Fixed(y0) + "\" x2=\"" + Fixed(px(t))
             + "\" y2=\"" + Fixed(y1) + "\"/>\n";
    for (double v : ya.ticks)
        s += "<line x1=\"" + Fixed(x0) + "\" y1=\"" + Fixed(py(v)) + "\" x2=\"" + Fixed(x1)
             + "\" y2=\"" + Fixed(py(v)) + "\"/>\n";
    s += "</g>\n<g class=\"axes\" stroke=\"black\" stroke-width=\"1\">\n";
    s += "<rect x=\"" + Fixed(x0) + "\" y=\"" + Fixed(y0) + "\" width=\"" + Fixed(x1 - x0)
         + "\" height=\"" + Fixed(y1 - y0) + "\" fill=\"none\"/>\n";
    for (double t : xa.ticks)
        s += "<line x1=\"" + Fixed(px(t)) + "\" y1=\"" + Fixed(y1) + "\" x2=\"" + Fixed(px(t))
             + "\" y2=\"" + Fixed(y1 + 6) + "\"/>\n";
    for (double v : ya.ticks)
        s += "<line x1=\"" + Fixed(x0 - 6) + "\" y1=\"" + Fixed(py(v)) + "\" x2=\"" + Fixed(x0)
             + "\" y2=\"" + Fixed(py(v)) + "\"/>\n";
    s += "</g>\n<g class=\"tick-labels\" fill=\"black\">\n";
    for (double t : xa.ticks)
        s += "<text x=\"" + Fixed(px(t)) + "\" y=\"" + Fixed(y1 + 20) + "\" text-anchor=\"middle\">"
             + XmlText(TickLabel(t, xa)) + "</text>\n";
    for (double v : ya.ticks)
        s += "<text x=\"" + Fixed(x0 - 10) + "\" y=\"" + Fixed(py(v) + 4)
             + "\" text-anchor=\"end\">" + XmlText(TickLabel(v, ya)) + "</text>\n";
    s += "</g>\n";
    s += "<text class=\"axis-title\" x=\"" + Fixed((x0 + x1) / 2) + "\" y=\"" + Fixed(kHeight - 15)
         + "\" text-anchor=\"middle\">time</text>\n";
    s += "<text class=\"axis-title\" transform=\"translate(20 " + Fixed((y0 + y1) / 2)
         + ") rotate(-90)\" text-anchor=\"middle\">value</text>\n";

    s += "<clipPath id=\"plot-area\"><rect x=\"" + Fixed(x0) + "\" y=\"" + Fixed(y0) + "\" width=\""
         + Fixed(x1 - x0) + "\" height=\"" + Fixed(y1 - y0) + "\"/></clipPath>\n";
    s += "<g class=\"traces\" fill=\"none\" stroke-width=\"1.5\" stroke-linejoin=\"round\" "
         "clip-path=\"url(#plot-area)\">\n";
    size_t columns = size_t(x1 - x0);
    for (size_t i = 0; i < traces.size(); ++i) {
        const Trace& t = traces[i];
        s += "<path class=\"trace\" stroke=\"" + std::string(kColours[i % 10]) + "\" d=\""
             + TracePath(t.samples, t.start, t.step, px, py, columns) + "\"><title>"
             + XmlText(t.name) + "</title></path>\n";
    }
    s += "</g>\n";

    size_t longest = 0;
    for (const Trace& t : traces)
        longest = std::max(longest, t.name.size());
    double boxW = 46 + kCharWidth * double(longest), boxH = 8 + kLegendRow * double(traces.size());
    double lx = x1 - boxW - 8, ly = y0 + 8;
    s += "<g class=\"legend\">\n<rect x=\"" + Fixed(lx) + "\" y=\"" + Fixed(ly) + "\" width=\""
         + Fixed(boxW) + "\" height=\"" + Fixed(boxH)
         + "\" fill=\"white\" fill-opacity=\"0.85\" stroke=\"#999\"/>\n";
    for (size_t i = 0; i < traces.size(); ++i) {
        double y = ly + 4 + kLegendRow * (double(i) + 0.5);
        s += "<line x1=\"" + Fixed(lx + 8) + "\" y1=\"" + Fixed(y) + "\" x2=\"" + Fixed(lx + 34)
             + "\" y2=\"" + Fixed(y) + "\" stroke=\"" + kColours[i % 10]
             + "\" stroke-width=\"2\"/>\n";
        s += "<text x=\"" + Fixed(lx + 40) + "\" y=\"" + Fixed(y + 4) + "\">"
             + XmlText(traces[i].name) + "</text>\n";
    }
    s += "</g>\n</svg>\n";
    return s;
}

} // namespace cli
