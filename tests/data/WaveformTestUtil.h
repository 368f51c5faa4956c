// Test helpers: waveforms from value lists, and .wvf images built field by field.
#ifndef TALVEX_TESTS_WAVEFORMTESTUTIL_H
#define TALVEX_TESTS_WAVEFORMTESTUTIL_H

#include "TestSupport.h"
#include "Waveform.h"

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

/// A waveform holding `values` at `start` + i * `step`, with Scale() run when `scaled`.
inline Waveform Trace(std::vector<float> const& values, float start = 0, float step = 1,
                      bool scaled = true)
{
    Waveform w(int(values.size()));
    for (size_t i = 0; i < values.size(); ++i)
        w[int(i)] = values[i];
    w.startBase = start;
    w.step = step;
    if (scaled)
        w.Scale();
    return w;
}

inline std::vector<float> Samples(Waveform const& w)
{
    return std::vector<float>(w.Data(), w.Data() + w.npnts());
}

/// A .wvf file image; count INT32_MIN stands for the number of samples.
struct WvfImage {
    int16_t version = 4;
    std::string extension;
    int32_t count = INT32_MIN;
    float step = 1, startNoShift = 0, scaleUnit = 1, scopeShift = 0, scopeShift2 = 0;
    std::string description, note, units;
    std::vector<float> samples;

    std::string Bytes() const
    {
        using testsupport::LE;
        int32_t const n = count == INT32_MIN ? int32_t(samples.size()) : count;
        std::string b = LE(version) + LE(int16_t(extension.size())) + extension + LE(n);
        for (float f : {0.0f, step, 0.0f, 1.0f, 1.0f, startNoShift, 0.0f, 0.0f, 0.0f})
            b += LE(f);
        b += LE(int32_t(0)) + LE(int32_t(0)) + LE(scaleUnit) + LE(int16_t(0));
        for (float f : {0.0f, 0.0f, 0.0f, 0.0f, 0.0f, scopeShift, scopeShift2, 0.0f, 0.0f})
            b += LE(f);
        for (std::string const& s : {description, std::string(), note, units})
            b += LE(int16_t(s.size())) + s;
        b += LE(int16_t(1)) + LE(n) + LE(int32_t(1));
        for (float f : samples)
            b += LE(f);
        return b;
    }
};

#endif
