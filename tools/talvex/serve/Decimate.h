// Decimate: a long trace thinned to the minimum and maximum of each bucket, for plotting.
#ifndef TALVEX_SERVE_DECIMATE_H
#define TALVEX_SERVE_DECIMATE_H

#include <cstddef>
#include <vector>

namespace serve {

/// Sample indices kept by a min/max decimation of samples [first, end) into at most
/// `buckets` equal runs of consecutive samples: each run gives the index of its minimum and
/// of its maximum (one index when they coincide), earlier one first, so the result is in
/// time order and holds at most 2 * buckets indices. Invalid samples (see IsVF) are never
/// kept; a run without valid samples gives nothing. When the range holds no more than
/// 2 * buckets samples every valid one is kept. buckets 0 gives nothing.
std::vector<size_t> DecimateMinMax(const float* samples, size_t first, size_t end, size_t buckets);

} // namespace serve

#endif
