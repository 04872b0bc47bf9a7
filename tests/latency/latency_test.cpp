// Latency and jitter per stream.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "corvel/stats/latency.h"

namespace corvel::test {
namespace {

struct JitterCase {
  const char* name;
  std::vector<uint32_t> latencies;
  uint32_t min;
  double mean;
  uint32_t max;
  double jitter;  // RFC 3550 6.4.1: J += (|D| - J) / 16
};

class Jitter : public ::testing::TestWithParam<JitterCase> {};

TEST_P(Jitter, FollowsRfc3550) {
  const JitterCase& c = GetParam();
  StreamLatency latency;
  for (uint32_t value : c.latencies) latency.add(value);
  EXPECT_EQ(latency.count(), c.latencies.size());
  EXPECT_EQ(latency.minimum(), c.min);
  EXPECT_DOUBLE_EQ(latency.mean(), c.mean);
  EXPECT_EQ(latency.maximum(), c.max);
  EXPECT_DOUBLE_EQ(latency.jitter(), c.jitter);
}

INSTANTIATE_TEST_SUITE_P(
    Latency, Jitter,
    ::testing::Values(
        JitterCase{"Steady", {20, 20, 20}, 20, 20.0, 20, 0.0},
        // D = 4: 0 + 4/16 = 0.25; D = -2: 0.25 + 1.75/16 = 0.359375; D = 0: 0.359375 * 15/16.
        JitterCase{"Varying", {20, 24, 22, 22}, 20, 22.0, 24, 0.3369140625},
        JitterCase{"OnePdu", {7}, 7, 7.0, 7, 0.0},
        // |D| = 3999999990 needs more than 32 bits signed: 3999999990 / 16.
        JitterCase{"WideSwing", {4000000000u, 10}, 10, 2000000005.0, 4000000000u, 249999999.375}),
    [](const ::testing::TestParamInfo<JitterCase>& info) { return std::string(info.param.name); });

// Sends and captures of one stream, in order: a send notes (PDU number, end
// cycle); a capture (PDU number, capture cycle) expects a latency or none.
struct LogStep {
  bool send;
  uint8_t pdu;
  uint32_t cycle;
  std::optional<uint32_t> latency = std::nullopt;
};

struct SendLogCase {
  const char* name;
  std::vector<LogStep> steps;
};

class SendLog : public ::testing::TestWithParam<SendLogCase> {};

TEST_P(SendLog, MatchesCapturesToSends) {
  PduSendLog log;
  int step = 0;
  for (const LogStep& s : GetParam().steps) {
    if (s.send) {
      log.record(s.pdu, s.cycle);
    } else {
      EXPECT_EQ(log.take(s.pdu, s.cycle), s.latency) << "step " << step;
    }
    ++step;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Latency, SendLog,
    ::testing::Values(
        // A one-size payload tags every PDU with number 1: in order, oldest first.
        SendLogCase{"SameNumberInFlight",
                    {{true, 1, 100}, {true, 1, 200}, {true, 1, 300}, {false, 1, 150, 50}, {false, 1, 260, 60},
                     {false, 1, 330, 30}, {false, 1, 400}}},
        // PDU 1 never arrives: PDU 2 passes it, and it is forgotten.
        SendLogCase{"LostPduForgotten",
                    {{true, 1, 100}, {true, 2, 200}, {true, 3, 300}, {false, 2, 250, 50}, {false, 1, 400},
                     {false, 3, 350, 50}}},
        // Nothing sent with that number, or sent only after the capture (a
        // PDU of an earlier run): not measured, and the send stays.
        SendLogCase{"NotSentInThisRun",
                    {{false, 7, 100}, {true, 7, 500}, {false, 7, 400}, {false, 7, 520, 20}}},
        SendLogCase{"CycleCounterWraps", {{true, 5, 0xfffffff0u}, {false, 5, 0x10, 0x20}}}),
    [](const ::testing::TestParamInfo<SendLogCase>& info) { return std::string(info.param.name); });

TEST(SendLog, RemembersTheLast256Sends) {
  PduSendLog log;
  for (uint32_t i = 0; i <= PduSendLog::kCapacity; ++i) log.record(static_cast<uint8_t>(i), i);
  EXPECT_EQ(log.inFlight(), PduSendLog::kCapacity);
  // The first PDU 0 (cycle 0) is gone; the one sent at cycle 256 is left.
  EXPECT_EQ(log.take(0, 1000), 744u);
}

}  // namespace
}  // namespace corvel::test
