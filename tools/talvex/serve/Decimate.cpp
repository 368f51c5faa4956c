// Decimate: a long trace thinned to the minimum and maximum of each bucket, for plotting.
#include "Decimate.h"

namespace serve {

namespace {

/// The validity test of the library, without a call per sample: not NaN and inside the range
/// that marks an invalid sample.
inline bool Valid(float v)
{
    return v == v && v > -9.9e34f && v < 9.9e34f;
}

} // namespace

std::vector<size_t> DecimateMinMax(const float* samples, size_t first, size_t end, size_t buckets)
{
    std::vector<size_t> kept;
    if (buckets == 0 || end <= first)
        return kept;
    size_t n = end - first;
    if (n <= 2 * buckets) {
        for (size_t i = first; i < end; ++i) {
            if (Valid(samples[i]))
                kept.push_back(i);
        }
        return kept;
    }
    kept.reserve(2 * buckets);
    for (size_t b = 0; b < buckets; ++b) {
        // Bucket b covers [first + b*n/buckets, first + (b+1)*n/buckets): every sample once.
        size_t from = first + static_cast<size_t>((unsigned long long)b * n / buckets);
        size_t to = first + static_cast<size_t>((unsigned long long)(b + 1) * n / buckets);
        size_t lo = end, hi = end;
        for (size_t i = from; i < to; ++i) {
            float v = samples[i];
            if (!Valid(v))
                continue;
            if (lo == end || v < samples[lo])
                lo = i;
            if (hi == end || v > samples[hi])
                hi = i;
        }
        if (lo == end)
            continue;
        kept.push_back(lo < hi ? lo : hi);
        if (lo != hi)
            kept.push_back(lo < hi ? hi : lo);
    }
    return kept;
}

} // namespace serve
