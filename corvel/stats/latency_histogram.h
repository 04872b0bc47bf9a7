// A latency histogram of bounded size with log-linear buckets, as
// HdrHistogram lays them out: values below 256 cycles have a bucket each;
// above, every power of two [2^m, 2^(m+1)) is cut into 128 equal buckets, so
// a bucket is never wider than 1/128 of its lower bound. A percentile is
// read as the middle of its bucket (exact below 256): within 0.4 % of the
// true value, and never above the largest value seen.
#pragma once

#include <array>
#include <cstdint>

namespace corvel {

class LatencyHistogram {
 public:
  static constexpr uint32_t kExactBuckets = 256;
  static constexpr uint32_t kSubBuckets = 128;
  static constexpr uint32_t kBucketCount = kExactBuckets + (32 - 8) * kSubBuckets;

  void add(uint32_t value) noexcept;
  uint64_t count() const noexcept { return _count; }
  uint32_t maximum() const noexcept { return _max; }
  // The smallest value (as read from its bucket) that at least `fraction`
  // of the values, rounded up to whole values, do not exceed; 0 when empty.
  uint32_t percentile(double fraction) const noexcept;

  static uint32_t bucketOf(uint32_t value) noexcept;
  // The values a bucket holds: [low, high].
  static uint32_t bucketLow(uint32_t bucket) noexcept;
  static uint32_t bucketHigh(uint32_t bucket) noexcept;
  uint32_t bucketCount(uint32_t bucket) const noexcept { return _buckets[bucket]; }

 private:
  std::array<uint32_t, kBucketCount> _buckets{};
  uint64_t _count = 0;
  uint32_t _max = 0;
};

}  // namespace corvel
