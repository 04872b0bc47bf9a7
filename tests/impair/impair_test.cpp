// pyxsim's impairments against the verifier: what pyxsim says it did to the
// frames of each receive port (its summary JSON, `impaired`) is the record
// the transmit port's per-stream accounting must agree with, and the delays
// it added, read back from its own pcap files, are what the latency
// percentiles must match.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>

#include "../generation/run_scenario.h"

namespace corvel::test {
namespace {

using nlohmann::json;

constexpr int kStreams = 3;  // one per receive port 0/0, 0/1, 0/2, all to transmit port 0/3
constexpr int kPdus = 1000;  // per stream

json ReadJson(const fs::path& path) {
  std::ifstream in(path);
  return json::parse(in);  // throws, failing the test, when the file is not JSON
}

std::string Ethernet(int udpPort, const std::string& validate) {
  return "<ethernet" + validate +
         " dest_addr=\"0x00a0c9000002\" src_addr=\"0x00a0c9000001\" protocol_type=\"0x0800\"/>"
         "<ipv4 hlen=\"5\" ttl=\"64\" protocol=\"17\" src_addr=\"10.0.0.1\" dest_addr=\"10.0.0.2\"/>"
         "<udp src_port=\"1000\" dest_port=\"" +
         std::to_string(udpPort) + "\"/>";
}

// Three receive ports, each sending one stream of kPdus 64-byte payloads
// every 400 cycles to transmit port 0/3, which verifies them with the FCS
// check on (validate_level 1 on Ethernet).
std::string ThreeStreams(bool sequenced) {
  const std::string sequence = sequenced ? " sequence=\"1\"" : "";
  std::string tcs = "<corvel random_number_seed=\"5\"><streams>";
  for (int k = 0; k < kStreams; ++k) {
    tcs += "<stream_set id=\"s" + std::to_string(k) + "\"><protocols>" + Ethernet(2000 + k, "") +
           "<fixed_payload size=\"64\" iterations=\"" + std::to_string(kPdus) + "\" tx_port=\"0,3\"" + sequence +
           "/></protocols></stream_set>";
  }
  tcs += "<stream_set id=\"expect\" type=\"capture\"><protocols>" + Ethernet(2000, " validate_level=\"1\"") +
         "<fixed_payload size=\"64\" iterations=\"1\"" + sequence + "/></protocols></stream_set></streams><rx_ports>";
  for (int k = 0; k < kStreams; ++k) {
    tcs += "<port device=\"0\" port=\"" + std::to_string(k) +
           "\"><interpacket_timedistribution min_time=\"400\" max_time=\"400\"/><assign_stream_set id=\"s" +
           std::to_string(k) + "\"/></port>";
  }
  return tcs +
         "</rx_ports><tx_ports eventlog_dir=\"./\"><port device=\"0\" port=\"3\"><assign_stream_set "
         "id=\"expect\"/></port></tx_ports></corvel>";
}

struct ImpairedRun {
  int status = -1;
  json summary;    // pyxsim's
  json transmit;   // the plug-in's summary of transmit port 0/3
  std::string log; // TxEventsDev0Port3.txt
};

// Impairs every receive port k with `settings` and seed `seed` + k.
ImpairedRun RunImpaired(const std::string& name, bool sequenced, const std::string& settings, int seed = 7) {
  const fs::path dir = ScenarioDir("impair_" + name);
  std::ofstream(dir / "scenario.tcs") << ThreeStreams(sequenced);
  std::ofstream script(dir / "run.pyx");
  for (int k = 0; k < kStreams; ++k) script << "rx_port 0 " << k << " 100 8 100\n";
  script << "tx_port 0 3 100 8 100\nlatency 20\n";
  for (int k = 0; k < kStreams; ++k) {
    script << "forward 0 " << k << " 0 3\n";
    if (!settings.empty()) script << "impair 0 " << k << " " << settings << " seed " << seed + k << "\n";
  }
  script << "corvel_load_tcs scenario.tcs\ncorvel_start\nrun\nclose\n";
  script.close();
  const std::string command = "cd '" + dir.string() + "' && '" CORVEL_BIN_DIR "/pyxsim' -p '" CORVEL_BIN_DIR
                              "/libcorvel_lite.so' --summary-json summary.json run.pyx >console.txt 2>&1";
  ImpairedRun run;
  const int raw = std::system(command.c_str());
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.summary = ReadJson(dir / "summary.json");
  run.transmit = ReadJson(dir / "SummaryDev0Port3.json")["transmit"];
  run.log = ReadText(dir / "TxEventsDev0Port3.txt");
  return run;
}

const json& ImpairedOf(const json& summary, int rxPort) {
  for (const json& port : summary["ports"])
    if (port["direction"] == "rx" && port["port"] == rxPort) return port["impaired"];
  ADD_FAILURE() << "no rx port 0/" << rxPort << " in pyxsim's summary";
  return summary["impaired"];
}

const json& StreamOf(const json& transmit, int rxPort) {
  for (const json& row : transmit["streams"])
    if (row["rx_port"] == rxPort) return row;
  ADD_FAILURE() << "no stream of rx port 0/" << rxPort << " at tx port 0/3";
  return transmit;
}

// PDUs that failed or passed with a bad FCS, from the event log.
int64_t FailedOrFcsWarned(const std::string& log) {
  int64_t count = 0;
  for (const std::string& line : TextLines(log)) {
    const bool failed = line.find("[e] Pdu") != std::string::npos;
    const bool fcs = line.find("[s] Pdu") != std::string::npos &&
                     line.find("CRC does not compute to stored CRC") != std::string::npos;
    count += failed || fcs ? 1 : 0;
  }
  return count;
}

struct ImpairCase {
  const char* name;
  const char* settings;
  bool sequenced;
};

class Impairments : public ::testing::TestWithParam<ImpairCase> {};

// Every stream's lost, duplicated and out-of-order PDUs are those pyxsim
// dropped, copied and sent late from its receive port; the kinds the case
// does not ask for stay 0, and every kind it asks for happened.
TEST_P(Impairments, StreamCountsEqualPyxsimsOwn) {
  const ImpairCase& c = GetParam();
  const ImpairedRun run = RunImpaired(c.name, c.sequenced, c.settings);
  const std::string settings = c.settings;
  int64_t lost = 0;
  for (int k = 0; k < kStreams; ++k) {
    SCOPED_TRACE("rx port 0/" + std::to_string(k));
    const json& done = ImpairedOf(run.summary, k);
    const json& row = StreamOf(run.transmit, k);
    EXPECT_EQ(row["stream"], 0);
    EXPECT_EQ(row["sent"], kPdus);
    EXPECT_EQ(row["lost"], done["lost"]);
    EXPECT_EQ(row["duplicated"], done["duplicated"]);
    EXPECT_EQ(row["out_of_order"], done["reordered"]);
    EXPECT_EQ(row["received"].get<int64_t>(),
              kPdus - done["lost"].get<int64_t>() + done["duplicated"].get<int64_t>());
    for (const char* kind : {"lost", "duplicated", "reordered"}) {
      const char* word = kind == std::string("lost") ? "loss" : kind == std::string("duplicated") ? "duplicate" : "reorder";
      if (settings.find(word) == std::string::npos) EXPECT_EQ(done[kind], 0) << kind;
      else EXPECT_GT(done[kind], 0) << kind;
    }
    EXPECT_EQ(done["corrupted"], 0);
    lost += done["lost"].get<int64_t>();
  }
  EXPECT_EQ(run.transmit["pdu_failed"], 0);
  EXPECT_EQ(run.transmit["pdu_warnings"], 0);
  // Lost PDUs fail the run, and only they do here.
  EXPECT_EQ(run.status, lost > 0 ? 3 : 0);
  EXPECT_EQ(run.summary["verdict"], lost > 0 ? "fail" : "pass");
  if (lost > 0) {
    ASSERT_EQ(run.summary["reasons"].size(), 1u);
    EXPECT_EQ(run.summary["reasons"][0]["code"], "pdu_lost");
    EXPECT_EQ(run.summary["reasons"][0]["port"], "tx 0/3");
    EXPECT_EQ(run.summary["reasons"][0]["text"], std::to_string(lost) + " PDUs lost");
  }
}

INSTANTIATE_TEST_SUITE_P(Pyxsim, Impairments,
                         ::testing::Values(ImpairCase{"none", "", false}, ImpairCase{"loss", "loss 0.05", false},
                                           ImpairCase{"none_sequenced", "", true},
                                           ImpairCase{"duplicate", "duplicate 0.05", true},
                                           ImpairCase{"reorder", "reorder 0.05", true},
                                           ImpairCase{"all_but_corrupt", "loss 0.05 duplicate 0.03 reorder 0.04", true}),
                         [](const ::testing::TestParamInfo<ImpairCase>& info) { return std::string(info.param.name); });

// A flipped bit anywhere in a frame (the FCS included) fails the PDU or
// leaves the FCS warning: exactly as many such PDUs as pyxsim corrupted.
TEST(Impairments, EveryCorruptedFrameFailsOrBreaksItsFcs) {
  const ImpairedRun run = RunImpaired("corrupt", true, "corrupt 0.05");
  int64_t corrupted = 0;
  for (int k = 0; k < kStreams; ++k) corrupted += ImpairedOf(run.summary, k)["corrupted"].get<int64_t>();
  EXPECT_GT(corrupted, 0);
  EXPECT_EQ(run.summary["impaired"]["corrupted"], corrupted);
  EXPECT_EQ(FailedOrFcsWarned(run.log), corrupted);
}

// The same seeds give the same run, to the byte of the event log; other
// seeds other choices.
TEST(Impairments, SameSeedSameRun) {
  const char* settings = "loss 0.05 duplicate 0.05 reorder 0.05 corrupt 0.02";
  const ImpairedRun first = RunImpaired("repeat_first", true, settings);
  const ImpairedRun again = RunImpaired("repeat_again", true, settings);
  EXPECT_EQ(first.summary["impaired"], again.summary["impaired"]);
  EXPECT_EQ(first.log, again.log);
  const ImpairedRun other = RunImpaired("repeat_other", true, settings, 1000);
  EXPECT_NE(first.summary["impaired"], other.summary["impaired"]);
}

// Nearest rank: the smallest value at least `fraction` of the values do not exceed.
uint64_t Quantile(std::vector<uint64_t> values, double fraction) {
  std::sort(values.begin(), values.end());
  const auto rank = static_cast<size_t>(std::max(1.0, std::ceil(fraction * static_cast<double>(values.size()))));
  return values[rank - 1];
}

// With `delay 100 1100` and gaps longer than the spread no frame waits for
// another: each latency is 20 + its delay, which pyxsim's pcap stamps give
// exactly. The reported percentiles are within 1 % of those latencies'
// quantiles, which follow the uniform delay's.
TEST(Impairments, DelayPercentilesFollowTheUniformDelay) {
  const fs::path dir = ScenarioDir("impair_delay");
  RunPyxsim(dir,
            "<corvel><streams><stream_set id=\"s\"><protocols>" + Ethernet(2000, "") +
                "<fixed_payload size=\"64\" iterations=\"2000\" tx_port=\"0,1\"/></protocols></stream_set>"
                "<stream_set id=\"expect\" type=\"capture\"><protocols>" +
                Ethernet(2000, "") +
                "<fixed_payload size=\"64\" iterations=\"1\"/></protocols></stream_set></streams><rx_ports><port "
                "device=\"0\" port=\"0\"><interpacket_timedistribution min_time=\"1200\" max_time=\"1200\"/>"
                "<assign_stream_set id=\"s\"/></port></rx_ports><tx_ports eventlog_dir=\"./\"><port device=\"0\" "
                "port=\"1\"><assign_stream_set id=\"expect\"/></port></tx_ports></corvel>",
            8, "latency 20\nimpair 0 0 delay 100 1100 seed 7\n");
  const std::vector<CapturedFrame> sent = ReadFrames(dir / "rx0p0.pcap"), captured = ReadFrames(dir / "tx0p1.pcap");
  ASSERT_EQ(sent.size(), 2000u);
  ASSERT_EQ(captured.size(), sent.size());
  std::vector<uint64_t> latencies;
  for (size_t i = 0; i < sent.size(); ++i) latencies.push_back(captured[i].endCycle - sent[i].endCycle);
  const json row = ReadJson(dir / "SummaryDev0Port1.json")["transmit"]["streams"].at(0);
  EXPECT_EQ(row["lost"], 0);
  for (const auto& [key, fraction] : {std::pair{"p50", 0.5}, {"p90", 0.9}, {"p99", 0.99}, {"p99.9", 0.999}}) {
    SCOPED_TRACE(key);
    const double exact = static_cast<double>(Quantile(latencies, fraction));
    const double reported = row[std::string(key) + "_cycles"].get<double>();
    EXPECT_LE(std::abs(reported - exact), 0.01 * exact);
    EXPECT_DOUBLE_EQ(row[std::string(key) + "_ns"].get<double>(), reported * 10);
    // 20 + U{100..1100}: the sample's quantile within 3 % of the spread.
    EXPECT_NEAR(exact, 20 + 100 + fraction * 1000, 30);
  }
  EXPECT_EQ(row["max_cycles"], *std::max_element(latencies.begin(), latencies.end()));
  uint64_t counted = 0;
  for (const json& bucket : row["buckets"]) {
    EXPECT_LE(bucket[0].get<uint64_t>(), bucket[1].get<uint64_t>());
    counted += bucket[2].get<uint64_t>();
  }
  EXPECT_EQ(counted, latencies.size());
}

}  // namespace
}  // namespace corvel::test
