// The custom police logs a transmit port writes under a named specification
// (corvel_set_tx_configuration): IPv6 frames generated on rx 0/0, forwarded
// to tx 0/1 and policed there. The flow label in the logs is worked out from
// the header bytes 60 0a bc de: the low nibble of byte 1 and bytes 2 and 3,
// 0xabcde = 703710.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "pyxsim_run.h"

namespace {

namespace fs = std::filesystem;
using corvel::test::ReadText;
using corvel::test::RunPyxsim;

std::string Protocols(const char* type) {
  return std::string("<stream_set id=\"") + type + "\" type=\"" + type +
         "\"><protocols>"
         "<ethernet dest_addr=\"0x00a0c9000002\" src_addr=\"0x00a0c9000001\" protocol_type=\"0x86dd\"/>"
         "<ipv6 class=\"0\" flow_label=\"0xabcde\" next_header=\"17\" hop_limit=\"64\" "
         "source_addr=\"0x20010db8000000000000000000000001\" dest_addr=\"0x20010db8000000000000000000000002\"/>"
         "<udp src_port=\"1000\" dest_port=\"2000\"/>"
         "<fixed_payload size=\"40\" iterations=\"5\" tx_port=\"0,1\"/></protocols></stream_set>";
}

struct CustomCase {
  const char* specification;
  const char* udpPort;  // the policy's flow: 2000 covers the stream, 2001 does not
  const char* file;
  std::string record;  // every record of the file (the bandwidth cut off)
  int records;
  const char* loading;
};

class CustomPolice : public ::testing::TestWithParam<CustomCase> {};

TEST_P(CustomPolice, LogsTheIpv6Flow) {
  const CustomCase& c = GetParam();
  const fs::path dir = fs::path(::testing::TempDir()) / ("custom_" + std::to_string(getpid())) / c.specification;
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::ofstream(dir / "s.tcs") << "<corvel><streams>" << Protocols("generate") << Protocols("capture")
                               << "</streams><policies><policy_set id=\"p\"><policy><ipv6/><udp dest_port=\""
                               << c.udpPort
                               << "\"/><flow cpr=\"100000\" cpr_min=\"1000\" cpr_max=\"100000\"/></policy></policy_set></policies>"
                                  "<rx_ports><port device=\"0\" port=\"0\"><assign_stream_set "
                                  "id=\"generate\"/></port></rx_ports>"
                                  "<tx_ports eventlog_dir=\"./\" police_datalog_dir=\"./\"><port device=\"0\" "
                                  "port=\"1\"><assign_policy_set id=\"p\"/><assign_stream_set id=\"capture\"/>"
                                  "</port></tx_ports></corvel>";
  std::ofstream(dir / "run.pyx") << "rx_port 0 0 100 1000 66\ntx_port 0 1\nforward 0 0 0 1\ncorvel_load_tcs s.tcs\n"
                                 << "corvel_set_tx_configuration " << c.specification
                                 << "\ncorvel_start\nrun\nclose\n";
  ASSERT_TRUE(RunPyxsim(dir, "run.pyx")) << ReadText(dir / "console.txt");
  const std::string console = ReadText(dir / "console.txt");
  EXPECT_NE(console.find(std::string(c.loading) + "\nCorvel>      Overriding Policing Statistic\n"
                         "Corvel>      Using standard Capture Statistic\n"),
            std::string::npos)
      << console;

  std::string expected;
  for (int i = 0; i < c.records; ++i) expected += c.record + "\n";
  std::string records;
  std::istringstream lines(ReadText(dir / c.file));
  for (std::string line; std::getline(lines, line);) records += line.substr(0, line.find(" FRAMEavg(")) + "\n";
  EXPECT_EQ(records, expected) << console;
  // The capture leaves its statistics to the controller, whose capture
  // statistic still writes the summary after the ports are gone.
  EXPECT_FALSE(fs::exists(dir / "TxPoliceDev0Port1.txt"));
  const std::string events = ReadText(dir / "TxEventsDev0Port1.txt");
  EXPECT_NE(events.find("Capture stopped:\n  total PDU passed             5\n"), std::string::npos) << events;
}

// A log directory that cannot be written costs the log, said once per
// statistic when it is created; the run goes on.
TEST(StatisticFiles, AnUnwritableDirectoryIsReportedOnce) {
  const fs::path dir = fs::path(::testing::TempDir()) / ("custom_" + std::to_string(getpid())) / "missing";
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::ofstream(dir / "s.tcs") << "<corvel><streams>" << Protocols("generate") << Protocols("capture")
                               << "</streams><rx_ports><port device=\"0\" port=\"0\"><assign_stream_set "
                                  "id=\"generate\"/></port></rx_ports><tx_ports eventlog_dir=\"nowhere/\" "
                                  "police_datalog_dir=\"nowhere/\"><port device=\"0\" port=\"1\">"
                                  "<assign_stream_set id=\"capture\"/></port></tx_ports></corvel>";
  std::ofstream(dir / "run.pyx") << "rx_port 0 0\ntx_port 0 1\nforward 0 0 0 1\ncorvel_load_tcs s.tcs\n"
                                    "corvel_start\nrun\nclose\n";
  ASSERT_TRUE(RunPyxsim(dir, "run.pyx")) << ReadText(dir / "console.txt");
  const std::string console = ReadText(dir / "console.txt");
  for (const char* file : {"TxEventsDev0Port1.txt", "TxPoliceDev0Port1.txt"}) {
    const std::string line = std::string("Corvel> Warning, unable to create log file nowhere/") + file + "\n";
    const size_t at = console.find(line);
    EXPECT_NE(at, std::string::npos) << console;
    EXPECT_EQ(console.find(line, at + 1), std::string::npos) << console;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Specifications, CustomPolice,
    ::testing::Values(
        // No flow covers the PDUs: one record each, port before device.
        CustomCase{"Zelmor", "2001", "TxZelmorPoliceDev0Port1.txt", "Port 1 Device 0PDU not policedFlowId=IPV6:703710",
                   5, "Corvel>    Loading Zelmor Tx specification"},
        CustomCase{"3GWireless", "2001", "Tx3GPoliceDev0Port1.txt", "PDU FlowId=IPV6:703710 Not assigned to police",
                   5, "Corvel>    Loading 3GWireless Tx specification"},
        // The flow covers them: the first starts the flow and is not logged.
        CustomCase{"3GWireless", "2000", "Tx3GPoliceDev0Port1.txt",
                   "PDU FlowId=IPV6:703710 PCR=100.00Mbps Conformant", 4,
                   "Corvel>    Loading 3GWireless Tx specification"}),
    [](const auto& info) { return std::string(info.param.specification) + info.param.udpPort; });

}  // namespace
