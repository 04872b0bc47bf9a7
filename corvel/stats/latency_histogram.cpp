#include "corvel/stats/latency_histogram.h"

#include <bit>
#include <cmath>

namespace corvel {

uint32_t LatencyHistogram::bucketOf(uint32_t value) noexcept {
  if (value < kExactBuckets) return value;
  const auto top = static_cast<uint32_t>(std::bit_width(value)) - 1;  // 8 .. 31
  const uint32_t shift = top - 7;
  return kExactBuckets + (top - 8) * kSubBuckets + ((value >> shift) & (kSubBuckets - 1));
}

uint32_t LatencyHistogram::bucketLow(uint32_t bucket) noexcept {
  if (bucket < kExactBuckets) return bucket;
  const uint32_t top = (bucket - kExactBuckets) / kSubBuckets + 8;
  const uint32_t sub = (bucket - kExactBuckets) % kSubBuckets;
  return (kSubBuckets + sub) << (top - 7);
}

uint32_t LatencyHistogram::bucketHigh(uint32_t bucket) noexcept {
  if (bucket < kExactBuckets) return bucket;
  const uint32_t top = (bucket - kExactBuckets) / kSubBuckets + 8;
  return bucketLow(bucket) + ((1u << (top - 7)) - 1);
}

void LatencyHistogram::add(uint32_t value) noexcept {
  uint32_t& bucket = _buckets[bucketOf(value)];
  if (bucket != UINT32_MAX) ++bucket;
  if (_count == 0 || value > _max) _max = value;
  ++_count;
}

uint32_t LatencyHistogram::percentile(double fraction) const noexcept {
  if (_count == 0) return 0;
  const double wanted = std::ceil(fraction * static_cast<double>(_count));
  const uint64_t rank = wanted < 1.0 ? 1 : static_cast<uint64_t>(wanted);
  uint64_t seen = 0;
  for (uint32_t b = 0; b < kBucketCount; ++b) {
    seen += _buckets[b];
    if (seen < rank) continue;
    const uint32_t low = bucketLow(b);
    const uint32_t middle = low + (bucketHigh(b) - low) / 2;
    return middle < _max ? middle : _max;
  }
  return _max;
}

}  // namespace corvel
