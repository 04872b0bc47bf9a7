// IPv6, RTP, compressed headers, full header, context state, generic layers
// and the chain factory's refusals.
#include <gtest/gtest.h>

#include "corvel/protocols/checksum.h"
#include "corvel/protocols/compressed_header/compressed_header.h"
#include "corvel/protocols/context_state.h"
#include "corvel/protocols/ethernet/ethernet.h"
#include "corvel/protocols/full_header/full_header.h"
#include "corvel/protocols/generic/generic.h"
#include "corvel/protocols/ipv4/ipv4.h"
#include "corvel/protocols/ipv6/ipv6.h"
#include "corvel/protocols/payload/payload_config.h"
#include "corvel/protocols/rtp/rtp.h"
#include "corvel/protocols/tcp/tcp.h"
#include "corvel/protocols/udp/udp.h"
#include "corvel/protocols/vlan/vlan.h"
#include "encap_support.h"

namespace corvel {
namespace {

using namespace corvel::test;

const GenericProtocolConfig kLink("ab", "");
constexpr std::string_view kXvlan = "001122334455" "0066778899aa" "8100" "6064" "0032" "aaaa03" "0000000800";

// UDP in IPv6: the pseudo-header takes IPv6 bytes 8-23 and 24-39, so a
// receiver's sum over it and the datagram comes to ffff.
TEST(OtherLayers, UdpInIpv6UsesTheIpv6Addresses) {
  const ProtocolStack stack = stackOf(FixedPayloadConfig("33", 1), UdpProtocolConfig(kUdp),
                                      IpV6ProtocolConfig(ipv6Header("11")), EthernetProtocolConfig(kEthIpv6, "00000000"));
  const GeneratedFrameList frames = builderOf(stack)->generate(1);
  ASSERT_EQ(frames.size(), 1u);
  const auto frame = frames[0].data();
  EXPECT_EQ(bytesOf(frame.subspan(18, 2)), hex("0029"));  // IPv6 payload length 41
  const auto datagram = frame.subspan(54, 41);
  EXPECT_EQ(bytesOf(datagram.first(6)), hex("04d2 162e 0029"));
  uint64_t sum = onesComplementAdd(0, frame.subspan(22, 32));
  sum += 17 + 41;
  EXPECT_EQ(foldChecksum(onesComplementAdd(sum, datagram)), 0xffff);
}

TEST(OtherLayers, RtpHeaderCopiedInsideUdp) {
  const ProtocolStack stack =
      stackOf(FixedPayloadConfig("16", 1), RtpProtocolConfig("8060000100000064" "12345678"), UdpProtocolConfig(kUdp),
              IpV4ProtocolConfig(ipv4Header("11")), EthernetProtocolConfig(kEthIpv4, "00000000"));
  const GeneratedFrameList frames = builderOf(stack)->generate(1);
  ASSERT_EQ(frames.size(), 1u);
  const auto frame = frames[0].data();
  EXPECT_EQ(bytesOf(frame.subspan(16, 2)), hex("0038"));  // IPv4 total length 20 + 8 + 12 + 16
  EXPECT_EQ(bytesOf(frame.subspan(38, 2)), hex("0024"));  // UDP length 8 + 12 + 16
  EXPECT_EQ(bytesOf(frame.subspan(42, 28)), cat({hex("8060000100000064 12345678"), repeat(0xdd, 16)}));
}

// TCP inside a layer that is not IP has no pseudo-header: the checksum covers
// the 20 header bytes alone (summed in crc_checksum_test: aac4).
TEST(OtherLayers, TcpUnderVlanSumsItsHeaderOnly) {
  const ProtocolStack stack = stackOf(FixedPayloadConfig("20", 1), TcpProtocolConfig(kTcp),
                                      VLanProtocolConfig("001122334455" "0066778899aa" "8100" "6064" "0800", "00000000"));
  const GeneratedFrameList frames = builderOf(stack)->generate(1);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(bytesOf(frames[0].data().subspan(18, 20)), hex("04d2 0050 00000001 00000000 5018 ffff aac4 0000"));
}

TEST(OtherLayers, CompressedHeadersAreCopiedAsBuilt) {
  CompressedRtpProtocolConfig rtp;
  rtp.setOptions({.udpChecksum = 0x1234});
  rtp.buildHeader(true);
  rtp.setContextId(0x0102);
  rtp.setSequence(5);
  CompressedNonTcpProtocolConfig nonTcp;
  nonTcp.buildHeader(true);
  nonTcp.setContextId(0x0a0b);
  nonTcp.setGeneration(3);
  nonTcp.setSequence(4);
  const XVLanProtocolConfig xvlan(kXvlan, "00000000");

  GeneratedFrameList frames = builderOf(stackOf(FixedPayloadConfig("10", 1), rtp, xvlan))->generate(1);
  ASSERT_EQ(frames.size(), 1u);
  // 5 + 10 bytes padded by 19 to the XVLAN minimum of 34.
  EXPECT_EQ(bytesOf(frames[0].data().subspan(26, 34)), cat({hex("0102 05 1234"), repeat(0xdd, 10), repeat(0xee, 19)}));

  frames = builderOf(stackOf(FixedPayloadConfig("10", 1), nonTcp, xvlan))->generate(1);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(bytesOf(frames[0].data().subspan(26, 16)), cat({hex("0a c3 0b 04 0000"), repeat(0xdd, 10)}));

  const CompressedUdpProtocolConfig unbuilt;
  EXPECT_EQ(throwText([&] { builderOf(stackOf(FixedPayloadConfig("10", 1), unbuilt, xvlan)); }),
            "No memory not allocated for CompressedUdp");
}

// The full-header layer writes the compression context over the length
// fields inside it; the IPv4 and UDP checksums stay those of the real
// lengths (38 and 18), which the decompressor restores.
TEST(OtherLayers, FullHeaderContextInTheInnerLengthFields) {
  FullHeaderProtocolConfig full;
  full.setGeneration(3);
  full.setSequence(2);
  full.setContextId(0x0abc);
  const ProtocolStack stack = stackOf(FixedPayloadConfig("10", 1), UdpProtocolConfig(kUdp),
                                      IpV4ProtocolConfig(ipv4Header("11")), full, XVLanProtocolConfig(kXvlan, "00000000"));
  const GeneratedFrameList frames = builderOf(stack)->generate(1);
  ASSERT_EQ(frames.size(), 1u);
  const auto frame = frames[0].data();
  Bytes ip = bytesOf(frame.subspan(26, 20));
  Bytes udp = bytesOf(frame.subspan(46, 8));
  EXPECT_EQ(bytesOf(std::span<const uint8_t>(ip).subspan(2, 2)), hex("c302"));
  EXPECT_EQ(bytesOf(std::span<const uint8_t>(udp).subspan(4, 2)), hex("0abc"));
  ip[2] = 0x00;
  ip[3] = 38;
  EXPECT_EQ(foldChecksum(onesComplementAdd(0, ip)), 0xffff);
  udp[4] = 0x00;
  udp[5] = 18;
  const Bytes data = bytesOf(frame.subspan(54, 10));
  const uint64_t pseudoHeader = pseudoHeaderSum(hex("c0a80001"), hex("c0a80002"), kIpProtocolUdp);
  EXPECT_EQ(udpChecksum(pseudoHeader, cat({udp, data})), (udp[6] << 8) | udp[7]);
}

// The context-state message goes out exactly as configured, followed
// directly by the XVLAN padding.
TEST(OtherLayers, ContextStateMessageAsItStands) {
  ContextStateProtocolConfig message(2);
  message.setContextId(0, 0x0102);
  message.setInvalidate(0, 1);
  message.setSequence(1, 3);
  message.setGeneration(1, 9);
  const ProtocolStack stack = stackOf(message, XVLanProtocolConfig(kXvlan, "00000000"));
  auto builder = builderOf(stack);
  const GeneratedFrameList frames = builder->generate(1);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].length(), 64);
  EXPECT_EQ(bytesOf(frames[0].data().subspan(26, 34)),
            cat({hex("02 02 0102 80 00 0000 03 09"), repeat(0xee, 24)}));
  EXPECT_TRUE(builder->generate(2).empty());  // one message per iteration
}

TEST(OtherLayers, GenericHeaderAndTrailer) {
  const ProtocolStack stack = stackOf(FixedPayloadConfig("5", 1), GenericProtocolConfig("aabb", "ccdd"));
  const GeneratedFrameList frames = builderOf(stack)->generate(1);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(bytesOf(frames[0].data()), cat({hex("aabb"), repeat(0xdd, 5), hex("ccdd")}));
  EXPECT_EQ(frames[0].datalinkKind(), ProtocolKind::Generic);
}

TEST(OtherLayers, StacksThatCannotCarryFrames) {
  EXPECT_EQ(throwText([] { builderOf(stackOf(FixedPayloadConfig("5", 1), IpV4ProtocolConfig(ipv4Header("fd")))); }),
            "Last-Tail protocol is not a datalink protocol");
  EXPECT_EQ(throwText([] { builderOf(stackOf(FixedPayloadConfig("5", 1))); }),
            "Last-Tail protocol is not a datalink protocol");
  EXPECT_EQ(throwText([] { builderOf(ProtocolStack("empty")); }), "No protocol headers defined for stream");
}

}  // namespace
}  // namespace corvel
