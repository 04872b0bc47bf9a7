// The commented pcapng capture of a transmit port, read back by two readers
// of its own: libpcap (frames and timestamps, against the pcap pyxsim wrote
// of the same port) and tshark (each frame's comment against the event log,
// and Wireshark's frame.comment filter finding exactly the failed PDUs).
#include <gtest/gtest.h>
#include <pcap/pcap.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "hand_frames.h"
#include "pyxsim_run.h"

namespace corvel::test {
namespace {

namespace fs = std::filesystem;

struct Record {
  uint64_t nanoseconds;
  Bytes data;
  bool operator==(const Record &) const = default;
};

std::vector<Record> ReadRecords(const fs::path &path) {
  std::vector<Record> records;
  char error[PCAP_ERRBUF_SIZE];
  pcap_t *file = pcap_open_offline_with_tstamp_precision(path.c_str(), PCAP_TSTAMP_PRECISION_NANO, error);
  if (file == nullptr) {
    ADD_FAILURE() << path << ": " << error;
    return records;
  }
  pcap_pkthdr *header = nullptr;
  const u_char *data = nullptr;
  while (pcap_next_ex(file, &header, &data) == 1)
    records.push_back({static_cast<uint64_t>(header->ts.tv_sec) * 1000000000u + header->ts.tv_usec,
                       Bytes(data, data + header->caplen)});
  pcap_close(file);
  return records;
}

std::string Shell(const std::string &command) {
  std::unique_ptr<FILE, int (*)(FILE *)> pipe(popen(command.c_str(), "r"), pclose);
  std::string out;
  char buffer[512];
  while (pipe && fgets(buffer, sizeof buffer, pipe.get())) out += buffer;
  return out;
}

void WritePcap(const fs::path &path, const std::vector<Bytes> &frames) {
  pcap_t *dead = pcap_open_dead(DLT_EN10MB, 65536);
  pcap_dumper_t *dumper = pcap_dump_open(dead, path.c_str());
  uint32_t microseconds = 0;
  for (const Bytes &frame : frames) {
    pcap_pkthdr header{};
    header.ts.tv_usec = microseconds += 20;
    header.caplen = header.len = static_cast<bpf_u_int32>(frame.size() - 4);  // as a host captures: no FCS
    pcap_dump(reinterpret_cast<u_char *>(dumper), &header, frame.data());
  }
  pcap_dump_close(dumper);
  pcap_close(dead);
}

struct Layout {
  const char *name;
  const char *txPortsAttributes;
  const char *portAttributes;
};

class PcapngVerdicts : public ::testing::TestWithParam<Layout> {};

TEST_P(PcapngVerdicts, FramesCommentsAndFilterAgreeWithPcapAndEventLog) {
  const Layout &layout = GetParam();
  const fs::path dir = fs::path(::testing::TempDir()) / ("pcapng_" + std::to_string(getpid()) + layout.name);
  fs::remove_all(dir);
  fs::create_directories(dir / "pcap");
  fs::create_directories(dir / "out");
  // Passed, passed with a warning, failed, misrouted, failed, passed with a
  // warning.
  WritePcap(dir / "host.pcap", {Frame({}), Frame({.ttl = 0}), Frame({.extraTotalLength = 4}), Frame({.txPort = 5}),
                                Frame({.extraTotalLength = 8}), Frame({.flipPayloadByte = true})});
  std::ofstream(dir / "check.tcs") << "<corvel><streams><stream_set id=\"c\" type=\"capture\"><protocols>"
                                      "<ethernet dest_addr=\"0x00a0c9000002\" src_addr=\"0x00a0c9000001\" "
                                      "protocol_type=\"0x0800\" "
                                      "validate_level=\"1\"/>"
                                      "<ipv4 hlen=\"5\" ttl=\"64\" protocol=\"17\" src_addr=\"10.0.0.1\" "
                                      "dest_addr=\"10.0.0.2\" validate_level=\"1\"/>"
                                      "<udp src_port=\"1000\" dest_port=\"2000\" validate_level=\"1\"/>"
                                      "<fixed_payload size=\"40\" iterations=\"1\" "
                                      "tx_port=\"0,1\"/></protocols></stream_set></streams>"
                                      "<tx_ports "
                                   << layout.txPortsAttributes << "><port device=\"0\" port=\"1\" "
                                   << layout.portAttributes
                                   << "><assign_stream_set id=\"c\"/></port></tx_ports></corvel>";
  std::ofstream(dir / "run.pyx") << "tx_port 0 1 100 8 133\npcap pcap\ncorvel_load_tcs "
                                    "check.tcs\ncorvel_start\n"
                                    "inject 0 1 host.pcap fcs\nrun\nclose\n";
  ASSERT_TRUE(RunPyxsim(dir, "run.pyx", kTrafficFailed)) << ReadText(dir / "console.txt");
  const fs::path pcapng = dir / "out" / "TxCaptureDev0Port1.pcapng";

  const std::vector<Record> frames = ReadRecords(pcapng);
  ASSERT_EQ(frames.size(), 6u);
  EXPECT_EQ(frames, ReadRecords(dir / "pcap" / "tx0p1.pcap"));
  // The first frame ends 60 + 4 bytes in, at 133 MHz: nanoseconds in the
  // clock's own steps.
  EXPECT_NE(frames[0].nanoseconds % 1000, 0u);

  if (Shell("command -v tshark").empty()) GTEST_SKIP() << "tshark is not installed";
  // One line per frame; each PDU here has one frame and one event-log line,
  // the same whether the port writes its event log or not.
  const std::string pass = "Device 0 Port 1 [s] Pdu contained 1 cell(s) { RxPort 0 Stream 0 Pdu 1 }";
  const std::string fail =
      "Tx Device 0 Port 1 [e] Pdu contained 1 cell(s) IPv4 verification error, payload size does not equal "
      "internal size.\n";
  const std::string lines = pass + "\n" + pass + "[w] IPv4 warning,  TTL is zero \n" + fail + pass +
                            " Routing to port 5 failed\n" + fail + pass +
                            "[w] Udp warning,  CHECKSUM recomputation does not match stored value \n";
  if (fs::exists(dir / "TxEventsDev0Port1.txt")) {
    const std::string log = ReadText(dir / "TxEventsDev0Port1.txt");
    EXPECT_EQ(log.substr(0, log.find("Capture stopped:")), lines);
  }
  EXPECT_EQ(Shell("tshark -n -r '" + pcapng.string() + "' -T fields -e frame.comment 2>/dev/null"), lines);
  EXPECT_EQ(Shell("tshark -n -r '" + pcapng.string() +
                  "' -Y 'frame.comment contains \"[e]\"' -T fields "
                  "-e frame.number 2>/dev/null"),
            "3\n5\n");
  EXPECT_EQ(Shell("tshark -n -r '" + pcapng.string() + "' -T fields -e frame.encap_type -e udp.dstport 2>/dev/null")
                .substr(0, 7),
            "1\t2000\n");
}

// AAL5 over ATM: every cell of a PDU carries the PDU's line; the link type is
// the user one, as no stream starts with Ethernet (link type 147, which
// Wireshark numbers 45 among its own encapsulations).
TEST(PcapngVerdictsOfCells, EveryCellCarriesItsPdusLine) {
  const fs::path dir = fs::path(::testing::TempDir()) / ("pcapng_atm_" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir / "pcap");
  std::string tcs = ReadText(fs::path(CORVEL_TEST_DATA) / "capture" / "aal5_over_atm.tcs");
  const std::string ports = "<tx_ports eventlog_dir=\"./\"";
  ASSERT_NE(tcs.find(ports), std::string::npos);
  tcs.replace(tcs.find(ports), ports.size(), ports + " capture_pcapng_dir=\"./\"");
  std::ofstream(dir / "atm.tcs") << tcs;
  std::ofstream(dir / "run.pyx") << "rx_port 0 0\ntx_port 0 1\nforward 0 0 0 1\npcap pcap\ncorvel_load_tcs atm.tcs\n"
                                    "corvel_start\nrun\nclose\n";
  ASSERT_TRUE(RunPyxsim(dir, "run.pyx")) << ReadText(dir / "console.txt");
  const fs::path pcapng = dir / "TxCaptureDev0Port1.pcapng";
  const std::vector<Record> cells = ReadRecords(pcapng);
  ASSERT_EQ(cells.size(), 17u);
  EXPECT_EQ(cells, ReadRecords(dir / "pcap" / "tx0p1.pcap"));
  if (Shell("command -v tshark").empty()) GTEST_SKIP() << "tshark is not installed";
  std::string expected;
  const int counts[] = {3, 6, 8};
  for (int pdu = 1; pdu <= 3; ++pdu)
    for (int cell = 0; cell < counts[pdu - 1]; ++cell)
      expected += "45\tDevice 0 Port 1 [s] Pdu contained " + std::to_string(counts[pdu - 1]) +
                  " cell(s) { RxPort 0 Stream 0 Pdu " + std::to_string(pdu) + " }\n";
  EXPECT_EQ(Shell("tshark -n -r '" + pcapng.string() + "' -T fields -e frame.encap_type -e frame.comment 2>/dev/null"),
            expected);
}

INSTANTIATE_TEST_SUITE_P(Layouts, PcapngVerdicts,
                         ::testing::Values(Layout{"OnThePort", "eventlog_dir=\"./\"", "capture_pcapng_dir=\"out/\""},
                                           Layout{"DefaultOfTxPorts", "eventlog_dir=\"./\" capture_pcapng_dir=\"out/\"",
                                                  ""},
                                           Layout{"WithoutEventLog", "capture_pcapng_dir=\"out/\"", ""}),
                         [](const auto &info) { return std::string(info.param.name); });

}  // namespace
}  // namespace corvel::test
