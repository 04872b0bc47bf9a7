// Gaps between frames, the receive-side logs, and a port without streams.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "corvel/stats/event.h"
#include "corvel/stats/observable.h"
#include "corvel/traffic/generate_port_config.h"
#include "corvel/traffic/port_traffic_generator.h"
#include "run_scenario.h"

namespace corvel::test {
namespace {

std::string TwoStreams(const std::string& rootAttributes, const std::string& portsAttributes,
                       const std::string& portBody) {
  std::string tcs = "<corvel" + rootAttributes + "><streams>";
  for (const auto& [id, port, sizes] : {std::tuple{"A", 1, "20,21,22"}, std::tuple{"B", 2, "30,31"}}) {
    tcs += std::string("<stream_set id=\"") + id + "\"><protocols>"
           "<ethernet dest_addr=\"0x00a0c9000002\" src_addr=\"0x00a0c9000001\" protocol_type=\"0x0800\"/>"
           "<ipv4 hlen=\"5\" ttl=\"64\" protocol=\"17\" src_addr=\"10.0.0.1\" dest_addr=\"10.0.0.2\"/>"
           "<udp src_port=\"1000\" dest_port=\"" + std::to_string(port) + "\"/>"
           "<fixed_payload size=\"" + sizes + "\" iterations=\"1\" tx_port=\"0,1\"/></protocols></stream_set>";
  }
  return tcs + "</streams><rx_ports" + portsAttributes + "><port device=\"0\" port=\"0\">" + portBody +
         "<assign_stream_set id=\"A\"/><assign_stream_set id=\"B\"/></port></rx_ports></corvel>";
}

// Gap before frame i+1: its end cycle minus the end cycle of frame i minus its length.
std::vector<int64_t> Gaps(const std::vector<CapturedFrame>& frames) {
  std::vector<int64_t> gaps;
  for (size_t i = 1; i < frames.size(); ++i) {
    gaps.push_back(static_cast<int64_t>(frames[i].endCycle) - static_cast<int64_t>(frames[i - 1].endCycle) -
                   static_cast<int64_t>(frames[i].length));
  }
  return gaps;
}

struct GapCase {
  const char* name;
  const char* portBody;
  std::vector<int64_t> gaps;
  const char* rootAttributes = "";
};

void PrintTo(const GapCase& c, std::ostream* out) { *out << c.name; }

class InterpacketGap : public ::testing::TestWithParam<GapCase> {};

TEST_P(InterpacketGap, MeasuredOnTheCapture) {
  const GapCase& c = GetParam();
  const fs::path dir = ScenarioDir(c.name);
  // The host's own gap for this port is 7 cycles.
  const std::string console = RunPyxsim(dir, TwoStreams(c.rootAttributes, "", c.portBody), 7);
  EXPECT_EQ(Gaps(ReadFrames(dir / "rx0p0.pcap")), c.gaps) << console;
}

INSTANTIATE_TEST_SUITE_P(
    Generation, InterpacketGap,
    ::testing::Values(
        GapCase{"FixedRange", "<interpacket_timedistribution min_time=\"5\" max_time=\"5\"/>", {5, 5, 5, 5}},
        GapCase{"HostGap", "", {7, 7, 7, 7}},
        // max_time 0 leaves the gap to the host, whatever the minimum.
        GapCase{"ZeroMaximumIsTheHostGap", "<interpacket_timedistribution min_time=\"3\" max_time=\"0\"/>",
                {7, 7, 7, 7}},
        // Draws of the shared sequence from its unseeded state: r mod 11 + 10.
        GapCase{"DrawnRange", "<interpacket_timedistribution min_time=\"10\" max_time=\"20\"/>", {18, 19, 19, 11}},
        // A seed in the file restarts the sequence from it at load.
        GapCase{"SeededRange", "<interpacket_timedistribution min_time=\"10\" max_time=\"20\"/>", {15, 12, 10, 14},
                " random_number_seed=\"12345\""},
        // Without contracts the token-bucket port waits its minimum gap.
        GapCase{"TokenBucketMinimum",
                "<interpacket_timedistribution min_time=\"6\" max_time=\"9\"/><tokenBucket_streamdistribution/>",
                {6, 6, 6, 6}}),
    [](const ::testing::TestParamInfo<GapCase>& info) { return std::string(info.param.name); });

// Every log of a receive port, with the scheduled distribution so the
// scheduling log has lines: one event line per frame and the summary, one
// scheduling line per choice, the bytes of every frame and of every PDU.
TEST(ReceiveLogs, EventsScheduleFramesAndPdus) {
  const fs::path dir = ScenarioDir("ReceiveLogs");
  fs::create_directories(dir / "logs");
  const std::string console = RunPyxsim(
      dir, TwoStreams("", " eventlog_dir=\"logs/\" datalog_dir=\"logs/,1\" pdu_datalog_dir=\"logs/\" shape_datalog_dir=\"logs/\"",
                      "<tm41_streamdistribution/>"));
  const std::vector<CapturedFrame> frames = ReadFrames(dir / "rx0p0.pcap");
  ASSERT_EQ(frames.size(), 5u) << console;

  EXPECT_EQ(ReadText(dir / "logs/RxEventsDev0Port0.txt"),
            "Rx Device 0 Port 0 Stream 0 Pdu 1 log stream packet\n"
            "Rx Device 0 Port 0 Stream 1 Pdu 1 log stream packet\n"
            "Rx Device 0 Port 0 Stream 0 Pdu 2 log stream packet\n"
            "Rx Device 0 Port 0 Stream 1 Pdu 2 log stream packet\n"
            "Rx Device 0 Port 0 Stream 0 Pdu 3 log stream packet\n"
            "Generation stopped:\n"
            "  totalPDUs   processed 5\n"
            "  totalFrames/Cells processed 5\n");
  std::string schedule;
  for (int i = 0; i < 5; ++i) schedule += "selected UBR stream\n";
  EXPECT_EQ(ReadText(dir / "logs/RxScheduleDev0Port0.txt"), schedule);

  const std::vector<std::string> frameLines = TextLines(ReadText(dir / "logs/RxFramesDev0Port0.txt"));
  const std::vector<std::string> pduLines = TextLines(ReadText(dir / "logs/RxPdusDev0Port0.txt"));
  ASSERT_EQ(frameLines.size(), frames.size());
  ASSERT_EQ(pduLines.size(), frames.size());
  for (size_t i = 0; i < frames.size(); ++i) {
    EXPECT_EQ(frameLines[i], frames[i].hex);
    // One PDU per frame: the PDU's bytes lie inside the frame, after the
    // Ethernet header.
    EXPECT_FALSE(pduLines[i].empty());
    EXPECT_NE(frames[i].hex.find(pduLines[i], 28), std::string::npos) << i;
  }
}

// compute_checksum="0" sends the IPv4 header and UDP checksums as 0; the
// frame check sequence is still computed.
TEST(ChecksumsOff, SentAsZero) {
  const fs::path dir = ScenarioDir("ChecksumsOff");
  const std::string console = RunPyxsim(dir, TwoStreams(" compute_checksum=\"0\"", "", ""));
  const std::vector<CapturedFrame> frames = ReadFrames(dir / "rx0p0.pcap");
  ASSERT_EQ(frames.size(), 5u) << console;
  for (const CapturedFrame& frame : frames) {
    EXPECT_EQ(frame.hex.substr(2 * 24, 4), "0000");  // IPv4 header checksum
    EXPECT_EQ(frame.hex.substr(2 * 40, 4), "0000");  // UDP checksum
  }
  const std::string command = "tshark -n -r '" + (dir / "rx0p0.pcap").string() +
                              "' -o eth.fcs:Always -o eth.check_fcs:TRUE -T fields -e eth.fcs.status 2>/dev/null";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::string verdicts;
  char buffer[256];
  while (pipe && std::fgets(buffer, sizeof buffer, pipe.get())) verdicts += buffer;
  EXPECT_EQ(verdicts, "1\n1\n1\n1\n1\n");
}

// A configured port whose frame source has no streams runs, says so, and completes.
TEST(PortWithoutStreams, RunsThenCompletes) {
  struct Recorder : Observer {
    std::vector<std::string> seen;
    void update(Event& event) override {
      seen.push_back(event.hasText() ? event.text() : std::to_string(event.kind()));
    }
  } recorder;
  PortTrafficGenerator generator(0, 0);
  generator.attach(&recorder);
  generator.setPortConfig(GeneratePortConfig());
  generator.Start(1);
  EXPECT_EQ(generator.state(), enPortStateComplete);
  EXPECT_EQ(recorder.seen, (std::vector<std::string>{"23", "Port has no assigned streams", "26"}));
  bool endOfTraffic = false;
  uint8_t endOfPacket = 0;
  EXPECT_EQ(generator.nextByte(endOfTraffic, endOfPacket, 1), nullptr);
  generator.detach(&recorder);
}

}  // namespace
}  // namespace corvel::test
