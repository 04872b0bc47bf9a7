// Expected content (validate_level="3") and headers that name another
// protocol than the stream has, through pyxsim with the real plug-in:
// frames built here byte by byte (RFC 791, RFC 8200, RFC 768, RFC 9293,
// IEEE 802.1Q), checksums computed here, injected into transmit port 0/1
// with their FCS added, and the port's event log read back line by line.
#include <gtest/gtest.h>
#include <pcap/pcap.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "hand_frames.h"
#include "pyxsim_run.h"

namespace corvel::test {
namespace {

namespace fs = std::filesystem;

struct Build {
  bool vlan = false;
  uint8_t priority = 0;  // of the 802.1Q tag, VLAN id 7
  uint16_t vlanId = 7;
  bool ipv6 = false;
  bool tcp = false;
  uint8_t destMac = 2;     // 00:a0:c9:00:00:NN
  uint8_t destIp = 1;      // 192.168.2.N, or 2001:db8::N
  uint16_t sourcePort = 1000;
  uint16_t destPort = 2000;
  int flipPayloadByte = -1;  // a payload offset whose byte is changed
  size_t payloadSize = 40;
};

void Put16(Bytes& bytes, size_t at, uint32_t value) {
  bytes[at] = static_cast<uint8_t>(value >> 8);
  bytes[at + 1] = static_cast<uint8_t>(value);
}

// Ethernet (or 802.1Q) / IPv4 10.0.0.1 -> 192.168.2.1 (or IPv6 2001:db8::1
// -> 2001:db8::1) / UDP or TCP 1000 -> 2000 / 40 payload bytes: the tag of
// transmit port 0/1, receive port 0/0, stream 0, PDU 1, then 0xdd (pattern
// type 1; a sequenced stream reads bytes 4 to 7 as its sequence number). Without the FCS, which the injection adds.
Bytes Frame(const Build& b) {
  Bytes payload = {0x01, 0x00, 0x00, 0x01};
  payload.resize(b.payloadSize, 0xdd);
  if (b.flipPayloadByte >= 0) payload[static_cast<size_t>(b.flipPayloadByte)] ^= 0x20;
  Bytes segment(b.tcp ? 20 : 8, 0);
  Put16(segment, 0, b.sourcePort);
  Put16(segment, 2, b.destPort);
  if (b.tcp) {
    segment[12] = 0x50;  // data offset 5
    segment[13] = 0x18;  // PSH, ACK
    Put16(segment, 14, 4096);
  } else {
    Put16(segment, 4, static_cast<uint32_t>(8 + payload.size()));
  }
  segment.insert(segment.end(), payload.begin(), payload.end());
  const uint32_t upper = b.tcp ? 6 : 17;
  Bytes ip;
  if (b.ipv6) {
    ip = {0x60, 0x00, 0x00, 0x01, 0, 0, static_cast<uint8_t>(upper), 64};
    Put16(ip, 4, static_cast<uint32_t>(segment.size()));
    for (uint8_t last : {uint8_t{1}, b.destIp}) {
      const Bytes address = {0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, last};
      ip.insert(ip.end(), address.begin(), address.end());
    }
  } else {
    ip = {0x45, 0, 0, 0, 0, 0, 0, 0, 64, static_cast<uint8_t>(upper), 0, 0, 10, 0, 0, 1, 192, 168, 2, b.destIp};
    Put16(ip, 2, static_cast<uint32_t>(20 + segment.size()));
    Put16(ip, 10, Fold(Sum16(ip, 0, 20)));
  }
  // The pseudo-header: addresses, then protocol and length (RFC 768, RFC 8200 8.1).
  const size_t addresses = b.ipv6 ? 8 : 12;
  uint32_t sum = Sum16(ip, addresses, b.ipv6 ? 32 : 8) + upper + static_cast<uint32_t>(segment.size());
  uint16_t check = Fold(Sum16(segment, 0, segment.size(), sum));
  if (!b.tcp && check == 0) check = 0xffff;
  Put16(segment, b.tcp ? 16 : 6, check);
  Bytes frame = {0x00, 0xa0, 0xc9, 0, 0, b.destMac, 0x00, 0xa0, 0xc9, 0, 0, 1};
  if (b.vlan) {
    frame.insert(frame.end(), {0x81, 0x00, 0, 0});
    Put16(frame, 14, static_cast<uint32_t>(b.priority) << 13 | b.vlanId);
  }
  frame.insert(frame.end(), {0, 0});
  Put16(frame, frame.size() - 2, b.ipv6 ? 0x86dd : 0x0800);
  frame.insert(frame.end(), ip.begin(), ip.end());
  frame.insert(frame.end(), segment.begin(), segment.end());
  return frame;
}

void WritePcap(const fs::path& path, const std::vector<Bytes>& frames) {
  pcap_t* dead = pcap_open_dead(DLT_EN10MB, 65536);
  pcap_dumper_t* dumper = pcap_dump_open(dead, path.c_str());
  uint32_t microseconds = 0;
  for (const Bytes& frame : frames) {
    pcap_pkthdr header{};
    header.ts.tv_usec = microseconds += 20;
    header.caplen = header.len = static_cast<bpf_u_int32>(frame.size());
    pcap_dump(reinterpret_cast<u_char*>(dumper), &header, frame.data());
  }
  pcap_dump_close(dumper);
  pcap_close(dead);
}

// The capture stream sets (their <protocols> contents, %d the level).
const char* const kUdpV4 =
    "<ethernet dest_addr=\"0x00a0c9000002\" protocol_type=\"0x0800\" validate_level=\"%d\"/>"
    "<ipv4 protocol=\"17\" dest_addr=\"192.168.2.1\" validate_level=\"%d\"/>"
    "<udp dest_port=\"2000\" validate_level=\"%d\"/>"
    "<fixed_payload size=\"40\" tx_port=\"0,1\" validate_level=\"%d\"/>";
const char* const kTcpV4 =
    "<ethernet dest_addr=\"0x00a0c9000002\" validate_level=\"%d\"/>"
    "<ipv4 src_addr=\"10.0.0.1\" validate_level=\"%d\"/>"
    "<tcp src_port=\"1000\" dest_port=\"2000\" validate_level=\"%d\"/>"
    "<fixed_payload size=\"40\" tx_port=\"0,1\" validate_level=\"%d\"/>";
const char* const kUdpV6 =
    "<ethernet dest_addr=\"0x00a0c9000002\" validate_level=\"%d\"/>"
    "<ipv6 dest_addr=\"0x20010db8000000000000000000000001\" next_header=\"17\" validate_level=\"%d\"/>"
    "<udp dest_port=\"2000\" validate_level=\"%d\"/>"
    "<fixed_payload size=\"40\" tx_port=\"0,1\" validate_level=\"%d\"/>";
const char* const kUdpVlan =
    "<vlan dest_addr=\"0x00a0c9000002\" vlan_id=\"7\" validate_level=\"%d\"/>"
    "<ipv4 dest_addr=\"192.168.2.1\" validate_level=\"%d\"/>"
    "<udp dest_port=\"2000\" validate_level=\"%d\"/>"
    "<fixed_payload size=\"40\" tx_port=\"0,1\" validate_level=\"%d\"/>";

const char* const kIncrement =
    "<ethernet/><ipv4/><udp/>"
    "<increment_payload start_size=\"20\" end_size=\"60\" incr=\"20\" tx_port=\"0,1\" validate_level=\"%d\"/>";
const char* const kSequenced =
    "<ethernet/><ipv4/><udp/>"
    "<random_payload min_size=\"30\" max_size=\"50\" sequence=\"1\" tx_port=\"0,1\" validate_level=\"%d\"/>";

std::string Layers(const char* form, int level) {
  char text[1024];
  std::snprintf(text, sizeof text, form, level, level, level, level);
  return text;
}

// Runs the frames through transmit port 0/1 against the stream sets (id,
// protocols) and answers the event log's PDU lines.
std::string Verdicts(const std::string& name, const std::vector<std::pair<std::string, std::string>>& sets,
                     const std::vector<Bytes>& frames, int status) {
  const fs::path dir = fs::path(::testing::TempDir()) / ("content_" + name + "_" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  WritePcap(dir / "host.pcap", frames);
  std::string tcs = "<corvel><streams>";
  std::string assign;
  for (const auto& [id, protocols] : sets) {
    tcs += "<stream_set id=\"" + id + "\" type=\"capture\"><protocols>" + protocols + "</protocols></stream_set>";
    assign += "<assign_stream_set id=\"" + id + "\"/>";
  }
  tcs += "</streams><tx_ports eventlog_dir=\"./\"><port device=\"0\" port=\"1\">" + assign +
         "</port></tx_ports></corvel>";
  std::ofstream(dir / "check.tcs") << tcs;
  std::ofstream(dir / "run.pyx") << "tx_port 0 1\ncorvel_load_tcs check.tcs\ncorvel_start\n"
                                    "inject 0 1 host.pcap fcs\nrun\nclose\n";
  EXPECT_TRUE(RunPyxsim(dir, "run.pyx", status)) << ReadText(dir / "console.txt");
  const std::string log = ReadText(dir / "TxEventsDev0Port1.txt");
  return log.substr(0, log.find("Capture stopped:"));
}

const std::string kPassed = "Device 0 Port 1 [s] Pdu contained 1 cell(s) { RxPort 0 Stream 0 Pdu 1 }\n";

std::string Failed(const std::string& text) { return "Tx Device 0 Port 1 [e] Pdu contained 1 cell(s) " + text + "\n"; }

struct ContentCase {
  const char* stack;  // kUdpV4, ...
  Build frame;
  std::string atLevel3;  // the error, or empty when the PDU passes
};

// One stack per run: every row of a stack is a frame of its capture, and
// each run is made at level 3 and at level 1.
TEST(ExpectedContent, EachChangedFieldFailsAtLevel3AndPassesAtLevel1) {
  const std::vector<ContentCase> cases = {
      {kUdpV4, {}, ""},
      {kUdpV4, {.destMac = 9}, "Ethernet verification error, DESTINATION is 00:a0:c9:00:00:09, expected 00:a0:c9:00:00:02"},
      {kUdpV4, {.destIp = 9}, "IPv4 verification error, DEST_ADDR is 192.168.2.9, expected 192.168.2.1"},
      {kUdpV4, {.destPort = 2009}, "UDP verification error, DESTINATION is 2009, expected 2000"},
      {kUdpV4, {.flipPayloadByte = 20}, "Payload verification error, byte 20 is 0xfd, expected 0xdd"},
      // src_port is not written: never compared.
      {kUdpV4, {.sourcePort = 7}, ""},
      {kUdpV4,
       {.destIp = 9, .destPort = 2009},
       "IPv4 verification error, DEST_ADDR is 192.168.2.9, expected 192.168.2.1; "
       "UDP verification error, DESTINATION is 2009, expected 2000"},
      {kTcpV4, {.tcp = true}, ""},
      {kTcpV4, {.tcp = true, .destPort = 2009}, "TCP verification error, DESTINATION is 2009, expected 2000"},
      {kTcpV4, {.tcp = true, .sourcePort = 1009}, "TCP verification error, SOURCE is 1009, expected 1000"},
      // dest_addr is not written in this stack's ipv4.
      {kTcpV4, {.tcp = true, .destIp = 9}, ""},
      {kUdpV6, {.ipv6 = true}, ""},
      {kUdpV6, {.ipv6 = true, .destIp = 9}, "IpV6 verification error, DEST_ADDR is 2001:db8::9, expected 2001:db8::1"},
      {kUdpV6, {.ipv6 = true, .destPort = 9}, "UDP verification error, DESTINATION is 9, expected 2000"},
      {kUdpVlan, {.vlan = true}, ""},
      {kUdpVlan, {.vlan = true, .vlanId = 9}, "VLan verification error, ID is 9, expected 7"},
      // The priority shares its bytes with the VLAN id: under the mask of
      // the written vlan_id it is not compared.
      {kUdpVlan, {.vlan = true, .priority = 5}, ""},
      {kIncrement, {.payloadSize = 60}, ""},
      {kIncrement, {.payloadSize = 50}, "Payload verification error, size is 50, expected 20 to 60 in steps of 20"},
      {kIncrement, {.payloadSize = 80}, "Payload verification error, size is 80, expected 20 to 60 in steps of 20"},
      // The sequence number is no pattern byte; the first byte behind it is.
      {kSequenced, {.flipPayloadByte = 7}, ""},
      {kSequenced, {.flipPayloadByte = 8}, "Payload verification error, byte 8 is 0xfd, expected 0xdd"},
      {kSequenced,
       {.flipPayloadByte = 12, .payloadSize = 51},
       "Payload verification error, size is 51, expected 30 to 50; "
       "Payload verification error, byte 12 is 0xfd, expected 0xdd"},
  };
  for (const char* stack : {kUdpV4, kTcpV4, kUdpV6, kUdpVlan, kIncrement, kSequenced}) {
    std::vector<Bytes> frames;
    std::string level3;
    std::string level1;
    bool fails = false;
    for (const ContentCase& row : cases) {
      if (row.stack != stack) continue;
      frames.push_back(Frame(row.frame));
      level3 += row.atLevel3.empty() ? kPassed : Failed(row.atLevel3);
      level1 += kPassed;
      fails = fails || !row.atLevel3.empty();
    }
    const std::string name = std::to_string(frames.size()) + "_" + std::to_string(level3.size());
    EXPECT_EQ(Verdicts("l3_" + name, {{"c", Layers(stack, 3)}}, frames, fails ? kTrafficFailed : 0), level3);
    EXPECT_EQ(Verdicts("l1_" + name, {{"c", Layers(stack, 1)}}, frames, 0), level1);
  }
}

// Two streams of one structure: a PDU is the first's whose compared fields
// all match; matching none, it fails against the stream that matched most.
TEST(ExpectedContent, SeveralStreamsOfOneStructure) {
  const auto udp = [](int source, int dest) {
    return "<ethernet/><ipv4/><udp src_port=\"" + std::to_string(source) + "\" dest_port=\"" + std::to_string(dest) +
           "\" validate_level=\"3\"/><fixed_payload size=\"40\" tx_port=\"0,1\"/>";
  };
  const std::vector<Bytes> frames = {Frame({.destPort = 2000}), Frame({.sourcePort = 1001, .destPort = 3000}),
                                     Frame({.destPort = 4000}), Frame({.sourcePort = 1001, .destPort = 4000}),
                                     Frame({.sourcePort = 1002, .destPort = 4000})};
  EXPECT_EQ(Verdicts("streams", {{"a", udp(1000, 2000)}, {"b", udp(1001, 3000)}}, frames, kTrafficFailed),
            kPassed + kPassed +
                Failed("UDP verification error, DESTINATION is 4000, expected 2000 (closest stream a)") +
                Failed("UDP verification error, DESTINATION is 4000, expected 3000 (closest stream b)") +
                Failed("UDP verification error, SOURCE is 1002, expected 1000; UDP verification error, "
                       "DESTINATION is 4000, expected 2000 (closest stream a)"));
}

// A header naming another protocol than the stream has fails as such, at
// every level, before the layer inside is read as the stream's.
TEST(StructureNamed, HeaderNamesAnotherProtocol) {
  const std::vector<Bytes> frames = {Frame({.tcp = true}), Frame({.ipv6 = true}), Frame({})};
  for (int level : {0, 1}) {
    EXPECT_EQ(Verdicts("named" + std::to_string(level), {{"c", Layers(kUdpV4, level)}}, frames, kTrafficFailed),
              Failed("IPv4 verification error, PRC is 6 (TCP), expected 17 (UDP)") +
                  Failed("Ethernet verification error, PROTOCOL is 0x86dd (IPv6), expected 0x0800 (IPv4)") + kPassed);
  }
  EXPECT_EQ(Verdicts("named6", {{"c", Layers(kUdpV6, 1)}}, {Frame({.ipv6 = true, .tcp = true})}, kTrafficFailed),
            Failed("IpV6 verification error, NH is 6 (TCP), expected 17 (UDP)"));
}

}  // namespace
}  // namespace corvel::test
