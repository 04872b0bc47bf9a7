// The verdict of whole pyxsim runs with the real plug-in: exit status, the
// final line, the JSON summary against the text capture summaries, the JUnit
// report against the common JUnit schema, stale summaries, floods after a
// failed load, and injected captures that span seconds.
#include <gtest/gtest.h>
#include <pcap/pcap.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "hand_frames.h"

namespace corvel::test {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

int Shell(const std::string& command) {
  const int raw = std::system(command.c_str());
  return raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

// pyxsim in `dir` with the plug-in, `options` and run.pyx; stdout to
// out.txt, stderr to err.txt. Answers the exit status.
int RunPyxsim(const fs::path& dir, const std::string& options) {
  return Shell("cd '" + dir.string() + "' && '" CORVEL_BIN_DIR "/pyxsim' -p '" CORVEL_BIN_DIR
               "/libcorvel_lite.so' " + options + " run.pyx >out.txt 2>err.txt");
}

fs::path FreshDir(const std::string& name) {
  const fs::path dir = fs::path(::testing::TempDir()) / ("verdict_" + name + "_" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir / "out");
  return dir;
}

// Records `gapNs` apart, nanosecond timestamps, without their FCS.
void WritePcap(const fs::path& path, const std::vector<Bytes>& frames, uint64_t gapNs) {
  pcap_t* dead = pcap_open_dead_with_tstamp_precision(DLT_EN10MB, 65536, PCAP_TSTAMP_PRECISION_NANO);
  pcap_dumper_t* dumper = pcap_dump_open(dead, path.c_str());
  uint64_t ns = 1'000'000'000;
  for (const Bytes& frame : frames) {
    pcap_pkthdr header{};
    header.ts.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
    header.ts.tv_usec = static_cast<suseconds_t>(ns % 1'000'000'000);
    header.caplen = header.len = static_cast<bpf_u_int32>(frame.size() - 4);
    pcap_dump(reinterpret_cast<u_char*>(dumper), &header, frame.data());
    ns += gapNs;
  }
  pcap_dump_close(dumper);
  pcap_close(dead);
}

// One transmit port 0/1 expecting the frames of hand_frames.h.
const char* const kCheckTcs =
    "<corvel><streams><stream_set id=\"c\" type=\"capture\"><protocols>"
    "<ethernet dest_addr=\"0x00a0c9000002\" src_addr=\"0x00a0c9000001\" protocol_type=\"0x0800\"/>"
    "<ipv4 hlen=\"5\" ttl=\"64\" protocol=\"17\" src_addr=\"10.0.0.1\" dest_addr=\"10.0.0.2\" validate_level=\"1\"/>"
    "<udp src_port=\"1000\" dest_port=\"2000\"/>"
    "<fixed_payload size=\"40\" iterations=\"1\" tx_port=\"0,1\"/></protocols></stream_set></streams>"
    "<tx_ports eventlog_dir=\"./\"><port device=\"0\" port=\"1\"><assign_stream_set id=\"c\"/></port>"
    "</tx_ports></corvel>";

const char* const kQuickstartPorts =
    "rx_port 0 0\nrx_port 0 1\nrx_port 0 2\ntx_port 0 0\ntx_port 0 1\ntx_port 0 2\nlatency 20\n";

// The quickstart file with one receive port naming a stream set it lacks.
void WriteQuickstart(const fs::path& dir) {
  const std::string tcs = ReadText(CORVEL_SOURCE_DIR "/examples/quickstart.tcs");
  std::ofstream(dir / "quickstart.tcs") << tcs;
  const std::string good = "<assign_stream_set id=\"eth_ipv4_tcp\"/>";
  std::string broken = tcs;
  broken.replace(broken.find(good), good.size(), "<assign_stream_set id=\"no_such_set\"/>");
  std::ofstream(dir / "broken.tcs") << broken;
  std::ofstream(dir / "check.tcs") << kCheckTcs;
}

// The ten counters of a "Capture stopped:" summary, keyed as in the JSON.
std::map<std::string, int64_t> CaptureSummary(const std::string& log) {
  static const std::map<std::string, std::string> kKeys = {
      {"total PDU passed", "pdu_passed"},
      {"total PDU failed", "pdu_failed"},
      {"total PDU warnings", "pdu_warnings"},
      {"total PDU routes passed", "pdu_routes_passed"},
      {"total PDU routes failed", "pdu_routes_failed"},
      {"total PDU routes not tested", "pdu_routes_not_tested"},
      {"total Frames/Cells processed", "frames_cells_processed"},
      {"total Frames/Cells dropped", "frames_cells_dropped"},
      {"total Frames/Cells discarded", "frames_cells_discarded"},
      {"total Frames/Cells warnings", "frames_cells_warnings"}};
  std::map<std::string, int64_t> counters;
  const size_t start = log.find("Capture stopped:");
  if (start == std::string::npos) return counters;
  for (const std::string& line : Lines(log.substr(start))) {
    const size_t digits = line.find_last_of(' ');
    if (digits == std::string::npos) continue;
    std::string label = line.substr(0, digits);
    label.erase(0, label.find_first_not_of(' '));
    label.erase(label.find_last_not_of(' ') + 1);
    if (auto key = kKeys.find(label); key != kKeys.end()) counters[key->second] = std::stoll(line.substr(digits + 1));
  }
  return counters;
}

struct Scenario {
  const char* name;
  const char* tcs;          // "quickstart.tcs", "broken.tcs", "missing.tcs" or "check.tcs"
  std::vector<FrameSpec> frames;  // injected into tx 0/1 (check.tcs)
  const char* extraLines;   // before the run
  const char* options;
  int status;
  const char* verdictLine;
};

TEST(RunVerdict, ExitStatusVerdictLineJsonAndJunitAgree) {
  const std::vector<Scenario> scenarios = {
      {"passing", "quickstart.tcs", {}, "", "", 0, "pyxsim: PASS: 3 transmit ports, 27 PDUs verified, 0 failed"},
      {"missing", "missing.tcs", {}, "", "", 3, "pyxsim: FAIL: the TCS file missing.tcs did not load"},
      {"broken", "broken.tcs", {}, "", "--strict", 3, "pyxsim: FAIL: the TCS file broken.tcs did not load"},
      {"failed_pdu", "check.tcs", {{}, {.extraTotalLength = 4}}, "", "", 3, "pyxsim: FAIL: tx 0/1: 1 PDU failed"},
      {"route", "check.tcs", {{.txPort = 5}, {}}, "", "", 3, "pyxsim: FAIL: tx 0/1: 1 route failed"},
      {"cap", "quickstart.tcs", {}, "max_cycles 1000\n", "", 3,
       "pyxsim: FAIL: run stopped at the cycle limit with traffic still due"},
      {"cap_injected", "check.tcs", {{}, {}, {}, {}, {}}, "max_cycles 2000\n", "", 3,
       "pyxsim: FAIL: run stopped at the cycle limit with 3 injected records unsent"},
      {"line_and_pdu", "check.tcs", {{.extraTotalLength = 4}, {.txPort = 5}}, "frobnicate\n", "", 1,
       "pyxsim: FAIL: tx 0/1: 1 PDU failed, 1 route failed; 1 script line failed"},
      {"warning", "check.tcs", {{.ttl = 0}}, "", "", 0, "pyxsim: PASS: 1 transmit port, 1 PDU verified, 0 failed"},
      {"warning_fails", "check.tcs", {{.ttl = 0}}, "", "--fail-on-warnings", 3,
       "pyxsim: FAIL: tx 0/1: 1 PDU warning"},
  };
  for (const Scenario& s : scenarios) {
    SCOPED_TRACE(s.name);
    const fs::path dir = FreshDir(s.name);
    WriteQuickstart(dir);
    const bool check = std::string(s.tcs) == "check.tcs";
    std::vector<Bytes> frames;
    for (const FrameSpec& spec : s.frames) frames.push_back(Frame(spec));
    // 20 microseconds apart: 1320 cycles at 66 MHz.
    if (check) WritePcap(dir / "host.pcap", frames, 20'000);
    std::string script = check ? "tx_port 0 1\n" : kQuickstartPorts;
    script += std::string("corvel_load_tcs ") + s.tcs + "\ncorvel_start\n";
    if (check) script += "inject 0 1 host.pcap fcs\n";
    script += std::string(s.extraLines) + "run\nclose\n";
    std::ofstream(dir / "run.pyx") << script;

    const int status = RunPyxsim(dir, std::string(s.options) + " --summary-json s.json --junit-xml j.xml");
    const std::string out = ReadText(dir / "out.txt");
    EXPECT_EQ(status, s.status) << out << ReadText(dir / "err.txt");
    const std::vector<std::string> lines = Lines(out);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), s.verdictLine);

    // The JSON document: its verdict, status and reasons say what the line says.
    const json summary = json::parse(ReadText(dir / "s.json"), nullptr, false);
    ASSERT_TRUE(summary.is_object());
    EXPECT_EQ(summary["verdict"], s.status == 0 ? "pass" : "fail");
    EXPECT_EQ(summary["exit_status"], s.status);
    EXPECT_EQ(summary["reasons"].empty(), s.status == 0);
    for (const json& reason : summary["reasons"]) {
      EXPECT_NE(lines.back().find(reason["text"].get<std::string>()), std::string::npos) << reason.dump();
      EXPECT_FALSE(reason["code"].get<std::string>().empty());
    }
    // Every transmit port's figures equal its text capture summary.
    int64_t policed = 0;
    for (const json& port : summary["ports"]) {
      if (port["direction"] != "tx" || !port["plugin"].is_object()) continue;
      const std::string log = (check ? dir : dir / "out") / ("TxEventsDev0Port" + std::to_string(port["port"].get<int>()) + ".txt");
      const std::map<std::string, int64_t> text = CaptureSummary(ReadText(log));
      ASSERT_EQ(text.size(), 10u) << log;
      for (const auto& [key, value] : text) EXPECT_EQ(port["plugin"]["capture"][key], value) << key;
      // The policing colours against the police log's records, where there is one.
      const fs::path police = dir / "out" / ("TxPoliceDev0Port" + std::to_string(port["port"].get<int>()) + ".txt");
      if (!fs::exists(police)) continue;
      int64_t conformant = 0, nonConformant = 0, notAssigned = 0;
      for (const std::string& line : Lines(ReadText(police))) {
        conformant += line.rfind(" Conformant", 0) == 0;
        nonConformant += line.find(" NonConformant") != std::string::npos;
        notAssigned += line.find("[Not assigned to police]") != std::string::npos;
      }
      const json& colours = port["plugin"]["policing"];
      EXPECT_EQ(colours["green"].get<int64_t>() + colours["yellow"].get<int64_t>(), conformant);
      EXPECT_EQ(colours["red"], nonConformant);
      EXPECT_EQ(colours["not_assigned"], notAssigned);
      policed += conformant + nonConformant;
    }
    if (std::string(s.name) == "passing") {
      EXPECT_GT(policed, 0);  // tx 0/1 polices its flows
    }
    // The JUnit report: valid against the schema, one failure per reason.
    EXPECT_EQ(Shell("xmllint --noout --schema '" CORVEL_TEST_DATA "/junit/junit.xsd' '" + (dir / "j.xml").string() +
                    "' 2>/dev/null"),
              0)
        << ReadText(dir / "j.xml");
    const std::string junit = ReadText(dir / "j.xml");
    size_t failures = 0;
    for (size_t at = junit.find("<failure "); at != std::string::npos; at = junit.find("<failure ", at + 1)) ++failures;
    EXPECT_EQ(failures, summary["reasons"].size()) << junit;
    for (const json& reason : summary["reasons"])
      EXPECT_NE(junit.find(reason["text"].get<std::string>() + "\" type=\"" + reason["code"].get<std::string>()),
                std::string::npos)
          << junit;
  }
}

// A failed load after a passing run: no summary of the passing run is left,
// and 100,000 refused byte requests on each of three receive ports come to a
// console of a few dozen lines.
TEST(RunVerdict, FailedLoadLeavesNoStaleSummaryAndNoFlood) {
  const fs::path dir = FreshDir("stale");
  WriteQuickstart(dir);
  std::ofstream(dir / "run.pyx") << kQuickstartPorts << "corvel_load_tcs quickstart.tcs\ncorvel_start\nrun\nclose\n";
  ASSERT_EQ(RunPyxsim(dir, ""), 0) << ReadText(dir / "out.txt");
  for (int port = 0; port < 3; ++port)
    ASSERT_TRUE(fs::exists(dir / "out" / ("SummaryDev0Port" + std::to_string(port) + ".json")));

  std::ofstream(dir / "run.pyx") << kQuickstartPorts << "corvel_load_tcs broken.tcs\ncorvel_start\nrun 100000\nclose\n";
  EXPECT_EQ(RunPyxsim(dir, ""), 3);
  const std::string console = ReadText(dir / "out.txt") + ReadText(dir / "err.txt");
  for (int port = 0; port < 3; ++port)
    EXPECT_FALSE(fs::exists(dir / "out" / ("SummaryDev0Port" + std::to_string(port) + ".json"))) << port;
  const std::vector<std::string> lines = Lines(console);
  EXPECT_LT(lines.size(), 200u) << console;
  int repeats = 0;
  for (int port = 0; port < 3; ++port) {
    const std::string line = "Corvel> [OnGetNextByte] Error, Corvel is not in running state (Device 0 Port " +
                             std::to_string(port) + ") ... repeated 99,999 times";
    for (const std::string& l : lines) repeats += l == line;
  }
  EXPECT_EQ(repeats, 3) << console;
  size_t once = 0;
  for (const std::string& l : lines) once += l == "Corvel> [OnGetNextByte] Error, Corvel is not in running state";
  EXPECT_EQ(once, 3u);

  // --quiet only leaves lines out: no enter/exit traces and no verbose
  // chatter, but the report, its place line and the verdict stay.
  std::ofstream(dir / "run.pyx") << "corvel_verbose 9\n"
                                 << kQuickstartPorts << "corvel_load_tcs broken.tcs\ncorvel_start\nrun 1000\nclose\n";
  EXPECT_EQ(RunPyxsim(dir, ""), 3);
  const std::vector<std::string> loud = Lines(ReadText(dir / "out.txt"));
  EXPECT_EQ(RunPyxsim(dir, "--quiet"), 3);
  const std::vector<std::string> quiet = Lines(ReadText(dir / "out.txt"));
  size_t next = 0;
  for (const std::string& line : quiet) {
    while (next < loud.size() && loud[next] != line) ++next;
    EXPECT_LT(next, loud.size()) << "not in the full console: " << line;
    std::string end = line.substr(line.size() >= 8 ? line.size() - 8 : 0);
    EXPECT_EQ(end.find("- enter"), std::string::npos) << line;
    EXPECT_EQ(end.find("- exit"), std::string::npos) << line;
  }
  EXPECT_LT(quiet.size() + 30, loud.size());
  for (const char* kept : {"Corvel> PARSE-ERROR: stream_set not found (TcsRxPortMgt)",
                           "Corvel>   at broken.tcs:160, <assign_stream_set> attribute id=\"no_such_set\"",
                           "pyxsim: FAIL: the TCS file broken.tcs did not load"})
    EXPECT_NE(std::find(quiet.begin(), quiet.end(), kept), quiet.end()) << kept;
}

// 28 records 0.2 s apart span 5.4 s, 356,400,000 cycles at 66 MHz: far past
// the default cap of 10,000,000. Every one is verified; the run ends with
// the last record's 86 bytes (82 captured and the FCS), at the pace asked for.
TEST(RunVerdict, InjectedCaptureOfSecondsRunsWhole) {
  struct Pace {
    const char* words;
    uint64_t cycles;
  };
  const uint64_t kGapCycles = 13'200'000;  // 0.2 s at 66 MHz
  const std::vector<Pace> paces = {
      {"", 27 * kGapCycles + 86}, {"topspeed", 28 * 86}, {"speed 2", 27 * kGapCycles / 2 + 86}};
  for (const Pace& pace : paces) {
    SCOPED_TRACE(pace.words);
    const fs::path dir = FreshDir("long");
    std::ofstream(dir / "check.tcs") << kCheckTcs;
    WritePcap(dir / "host.pcap", std::vector<Bytes>(28, Frame({})), 200'000'000);
    std::ofstream(dir / "run.pyx") << "tx_port 0 1\ncorvel_load_tcs check.tcs\ncorvel_start\ninject 0 1 host.pcap fcs "
                                   << pace.words << "\nrun\nclose\n";
    EXPECT_EQ(RunPyxsim(dir, "--summary-json s.json"), 0) << ReadText(dir / "err.txt");
    const std::vector<std::string> lines = Lines(ReadText(dir / "out.txt"));
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "pyxsim: PASS: 1 transmit port, 28 PDUs verified, 0 failed");
    const json summary = json::parse(ReadText(dir / "s.json"), nullptr, false);
    ASSERT_TRUE(summary.is_object());
    EXPECT_EQ(summary["cycles"], pace.cycles);
    EXPECT_EQ(summary["dropped"]["unsent_injected_records"], 0);
  }
}

}  // namespace
}  // namespace corvel::test
