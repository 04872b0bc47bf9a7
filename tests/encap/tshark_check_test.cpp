// Independent check of the frames we build: every Ethernet-based stack is
// written to a pcap file and decoded by tshark with FCS and checksum
// validation on. Skipped where tshark is not installed. tshark's VLAN decoder
// shows the frame check sequence as an undecoded trailer without checking
// it, so VLAN frames have theirs checked against zlib's CRC-32 instead.
#include <gtest/gtest.h>
#include <pcap/pcap.h>

#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "corvel/protocols/crc32.h"
#include "corvel/protocols/ethernet/ethernet.h"
#include "corvel/protocols/ipv4/ipv4.h"
#include "corvel/protocols/ipv6/ipv6.h"
#include "corvel/protocols/payload/payload_config.h"
#include "corvel/protocols/tcp/tcp.h"
#include "corvel/protocols/udp/udp.h"
#include "corvel/protocols/vlan/vlan.h"
#include "encap_support.h"

#ifdef CORVEL_HAVE_ZLIB
#include <zlib.h>
#endif

namespace corvel {
namespace {

using namespace corvel::test;

bool haveTshark() { return std::system("command -v tshark >/dev/null 2>&1") == 0; }

void writePcap(const std::string& path, const std::vector<Bytes>& frames) {
  pcap_t* dead = pcap_open_dead(DLT_EN10MB, 65535);
  ASSERT_NE(dead, nullptr);
  pcap_dumper_t* dumper = pcap_dump_open(dead, path.c_str());
  ASSERT_NE(dumper, nullptr) << pcap_geterr(dead);
  for (size_t i = 0; i < frames.size(); ++i) {
    pcap_pkthdr header{};
    header.ts.tv_sec = static_cast<time_t>(i);
    header.caplen = static_cast<bpf_u_int32>(frames[i].size());
    header.len = header.caplen;
    pcap_dump(reinterpret_cast<u_char*>(dumper), &header, frames[i].data());
  }
  pcap_dump_close(dumper);
  pcap_close(dead);
}

// One line per frame: frame number, then the FCS, IPv4 header, UDP and TCP
// checksum statuses, the VLAN identifier and any malformed-packet mark.
std::vector<std::string> tsharkFields(const std::string& path) {
  const std::string command =
      "tshark -n -r '" + path +
      "' -o eth.fcs:true -o eth.check_fcs:TRUE -o ip.check_checksum:TRUE"
      " -o udp.check_checksum:TRUE -o tcp.check_checksum:TRUE -T fields -E separator=,"
      " -e frame.number -e eth.fcs.status -e ip.checksum.status -e udp.checksum.status"
      " -e tcp.checksum.status -e vlan.id -e _ws.malformed 2>/dev/null";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::vector<std::string> lines;
  if (!pipe) return lines;
  char buffer[512];
  while (fgets(buffer, sizeof buffer, pipe.get()) != nullptr) {
    std::string line(buffer);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

FixedPayloadConfig payload(const std::string& sizes) {
  FixedPayloadConfig p(sizes, 1);
  p.setPatternType(2);
  p.setTxPort(1, 2);
  return p;
}

const char* kVlanIpv4 = "001122334455" "0066778899aa" "8100" "6064" "0800";
const char* kVlanIpv6 = "001122334455" "0066778899aa" "8100" "2123" "86dd";

// Every PDU of every stack, with the statuses tshark must report for it.
struct Expected {
  Bytes frame;
  // FCS, IPv4 header, UDP, TCP status (1 good, 0 bad, empty: no such
  // layer) and VLAN identifier, e.g. "1,1,1,," for UDP in IPv4 in Ethernet.
  std::string fields;
  bool vlan = false;
};

// The four trailing bytes against zlib's CRC-32 (the 802.3 FCS), least
// significant byte first.
void expectFcsByZlib(const Bytes& frame) {
#ifdef CORVEL_HAVE_ZLIB
  ASSERT_GE(frame.size(), 4u);
  const uLong crc = ::crc32(::crc32(0L, Z_NULL, 0), frame.data(), static_cast<uInt>(frame.size() - 4));
  const Bytes wire{static_cast<uint8_t>(crc), static_cast<uint8_t>(crc >> 8), static_cast<uint8_t>(crc >> 16),
                   static_cast<uint8_t>(crc >> 24)};
  EXPECT_EQ(Bytes(frame.end() - 4, frame.end()), wire);
#else
  (void)frame;
#endif
}

std::vector<Expected> buildFrames() {
  // Small sizes around the padding limits, then the largest each stack carries.
  const std::string sizes = "1,10,18,19,100,333,1000,";
  const EthernetProtocolConfig eth4(kEthIpv4, "00000000"), eth6(kEthIpv6, "00000000");
  const IpV4ProtocolConfig udp4(ipv4Header("11")), tcp4(ipv4Header("06"));
  const IpV6ProtocolConfig udp6(ipv6Header("11")), tcp6(ipv6Header("06"));
  const UdpProtocolConfig udp(kUdp);
  const TcpProtocolConfig tcp(kTcp);
  const VLanProtocolConfig vlan4(kVlanIpv4, "00000000"), vlan6(kVlanIpv6, "00000000");

  std::vector<Expected> out;
  auto add = [&](const ProtocolStack& stack, const std::string& fields, bool vlan = false) {
    auto builder = builderOf(stack, true, 3, 0, 5);
    for (int pdu = 1;; ++pdu) {
      const GeneratedFrameList frames = builder->generate(pdu);
      if (frames.empty()) break;
      for (const GeneratedStreamFrame& f : frames) out.push_back({bytesOf(f.data()), fields, vlan});
    }
  };
  add(stackOf(payload(sizes + "1472"), udp, udp4, eth4), "1,1,1,,");
  add(stackOf(payload(sizes + "1460"), tcp, tcp4, eth4), "1,1,,1,");
  add(stackOf(payload(sizes + "1452"), udp, udp6, eth6), "1,,1,,");
  add(stackOf(payload(sizes + "1440"), tcp, tcp6, eth6), "1,,,1,");
  add(stackOf(payload(sizes + "1468"), udp, udp4, vlan4), ",1,1,,100", true);
  add(stackOf(payload(sizes + "1436"), tcp, tcp6, vlan6), ",,,1,291", true);
  // A source port that makes the UDP sum complement to 0: sent as ffff.
  UdpProtocolConfig zero(kUdp);
  zero.setSourcePort(0x12f3);
  add(stackOf(FixedPayloadConfig("10", 1), zero, udp4, eth4), "1,1,1,,");
  return out;
}

TEST(TsharkCheck, EveryEthernetStackDecodesWithGoodChecksums) {
  if (!haveTshark()) GTEST_SKIP() << "tshark is not installed";
  const std::vector<Expected> expected = buildFrames();
  std::vector<Bytes> frames;
  for (const Expected& e : expected) frames.push_back(e.frame);
  const std::string path = ::testing::TempDir() + "corvel_encap_check.pcap";
  writePcap(path, frames);

  const std::vector<std::string> lines = tsharkFields(path);
  ASSERT_EQ(lines.size(), expected.size());
  for (size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i], std::to_string(i + 1) + "," + expected[i].fields + ",") << "frame " << i + 1;
    if (expected[i].vlan) expectFcsByZlib(expected[i].frame);
  }
}

// The same decoding flags a frame, IPv4 header or UDP datagram whose bytes
// changed after they were summed: the check above can fail.
TEST(TsharkCheck, DamagedFramesAreReportedBad) {
  if (!haveTshark()) GTEST_SKIP() << "tshark is not installed";
  const std::vector<Expected> expected = buildFrames();
  Bytes good = expected[4].frame;  // UDP in IPv4 in Ethernet, 100 payload bytes
  ASSERT_EQ(good.size(), 14u + 20 + 8 + 100 + 4);

  Bytes badFcs = good;
  badFcs[14 + 20 + 8 + 100] ^= 0x01;  // first FCS byte
  Bytes badIp = good;
  badIp[14 + 8] ^= 0x01;  // TTL
  Bytes badUdp = good;
  badUdp[14 + 20 + 8 + 50] ^= 0x01;  // a payload byte, FCS made good again
  EthernetFcs::shared().store(std::span<const uint8_t>(badUdp).first(badUdp.size() - 4),
                              std::span<uint8_t>(badUdp).last(4));
  EthernetFcs::shared().store(std::span<const uint8_t>(badIp).first(badIp.size() - 4),
                              std::span<uint8_t>(badIp).last(4));

  const std::string path = ::testing::TempDir() + "corvel_encap_damaged.pcap";
  writePcap(path, {good, badFcs, badIp, badUdp});
  const std::vector<std::string> lines = tsharkFields(path);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "1,1,1,1,,,");
  EXPECT_EQ(lines[1], "2,0,1,1,,,");
  EXPECT_EQ(lines[2].substr(0, 6), "3,1,0,");
  EXPECT_EQ(lines[3], "4,1,1,0,,,");
}

}  // namespace
}  // namespace corvel
