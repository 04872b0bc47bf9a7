// Exact frame images of Ethernet-based stacks. Checksums were summed by hand
// from RFC 791/768/793 (see the comments); the frame check sequences are the
// IEEE 802.3 CRC-32 of the bytes before them, least significant byte first.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "corvel/protocols/crc32.h"
#include "corvel/protocols/ethernet/ethernet.h"
#include "corvel/protocols/ipv4/ipv4.h"
#include "corvel/protocols/ipv6/ipv6.h"
#include "corvel/protocols/payload/payload_config.h"
#include "corvel/protocols/tcp/tcp.h"
#include "corvel/protocols/udp/udp.h"
#include "corvel/protocols/vlan/vlan.h"
#include "encap_support.h"

namespace corvel {
namespace {

using namespace corvel::test;

struct ImageCase {
  const char* name;
  std::function<ProtocolStack()> stack;
  int32_t streamIndex;
  Bytes frame;  // the one frame of the first PDU
};

FixedPayloadConfig payload(const char* sizes, int32_t pattern = 1, bool tagged = false) {
  FixedPayloadConfig p(sizes, 1);
  p.setPatternType(pattern);
  if (tagged) p.setTxPort(1, 2);
  return p;
}

const ImageCase kImages[] = {
    // 10 tagged payload bytes: tx device 1 port 2 -> 22, rx device 0 port 3 ->
    // 03, stream 0, first PDU 01; padded with 36 bytes to the 46-byte minimum.
    {"TenBytesPaddedTo64",
     [] {
       return stackOf(payload("10", 1, true), EthernetProtocolConfig(kEthLocal, "00000000"));
     },
     0,
     cat({hex(kEthLocal), hex("22030001"), repeat(0xdd, 6), repeat(0xee, 36), hex("7f46f204")})},
    // Payload 100 (pattern 2, stream 5) in UDP in IPv4: total length 0080,
    // UDP length 006c.
    // IPv4: 4500+0080+1234+4000+4011+c0a8+0001+c0a8+0002 = 25918 -> 591a -> a6e5.
    {"UdpIpv4Ethernet100",
     [] {
       return stackOf(payload("100", 2, true), UdpProtocolConfig(kUdp), IpV4ProtocolConfig(ipv4Header("11")),
                       EthernetProtocolConfig(kEthIpv4, "00000000"));
     },
     5,
     cat({hex(kEthIpv4), hex("4500 0080 1234 4000 4011 a6e5 c0a80001 c0a80002"), hex("04d2 162e 006c 44fb"),
          hex("22030501"), pattern2(96, 4), hex("a3318739")})},
    // TCP in IPv4: data offset becomes 5; checksum over pseudo-header
    // (c0a80001 c0a80002 0006 0028), header and 20 data bytes.
    {"TcpIpv4Ethernet",
     [] {
       return stackOf(payload("20"), TcpProtocolConfig(kTcp), IpV4ProtocolConfig(ipv4Header("06")),
                       EthernetProtocolConfig(kEthIpv4, "00000000"));
     },
     0,
     cat({hex(kEthIpv4), hex("4500 003c 1234 4000 4006 a734 c0a80001 c0a80002"),
          hex("04d2 0050 00000001 00000000 5018 ffff 7e97 0000"), repeat(0xdd, 20), hex("3033aa07")})},
    // TCP in IPv6: payload length 0028; pseudo-header with the 16-byte addresses.
    {"TcpIpv6Ethernet",
     [] {
       return stackOf(payload("20"), TcpProtocolConfig(kTcp), IpV6ProtocolConfig(ipv6Header("06")),
                       EthernetProtocolConfig(kEthIpv6, "00000000"));
     },
     0,
     cat({hex(kEthIpv6), hex("60000000 0028 06 40"), hex("20010db8000000000000000000000001"),
          hex("20010db8000000000000000000000002"), hex("04d2 0050 00000001 00000000 5018 ffff a476 0000"),
          repeat(0xdd, 20), hex("2c474a89")})},
    // UDP straight under VLAN: no IP layer, so no pseudo-header and checksum 0;
    // 18 bytes padded to the VLAN minimum of 42.
    {"UdpUnderVlanHasNoChecksum",
     [] {
       return stackOf(payload("10"), UdpProtocolConfig(kUdp),
                       VLanProtocolConfig("001122334455" "0066778899aa" "8100" "6064" "88b5", "00000000"));
     },
     0,
     cat({hex("001122334455 0066778899aa 8100 6064 88b5"), hex("04d2 162e 0012 0000"), repeat(0xdd, 10),
          repeat(0xee, 24), hex("029f4f66")})},
};

void PrintTo(const ImageCase& c, std::ostream* os) { *os << c.name; }

class EthernetImage : public ::testing::TestWithParam<ImageCase> {};

TEST_P(EthernetImage, FirstPduIsExactly) {
  const ImageCase& c = GetParam();
  const ProtocolStack stack = c.stack();
  auto builder = builderOf(stack, true, c.streamIndex);
  const GeneratedFrameList frames = builder->generate(1);
  ASSERT_EQ(frames.size(), 1u);
  const GeneratedStreamFrame& frame = frames[0];
  EXPECT_EQ(bytesOf(frame.data()), c.frame);
  EXPECT_GE(frame.length(), 64);
  EXPECT_TRUE(frame.isFirst());
  EXPECT_TRUE(frame.isLast());
  EXPECT_EQ(frame.kind(), enFrameNew);
  // The PDU is the frame without datalink header, padding and trailer.
  const int32_t header = stack.at(stack.count() - 1).headerLength();
  EXPECT_EQ(bytesOf(frame.pdu()), Bytes(frame.data().begin() + header, frame.data().begin() + header + frame.pdu().size()));
}

INSTANTIATE_TEST_SUITE_P(Stacks, EthernetImage, ::testing::ValuesIn(kImages),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(EthernetFrame, UdpZeroChecksumSentAsAllOnes) {
  UdpProtocolConfig udp(kUdp);
  udp.setSourcePort(0x12f3);
  const ProtocolStack stack = stackOf(payload("10"), udp, IpV4ProtocolConfig(ipv4Header("11")),
                                       EthernetProtocolConfig(kEthIpv4, "00000000"));
  const GeneratedFrameList frames = builderOf(stack)->generate(1);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(bytesOf(frames[0].data().subspan(34, 8)), hex("12f3 162e 0012 ffff"));
}

TEST(EthernetFrame, LargestPayloadAndOneByteMore) {
  const EthernetProtocolConfig eth(kEthLocal, "00000000");
  const ProtocolStack fits = stackOf(payload("1500"), eth);
  const GeneratedFrameList frames = builderOf(fits)->generate(1);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].length(), 1518);
  EXPECT_EQ(bytesOf(frames[0].data().subspan(14, 1500)), repeat(0xdd, 1500));  // no padding
  EXPECT_EQ(EthernetFcs::shared().compute(frames[0].data()), 0x2144DF1Cu);

