// The scheduled distributions with contracts of a test's own: the TM 4.1
// class order, idle frames while no contract allows a frame, and the
// token-bucket gap converted from the contract's wait.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "corvel/protocols/ethernet/ethernet.h"
#include "corvel/protocols/payload/payload_config.h"
#include "corvel/protocols/protocol_stack.h"
#include "corvel/stats/event.h"
#include "corvel/stats/observable.h"
#include "corvel/traffic/generate_port_config.h"
#include "corvel/traffic/port_traffic_generator.h"
#include "corvel/traffic/shaping_policy.h"

namespace corvel {
namespace {

// A contract that lets a frame through from `openAt` on and, before that,
// asks to wait until then (1 cycle taken as 1000 ns for the token bucket).
class TestPolicy : public ShapingPolicy {
 public:
  TestPolicy(int32_t destination, int32_t trafficType, int32_t priority, uint32_t openAt, bool tokenBucket = false)
      : _destination(destination), _type(trafficType), _priority(priority), _openAt(openAt), _tokenBucket(tokenBucket) {}
  bool matches(const ProtocolStack& stack) const override {
    // The Ethernet destination's last byte names the stream.
    const auto header = stack.at(stack.count() - 1).headerBytes();
    return header.size() > 5 && header[5] == _destination;
  }
  std::unique_ptr<ShapingPolicy> instantiate() const override { return std::make_unique<TestPolicy>(*this); }
  std::optional<int32_t> trafficType() const override { return _type; }
  int32_t priority() const override { return _priority; }
  bool isTokenBucket() const override { return _tokenBucket; }
  bool conforms(uint32_t cycle, int32_t /*sizeBytes*/, int64_t& waitNs) override {
    waitNs = cycle >= _openAt ? 0 : (static_cast<int64_t>(_openAt) - cycle) * 1000;
    return cycle >= _openAt;
  }

 private:
  int32_t _destination;
  int32_t _type;
  int32_t _priority;
  uint32_t _openAt;
  bool _tokenBucket;
};

ProtocolStack Stream(int destination, int pdus) {
  ProtocolStack stack("s");
  FixedPayloadConfig payload("10", pdus);
  payload.setTxPort(0, 1);
  stack.addProtocol(payload);
  char header[29];
  std::snprintf(header, sizeof header, "0000000000%02x00000000000108ff", destination);
  stack.addProtocol(EthernetProtocolConfig(header, "00000000"));
  return stack;
}

struct Recorder : Observer {
  std::vector<int32_t> codes;
  std::vector<int32_t> portKinds;
  void update(Event& event) override {
    if (event.category() == enEventCategoryScheduling) codes.push_back(event.kind());
    if (event.category() == enEventCategoryPort && !event.hasText()) portKinds.push_back(event.kind());
  }
};

// Byte requests from cycle `first` on until the port completes (or `last`):
// one digit per frame (the stream's destination byte) and one '.' per run
// of requests that delivered nothing while the port waited.
std::string Requests(PortTrafficGenerator& port, uint32_t first, uint32_t last, std::vector<int32_t>* gaps = nullptr) {
  std::string frames;
  size_t position = 0;
  for (uint32_t cycle = first; cycle <= last && port.state() == enPortStateRunning; ++cycle) {
    bool endOfTraffic = false;
    uint8_t endOfPacket = 0;
    const uint8_t* byte = port.nextByte(endOfTraffic, endOfPacket, cycle);
    if (!byte) {
      if (port.state() == enPortStateRunning && cycle > first && (frames.empty() || frames.back() != '.'))
        frames += '.';
      continue;
    }
    if (position == 5) frames += static_cast<char>('0' + *byte);
    ++position;
    if (endOfPacket) {
      position = 0;
      if (gaps) gaps->push_back(port.interpacketTime());
    }
  }
  return frames;
}

GeneratePortConfig Config(bool tokenBucket) {
  GeneratePortConfig config;
  if (tokenBucket) config.setTokenBucket(); else config.setTm41();
  config.setInterpacketRange(5, 9);
  config.setRateAndBusFrequency(100, 66);
  return config;
}

TEST(Tm41, ClassesInOrderAndIdleWhileNothingConforms) {
  PortTrafficGenerator port(0, 0);
  Recorder recorder;
  port.attach(&recorder);
  port.setPortConfig(Config(false));
  port.addStream(Stream(1, 1));  // CBR, open from cycle 1000
  port.addStream(Stream(2, 2));  // UBR priority 3, always open
  port.addStream(Stream(3, 1));  // nrt-VBR, open from cycle 1000
  port.addStream(Stream(4, 1));  // no contract
  port.assignPolicy(std::make_shared<TestPolicy>(1, 0, 0, 1000));
  port.assignPolicy(std::make_shared<TestPolicy>(2, 4, 3, 0));
  port.assignPolicy(std::make_shared<TestPolicy>(3, 2, 0, 1000));
  port.Start(1);
  // UBR before the stream without a contract, idle until the contracts
  // open, then CBR before nrt-VBR; the port completes after the last frame.
  EXPECT_EQ(Requests(port, 1, 5000), "224.13");
  EXPECT_EQ(port.state(), enPortStateComplete);
  ASSERT_GE(recorder.codes.size(), 6u);
  EXPECT_EQ(std::vector<int32_t>(recorder.codes.begin(), recorder.codes.begin() + 3),
            (std::vector<int32_t>{enEventKindScheduleUbrPriority, enEventKindScheduleUbrPriority,
                                  enEventKindScheduleUbr}));
  EXPECT_EQ(std::vector<int32_t>(recorder.codes.end() - 2, recorder.codes.end()),
            (std::vector<int32_t>{enEventKindScheduleCbr, enEventKindScheduleNrtVbr}));
  for (size_t i = 3; i + 2 < recorder.codes.size(); ++i) EXPECT_EQ(recorder.codes[i], enEventKindScheduleIdle);
  port.detach(&recorder);
}

// The contract's wait (nanoseconds) becomes the port's gap in host cycles at
// the port's 66 MHz; a gap below the range minimum is raised to it.
TEST(TokenBucket, GapFromTheContractsWait) {
  PortTrafficGenerator port(0, 0);
  Recorder recorder;
  port.attach(&recorder);
  port.setPortConfig(Config(true));
  port.addStream(Stream(1, 1));  // priority 0, open from cycle 300
  port.addStream(Stream(2, 2));  // no contract
  port.assignPolicy(std::make_shared<TestPolicy>(1, 4, 0, 300, true));
  port.Start(1);
  std::vector<int32_t> gaps;
  const std::string frames = Requests(port, 1, 5000, &gaps);
  // The stream without a contract goes while the bucket is short, then the
  // port idles until the contract opens.
  EXPECT_EQ(frames, "22.1");
  // First choice at cycle 1: (300 - 1) us to wait = 299 * 66 cycles.
  ASSERT_EQ(gaps.size(), 3u);
  EXPECT_EQ(gaps[0], 299 * 66);
  EXPECT_GT(gaps[1], 5);
  EXPECT_EQ(gaps[2], 5);  // conformant: no wait, raised to the minimum
  EXPECT_NE(std::find(recorder.portKinds.begin(), recorder.portKinds.end(), enEventKindInterpacketRaised),
            recorder.portKinds.end());
  port.detach(&recorder);
}

}  // namespace
}  // namespace corvel
