// Policing of what a transmit port captures, end to end: hand-built frames
// injected into pyxsim at chosen times, a policy set on the port, and the
// TxPolice log and console lines the port writes. The expected colours are
// worked out from RFC 2697 below, not from the meter.
#include <gtest/gtest.h>
#include <pcap/pcap.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "hand_frames.h"
#include "pyxsim_run.h"

namespace corvel::test {
namespace {

namespace fs = std::filesystem;

std::string Hex(const Bytes& bytes, size_t from, size_t to) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  for (size_t i = from; i < to; ++i) {
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 15];
  }
  return text;
}

// Frames (FCS stripped, pyxsim puts it back) every `gapMicroseconds`.
void WritePcap(const fs::path& path, const Bytes& frame, int count, uint32_t gapMicroseconds) {
  pcap_t* dead = pcap_open_dead(DLT_EN10MB, 65536);
  pcap_dumper_t* dumper = pcap_dump_open(dead, path.c_str());
  for (int i = 0; i < count; ++i) {
    pcap_pkthdr header{};
    header.ts.tv_usec = static_cast<suseconds_t>(10 + i * gapMicroseconds);
    header.caplen = header.len = static_cast<bpf_u_int32>(frame.size() - 4);
    pcap_dump(reinterpret_cast<u_char*>(dumper), &header, frame.data());
  }
  pcap_dump_close(dumper);
  pcap_close(dead);
}

struct PoliceCase {
  const char* name;
  const char* policy;  // the policy element's children
  // Expected TxPolice lines, with FRAME and PDU standing for the frame's and
  // the PDU's bytes in hexadecimal.
  std::vector<std::string> records;
  std::vector<std::string> console;  // lines the console must hold, in order
};

const char* kRate = " FRAMEavg(";

class PoliceInject : public ::testing::TestWithParam<PoliceCase> {};

// Seven 500-byte frames (454 payload bytes + 46 of headers and FCS) 100 us
// apart into tx 0/1 at 100 MHz. srTCM, CIR 1000 kbit/s = 12.5 bytes per
// 100 us, CBS = EBS = 1000 bytes, both buckets full at the start:
//   C 1000 -> green (C 500); +12.5: C 512.5 -> green (C 12.5);
//   C 25, E 1000 -> yellow (E 500); C 37.5, E 500 -> yellow (E 0);
//   C 50, 62.5, 75 -> red, red, red.
// The first PDU starts the flow and is not logged: G Y Y R R R remain, yellow
// conforming with the late flag.
TEST_P(PoliceInject, TxPoliceLog) {
  const PoliceCase& c = GetParam();
  const fs::path dir = fs::path(::testing::TempDir()) / ("police_" + std::to_string(getpid())) / c.name;
  fs::remove_all(dir);
  fs::create_directories(dir);
  const Bytes frame = Frame({.payload = 454});
  ASSERT_EQ(frame.size(), 500u);
  WritePcap(dir / "host.pcap", frame, 7, 100);
  std::ofstream(dir / "check.tcs")
      << "<corvel><streams><stream_set id=\"c\" type=\"capture\"><protocols>"
         "<ethernet dest_addr=\"0x00a0c9000002\" src_addr=\"0x00a0c9000001\" protocol_type=\"0x0800\"/>"
         "<ipv4 hlen=\"5\" ttl=\"64\" protocol=\"17\" src_addr=\"10.0.0.1\" dest_addr=\"10.0.0.2\"/>"
         "<udp src_port=\"1000\" dest_port=\"2000\"/>"
         "<fixed_payload size=\"454\" iterations=\"1\" tx_port=\"0,1\"/></protocols></stream_set></streams>"
         "<policies><policy_set id=\"p\"><policy>"
      << c.policy
      << "</policy></policy_set></policies>"
         "<tx_ports police_datalog_dir=\"./\"><port device=\"0\" port=\"1\"><assign_policy_set id=\"p\"/>"
         "<assign_stream_set id=\"c\"/></port></tx_ports></corvel>";
  std::ofstream(dir / "run.pyx") << "tx_port 0 1 100 8 100\ncorvel_load_tcs check.tcs\ncorvel_start\n"
                                    "inject 0 1 host.pcap fcs\nrun\nclose\n";
  ASSERT_TRUE(RunPyxsim(dir, "run.pyx")) << ReadText(dir / "console.txt");
  const std::string console = ReadText(dir / "console.txt");

  std::string expected;
  for (std::string record : c.records) {
    for (const auto& [tag, text] : {std::pair<std::string, std::string>{"FRAME", Hex(frame, 0, frame.size())},
                                    {"PDU", Hex(frame, 14, frame.size() - 4)}}) {
      if (const size_t at = record.find("<" + tag + ">"); at != std::string::npos)
        record.replace(at, tag.size() + 2, text);
    }
    expected += record + "\n";
  }
  std::string log = ReadText(dir / "TxPoliceDev0Port1.txt");
  // The bandwidth figures belong to the meter's own tests; the verdicts here.
  std::string verdicts;
  std::istringstream lines(log);
  for (std::string line; std::getline(lines, line);) verdicts += line.substr(0, line.find(kRate)) + "\n";
  EXPECT_EQ(verdicts, expected) << console;
  size_t from = 0;
  for (const std::string& line : c.console) {
    const size_t at = console.find(line, from);
    EXPECT_NE(at, std::string::npos) << "missing after offset " << from << ": " << line << "\n" << console;
    if (at != std::string::npos) from = at + line.size();
  }
}

