// Latency and jitter per stream, and the JSON port summaries.
//
// pyxsim's `latency L`: a byte a receive port delivers at cycle c is queued
// for its transmit port, ready at c + L, and handed over in the first cycle
// >= c + L in which the port is free (receive runs before transmit within a
// cycle). With one receive port per transmit port the port is always free
// when a byte is due (one byte comes and one leaves per cycle), so the last
// byte of every PDU reaches the capture exactly L cycles after it left: the
// expected latency is L, no constant added. The loop-back test checks this
// on pyxsim's pcap records as well.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>
#include <numeric>
#include <regex>

#include "../generation/run_scenario.h"
#include "corvel/stats/latency.h"

namespace corvel::test {
namespace {

using nlohmann::json;

struct JitterCase {
  std::vector<uint32_t> latencies;
  uint32_t min, max;
  double mean, jitter;
};

// RFC 3550 6.4.1 by hand. 20, 24, 22, 22: D = 4 gives 4/16 = 0.25, D = -2
// gives 0.25 + 1.75/16 = 0.359375, D = 0 gives 0.359375 * 15/16. A swing of
// 3999999990 needs more than 32 bits signed.
TEST(Latency, JitterFollowsRfc3550) {
  for (const JitterCase& c : {JitterCase{{20, 20, 20}, 20, 20, 20.0, 0.0},
                              JitterCase{{20, 24, 22, 22}, 20, 24, 22.0, 0.3369140625},
                              JitterCase{{4000000000u, 10}, 10, 4000000000u, 2000000005.0, 249999999.375}}) {
    StreamLatency latency;
    for (uint32_t value : c.latencies) latency.add(value);
    EXPECT_EQ(latency.count(), c.latencies.size());
    EXPECT_EQ(latency.minimum(), c.min);
    EXPECT_EQ(latency.maximum(), c.max);
    EXPECT_DOUBLE_EQ(latency.mean(), c.mean);
    EXPECT_DOUBLE_EQ(latency.jitter(), c.jitter);
  }
}

// One stream's sends (PDU number, end cycle) and captures (PDU number,
// capture cycle, the latency expected, 0 for none), in order.
TEST(Latency, CapturesMatchTheOldestSendWithTheirNumber) {
  struct Step { bool send; uint8_t pdu; uint32_t cycle, latency = 0; };
  const std::vector<Step> steps = {
      // A one-size payload tags every PDU 1: several in flight, taken in order.
      {true, 1, 100}, {true, 1, 200}, {false, 1, 150, 50}, {false, 1, 260, 60}, {false, 1, 300},
      // PDU 2 never arrives: PDU 3 passes it, and it is forgotten.
      {true, 2, 400}, {true, 3, 500}, {false, 3, 530, 30}, {false, 2, 540},
      // Sent only after the capture (left from an earlier run): not measured, the send stays.
      {true, 7, 700}, {false, 7, 600}, {false, 7, 720, 20},
      // The 32-bit cycle counter wraps.
      {true, 5, 0xfffffff0u}, {false, 5, 0x10, 0x20}};
  PduSendLog log;
  for (size_t i = 0; i < steps.size(); ++i) {
    const Step& s = steps[i];
    if (s.send) log.record(s.pdu, s.cycle);
    else EXPECT_EQ(log.take(s.pdu, s.cycle).value_or(0), s.latency) << "step " << i;
  }
  for (uint32_t i = 0; i <= PduSendLog::kCapacity; ++i) log.record(static_cast<uint8_t>(i), i);
  EXPECT_EQ(log.take(0, 1000).value_or(0), 744u);  // the PDU 0 sent at cycle 0 is forgotten
}

std::string EthernetSet(const std::string& id, int udpPort, const std::string& payload, const char* type = "") {
  return "<stream_set id=\"" + id + "\"" + type + "><protocols>"
         "<ethernet dest_addr=\"0x00a0c9000002\" src_addr=\"0x00a0c9000001\" protocol_type=\"0x0800\"/>"
         "<ipv4 hlen=\"5\" ttl=\"64\" protocol=\"17\" src_addr=\"10.0.0.1\" dest_addr=\"10.0.0.2\"/>"
         "<udp src_port=\"1000\" dest_port=\"" + std::to_string(udpPort) + "\"/>" + payload + "</protocols></stream_set>";
}

std::string AtmSet(const std::string& id, const std::string& payload, const char* type = "") {
  return "<stream_set id=\"" + id + "\"" + type + "><protocols><atm vpi=\"1\" vci=\"0x20\"/>"
         "<aal5 llc=\"0xaaaa03\" oui=\"0x000000\" et=\"0x0800\"/>"
         "<ipv4 hlen=\"5\" ttl=\"64\" protocol=\"17\" src_addr=\"10.0.0.1\" dest_addr=\"10.0.0.2\"/>"
         "<udp src_port=\"1000\" dest_port=\"2000\"/>" + payload + "</protocols></stream_set>";
}

std::string Payload(const char* sizes, int iterations, int txPort) {
  return "<fixed_payload size=\"" + std::string(sizes) + "\" iterations=\"" + std::to_string(iterations) +
         "\" tx_port=\"0," + std::to_string(txPort) + "\"/>";
}

constexpr const char* kCapture = " type=\"capture\"";

std::vector<std::string> SummaryLines(const std::string& log) {
  const size_t at = std::min(log.find("Capture stopped:"), log.find("Generation stopped:"));
  return at == std::string::npos ? std::vector<std::string>{} : TextLines(log.substr(at));
}

// The JSON section holds every counter of the text summary under its name
// ("total PDU routes not tested" is pdu_routes_not_tested), and one latency
// row per latency line, which the row's figures print back to.
void ExpectJsonMatchesText(const json& section, const std::string& log) {
  size_t counters = 0, rows = 0, streams = 0;
  for (const std::string& line : SummaryLines(log)) {
    std::smatch m;
    if (std::regex_match(line, m, std::regex("  total ?(.*[^ ]) +([0-9]+)"))) {
      const std::string key = std::regex_replace(m[1].str(), std::regex("[ /]+"), "_");
      std::string lower(key.size(), ' ');
      std::transform(key.begin(), key.end(), lower.begin(), ::tolower);
      EXPECT_EQ(section.value(lower, -1LL), std::stoll(m[2])) << line;
      ++counters;
    } else if (line.starts_with("  latency ")) {
      const json& r = section["latency"].at(rows++);
      char text[400];
      std::snprintf(text, sizeof text,
                    "  latency RxDevice %d RxPort %d Stream %d PDUs %d cycles min %d mean %.3f max %d jitter %.3f "
                    "ns min %.3f mean %.3f max %.3f jitter %.3f",
                    r["rx_device"].get<int>(), r["rx_port"].get<int>(), r["stream"].get<int>(), r["pdus"].get<int>(),
                    r["min_cycles"].get<int>(), r["mean_cycles"].get<double>(), r["max_cycles"].get<int>(),
                    r["jitter_cycles"].get<double>(), r["min_ns"].get<double>(), r["mean_ns"].get<double>(),
                    r["max_ns"].get<double>(), r["jitter_ns"].get<double>());
      EXPECT_EQ(line, text);
    } else if (line.starts_with("  stream ")) {
      const json& r = section["streams"].at(streams++);
      char text[400];
      std::snprintf(
          text, sizeof text,
          "  stream RxDevice %d RxPort %d Stream %d sent %d received %d lost %d duplicated %d out_of_order %d",
          r["rx_device"].get<int>(), r["rx_port"].get<int>(), r["stream"].get<int>(), r["sent"].get<int>(),
          r["received"].get<int>(), r["lost"].get<int>(), r["duplicated"].get<int>(), r["out_of_order"].get<int>());
      EXPECT_EQ(line, text);
    }
  }
  EXPECT_EQ(streams, section.value("streams", json::array()).size());
  EXPECT_EQ(
      counters + section.contains("latency") + section.contains("bus_frequency_mhz") + section.contains("streams"),
      section.size());
  EXPECT_EQ(rows, section.value("latency", json::array()).size());
}

json ReadJson(const fs::path& path) {
  std::ifstream in(path);
  return json::parse(in);  // throws, failing the test, when the file is not JSON
}

// Every port at 100 MHz: pcap stamps and nanoseconds are cycles * 10.
// Receive port 0/0 sends to transmit port 0/1: two Ethernet streams and one
// whose 3-byte payload has no room for the PDU number. Receive port 0/2
// sends AAL5 PDUs in ATM cells to transmit port 0/0.
class Loopback : public ::testing::TestWithParam<uint32_t> {};

TEST_P(Loopback, EveryStreamTakesTheHostLatency) {
  const uint32_t latency = GetParam();
  const fs::path dir = ScenarioDir("latency_" + std::to_string(latency));
  RunPyxsim(dir,
            "<corvel><streams>" + EthernetSet("one_size", 1, Payload("64", 6, 1)) +
               EthernetSet("sizes", 2, Payload("18,300,1000", 2, 1)) + EthernetSet("short", 3, Payload("3", 2, 1)) +
               EthernetSet("expect", 1, Payload("64", 1, 1), kCapture) + AtmSet("cells", Payload("100,200,300", 1, 0)) +
               AtmSet("expect_cells", Payload("100", 1, 0), kCapture) +
               "</streams><rx_ports eventlog_dir=\"./\"><port device=\"0\" port=\"0\"><assign_stream_set id=\"one_size\"/>"
               "<assign_stream_set id=\"sizes\"/><assign_stream_set id=\"short\"/></port><port device=\"0\" port=\"2\">"
               "<assign_stream_set id=\"cells\"/></port></rx_ports><tx_ports eventlog_dir=\"./\"><port device=\"0\" "
               "port=\"1\"><assign_stream_set id=\"expect\"/></port><port device=\"0\" port=\"0\"><assign_stream_set "
               "id=\"expect_cells\"/></port></tx_ports></corvel>",
            8, "rx_port 0 2 100 8 100\ntx_port 0 0 100 8 100\nforward 0 2 0 0\nlatency " + std::to_string(latency) + "\n");
  for (const auto& [rx, tx] : {std::pair{"rx0p0.pcap", "tx0p1.pcap"}, std::pair{"rx0p2.pcap", "tx0p0.pcap"}}) {
    const std::vector<CapturedFrame> sent = ReadFrames(dir / rx), captured = ReadFrames(dir / tx);
    ASSERT_EQ(sent.size(), captured.size()) << rx;
    for (size_t i = 0; i < sent.size(); ++i) EXPECT_EQ(captured[i].endCycle - sent[i].endCycle, latency) << i;
  }
  auto line = [&](int rxPort, int stream, int pdus) {
    const std::string l = std::to_string(latency), ns = std::to_string(latency * 10) + ".000";
    return "  latency RxDevice 0 RxPort " + std::to_string(rxPort) + " Stream " + std::to_string(stream) + " PDUs " +
           std::to_string(pdus) + " cycles min " + l + " mean " + l + ".000 max " + l + " jitter 0.000 ns min " + ns +
           " mean " + ns + " max " + ns + " jitter 0.000";
  };
  auto accounting = [](int rxPort, int stream, int pdus) {
    return "  stream RxDevice 0 RxPort " + std::to_string(rxPort) + " Stream " + std::to_string(stream) + " sent " +
           std::to_string(pdus) + " received " + std::to_string(pdus) + " lost 0 duplicated 0 out_of_order 0";
  };
  auto percentiles = [&](int rxPort, int stream, int pdus) {
    const std::string l = std::to_string(latency), ns = std::to_string(latency * 10) + ".000";
    return "  percentiles RxDevice 0 RxPort " + std::to_string(rxPort) + " Stream " + std::to_string(stream) +
           " PDUs " + std::to_string(pdus) + " cycles p50 " + l + " p90 " + l + " p99 " + l + " p99.9 " + l + " max " +
           l + " ns p50 " + ns + " p90 " + ns + " p99 " + ns + " p99.9 " + ns + " max " + ns;
  };
  // The fixed lines stay as they were; the latency lines follow, then per
  // stream its accounting and its percentiles (the 3-byte stream carries no
  // PDU number and is in neither).
  const std::string port1 = ReadText(dir / "TxEventsDev0Port1.txt"), port0 = ReadText(dir / "TxEventsDev0Port0.txt");
  EXPECT_EQ(port1.substr(port1.find("  total PDU passed")),
            "  total PDU passed             14\n  total PDU failed             0\n  total PDU warnings           0\n"
            "  total PDU routes passed      14\n  total PDU routes failed      0\n  total PDU routes not tested  0\n"
            "  total Frames/Cells processed 14\n  total Frames/Cells dropped   0\n  total Frames/Cells discarded 0\n"
            "  total Frames/Cells warnings  0\n" +
                line(0, 0, 6) + "\n" + line(0, 1, 6) + "\n" + accounting(0, 0, 6) + "\n" + accounting(0, 1, 6) + "\n" +
                percentiles(0, 0, 6) + "\n" + percentiles(0, 1, 6) + "\n");
  const std::vector<std::string> tail = SummaryLines(port0);
  ASSERT_GE(tail.size(), 3u);
  EXPECT_EQ(tail[tail.size() - 3], line(2, 0, 3));
  EXPECT_EQ(tail[tail.size() - 2], accounting(2, 0, 3));
  EXPECT_EQ(tail.back(), percentiles(2, 0, 3));

  // Receive 0/0 and transmit 0/0 share a file; 0/1 and 0/2 have one each.
  const json shared = ReadJson(dir / "SummaryDev0Port0.json");
  EXPECT_EQ(shared["device"], 0);
  EXPECT_EQ(shared["port"], 0);
  EXPECT_EQ(shared["transmit"]["bus_frequency_mhz"], 100);
  ExpectJsonMatchesText(shared["receive"], ReadText(dir / "RxEventsDev0Port0.txt"));
  ExpectJsonMatchesText(shared["transmit"], port0);
  ExpectJsonMatchesText(ReadJson(dir / "SummaryDev0Port1.json")["transmit"], port1);
  ExpectJsonMatchesText(ReadJson(dir / "SummaryDev0Port2.json")["receive"], ReadText(dir / "RxEventsDev0Port2.txt"));
  EXPECT_FALSE(ReadJson(dir / "SummaryDev0Port1.json").contains("receive"));
}

// 50 moves every figure of 20 by exactly 30 cycles (300 ns).
INSTANTIATE_TEST_SUITE_P(Latency, Loopback, ::testing::Values(20u, 50u),
                         [](const auto& info) { return "Latency" + std::to_string(info.param); });

// Receive ports 0/0 and 0/2 send to transmit port 0/1, which sends one frame
// at a time: frames wait, latencies vary, jitter grows. The figures are
// worked out again from the pcap records; a stream's frames keep their
// order, so its n-th frame sent is its n-th frame delivered.
TEST(Latency, SharedTransmitPortGivesJitter) {
  const fs::path dir = ScenarioDir("shared");
  fs::create_directories(dir / "SummaryDev0Port2.json");  // cannot be written: nothing else suffers
  std::string tcs = "<corvel><streams>" + EthernetSet("fixed", 1, Payload("60,200,700", 3, 1)) +
                    EthernetSet("growing", 2, "<increment_payload start_size=\"40\" end_size=\"400\" incr=\"90\" "
                                              "iterations=\"2\" tx_port=\"0,1\"/>") +
                    EthernetSet("expect", 1, Payload("64", 1, 1), kCapture) + "</streams><rx_ports eventlog_dir=\"./\">";
  for (const char* port : {"0", "2"})
    tcs += "<port device=\"0\" port=\"" + std::string(port) +
           "\"><assign_stream_set id=\"fixed\"/><assign_stream_set id=\"growing\"/></port>";
  RunPyxsim(dir, tcs + "</rx_ports><tx_ports eventlog_dir=\"./\"><port device=\"0\" port=\"1\"><assign_stream_set "
                       "id=\"expect\"/></port></tx_ports></corvel>",
            8, "rx_port 0 2 100 8 100\nforward 0 2 0 1\nlatency 20\n");

  // Tag bytes 1 and 2 (receive port, stream) follow Ethernet, IPv4 and UDP.
  auto streamOf = [](const CapturedFrame& frame) { return frame.hex.substr(2 * (14 + 20 + 8 + 1), 4); };
  std::map<std::string, std::vector<uint64_t>> sent, latencies;
  for (const char* rx : {"rx0p0.pcap", "rx0p2.pcap"})
    for (const CapturedFrame& frame : ReadFrames(dir / rx)) sent[streamOf(frame)].push_back(frame.endCycle);
  for (const CapturedFrame& frame : ReadFrames(dir / "tx0p1.pcap")) {
    std::vector<uint64_t>& values = latencies[streamOf(frame)];
    values.push_back(frame.endCycle - sent[streamOf(frame)].at(values.size()));
  }
  const json summary = ReadJson(dir / "SummaryDev0Port1.json")["transmit"];
  ExpectJsonMatchesText(summary, ReadText(dir / "TxEventsDev0Port1.txt"));
  ASSERT_EQ(summary["latency"].size(), 4u);  // ports 0 and 2, streams 0 and 1, in that order
  auto row = summary["latency"].begin();
  for (const auto& [stream, values] : latencies) {
    double jitter = 0;
    for (size_t i = 1; i < values.size(); ++i)
      jitter += (std::fabs(double(values[i]) - double(values[i - 1])) - jitter) / 16;
    const json& r = *row++;
    EXPECT_EQ(stream, (r["rx_port"] == 0 ? "00" : "02") + std::string(r["stream"] == 0 ? "00" : "01"));
    EXPECT_EQ(r["pdus"], values.size()) << stream;
    EXPECT_EQ(r["min_cycles"], *std::min_element(values.begin(), values.end())) << stream;
    EXPECT_EQ(r["max_cycles"], *std::max_element(values.begin(), values.end())) << stream;
    EXPECT_DOUBLE_EQ(r["mean_cycles"].get<double>(),
                     std::accumulate(values.begin(), values.end(), 0.0) / double(values.size())) << stream;
    EXPECT_NEAR(r["jitter_cycles"].get<double>(), jitter, 1e-9) << stream;
    EXPECT_GT(jitter, 1.0) << stream;
  }
  EXPECT_TRUE(fs::is_directory(dir / "SummaryDev0Port2.json"));
  EXPECT_EQ(ReadJson(dir / "SummaryDev0Port0.json")["receive"]["pdus_processed"], 9 + 10);
  EXPECT_NE(ReadText(dir / "RxEventsDev0Port2.txt").find("  totalPDUs   processed 19\n"), std::string::npos);
}

}  // namespace
}  // namespace corvel::test
