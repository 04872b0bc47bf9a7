// Receive ports shaped by the policies of their TCS file, measured on what
// pyxsim captured: a stream keeps its contract's rate while an unassigned
// stream fills the rest of the line.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "run_scenario.h"

namespace corvel::test {
namespace {

// One UDP stream of `pdus` PDUs of 100 payload bytes, named by its
// destination port.
std::string StreamSet(const std::string& id, int destPort, int pdus) {
  return "<stream_set id=\"" + id + "\"><protocols>"
         "<ethernet dest_addr=\"0x00a0c9000002\" src_addr=\"0x00a0c9000001\" protocol_type=\"0x0800\"/>"
         "<ipv4 hlen=\"5\" ttl=\"64\" protocol=\"17\" src_addr=\"10.0.0.1\" dest_addr=\"10.0.0.2\"/>"
         "<udp src_port=\"1000\" dest_port=\"" + std::to_string(destPort) + "\"/>"
         "<fixed_payload size=\"100\" iterations=\"" + std::to_string(pdus) + "\" tx_port=\"0,1\"/>"
         "</protocols></stream_set>";
}

// The contracted stream (destination port 1) against a filler (port 2).
std::string Scenario(const std::string& distribution, const std::string& contract, int contractedPdus, int fillPdus) {
  return "<corvel><policies><policy_set id=\"P\"><policy><udp dest_port=\"1\"/>" + contract +
         "</policy></policy_set></policies><streams>" + StreamSet("C", 1, contractedPdus) +
         StreamSet("F", 2, fillPdus) + "</streams><rx_ports><port device=\"0\" port=\"0\">" + distribution +
         "<assign_policy_set id=\"P\"/><assign_stream_set id=\"F\"/><assign_stream_set id=\"C\"/>"
         "</port></rx_ports></corvel>";
}

int DestPort(const CapturedFrame& frame) {
  // Ethernet 14 + IPv4 20 + UDP source port 2: the destination port.
  return frame.hex.size() >= 2 * 38 ? std::stoi(frame.hex.substr(2 * 36, 4), nullptr, 16) : -1;
}

struct Measured {
  size_t contracted = 0;
  size_t fill = 0;
  double contractedKbps = 0.0;
  // Filler frames sent before the contracted stream's last frame.
  size_t fillDuring = 0;
  // The port's last frame came from the filler.
  bool fillerLast = false;
};

// The contracted stream's rate over its frames from `skip` on: the bytes of
// every frame after the first counted, over the time from the first counted
// frame's end to the last one's (100 MHz: 10 ns per cycle).
Measured Measure(const std::vector<CapturedFrame>& frames, size_t skip) {
  Measured m;
  std::vector<const CapturedFrame*> contracted;
  size_t fillSinceContracted = 0;
  for (const CapturedFrame& frame : frames) {
    if (DestPort(frame) == 1) {
      contracted.push_back(&frame);
      m.fillDuring += fillSinceContracted;
      fillSinceContracted = 0;
    }
    if (DestPort(frame) == 2) {
      ++m.fill;
      ++fillSinceContracted;
    }
  }
  m.fillerLast = !frames.empty() && DestPort(frames.back()) == 2;
  m.contracted = contracted.size();
  if (contracted.size() < skip + 2) return m;
  double bits = 0.0;
  for (size_t i = skip + 1; i < contracted.size(); ++i) bits += contracted[i]->length * 8.0;
  const double ns = (contracted.back()->endCycle - contracted[skip]->endCycle) * 10.0;
  m.contractedKbps = bits / ns * 1.0e6;
  return m;
}

// A CBR contract of 50 Mbit/s with a CDVT that covers the longest wait for
// a filler frame to end: the stream leaves at its PCR, and the unassigned
// filler takes every frame time between (it outlasts the contracted stream).
TEST(ContractShaping, Tm41CbrStreamKeepsItsPeakRate) {
  const fs::path dir = ScenarioDir("Tm41Cbr");
  const std::string console =
      RunPyxsim(dir, Scenario("<tm41_streamdistribution/>", "<cbr pcr=\"50000\" cdvt=\"5\"/>", 200, 4000));
  const Measured m = Measure(ReadFrames(dir / "rx0p0.pcap"), 0);
  ASSERT_EQ(m.contracted, 200u) << console;
  EXPECT_EQ(m.fill, 4000u);
  EXPECT_TRUE(m.fillerLast);
  // A 146-byte frame every 23.36 us against 1.54 us per filler frame.
  EXPECT_GT(m.fillDuring, 199u * 14);
  EXPECT_NEAR(m.contractedKbps, 50000.0, 500.0) << console.substr(0, 4000);
  std::printf("TM41 CBR stream: %.1f kbit/s (PCR 50000)\n", m.contractedKbps);
}

// A single-rate three-colour contract of 8 Mbit/s: after the buckets'
// initial burst the flow goes at its CIR.
TEST(ContractShaping, TokenBucketShapesSrTcmFlowToItsCir) {
  const fs::path dir = ScenarioDir("TokenBucketSrTcm");
  const std::string console =
      RunPyxsim(dir, Scenario("<tokenBucket_streamdistribution/>",
                              "<tokenBucket_flow confType=\"srTCM\" cir=\"8000\" cbs=\"400\" ebs=\"200\"/>", 400, 4000));
  const Measured m = Measure(ReadFrames(dir / "rx0p0.pcap"), 10);
  ASSERT_EQ(m.contracted, 400u) << console.substr(0, 4000);
  // The filler goes whenever the bucket refuses the flow's next frame.
  EXPECT_GE(m.fillDuring, 390u);
  EXPECT_NEAR(m.contractedKbps, 8000.0, 160.0) << console.substr(0, 4000);
  std::printf("token-bucket srTCM flow: %.1f kbit/s (CIR 8000)\n", m.contractedKbps);
}

// A contract the distribution cannot ask (a frame-flow policer under TM 4.1,
// a GCRA under the token buckets) leaves its stream unassigned: every frame
// of both streams is sent and the port completes.
TEST(ContractShaping, ContractsNoClassCanTestAreUnassigned) {
  const std::pair<const char*, const char*> cases[] = {
      {"<tm41_streamdistribution/>", "<flow cpr=\"1000\"/>"},
      {"<tokenBucket_streamdistribution/>", "<cbr pcr=\"1000\"/>"},
      {"<tokenBucket_streamdistribution/>", "<flow cpr=\"1000\"/>"}};
  int n = 0;
  for (const auto& [distribution, contract] : cases) {
    const fs::path dir = ScenarioDir("Unassigned" + std::to_string(n++));
    const std::string console = RunPyxsim(dir, Scenario(distribution, contract, 5, 5));
    const Measured m = Measure(ReadFrames(dir / "rx0p0.pcap"), 0);
    EXPECT_EQ(m.contracted, 5u) << distribution << contract << console.substr(0, 4000);
    EXPECT_EQ(m.fill, 5u) << distribution << contract;
    EXPECT_NE(console.find("Corvel> Rx RxDevice 0 RxPort 0: enPortStateComplete"), std::string::npos);
  }
}

// One policy set named by two ports: each port (and each stream) keeps its
// own schedule, so both contracted streams leave at the full PCR.
TEST(ContractShaping, PortsNamingOneSetDoNotShareTheirSchedule) {
  const fs::path dir = ScenarioDir("SharedSet");
  std::string tcs = Scenario("<tm41_streamdistribution/>", "<cbr pcr=\"50000\" cdvt=\"5\"/>", 100, 2000);
  const std::string port = "<port device=\"0\" port=\"0\">";
  const size_t at = tcs.find(port);
  ASSERT_NE(at, std::string::npos);
  const size_t end = tcs.find("</port>", at) + 7;
  std::string second = tcs.substr(at, end - at);
  second.replace(0, port.size(), "<port device=\"0\" port=\"2\">");
  tcs.insert(end, second);
  const std::string console = RunPyxsim(dir, tcs, 8, "rx_port 0 2 100 8 100\n");
  for (const char* pcap : {"rx0p0.pcap", "rx0p2.pcap"}) {
    const Measured m = Measure(ReadFrames(dir / pcap), 0);
    ASSERT_EQ(m.contracted, 100u) << pcap << console.substr(0, 4000);
    EXPECT_NEAR(m.contractedKbps, 50000.0, 500.0) << pcap;
  }
}

}  // namespace
}  // namespace corvel::test
