// Builds .wvf file images field by field, so tests can hand-make files the writer never makes.
#ifndef TALVEX_TESTS_WVFIMAGE_H
#define TALVEX_TESTS_WVFIMAGE_H

#include "TestSupport.h"

#include <cstdint>
#include <string>
#include <vector>

struct WvfImage {
    int16_t version = 4;
    std::string extension;          // bytes after the extension length
    int32_t count = INT32_MIN;      // INT32_MIN: the number of samples
    float t4 = 0, step = 1, t5 = 0, cal = 1, att = 1, startNoShift = 0, timeShift = 0;
    float maxVal = 0, minVal = 0;
    int32_t maxPoint = 0, minPoint = 0;
    float scaleUnit = 1;
    float scopeValue = 0, t1 = 0, t2 = 0, t3 = 0, offset = 0, scopeShift = 0, scopeShift2 = 0;
    float aux1 = 0, aux2 = 0;
    std::string description, dateStamp, note, units;
    std::vector<float> samples;

    std::string Bytes() const
    {
        using testsupport::LE;
        int32_t const n = count == INT32_MIN ? int32_t(samples.size()) : count;
        std::string b = LE(version) + LE(int16_t(extension.size())) + extension + LE(n);
        for (float f : {t4, step, t5, cal, att, startNoShift, timeShift, maxVal, minVal})
            b += LE(f);
        b += LE(maxPoint) + LE(minPoint) + LE(scaleUnit) + LE(int16_t(0));
        for (float f : {scopeValue, t1, t2, t3, offset, scopeShift, scopeShift2, aux1, aux2})
            b += LE(f);
        for (std::string const& s : {description, dateStamp, note, units})
            b += LE(int16_t(s.size())) + s;
        b += LE(int16_t(1)) + LE(n) + LE(int32_t(1));
        for (float f : samples)
            b += LE(f);
        return b;
    }
};

#endif