  const ProtocolStack tooLarge = stackOf(payload("1501"), eth);
  auto builder = builderOf(tooLarge);
  EXPECT_EQ(throwText([&] { builder->generate(1); }),
            "Payload exceeds the maximum transfer unit size and the protocol does not allow fragmentation.");
}

TEST(EthernetFrame, WithoutCrcTheConfiguredTrailerGoesOut) {
  const ProtocolStack stack = stackOf(payload("10"), EthernetProtocolConfig(kEthLocal, "deadbeef"));
  const GeneratedFrameList frames = builderOf(stack, false)->generate(1);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(bytesOf(frames[0].data()), cat({hex(kEthLocal), repeat(0xdd, 10), repeat(0xee, 36), hex("deadbeef")}));
}

TEST(EthernetFrame, XvlanPadsToSixtyFourBytes) {
  const XVLanProtocolConfig xvlan("001122334455" "0066778899aa" "8100" "6064" "0032" "aaaa03" "0000000800",
                                  "00000000");
  const ProtocolStack stack = stackOf(payload("10", 2), xvlan);
  const GeneratedFrameList frames = builderOf(stack)->generate(1);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].length(), 26 + 34 + 4);
  EXPECT_EQ(bytesOf(frames[0].data().subspan(36, 24)), (Bytes{0x0a, 0x0b, 0x0c, 0x0d, 0x0e, 0x0a, 0x0b, 0x0c,
                                                              0x0d, 0x0e, 0x0a, 0x0b, 0x0c, 0x0d, 0x0e, 0x0a,
                                                              0x0b, 0x0c, 0x0d, 0x0e, 0x0a, 0x0b, 0x0c, 0x0d}));
  EXPECT_EQ(EthernetFcs::shared().compute(frames[0].data()), 0x2144DF1Cu);
}

}  // namespace
}  // namespace corvel