const std::string kG = "PDU <PDU>\n Conformant";
const std::string kR = "PDU <PDU> NonConformant";

INSTANTIATE_TEST_SUITE_P(
    Flows, PoliceInject,
    ::testing::Values(
        // The key's mask covers only the UDP destination port; police level
        // 2 with an interval of 3 prints every PDU's information and the
        // meter's counts after the third and the sixth decision.
        PoliceCase{"srtcm",
                   "<ipv4 police_level=\"2,3\"/><udp dest_port=\"2000\"/>"
                   "<tokenBucket_flow confType=\"srTCM\" cir=\"1000\" cbs=\"1000\" ebs=\"1000\"/>",
                   {kG, kG, kG, kR, kR, kR},
                   {"...registering pdu policing", "...registering pdu verification",
                    "Corvel>      frames/cells size    500 Bytes\n", "Corvel>      Pdu size           = 482 Bytes\n",
                    "Total frames in flow      = 3\n", "Frames Conforming         = 3\n",
                    "Frames NonConforming      = 0\n", "Frames Late               = 2\n",
                    "Device=0 Port=1PDU  NonConformant  FRAMEavg(",
                    "Total frames in flow      = 6\n", "Frames NonConforming      = 3\n"}},
        // A key need not name every layer: UDP alone finds its header inside
        // IPv4, and the verdicts are the same.
        PoliceCase{"udp_only",
                   "<udp dest_port=\"2000\"/><tokenBucket_flow cir=\"1000\" cbs=\"1000\" ebs=\"1000\"/>",
                   {kG, kG, kG, kR, kR, kR},
                   {"...registering pdu policing"}},
        // A flow for another UDP port covers none of the PDUs.
        PoliceCase{"unassigned",
                   "<udp dest_port=\"2001\"/><tokenBucket_flow cir=\"1000\" cbs=\"1000\" ebs=\"1000\"/>",
                   std::vector<std::string>(7, "PDU [Not assigned to police] <PDU>"),
                   {"...registering pdu policing"}},
        // A cell contract polices at the datalink: a frame for another
        // Ethernet destination is not covered (one line per frame, all of
        // its bytes); only the datalink stage is registered.
        PoliceCase{"datalink",
                   "<ethernet dest_addr=\"0x00a0c9000009\"/><cbr pcr=\"1000\"/>",
                   std::vector<std::string>(7, "PACKET [Not assigned to police] <FRAME>"),
                   {"...registering pdu verification", "...registering frame capture",
                    "...registering datalink policing", "...registering datalink verification"}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace corvel::test
