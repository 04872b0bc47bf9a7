// Token-bucket meters against RFC 2697 (srTCM) and RFC 2698 (trTCM), colour
// blind, worked by hand at a 100 MHz bus: 1 kbit/s earns one bit per 100,000
// cycles.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "corvel/base/print_utility.h"
#include "corvel/base/text_error.h"
#include "corvel/police/token_bucket_scheduling.h"

namespace corvel {
namespace {

constexpr int32_t kBusMHz = 100;
using C = MeterColour;

std::string colours(const std::vector<C>& v) {
  std::string s;
  for (C c : v) s += c == C::enGreen ? 'G' : c == C::enYellow ? 'Y' : 'R';
  return s;
}

class TokenBucketTest : public ::testing::Test {
 protected:
  PrintUtility printer;
  // CIR 1000 kbit/s, CBS = EBS = 1000 bytes (8,000 bits).
  TokenBucket_Scheduling srTcm() {
    TokenBucket_Scheduling tb(100, kBusMHz, printer);
    tb.set_CIR(1000.0);
    tb.set_CBS(1000);
    tb.set_EBS(1000);
    tb.initialize();
    return tb;
  }
  // PIR 2000, PBS 2000 bytes, CIR 1000, CBS 1000 bytes, in the reader's order.
  TokenBucket_Scheduling trTcm() {
    TokenBucket_Scheduling tb(100, kBusMHz, printer, 4);
    tb.set_PIR(2000.0);
    tb.set_CIR(1000.0);
    tb.set_CBS(1000);
    tb.set_EBS(2000);
    tb.initialize();
    return tb;
  }
  std::vector<C> meterAll(TokenBucket_Scheduling& tb, uint32_t start, uint32_t gap, int n, int32_t size) {
    std::vector<C> out;
    for (int i = 0; i < n; ++i) out.push_back(tb.meter(start + static_cast<uint32_t>(i) * gap, size));
    return out;
  }
};

// 500-byte PDUs (4,000 bits) every 10,000 cycles earn 100 bits each gap:
// C 8000 -> 4000 (G), 4100 -> 100 (G); E 8000 -> 4000 (Y), 4000 -> 0 (Y);
// C 400 and E 0 (R), C 500 (R). E never fills while C is not full.
TEST_F(TokenBucketTest, SrTcmGreenGreenYellowYellowRedRed) {
  auto tb = srTcm();
  EXPECT_EQ(colours(meterAll(tb, 10000, 10000, 6, 500)), "GGYYRR");
  EXPECT_EQ(tb.bucketC(), 500);
  EXPECT_EQ(tb.bucketE(), 0);
}

TEST_F(TokenBucketTest, SrTcmExcessFillsOnlyFromCommittedOverflow) {
  auto tb = srTcm();
  EXPECT_EQ(colours(meterAll(tb, 0, 0, 4, 500)), "GGYY");  // both empty
  // 7,000 bits earned in 700,000 cycles all stay in C.
  EXPECT_EQ(tb.meter(700000, 0), C::enGreen);
  EXPECT_EQ(tb.bucketC(), 7000);
  EXPECT_EQ(tb.bucketE(), 0);
  // 3,000 more: C takes 1,000 to its depth, 2,000 overflow into E.
  EXPECT_EQ(tb.meter(1000000, 0), C::enGreen);
  EXPECT_EQ(tb.bucketC(), 8000);
  EXPECT_EQ(tb.bucketE(), 2000);
  // A long silence fills both, never beyond their depths.
  EXPECT_EQ(tb.meter(4000000000u, 0), C::enGreen);
  EXPECT_EQ(tb.bucketC(), 8000);
  EXPECT_EQ(tb.bucketE(), 8000);
}

TEST_F(TokenBucketTest, SrTcmExactlyBucketCIsGreen) {
  auto tb = srTcm();
  EXPECT_EQ(tb.meter(5, 1000), C::enGreen);
  EXPECT_EQ(tb.bucketC(), 0);
  EXPECT_EQ(tb.meter(5, 1001), C::enRed);  // above E's 8,000 bits
  EXPECT_EQ(tb.meter(5, 1000), C::enYellow);
}

// Back-to-back 500-byte PDUs at 100 Mbit/s, 4,000 cycles apart, earn 40 bits
// in C and 80 in P per gap: P 16000, C 8000 -> G (12000, 4000) -> G (8080, 40)
// -> Y (P 4160) -> Y (P 240) -> R (P 320 < 4000).
TEST_F(TokenBucketTest, TrTcmGreenGreenYellowYellowRed) {
  auto tb = trTcm();
  EXPECT_EQ(tb.conformanceType(), 4);
  EXPECT_EQ(colours(meterAll(tb, 1000, 4000, 5, 500)), "GGYYR");
  EXPECT_EQ(tb.bucketE(), 320);
  EXPECT_EQ(tb.bucketC(), 160);
}

TEST_F(TokenBucketTest, TrTcmPeakTestedFirst) {
  auto tb = trTcm();
  // 1,500 bytes: 12,000 bits fit P (16,000) but not C (8,000): yellow.
  EXPECT_EQ(tb.meter(0, 1500), C::enYellow);
  EXPECT_EQ(tb.bucketC(), 8000);  // yellow leaves C alone
  // 600 bytes: 4,800 > P's 4,000 though C holds 8,000: red, nothing taken.
  EXPECT_EQ(tb.meter(0, 600), C::enRed);
  EXPECT_EQ(tb.bucketC(), 8000);
  EXPECT_EQ(tb.bucketE(), 4000);
  EXPECT_EQ(tb.meter(0, 500), C::enGreen);
  EXPECT_EQ(tb.bucketE(), 0);
  EXPECT_EQ(tb.bucketC(), 4000);
}

TEST_F(TokenBucketTest, TrTcmSettersInReaderOrder) {
  TokenBucket_Scheduling tb(100, kBusMHz, printer, 4);
  tb.set_PIR(2000.0);
  try {
    tb.set_CIR(2000.5);
    FAIL();
  } catch (const TextError& e) {
    EXPECT_STREQ(e.text(), "CIR must be Less than the Set Peak Information Rate");
  }
  tb.set_CIR(1000.0);
  EXPECT_NO_THROW(tb.set_CBS(1000));
  EXPECT_NO_THROW(tb.set_EBS(2000));  // a peak burst above CBS loads
  EXPECT_EQ(tb.bucketE(), 16000);
}

TEST_F(TokenBucketTest, BurstSizeBounds) {
  TokenBucket_Scheduling tb(100, kBusMHz, printer);
  tb.set_CIR(1.0);
  EXPECT_NO_THROW(tb.set_CBS(125));  // 1 kbit at 1 Kbps
  try {
    tb.set_CBS(126);
    FAIL();
  } catch (const TextError& e) {
    EXPECT_STREQ(e.text(), "CBS must be Less than CIR, PIR and the max port rate");
  }
  try {
    tb.set_CIR(100001.0);
    FAIL();
  } catch (const TextError& e) {
    EXPECT_STREQ(e.text(), "CIR must be Less than the Set Max port rate");
  }
  tb.initialize();
  try {
    tb.set_EBS(1);
    FAIL();
  } catch (const TextError& e) {
    EXPECT_STREQ(e.text(), "cannot set the burst Size since the police descriptor is already initialized.");
  }
}

// The first PDU is metered (its tokens are taken) but reported as first of
// flow so the caller does not record it.
TEST_F(TokenBucketTest, PolicingMetersTheFirstPdu) {
  auto tb = srTcm();
  struct Step {
    uint32_t last;
    bool conforms, flagA, first;
  };
  const std::vector<Step> steps = {
      {10000, true, false, true},    // G, not recorded
      {20000, true, false, false},   // G
      {30000, true, true, false},    // Y: flag A
      {40000, true, true, false},    // Y
      {50000, false, false, false},  // R
  };
  for (const auto& s : steps) {
    bool a = true, b = true;
    const PolicedPdu pdu{s.last - 100, s.last, 500, 500};
    EXPECT_EQ(tb.isFlowConformant(&a, &b, pdu), s.conforms) << s.last;
    EXPECT_EQ(a, s.flagA) << s.last;
    EXPECT_FALSE(b) << s.last;
    EXPECT_EQ(tb.isFirstOfFlow(), s.first) << s.last;
  }
}

TEST_F(TokenBucketTest, UninitializedRefuses) {
  TokenBucket_Scheduling tb(100, kBusMHz, printer);
  bool a = false, b = false;
  try {
    tb.isFlowConformant(&a, &b, PolicedPdu{});
    FAIL();
  } catch (const TextError& e) {
    EXPECT_STREQ(e.text(), "cannot check flow conformance because the police descriptor is uninitialized.");
  }
}

// Elapsed time is the unsigned 32-bit difference of cycle values: the same
// spacing across 2^31 and 2^32 gives the same colours.
TEST_F(TokenBucketTest, WrapIsAnOrdinaryGap) {
  for (uint32_t start : {0x7fffc000u, 0xffffc000u, 0xfffffff0u}) {
    auto sr = srTcm();
    EXPECT_EQ(colours(meterAll(sr, start, 10000, 6, 500)), "GGYYRR") << std::hex << start;
    auto tr = trTcm();
    EXPECT_EQ(colours(meterAll(tr, start, 4000, 5, 500)), "GGYYR") << std::hex << start;
  }
}

TEST_F(TokenBucketTest, ShapingWaitsUntilTheFrameWouldNotBeRed) {
  auto tb = srTcm();
  int64_t waitNs = -1;
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(tb.conforms(10000, 500, waitNs)) << i;  // G G Y Y
  EXPECT_FALSE(tb.conforms(10000, 500, waitNs));
  EXPECT_EQ(waitNs, 4000000);  // 4,000 bits at 1 Mbit/s
  EXPECT_FALSE(tb.conforms(409999, 500, waitNs));
  EXPECT_EQ(waitNs, 10);  // one cycle short
  EXPECT_TRUE(tb.conforms(410000, 500, waitNs));
  EXPECT_EQ(waitNs, 0);
}

TEST_F(TokenBucketTest, ShapingTrTcmWaitsAtPeakRate) {
  auto tb = trTcm();
  int64_t waitNs = -1;
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(tb.conforms(0, 500, waitNs)) << i;  // P empty
  EXPECT_FALSE(tb.conforms(0, 500, waitNs));
  EXPECT_EQ(waitNs, 2000000);  // 4,000 bits at 2 Mbit/s
}

TEST_F(TokenBucketTest, ShapingOversizeFramePassesOnFullBuckets) {
  auto tb = srTcm();
  int64_t waitNs = -1;
  EXPECT_TRUE(tb.conforms(0, 2000, waitNs));  // 16,000 bits, both buckets full
  EXPECT_EQ(tb.bucketC(), 0);
  EXPECT_EQ(tb.bucketE(), 0);
  EXPECT_FALSE(tb.conforms(100, 2000, waitNs));
  EXPECT_EQ(waitNs, 16000000 - 1000);  // 16,000 bits less the 100 cycles passed
  EXPECT_TRUE(tb.conforms(1600000, 2000, waitNs));
}

TEST_F(TokenBucketTest, ZeroRateNeverConformsAndNeverDivides) {
  TokenBucket_Scheduling tb(100, kBusMHz, printer);
  tb.initialize();
  int64_t waitNs = 0;
  EXPECT_FALSE(tb.conforms(0, 64, waitNs));
  EXPECT_EQ(waitNs, INT64_MAX);
  EXPECT_EQ(tb.meter(1000, 64), C::enRed);
}

TEST_F(TokenBucketTest, InstantiateStartsFull) {
  auto tb = srTcm();
  EXPECT_EQ(colours(meterAll(tb, 0, 0, 3, 500)), "GGY");
  auto fresh = tb.instantiate();
  auto& f = static_cast<TokenBucket_Scheduling&>(*fresh);
  EXPECT_TRUE(f.isTokenBucket());
  EXPECT_FALSE(f.trafficType().has_value());
  EXPECT_EQ(f.bucketC(), 8000);
  EXPECT_EQ(f.bucketE(), 8000);
}

}  // namespace
}  // namespace corvel
