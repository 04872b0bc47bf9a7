// Frames of real traffic on a transmit port whose capture streams describe
// them (no payload tag, segments without data allowed): TCP options and data
// offsets, checksums over the segment as captured, full-size 802.1Q frames,
// IPv6 extension headers, and the warnings a failed PDU keeps. Every frame is
// written by hand (real_frames.h) and its event-log line compared whole.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "corvel/protocols/ethernet/ethernet.h"
#include "corvel/protocols/ipv4/ipv4.h"
#include "corvel/protocols/ipv6/ipv6.h"
#include "corvel/protocols/payload/payload_config.h"
#include "corvel/protocols/protocol_stack.h"
#include "corvel/protocols/tcp/tcp.h"
#include "corvel/protocols/udp/udp.h"
#include "corvel/protocols/vlan/vlan.h"
#include "corvel/traffic/port_config.h"
#include "corvel/traffic/port_traffic_capture.h"
#include "real_frames.h"

namespace corvel {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::Ip;
using test::RealFrame;

enum class Stack { Tcp4, Tcp6, VlanTcp4, Tcp4DataOnly, Udp4 };

ProtocolStack MakeStack(Stack which) {
  ProtocolStack stack("real");
  const bool dataOnly = which == Stack::Tcp4DataOnly;
  FixedPayloadConfig payload(dataOnly ? "40" : "0", 1, dataOnly ? EmptyPayload::Refused : EmptyPayload::Allowed);
  payload.setCarriesSignature(false);
  stack.addProtocol(payload);
  if (which == Stack::Udp4) {
    UdpProtocolConfig udp("0000000000000000");
    udp.setValidateLevel(1);
    stack.addProtocol(udp);
  } else {
    TcpProtocolConfig tcp("0000000000000000000000000000000000000000");
    tcp.setValidateLevel(1);
    stack.addProtocol(tcp);
  }
  if (which == Stack::Tcp6) {
    IpV6ProtocolConfig ip("6000000000000640" + std::string(64, '0'));
    ip.setValidateLevel(1);
    stack.addProtocol(ip);
    EthernetProtocolConfig ethernet("00a0c900000200a0c900000186dd", "00000000");
    ethernet.setValidateLevel(1);
    stack.addProtocol(ethernet);
    return stack;
  }
  IpV4ProtocolConfig ip(which == Stack::Udp4 ? "4500000000000000401100000a0000010a000002"
                                              : "4500000000000000400600000a0000010a000002");
  ip.setValidateLevel(1);
  stack.addProtocol(ip);
  if (which == Stack::VlanTcp4) {
    VLanProtocolConfig vlan("00a0c900000200a0c90000018100002a0800", "00000000");
    vlan.setValidateLevel(1);
    stack.addProtocol(vlan);
  } else {
    EthernetProtocolConfig ethernet("00a0c900000200a0c90000010800", "00000000");
    ethernet.setValidateLevel(1);
    stack.addProtocol(ethernet);
  }
  return stack;
}

// Runs one frame through a capture on port 0/1; answers the event log.
std::string Capture(Stack which, const Bytes& frame) {
  const fs::path dir = fs::path(::testing::TempDir()) /
                       ("real_" + std::to_string(getpid()) + "_" +
                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
  fs::remove_all(dir);
  fs::create_directories(dir);
  {
    PortTrafficCapture capture(0, 1);
    PortConfig config(0);
    const std::string directory = dir.string() + "/";
    config.setEventLogDirectory(directory.c_str());
    capture.setPortConfig(config);
    capture.addStream(MakeStack(which));
    capture.initialize();
    for (size_t i = 0; i < frame.size(); ++i) {
      uint8_t byte = frame[i];
      capture.processByte(byte, static_cast<uint32_t>(i + 1), i + 1 == frame.size());
    }
  }
  std::ifstream in(dir / "TxEventsDev0Port1.txt");
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

const std::string kPassed = "Device 0 Port 1 [s] Pdu contained 1 cell(s) { }";
const std::string kFailed = "Tx Device 0 Port 1 [e] Pdu contained 1 cell(s) ";
const std::string kTcpChecksum = "[w] Tcp warning,  CHECKSUM recomputation does not match stored value ";

// IPv6 extension headers (RFC 8200 section 4): hop-by-hop options with one
// PadN option, naming routing; routing of type 253 with no segment left,
// naming fragment; an atomic fragment, naming destination options; and
// destination options with one PadN, naming TCP.
const Bytes kHopByHopToTcp = {6, 0, 0x01, 0x04, 0, 0, 0, 0};
const Bytes kFourExtensions = {43, 0, 0x01, 0x04, 0, 0, 0, 0,           // hop-by-hop
                               44, 0, 253, 0, 0, 0, 0, 0,               // routing
                               60, 0, 0x00, 0x00, 0x12, 0x34, 0x56, 0x78,  // fragment
                               6, 0, 0x01, 0x04, 0, 0, 0, 0};           // destination options
// An authentication header (RFC 4302) naming TCP: 24 bytes, zero ICV.
const Bytes kAuthenticationHeader = {6, 4, 0, 0, 0, 0, 0x01, 0x00, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

struct RealCase {
  const char* name;
  Stack stack;
  RealFrame frame;
  std::string line;
};

void PrintTo(const RealCase& c, std::ostream* out) { *out << c.name; }

class RealTraffic : public ::testing::TestWithParam<RealCase> {};

TEST_P(RealTraffic, EachFrameGetsItsVerdict) {
  const RealCase& c = GetParam();
  const std::string log = Capture(c.stack, test::OnTheWire(test::RealFrameBytes(c.frame)));
  EXPECT_EQ(log.substr(0, log.find("Capture stopped:")), c.line + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Capture, RealTraffic,
    ::testing::Values(
        RealCase{"SynWithOptions", Stack::Tcp4, {.flags = 0x02, .options = test::SynOptions()}, kPassed},
        RealCase{"PureAckOf54Bytes", Stack::Tcp4, {}, kPassed},
        RealCase{"FinAck", Stack::Tcp4, {.flags = 0x11, .options = test::TimestampOptions()}, kPassed},
        RealCase{"DataWithTimestamps",
                 Stack::Tcp4,
                 {.flags = 0x18, .options = test::TimestampOptions(), .data = test::Text("GET / HTTP/1.1\r\n\r\n")},
                 kPassed},
        RealCase{"BadTcpChecksum", Stack::Tcp4, {.data = test::Text("abcd"), .badTransportChecksum = true},
                 kPassed + kTcpChecksum},
        RealCase{"ChangedDataByte", Stack::Tcp4, {.data = test::Text("abcd"), .flipDataByte = 2},
                 kPassed + kTcpChecksum},
        // MSS with a length of 8 in a 4-byte option space.
        RealCase{"OptionLengthPastHeader", Stack::Tcp4, {.options = {0x02, 0x08, 0x05, 0xb4}},
                 kFailed + "TCP verification error, option length runs past the header."},
        RealCase{"OptionLengthByteMissing", Stack::Tcp4, {.options = {0x01, 0x01, 0x01, 0x02}},
                 kFailed + "TCP verification error, option length runs past the header."},
        RealCase{"OptionLengthBelowTwo", Stack::Tcp4, {.options = {0x08, 0x01, 0x00, 0x00}},
                 kFailed + "TCP verification error, option length is less than 2."},
        RealCase{"OptionsAfterEndOfList", Stack::Tcp4, {.options = {0x00, 0x02, 0x08, 0x05}}, kPassed},
        RealCase{"DataOffsetBelowFive", Stack::Tcp4, {.dataOffset = 4},
                 kFailed + "TCP verification error, the internal header size and actual header size does not match."},
        RealCase{"DataOffsetPastSegment", Stack::Tcp4, {.dataOffset = 15, .data = test::Text("abcd")},
                 kFailed + "TCP verification error, the internal header size and actual header size does not match."},
        RealCase{"FailedPduKeepsEarlierWarnings", Stack::Tcp4,
                 {.badIpChecksum = true, .options = {0x02, 0x08, 0x05, 0xb4}},
                 kFailed + "TCP verification error, option length runs past the header. "
                           "[w] IPv4 warning,  CHECKSUM field is not correct "},
        RealCase{"SegmentWithoutDataWhereDataIsExpected", Stack::Tcp4DataOnly, {.flags = 0x02},
                 kFailed + "TCP verification error, protocol contains no payload."},
        RealCase{"UdpWithoutData", Stack::Udp4, {.transport = 17}, kPassed},
        RealCase{"UdpDnsAnswer", Stack::Udp4, {.transport = 17, .data = test::Text("\x12\x34\x81\x80")}, kPassed},
        RealCase{"Vlan1518BytesBeforeFcs", Stack::VlanTcp4, {.vlan = true, .data = Bytes(1460, 0x5a)}, kPassed},
        RealCase{"Vlan1519BytesBeforeFcs", Stack::VlanTcp4, {.vlan = true, .data = Bytes(1461, 0x5a)},
                 kFailed + "VLan verification error, payload size violates the maximum transfer unit."},
        RealCase{"Ipv6BehindHopByHop", Stack::Tcp6,
                 {.ip = Ip::V6, .firstExtension = 0, .extensions = kHopByHopToTcp, .flags = 0x02,
                  .options = test::SynOptions()},
                 kPassed},
        RealCase{"Ipv6BehindFourExtensions", Stack::Tcp6,
                 {.ip = Ip::V6, .firstExtension = 0, .extensions = kFourExtensions, .data = test::Text("abc")},
                 kPassed},
        RealCase{"Ipv6BadChecksumBehindExtensions", Stack::Tcp6,
                 {.ip = Ip::V6, .firstExtension = 0, .extensions = kFourExtensions, .badTransportChecksum = true},
                 kPassed + kTcpChecksum},
        RealCase{"Ipv6ExtensionPastPayload", Stack::Tcp6,
                 {.ip = Ip::V6, .firstExtension = 0, .extensions = {6, 5, 0x01, 0x04, 0, 0, 0, 0}},
                 kFailed + "IpV6 verification error, extension header runs past the payload."},
        // Destination options naming hop-by-hop, which may only come first:
        // the walk ends there (the TCP header happens to follow).
        RealCase{"Ipv6HopByHopNotFirst", Stack::Tcp6,
                 {.ip = Ip::V6, .firstExtension = 60, .extensions = {0, 0, 0x01, 0x04, 0, 0, 0, 0}},
                 kPassed + "[w] IPV6 warning,  NEXT HEADER names an extension header that is not walked "},
        RealCase{"Ipv6UnknownExtension", Stack::Tcp6,
                 {.ip = Ip::V6, .firstExtension = 51, .extensions = kAuthenticationHeader},
                 kFailed + "TCP verification error, the internal header size and actual header size does not match. "
                           "[w] IPV6 warning,  NEXT HEADER names an extension header that is not walked "}),
    [](const ::testing::TestParamInfo<RealCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace corvel
