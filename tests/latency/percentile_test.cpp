// The latency histogram against exact quantiles of the values put in, and
// the sequence window of the per-stream accounting against hand-made
// arrival orders.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "corvel/stats/latency_histogram.h"
#include "corvel/stats/stream_account.h"

namespace corvel::test {
namespace {

uint32_t NearestRank(std::vector<uint32_t> values, double fraction) {
  std::sort(values.begin(), values.end());
  const auto rank = static_cast<size_t>(std::max(1.0, std::ceil(fraction * static_cast<double>(values.size()))));
  return values[rank - 1];
}

struct Spread {
  const char* name;
  double lowLog2, highLog2;  // values 2^U(low, high)
  size_t count;
};

// For any values, each percentile is within 1 % of the exact nearest-rank
// quantile and never above the maximum; the buckets tile the 32-bit range.
TEST(LatencyHistogram, PercentilesWithinOnePercentOfExact) {
  std::mt19937_64 random(20);
  for (const Spread& s : {Spread{"small", 0, 8, 1000}, Spread{"cycles", 4, 20, 5000}, Spread{"wide", 0, 32, 20000},
                          Spread{"one value", 12, 12, 10}, Spread{"top", 31, 32, 3000}}) {
    SCOPED_TRACE(s.name);
    std::uniform_real_distribution<double> exponent(s.lowLog2, s.highLog2);
    std::vector<uint32_t> values;
    LatencyHistogram histogram;
    for (size_t i = 0; i < s.count; ++i) {
      const double v = std::min(std::exp2(exponent(random)), 4294967295.0);
      values.push_back(static_cast<uint32_t>(v));
      histogram.add(values.back());
    }
    EXPECT_EQ(histogram.count(), s.count);
    EXPECT_EQ(histogram.maximum(), *std::max_element(values.begin(), values.end()));
    for (double fraction : {0.0, 0.5, 0.9, 0.99, 0.999, 1.0}) {
      const double exact = NearestRank(values, fraction);
      const double read = histogram.percentile(fraction);
      EXPECT_LE(std::abs(read - exact), 0.01 * exact) << fraction;
      EXPECT_LE(read, histogram.maximum());
    }
  }
  uint32_t next = 0;
  for (uint32_t b = 0; b < LatencyHistogram::kBucketCount; ++b) {
    const uint32_t low = LatencyHistogram::bucketLow(b), high = LatencyHistogram::bucketHigh(b);
    ASSERT_EQ(low, next) << b;
    ASSERT_EQ(LatencyHistogram::bucketOf(low), b);
    ASSERT_EQ(LatencyHistogram::bucketOf(high), b);
    ASSERT_LE(static_cast<double>(high - low + 1), 1.0 + low / 128.0) << b;
    next = high + 1;
  }
  EXPECT_EQ(next, 0u);  // the last bucket ends at 2^32 - 1
  EXPECT_EQ(LatencyHistogram().percentile(0.5), 0u);
}

struct Arrivals {
  const char* name;
  std::vector<int64_t> sequences;  // -1: a PDU without a sequence number
  uint64_t duplicated, outOfOrder;
};

TEST(StreamAccount, SequenceNumbersTellCopiesFromLatePdus) {
  for (const Arrivals& a : {
           Arrivals{"in order", {0, 1, 2, 3}, 0, 0},
           Arrivals{"gap is loss, not disorder", {0, 1, 5, 6}, 0, 0},
           Arrivals{"swapped pair", {0, 2, 1, 3}, 0, 1},
           Arrivals{"copy at once and later", {0, 0, 1, 2, 1}, 2, 0},
           Arrivals{"late then its copy", {0, 3, 1, 1}, 1, 1},
           Arrivals{"wraps at 2^32", {0xfffffffe, 0xffffffff, 0, 1}, 0, 0},
           Arrivals{"late across the wrap", {0xffffffff, 1, 0}, 0, 1},
           Arrivals{"older than the window", {5000, 5000 - StreamAccount::kWindow}, 0, 1},
           Arrivals{"no numbers", {-1, -1, -1}, 0, 0},
       }) {
    SCOPED_TRACE(a.name);
    StreamAccount account;
    for (int64_t s : a.sequences) account.add(s < 0 ? std::nullopt : std::optional<uint32_t>(static_cast<uint32_t>(s)));
    EXPECT_EQ(account.received(), a.sequences.size());
    EXPECT_EQ(account.duplicated(), a.duplicated);
    EXPECT_EQ(account.outOfOrder(), a.outOfOrder);
  }
}

}  // namespace
}  // namespace corvel::test
