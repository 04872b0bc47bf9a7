// The order in which a receive port sends the frames of its streams, and the
// gaps between them, measured on what pyxsim captured: every frame must be
// byte for byte one that tcs2pcap builds for the same stream sets.
#include <gtest/gtest.h>

#include <map>

#include "run_scenario.h"

namespace corvel::test {
namespace {

// Streams A (3 PDUs), B (2) and C (2), one frame per PDU, told apart by
// their UDP destination ports and sizes.
std::string StreamSet(const std::string& id, int destPort, const std::string& sizes) {
  return "<stream_set id=\"" + id + "\"><protocols>"
         "<ethernet dest_addr=\"0x00a0c9000002\" src_addr=\"0x00a0c9000001\" protocol_type=\"0x0800\"/>"
         "<ipv4 hlen=\"5\" ttl=\"64\" protocol=\"17\" src_addr=\"10.0.0.1\" dest_addr=\"10.0.0.2\"/>"
         "<udp src_port=\"1000\" dest_port=\"" + std::to_string(destPort) + "\"/>"
         "<fixed_payload size=\"" + sizes + "\" iterations=\"1\" tx_port=\"0,1\"/>"
         "</protocols></stream_set>";
}

std::string Scenario(const std::string& portBody, const std::vector<std::string>& sets) {
  std::string tcs = "<corvel><streams>" + StreamSet("A", 1, "20,21,22") + StreamSet("B", 2, "30,31") +
                    StreamSet("C", 3, "40,41") + "</streams><rx_ports><port device=\"0\" port=\"0\">" + portBody;
  for (const std::string& set : sets) tcs += "<assign_stream_set id=\"" + set + "\"/>";
  return tcs + "</port></rx_ports></corvel>";
}

// Labels the captured frames ("A1" ...) by the frames tcs2pcap built for the
// sets: stream by stream, PDU by PDU.
std::vector<std::string> Labels(const std::vector<CapturedFrame>& frames, const std::vector<std::string>& expected,
                                const std::vector<std::string>& sets) {
  const std::map<std::string, int> pdus{{"A", 3}, {"B", 2}, {"C", 2}};
  std::map<std::string, std::string> byHex;
  size_t line = 0;
  for (const std::string& set : sets) {
    for (int pdu = 1; pdu <= pdus.at(set) && line < expected.size(); ++pdu) byHex[expected[line++]] = set + std::to_string(pdu);
  }
  std::vector<std::string> labels;
  for (const CapturedFrame& frame : frames) {
    auto found = byHex.find(frame.hex);
    labels.push_back(found == byHex.end() ? "?" : found->second);
  }
  return labels;
}

struct OrderCase {
  const char* name;
  const char* portBody;
  std::vector<std::string> sets;
  std::vector<std::string> order;
};

void PrintTo(const OrderCase& c, std::ostream* out) { *out << c.name; }

class DistributionOrder : public ::testing::TestWithParam<OrderCase> {};

TEST_P(DistributionOrder, FramesLeaveInTheDistributionsOrder) {
  const OrderCase& c = GetParam();
  const fs::path dir = ScenarioDir(c.name);
  const std::string console = RunPyxsim(dir, Scenario(c.portBody, c.sets));
  const std::vector<std::string> expected = Tcs2pcapFrames(dir, c.sets);
  const std::vector<CapturedFrame> frames = ReadFrames(dir / "rx0p0.pcap");
  EXPECT_EQ(Labels(frames, expected, c.sets), c.order) << console;
  // The processor stand-in hands every frame on to transmit port 0/1 unchanged.
  std::vector<std::string> sent, forwarded;
  for (const CapturedFrame& frame : frames) sent.push_back(frame.hex);
  for (const CapturedFrame& frame : ReadFrames(dir / "tx0p1.pcap")) forwarded.push_back(frame.hex);
  EXPECT_EQ(forwarded, sent);
  // The run ended by itself: the port completed after its last frame.
  EXPECT_NE(console.find("Corvel> Rx RxDevice 0 RxPort 0: enPortStateComplete"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Generation, DistributionOrder,
    ::testing::Values(
        OrderCase{"SequentialByRow", "<sequential_streamdistribution iteration_type=\"byRow\"/>", {"A", "B"},
                  {"A1", "A2", "A3", "B1", "B2"}},
        OrderCase{"DefaultByColumn", "", {"A", "B"}, {"A1", "B1", "A2", "B2", "A3"}},
        OrderCase{"InterleaveOneFrame",
                  "<sequentialinterleave_streamdistribution min_framecount=\"1\" max_framecount=\"1\"/>",
                  {"A", "B", "C"}, {"A1", "B1", "C1", "A2", "B2", "C2", "A3"}},
        OrderCase{"InterleaveBoundedToTwo",
                  "<sequentialinterleave_streamdistribution boundedstream_size=\"2\" min_framecount=\"1\" "
                  "max_framecount=\"1\"/>",
                  {"A", "B", "C"}, {"A1", "B1", "A2", "B2", "A3", "C1", "C2"}},
        OrderCase{"InterleavePduCountOne",
                  "<sequentialinterleave_streamdistribution pdu_count=\"1\" min_framecount=\"5\" "
                  "max_framecount=\"5\"/>",
                  {"A", "B"}, {"A1", "B1", "A2", "B2", "A3"}},
        OrderCase{"InterleaveFiveFrameTurns",
                  "<sequentialinterleave_streamdistribution min_framecount=\"5\" max_framecount=\"5\"/>",
                  {"A", "B"}, {"A1", "A2", "A3", "B1", "B2"}},
        OrderCase{"RandomInterleaveOneStream",
                  "<randominterleave_streamdistribution min_framecount=\"1\" max_framecount=\"3\"/>", {"A"},
                  {"A1", "A2", "A3"}},
        OrderCase{"Tm41WithoutPolicies", "<tm41_streamdistribution/>", {"A", "B"}, {"A1", "B1", "A2", "B2", "A3"}},
        OrderCase{"TokenBucketWithoutPolicies", "<tokenBucket_streamdistribution/>", {"A", "B"},
                  {"A1", "B1", "A2", "B2", "A3"}}),
    [](const ::testing::TestParamInfo<OrderCase>& info) { return std::string(info.param.name); });

// Interlace hands out the stacks of table-made sets three at a time: with
// two sets of five stacks the port's streams are X0 X1 X2 Y0 Y1 Y2 X3 X4 Y3 Y4,
// and sent byRow they leave in that order (the UDP destination port names
// the stack: 1x for X, 2x for Y).
TEST(Interlace, StacksOfTwoSetsThreeAtATime) {
  std::string tcs = "<corvel><table_entries>";
  for (const char* set : {"x", "y"}) {
    tcs += std::string("<") + set + " id=\"" + set + "\"><" + set + ".defaults port=\"0\"/>";
    for (int n = 0; n < 5; ++n)
      tcs += std::string("<") + set + ".entry port=\"" + (set[0] == 'x' ? "1" : "2") + std::to_string(n) + "\"/>";
    tcs += std::string("</") + set + ">";
  }
  tcs += "</table_entries><streams>";
  for (const char* set : {"x", "y"}) {
    tcs += std::string("<stream_set id=\"") + (set[0] == 'x' ? "X" : "Y") + "\"><protocols>"
           "<ethernet dest_addr=\"0x00a0c9000002\" src_addr=\"0x00a0c9000001\" protocol_type=\"0x0800\"/>"
           "<ipv4 hlen=\"5\" ttl=\"64\" protocol=\"17\" src_addr=\"10.0.0.1\" dest_addr=\"10.0.0.2\"/>"
           "<udp src_port=\"1000\" dest_port=\"0\"/>"
           "<fixed_payload size=\"20\" iterations=\"1\" tx_port=\"0,1\"/></protocols>"
           "<for_table_entries id=\"" + set + "\"><udp dest_port=\"port\"/></for_table_entries></stream_set>";
  }
  tcs += "</streams><rx_ports><port device=\"0\" port=\"0\" stream_merge=\"interlace,3\">"
         "<sequential_streamdistribution iteration_type=\"byRow\"/>"
         "<assign_stream_set id=\"X\"/><assign_stream_set id=\"Y\"/></port></rx_ports></corvel>";
  const fs::path dir = ScenarioDir("Interlace");
  const std::string console = RunPyxsim(dir, tcs);
  std::vector<std::string> destPorts;
  for (const CapturedFrame& frame : ReadFrames(dir / "rx0p0.pcap")) {
    // Ethernet 14 + IPv4 20 + UDP source port 2: the destination port.
    destPorts.push_back(std::to_string(std::stoi(frame.hex.substr(2 * 36, 4), nullptr, 16)));
  }
  EXPECT_EQ(destPorts, (std::vector<std::string>{"10", "11", "12", "20", "21", "22", "13", "14", "23", "24"}))
      << console;
}

}  // namespace
}  // namespace corvel::test
