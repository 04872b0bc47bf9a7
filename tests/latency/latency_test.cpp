// Latency and jitter per stream, and the JSON port summaries.
//
// pyxsim's `latency L`: a byte a receive port delivers at cycle c is queued
// for its transmit port with ready cycle c + L, and the cycle loop hands it
// over in the first cycle >= c + L in which the port is free (receive runs
// before transmit in a cycle, so L = 0 hands it over in the same cycle).
// With one receive port per transmit port the port is free whenever a byte
// is due (bytes come one per cycle and leave one per cycle), so the last
// byte of every PDU reaches the capture exactly L cycles after it left the
// receive port: the expected latency is L, no constant added. The loop-back
// test checks that on pyxsim's own pcap records as well.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <regex>

#include "../generation/run_scenario.h"
#include "corvel/stats/latency.h"

namespace corvel::test {
namespace {

using nlohmann::json;

// ---- the arithmetic, worked by hand ----

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

// ---- through pyxsim ----

std::string EthernetSet(const std::string& id, int udpPort, const std::string& payload, const char* type = "") {
  return "<stream_set id=\"" + id + "\"" + type + "><protocols>"
         "<ethernet dest_addr=\"0x00a0c9000002\" src_addr=\"0x00a0c9000001\" protocol_type=\"0x0800\"/>"
         "<ipv4 hlen=\"5\" ttl=\"64\" protocol=\"17\" src_addr=\"10.0.0.1\" dest_addr=\"10.0.0.2\"/>"
         "<udp src_port=\"1000\" dest_port=\"" + std::to_string(udpPort) + "\"/>" + payload +
         "</protocols></stream_set>";
}

std::string AtmSet(const std::string& id, const std::string& payload, const char* type = "") {
  return "<stream_set id=\"" + id + "\"" + type + "><protocols><atm vpi=\"1\" vci=\"0x20\"/>"
         "<aal5 llc=\"0xaaaa03\" oui=\"0x000000\" et=\"0x0800\"/>"
         "<ipv4 hlen=\"5\" ttl=\"64\" protocol=\"17\" src_addr=\"10.0.0.1\" dest_addr=\"10.0.0.2\"/>"
         "<udp src_port=\"1000\" dest_port=\"2000\"/>" + payload + "</protocols></stream_set>";
}

constexpr const char* kCapture = " type=\"capture\"";

// Runs pyxsim on the TCS text with the port lines given (all ports at
// 100 MHz: a pcap timestamp in nanoseconds is ten times the host cycle).
std::string RunPorts(const fs::path& dir, const std::string& tcs, const std::string& ports) {
  std::ofstream(dir / "scenario.tcs") << tcs;
  std::ofstream(dir / "run.pyx") << ports << "pcap .\ncorvel_load_tcs scenario.tcs\ncorvel_start\nrun\nclose\n";
  const std::string command = "cd '" + dir.string() + "' && '" CORVEL_BIN_DIR "/pyxsim' -p '" CORVEL_BIN_DIR
                              "/libcorvel_lite.so' run.pyx >console.txt 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0) << ReadText(dir / "console.txt");
  return ReadText(dir / "console.txt");
}

// The lines of a log from "Capture stopped:" or "Generation stopped:" on.
std::vector<std::string> SummaryLines(const std::string& log) {
  const size_t at = std::min(log.find("Capture stopped:"), log.find("Generation stopped:"));
  return at == std::string::npos ? std::vector<std::string>{} : TextLines(log.substr(at));
}

std::vector<std::string> LatencyLines(const std::string& log) {
  std::vector<std::string> lines;
  for (const std::string& line : SummaryLines(log))
    if (line.starts_with("  latency ")) lines.push_back(line);
  return lines;
}

// The counters of a text summary by their JSON names.
std::map<std::string, long long> TextCounters(const std::string& log) {
  static const std::map<std::string, std::string> kNames = {
      {"total PDU passed", "pdu_passed"},
      {"total PDU failed", "pdu_failed"},
      {"total PDU warnings", "pdu_warnings"},
      {"total PDU routes passed", "pdu_routes_passed"},
      {"total PDU routes failed", "pdu_routes_failed"},
      {"total PDU routes not tested", "pdu_routes_not_tested"},
      {"total Frames/Cells processed", "frames_cells_processed"},
      {"total Frames/Cells dropped", "frames_cells_dropped"},
      {"total Frames/Cells discarded", "frames_cells_discarded"},
      {"total Frames/Cells warnings", "frames_cells_warnings"},
      {"totalPDUs   processed", "pdus_processed"},
      {"totalFrames/Cells processed", "frames_cells_processed"},
      {"totalBits   flipped", "bits_flipped"}};
  std::map<std::string, long long> counters;
  const std::regex counter("  (.*[^ ]) +([0-9]+)");
  for (const std::string& line : SummaryLines(log)) {
    std::smatch match;
    if (line.starts_with("  latency ") || !std::regex_match(line, match, counter)) continue;
    const auto name = kNames.find(match[1]);
    EXPECT_NE(name, kNames.end()) << line;
    if (name != kNames.end()) counters[name->second] = std::stoll(match[2]);
  }
  return counters;
}

// The numbers of the JSON section that are counters (not the latency list).
std::map<std::string, long long> JsonCounters(const json& section) {
  std::map<std::string, long long> counters;
  for (const auto& [key, value] : section.items())
    if (value.is_number_integer() && key != "bus_frequency_mhz") counters[key] = value.get<long long>();
  return counters;
}

json ReadJson(const fs::path& path) {
  std::ifstream in(path);
  return json::parse(in);  // throws (and fails the test) when the file is not JSON
}

struct LatencyFigures {
  int rxDevice, rxPort, stream;
  unsigned long long pdus;
  unsigned minCycles, maxCycles;
  double meanCycles, jitterCycles, minNs, meanNs, maxNs, jitterNs;
};

std::optional<LatencyFigures> ParseLatencyLine(const std::string& line) {
  LatencyFigures f{};
  const int n = std::sscanf(line.c_str(),
                            "  latency RxDevice %d RxPort %d Stream %d PDUs %llu cycles min %u mean %lf max %u "
                            "jitter %lf ns min %lf mean %lf max %lf jitter %lf",
                            &f.rxDevice, &f.rxPort, &f.stream, &f.pdus, &f.minCycles, &f.meanCycles, &f.maxCycles,
                            &f.jitterCycles, &f.minNs, &f.meanNs, &f.maxNs, &f.jitterNs);
  if (n != 12) return std::nullopt;
  return f;
}

// Every counter of the text summary is in the JSON section with the same
// value, and every latency line matches its JSON row.
void ExpectJsonMatchesText(const json& section, const std::string& log) {
  EXPECT_EQ(JsonCounters(section), TextCounters(log));
  if (!section.contains("latency")) return;
  const std::vector<std::string> lines = LatencyLines(log);
  ASSERT_EQ(section["latency"].size(), lines.size());
  for (size_t i = 0; i < lines.size(); ++i) {
    const json& row = section["latency"][i];
    const std::optional<LatencyFigures> f = ParseLatencyLine(lines[i]);
    ASSERT_TRUE(f) << lines[i];
    EXPECT_EQ(row["rx_device"], f->rxDevice);
    EXPECT_EQ(row["rx_port"], f->rxPort);
    EXPECT_EQ(row["stream"], f->stream);
    EXPECT_EQ(row["pdus"], f->pdus);
    EXPECT_EQ(row["min_cycles"], f->minCycles);
    EXPECT_EQ(row["max_cycles"], f->maxCycles);
    // The text shows three decimals.
    EXPECT_NEAR(row["mean_cycles"].get<double>(), f->meanCycles, 0.0005);
    EXPECT_NEAR(row["jitter_cycles"].get<double>(), f->jitterCycles, 0.0005);
    EXPECT_NEAR(row["min_ns"].get<double>(), f->minNs, 0.0005);
    EXPECT_NEAR(row["mean_ns"].get<double>(), f->meanNs, 0.0005);
    EXPECT_NEAR(row["max_ns"].get<double>(), f->maxNs, 0.0005);
    EXPECT_NEAR(row["jitter_ns"].get<double>(), f->jitterNs, 0.0005);
  }
}

// Receive port 0/0 loops back to transmit port 0/0 (two Ethernet streams and
// one whose 3-byte payload has no room for the PDU number), receive port 0/2
// sends AAL5 PDUs in ATM cells to transmit port 0/3.
std::string LoopbackTcs() {
  return "<corvel><streams>" +
         EthernetSet("same_number", 1, "<fixed_payload size=\"64\" iterations=\"6\" tx_port=\"0,0\"/>") +
         EthernetSet("sizes", 2, "<fixed_payload size=\"18,300,1000\" iterations=\"2\" tx_port=\"0,0\"/>") +
         EthernetSet("short", 3, "<fixed_payload size=\"3\" iterations=\"2\" tx_port=\"0,0\"/>") +
         EthernetSet("expect", 1, "<fixed_payload size=\"64\" iterations=\"1\" tx_port=\"0,0\"/>", kCapture) +
         AtmSet("cells", "<fixed_payload size=\"100,200,300\" iterations=\"1\" tx_port=\"0,3\"/>") +
         AtmSet("expect_cells", "<fixed_payload size=\"100\" iterations=\"1\" tx_port=\"0,3\"/>", kCapture) +
         "</streams><rx_ports eventlog_dir=\"./\">"
         "<port device=\"0\" port=\"0\"><assign_stream_set id=\"same_number\"/><assign_stream_set id=\"sizes\"/>"
         "<assign_stream_set id=\"short\"/></port>"
         "<port device=\"0\" port=\"2\"><assign_stream_set id=\"cells\"/></port></rx_ports>"
         "<tx_ports eventlog_dir=\"./\"><port device=\"0\" port=\"0\"><assign_stream_set id=\"expect\"/></port>"
         "<port device=\"0\" port=\"3\"><assign_stream_set id=\"expect_cells\"/></port></tx_ports></corvel>";
}

struct LoopbackCase {
  uint32_t latency;
  std::vector<std::string> port0;  // latency lines of TxEventsDev0Port0.txt
  std::vector<std::string> port3;
};

class Loopback : public ::testing::TestWithParam<LoopbackCase> {};

TEST_P(Loopback, EveryStreamTakesTheHostLatency) {
  const LoopbackCase& c = GetParam();
  const fs::path dir = ScenarioDir("latency_" + std::to_string(c.latency));
  const std::string console =
      RunPorts(dir, LoopbackTcs(),
          "rx_port 0 0 100 8 100\ntx_port 0 0 100 8 100\nrx_port 0 2 100 8 100\ntx_port 0 3 100 8 100\n"
          "forward 0 2 0 3\nlatency " + std::to_string(c.latency) + "\n");

  // pyxsim's own records: every frame's last byte reaches its transmit port
  // `latency` cycles after it left its receive port.
  for (const auto& [rx, tx] : {std::pair{"rx0p0.pcap", "tx0p0.pcap"}, std::pair{"rx0p2.pcap", "tx0p3.pcap"}}) {
    const std::vector<CapturedFrame> sent = ReadFrames(dir / rx);
    const std::vector<CapturedFrame> captured = ReadFrames(dir / tx);
    ASSERT_EQ(sent.size(), captured.size()) << rx;
    for (size_t i = 0; i < sent.size(); ++i) EXPECT_EQ(captured[i].endCycle - sent[i].endCycle, c.latency) << i;
  }

  const std::string port0 = ReadText(dir / "TxEventsDev0Port0.txt");
  const std::string port3 = ReadText(dir / "TxEventsDev0Port3.txt");
  EXPECT_EQ(LatencyLines(port0), c.port0) << port0;
  EXPECT_EQ(LatencyLines(port3), c.port3) << port3;
  // The fixed lines come first, unchanged; the latency lines end the file.
  for (const std::string* log : {&port0, &port3}) {
    const std::vector<std::string> summary = SummaryLines(*log);
    ASSERT_EQ(summary.size(), 11 + (log == &port0 ? c.port0.size() : c.port3.size()));
    EXPECT_EQ(summary[10], "  total Frames/Cells warnings  0");
  }
  EXPECT_EQ(TextCounters(port0)["pdu_passed"], 6 + 6 + 2);  // the short PDUs pass, unmeasured

  // Receive 0/0 and transmit 0/0 share their file; 0/2 and 0/3 have one each.
  const json shared = ReadJson(dir / "SummaryDev0Port0.json");
  EXPECT_EQ(shared["device"], 0);
  EXPECT_EQ(shared["port"], 0);
  EXPECT_EQ(shared["transmit"]["bus_frequency_mhz"], 100);
  ExpectJsonMatchesText(shared["receive"], ReadText(dir / "RxEventsDev0Port0.txt"));
  ExpectJsonMatchesText(shared["transmit"], port0);
  const json receive2 = ReadJson(dir / "SummaryDev0Port2.json");
  EXPECT_FALSE(receive2.contains("transmit"));
  ExpectJsonMatchesText(receive2["receive"], ReadText(dir / "RxEventsDev0Port2.txt"));
  const json transmit3 = ReadJson(dir / "SummaryDev0Port3.json");
  EXPECT_FALSE(transmit3.contains("receive"));
  ExpectJsonMatchesText(transmit3["transmit"], port3);
  EXPECT_EQ(transmit3["transmit"]["latency"][0]["mean_cycles"], static_cast<double>(c.latency));
}

// Latency 50 moves every figure of latency 20 by 30 cycles (300 ns).
INSTANTIATE_TEST_SUITE_P(
    Latency, Loopback,
    ::testing::Values(
        LoopbackCase{20,
                     {"  latency RxDevice 0 RxPort 0 Stream 0 PDUs 6 cycles min 20 mean 20.000 max 20 jitter 0.000 "
                      "ns min 200.000 mean 200.000 max 200.000 jitter 0.000",
                      "  latency RxDevice 0 RxPort 0 Stream 1 PDUs 6 cycles min 20 mean 20.000 max 20 jitter 0.000 "
                      "ns min 200.000 mean 200.000 max 200.000 jitter 0.000"},
                     {"  latency RxDevice 0 RxPort 2 Stream 0 PDUs 3 cycles min 20 mean 20.000 max 20 jitter 0.000 "
                      "ns min 200.000 mean 200.000 max 200.000 jitter 0.000"}},
        LoopbackCase{50,
                     {"  latency RxDevice 0 RxPort 0 Stream 0 PDUs 6 cycles min 50 mean 50.000 max 50 jitter 0.000 "
                      "ns min 500.000 mean 500.000 max 500.000 jitter 0.000",
                      "  latency RxDevice 0 RxPort 0 Stream 1 PDUs 6 cycles min 50 mean 50.000 max 50 jitter 0.000 "
                      "ns min 500.000 mean 500.000 max 500.000 jitter 0.000"},
                     {"  latency RxDevice 0 RxPort 2 Stream 0 PDUs 3 cycles min 50 mean 50.000 max 50 jitter 0.000 "
                      "ns min 500.000 mean 500.000 max 500.000 jitter 0.000"}}),
    [](const ::testing::TestParamInfo<LoopbackCase>& info) { return "Latency" + std::to_string(info.param.latency); });

// Receive ports 0/0 and 0/1 both send to transmit port 0/2, which can send
// only one of their frames at a time: frames wait, each stream's latency
// varies, and its jitter is not zero. The figures are worked out again from
// pyxsim's pcap records: frames of one stream keep their order, so the n-th
// frame a stream sent is the n-th it delivered to the transmit port.
TEST(SharedTransmitPort, QueueingGivesJitter) {
  const fs::path dir = ScenarioDir("shared");
  // The JSON summary of receive port 0/1 cannot be written: nothing else suffers.
  fs::create_directories(dir / "SummaryDev0Port1.json");
  std::string tcs = "<corvel><streams>" +
                    EthernetSet("fixed", 1, "<fixed_payload size=\"60,200,700\" iterations=\"3\" tx_port=\"0,2\"/>") +
                    EthernetSet("growing", 2,
                                "<increment_payload start_size=\"40\" end_size=\"400\" incr=\"90\" iterations=\"2\" "
                                "tx_port=\"0,2\"/>") +
                    EthernetSet("expect", 1, "<fixed_payload size=\"64\" iterations=\"1\" tx_port=\"0,2\"/>", kCapture) +
                    "</streams><rx_ports eventlog_dir=\"./\">";
  for (int port : {0, 1})
    tcs += "<port device=\"0\" port=\"" + std::to_string(port) +
           "\"><assign_stream_set id=\"fixed\"/><assign_stream_set id=\"growing\"/></port>";
  tcs += "</rx_ports><tx_ports eventlog_dir=\"./\"><port device=\"0\" port=\"2\"><assign_stream_set id=\"expect\"/>"
         "</port></tx_ports></corvel>";
  const std::string console = RunPorts(dir, tcs,
                                  "rx_port 0 0 100 8 100\nrx_port 0 1 100 8 100\ntx_port 0 2 100 8 100\n"
                                  "forward 0 0 0 2\nforward 0 1 0 2\nlatency 20\n");

  // Tag bytes 1 (receive device and port) and 2 (stream) after Ethernet, IPv4 and UDP.
  constexpr size_t kTag = 14 + 20 + 8;
  auto streamOf = [&](const CapturedFrame& frame) { return frame.hex.substr(2 * (kTag + 1), 4); };
  std::map<std::string, std::vector<uint64_t>> sent;
  for (const char* rx : {"rx0p0.pcap", "rx0p1.pcap"})
    for (const CapturedFrame& frame : ReadFrames(dir / rx)) sent[streamOf(frame)].push_back(frame.endCycle);
  std::map<std::string, std::vector<uint64_t>> latencies;
  for (const CapturedFrame& frame : ReadFrames(dir / "tx0p2.pcap")) {
    std::vector<uint64_t>& ends = sent[streamOf(frame)];
    const size_t n = latencies[streamOf(frame)].size();
    ASSERT_LT(n, ends.size());
    latencies[streamOf(frame)].push_back(frame.endCycle - ends[n]);
  }
  ASSERT_EQ(latencies.size(), 4u);  // "0000" "0001" "0100" "0101": port 0 and 1, streams 0 and 1

  const json summary = ReadJson(dir / "SummaryDev0Port2.json")["transmit"];
  const std::string log = ReadText(dir / "TxEventsDev0Port2.txt");
  ExpectJsonMatchesText(summary, log);
  ASSERT_EQ(summary["latency"].size(), 4u);
  size_t row = 0;
  for (const auto& [stream, values] : latencies) {
    uint64_t min = values[0], max = values[0], sum = 0;
    double jitter = 0;
    for (size_t i = 0; i < values.size(); ++i) {
      min = std::min(min, values[i]);
      max = std::max(max, values[i]);
      sum += values[i];
      if (i > 0) jitter += (std::fabs(double(values[i]) - double(values[i - 1])) - jitter) / 16;
    }
    const json& figures = summary["latency"][row++];
    EXPECT_EQ(figures["rx_port"], std::stoi(stream.substr(0, 2), nullptr, 16)) << stream;
    EXPECT_EQ(figures["stream"], std::stoi(stream.substr(2, 2), nullptr, 16)) << stream;
    EXPECT_EQ(figures["pdus"], values.size()) << stream;
    EXPECT_EQ(figures["min_cycles"], min) << stream;
    EXPECT_EQ(figures["max_cycles"], max) << stream;
    EXPECT_DOUBLE_EQ(figures["mean_cycles"].get<double>(), double(sum) / values.size()) << stream;
    EXPECT_NEAR(figures["jitter_cycles"].get<double>(), jitter, 1e-9) << stream;
    EXPECT_DOUBLE_EQ(figures["jitter_ns"].get<double>(), figures["jitter_cycles"].get<double>() * 10) << stream;
    EXPECT_GT(jitter, 1.0) << stream;
    EXPECT_GT(max, min) << stream;
  }

  // The unwritable summary left the run and the text log whole.
  EXPECT_TRUE(fs::is_directory(dir / "SummaryDev0Port1.json"));
  EXPECT_FALSE(fs::exists(dir / "SummaryDev0Port1.json.part"));
  EXPECT_EQ(TextCounters(ReadText(dir / "RxEventsDev0Port1.txt"))["pdus_processed"], 9 + 10) << console;
  EXPECT_EQ(ReadJson(dir / "SummaryDev0Port0.json")["receive"]["pdus_processed"], 9 + 10);
}

}  // namespace
}  // namespace corvel::test
