// pyxsim --summary-json: the document read back with nlohmann/json, its
// frame and byte counts checked against the pcap files pyxsim wrote (read
// with libpcap) and its drops against what the scenario makes happen; and
// the files that cannot be written.
#include <gtest/gtest.h>
#include <pcap/pcap.h>

#include <algorithm>
#include <iterator>
#include <nlohmann/json.hpp>
#include <vector>

#include "program_fixture.h"

namespace pyxsim::test {
namespace {

using nlohmann::json;

struct PcapTotals {
  uint64_t records = 0;
  uint64_t bytes = 0;  // original lengths
};

PcapTotals readPcap(const std::filesystem::path& path) {
  PcapTotals totals;
  char error[PCAP_ERRBUF_SIZE] = {};
  pcap_t* in = pcap_open_offline(path.c_str(), error);
  EXPECT_NE(in, nullptr) << error;
  if (!in) return totals;
  pcap_pkthdr* header = nullptr;
  const u_char* data = nullptr;
  while (pcap_next_ex(in, &header, &data) == 1) {
    ++totals.records;
    totals.bytes += header->len;
  }
  pcap_close(in);
  return totals;
}

// Records of `sizes` bytes, one second apart.
void writePcap(const std::filesystem::path& path, const std::vector<uint32_t>& sizes) {
  pcap_t* dead = pcap_open_dead(DLT_EN10MB, 65535);
  ASSERT_NE(dead, nullptr);
  pcap_dumper_t* dumper = pcap_dump_open(dead, path.c_str());
  ASSERT_NE(dumper, nullptr) << pcap_geterr(dead);
  const std::vector<u_char> bytes(65535, 0x5A);
  for (size_t i = 0; i < sizes.size(); ++i) {
    pcap_pkthdr header{};
    header.ts.tv_sec = static_cast<time_t>(1700000000 + i);
    header.caplen = header.len = sizes[i];
    pcap_dump(reinterpret_cast<u_char*>(dumper), &header, bytes.data());
  }
  pcap_dump_close(dumper);
  pcap_close(dead);
}

// The cycle the last run ended at, as the console said it.
uint64_t lastCycle(const std::string& console) {
  const std::string marker = "now at cycle ";
  const size_t at = console.rfind(marker);
  return at == std::string::npos ? 0 : std::stoull(console.substr(at + marker.size()));
}

// Every way the forwarding model loses a frame, each on a port of its own:
// 0/1 is dropped, 0/2 has no transmit port, 0/3's frames are still held back
// by the latency when the ports close, and the second record injected into
// 0/5 is due a second (66 million cycles) after the first.
constexpr const char* kScenario =
    "rx_port 0 0\n"
    "tx_port 0 0\n"
    "rx_port 0 1\n"
    "drop 0 1\n"
    "rx_port 0 2\n"
    "rx_port 0 3\n"
    "tx_port 0 4\n"
    "forward 0 3 0 4\n"
    "tx_port 0 5\n"
    "pcap out\n"
    "fake_frames 0 0 3 10 2\n"
    "fake_frames 0 1 2 7 0\n"
    "fake_frames 0 2 1 5 0\n"
    "fake_exec \"table 1\"\n"
    "fake_exec \"table 2\"\n"
    "run\n"
    "fake_frames 0 3 2 6 1\n"
    "latency 1000\n"
    "inject 0 5 two.pcap\n"
    "run 100\n"
    "bogus\xff\n"
    "close\n";

struct ExpectedPort {
  const char* direction;
  uint32_t device;
  uint32_t port;
  uint64_t frames;
  uint64_t bytes;
  uint64_t noRouteFrames;
  uint64_t noRouteBytes;
  uint64_t inFlightFrames;
  uint64_t inFlightBytes;
  uint64_t unsentRecords;
};

constexpr ExpectedPort kPorts[] = {
    {"rx", 0, 0, 3, 30, 0, 0, 0, 0, 0}, {"tx", 0, 0, 3, 30, 0, 0, 0, 0, 0}, {"rx", 0, 1, 2, 14, 2, 14, 0, 0, 0},
    {"rx", 0, 2, 1, 5, 1, 5, 0, 0, 0},  {"rx", 0, 3, 2, 12, 0, 0, 2, 12, 0}, {"tx", 0, 4, 0, 0, 0, 0, 0, 0, 0},
    {"tx", 0, 5, 1, 20, 0, 0, 0, 0, 1},
};

void expectDropped(const json& dropped, const ExpectedPort& e, const std::string& where) {
  EXPECT_EQ(dropped.at("no_route_frames"), e.noRouteFrames) << where;
  EXPECT_EQ(dropped.at("no_route_bytes"), e.noRouteBytes) << where;
  EXPECT_EQ(dropped.at("in_flight_frames"), e.inFlightFrames) << where;
  EXPECT_EQ(dropped.at("in_flight_bytes"), e.inFlightBytes) << where;
  EXPECT_EQ(dropped.at("unsent_injected_records"), e.unsentRecords) << where;
}

TEST_F(ProgramTest, SummaryJsonAgreesWithTheCapturesAndTheScenario) {
  writePcap(dir_ / "two.pcap", {20, 30});
  writeFile("scenario.pyx", kScenario);
  const Outcome o = pyxsim(fake() + " --summary-json summary.json scenario.pyx");
  EXPECT_EQ(o.exitCode, 1) << o.err;  // the bad line
  const json summary = json::parse(readFile("summary.json"));  // throws on anything but valid UTF-8 JSON

  EXPECT_EQ(summary.at("format"), "pyxsim-run-summary");
  EXPECT_EQ(summary.at("version"), 1);
  EXPECT_EQ(summary.at("cycles"), lastCycle(o.out));
  EXPECT_GT(summary.at("cycles").get<uint64_t>(), 100u);

  const json& ports = summary.at("ports");
  ASSERT_EQ(ports.size(), std::size(kPorts));
  ExpectedPort total{"", 0, 0, 0, 0, 0, 0, 0, 0, 0};
  for (const ExpectedPort& e : kPorts) {
    const std::string where = std::string(e.direction) + std::to_string(e.device) + "p" + std::to_string(e.port);
    auto found = std::find_if(ports.begin(), ports.end(), [&](const json& p) {
      return p.at("direction") == e.direction && p.at("device") == e.device && p.at("port") == e.port;
    });
    ASSERT_NE(found, ports.end()) << where;
    const PcapTotals captured = readPcap(dir_ / "out" / (where + ".pcap"));
    EXPECT_EQ(found->at("frames"), captured.records) << where;
    EXPECT_EQ(found->at("bytes"), captured.bytes) << where;
    EXPECT_EQ(found->at("frames"), e.frames) << where;
    EXPECT_EQ(found->at("bytes"), e.bytes) << where;
    expectDropped(found->at("dropped"), e, where);
    total.noRouteFrames += e.noRouteFrames;
    total.noRouteBytes += e.noRouteBytes;
    total.inFlightFrames += e.inFlightFrames;
    total.inFlightBytes += e.inFlightBytes;
    total.unsentRecords += e.unsentRecords;
  }
  expectDropped(summary.at("dropped"), total, "totals");

  EXPECT_EQ(summary.at("host_commands").at("executed"), 2);
  EXPECT_EQ(readFile("host_commands.log"), "table 1\ntable 2\n");
  const json& failed = summary.at("failed_lines");
  EXPECT_EQ(failed.at("count"), 1);
  ASSERT_EQ(failed.at("lines").size(), 1u);
  // The byte 0xff of the script arrives as U+FFFD.
  const json expected = json::parse(R"j({"source": "scenario.pyx", "line": 21,
      "message": "unknown command \"bogus\ufffd\" (help lists the commands)"})j");
  EXPECT_EQ(failed.at("lines")[0], expected);
}

TEST_F(ProgramTest, SummaryJsonFileProblemsNameTheFile) {
  struct Case {
    const char* path;  // shell word
    int exitCode;
    const char* errorStart;
    bool runs;  // whether the commands run before the problem shows
  };
  const Case cases[] = {
      {"no/such/dir/s.json", 1, "pyxsim: cannot write the run summary to no/such/dir/s.json: No such file or directory\n",
       false},
      {"/dev/full", 1, "pyxsim: cannot write the run summary to /dev/full: No space left on device\n", true},
      {"''", 2, "pyxsim: option --summary-json needs a file name\nusage: pyxsim", false},
  };
  for (const Case& c : cases) {
    if (c.path == std::string("/dev/full") && !std::filesystem::exists("/dev/full")) continue;
    const Outcome o = pyxsim(fake() + " -c \"fake_echo ran\" --summary-json " + c.path);
    EXPECT_EQ(o.exitCode, c.exitCode) << c.path;
    EXPECT_EQ(o.err.rfind(c.errorStart, 0), 0u) << c.path << ": " << o.err;
    EXPECT_EQ(o.out.find("fake: [ran]") != std::string::npos, c.runs) << c.path << ": " << o.out;
  }
}

}  // namespace
}  // namespace pyxsim::test
