// ATM and DSLAM cells carrying AAL5 PDUs, single-cell payloads, InterPyx
// frames and the two fragmentation failures.
#include <gtest/gtest.h>

#include <string>

#include "corvel/protocols/aal5/aal5.h"
#include "corvel/protocols/atm/atm.h"
#include "corvel/protocols/crc32.h"
#include "corvel/protocols/dslam/dslam.h"
#include "corvel/protocols/ethernet/ethernet.h"
#include "corvel/protocols/generic/generic.h"
#include "corvel/protocols/interpyx/interpyx.h"
#include "corvel/protocols/ipv4/ipv4.h"
#include "corvel/protocols/payload/payload_config.h"
#include "corvel/protocols/payload/payload_encap.h"
#include "encap_support.h"

namespace corvel {
namespace {

using namespace corvel::test;

// VPI 1, VCI 100: 0000 | 0000 0001 | 0000 0000 0110 0100 | 000 0.
constexpr std::string_view kAtm = "00100640";
constexpr std::string_view kAal5Header = "aaaa03" "000000" "0800";
constexpr std::string_view kAal5Trailer = "0000" "0000" "00000000";

// An IPv4 packet of 100 bytes (80 payload bytes, protocol fd):
// 4500+0064+1234+4000+40fd+c0a8+0001+c0a8+0002 = 259e8 -> 59ea -> a615.
const Bytes kIpv4Packet = cat({hex("4500 0064 1234 4000 40fd a615 c0a80001 c0a80002"), repeat(0xdd, 80)});

ProtocolStack aal5OverAtm(const char* sizes = "80") {
  return stackOf(FixedPayloadConfig(sizes, 1), IpV4ProtocolConfig(ipv4Header("fd")),
                 AAL5ProtocolConfig(kAal5Header, kAal5Trailer), AtmProtocolConfig(kAtm));
}

TEST(AtmCells, Aal5PduOfHundredBytesInThreeCells) {
  const ProtocolStack stack = aal5OverAtm();
  const GeneratedFrameList cells = builderOf(stack)->generate(7);
  // 8 + 100 + 8 = 116, padded by 28 to 144 = 3 * 48; length field 8 + 100 = 6c.
  const Bytes pdu = cat({hex(kAal5Header), kIpv4Packet, repeat(0xee, 28), hex("0000 006c 6589883c")});
  ASSERT_EQ(cells.size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const Bytes cell = cat({hex(i == 2 ? "00100642" : "00100640"), Bytes(pdu.begin() + 48 * i, pdu.begin() + 48 * (i + 1))});
    EXPECT_EQ(bytesOf(cells[i].data()), cell);
    EXPECT_EQ(cells[i].fragmentNumber(), static_cast<int32_t>(i + 1));
    EXPECT_EQ(cells[i].fragmentCount(), 3);
    EXPECT_EQ(cells[i].origin().pduOffset, static_cast<int32_t>(48 * i));
    EXPECT_EQ(cells[i].origin().fragmentPayloadLength, 48);
    EXPECT_EQ(cells[i].pduNumber(), 7);
    EXPECT_EQ(cells[i].datalinkKind(), ProtocolKind::Atm);
    EXPECT_EQ(bytesOf(cells[i].pdu()), pdu);
  }
  EXPECT_TRUE(cells[0].isFirst());
  EXPECT_FALSE(cells[1].isFirst() || cells[1].isLast());
  EXPECT_TRUE(cells[2].isLast());
  // The cells share one PDU buffer.
  EXPECT_EQ(cells[0].sharedPdu().get(), cells[2].sharedPdu().get());
}

TEST(AtmCells, WithoutCrcTheAal5CrcIsZero) {
  const GeneratedFrameList cells = builderOf(aal5OverAtm(), false)->generate(1);
  ASSERT_EQ(cells.size(), 3u);
  EXPECT_EQ(bytesOf(cells[2].data().last(8)), hex("0000 006c 00000000"));
}

TEST(AtmCells, PayloadDirectlyInOneCell) {
  const ProtocolStack stack = stackOf(FixedPayloadConfig("40", 1), AtmProtocolConfig(kAtm));
  const GeneratedFrameList cells = builderOf(stack)->generate(1);
  ASSERT_EQ(cells.size(), 1u);
  EXPECT_EQ(bytesOf(cells[0].data()), cat({hex("00100642"), repeat(0xdd, 40), repeat(0x00, 8)}));

  const ProtocolStack tooLarge = stackOf(FixedPayloadConfig("49", 1), AtmProtocolConfig(kAtm));
  auto builder = builderOf(tooLarge);
  EXPECT_EQ(throwText([&] { builder->generate(1); }),
            "Payload exceeds the maximum transfer unit size and the protocol does not allow fragmentation.");
}

// Bridged Ethernet in AAL5 802.3 in DSLAM cells: the 64-byte Ethernet frame
// + 10 + 8 = 82 bytes, padded by 14 to 96: two 56-byte cells, the end-of-PDU
// bit of the embedded cell header (byte 7) only on the second.
TEST(DslamCells, BridgedEthernetInTwoCells) {
  const ProtocolStack stack =
      stackOf(FixedPayloadConfig("10", 1), EthernetProtocolConfig(kEthLocal, "00000000"),
              AAL58023ProtocolConfig("aaaa03" "0080c2" "0007" "0000", kAal5Trailer),
              DSlamProtocolConfig("80000001" "00100640"));
  const GeneratedFrameList cells = builderOf(stack)->generate(1);
  const Bytes ethernet = cat({hex(kEthLocal), repeat(0xdd, 10), repeat(0xee, 36), hex("d8590a7f")});
  ASSERT_EQ(EthernetFcs::shared().compute(ethernet), 0x2144DF1Cu);
  const Bytes pdu = cat({hex("aaaa03 0080c2 0007 0000"), ethernet, repeat(0xee, 14), hex("0000 004a cba3d49e")});
  ASSERT_EQ(cells.size(), 2u);
  EXPECT_EQ(bytesOf(cells[0].data()), cat({hex("80000001 00100640"), Bytes(pdu.begin(), pdu.begin() + 48)}));
  EXPECT_EQ(bytesOf(cells[1].data()), cat({hex("80000001 00100642"), Bytes(pdu.begin() + 48, pdu.end())}));
}

// The 13-bit and 3-bit length fields together hold L = 100 = 0x0064.
TEST(InterPyxFrames, LengthFieldsAndLimit) {
  const InterPyxProtocolConfig interPyx("ffff0000" "0001" "0002");
  const GeneratedFrameList frames =
      builderOf(stackOf(FixedPayloadConfig("100", 1), interPyx))->generate(1);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(bytesOf(frames[0].data()), cat({hex("ffff 0064 0001 0002"), repeat(0xdd, 100)}));

  // 2048 payload bytes behind a 6143-byte generic header: 8191, the largest
  // frame; one byte more fails.
  const ProtocolStack largest = stackOf(FixedPayloadConfig("2048", 1),
                                        GenericProtocolConfig(std::string(2 * 6143, 'a'), ""), interPyx);
  const GeneratedFrameList big = builderOf(largest)->generate(1);
  ASSERT_EQ(big.size(), 1u);
  EXPECT_EQ(big[0].length(), 8 + 8191);
  EXPECT_EQ(bytesOf(big[0].data().first(4)), hex("ffff 1fff"));

  const ProtocolStack tooLarge = stackOf(FixedPayloadConfig("2048", 1),
                                         GenericProtocolConfig(std::string(2 * 6144, 'a'), ""), interPyx);
  auto builder = builderOf(tooLarge);
  EXPECT_EQ(throwText([&] { builder->generate(1); }),
            "Payload exceeds the maximum transfer unit size and the protocol does not allow fragmentation.");
}

TEST(Fragmentation, OnlyTheDatalinkLayerMayFragment) {
  // ATM cuts the AAL5 PDU, but a generic layer sits outside it.
  const ProtocolStack stack =
      stackOf(FixedPayloadConfig("80", 1), IpV4ProtocolConfig(ipv4Header("fd")),
              AAL5ProtocolConfig(kAal5Header, kAal5Trailer), AtmProtocolConfig(kAtm), GenericProtocolConfig("abcd", ""));
  auto builder = builderOf(stack);
  EXPECT_EQ(throwText([&] { builder->generate(1); }), "Error, Fragmentation did not occur at the datalink level");
}

TEST(Fragmentation, OnlyOnceForEachPdu) {
  // After the inner ATM layer has cut the PDU, one cell header (4) plus a
  // 45-byte generic header no longer fits the outer ATM cell.
  const ProtocolStack stack = stackOf(FixedPayloadConfig("80", 1), IpV4ProtocolConfig(ipv4Header("fd")),
                                      AAL5ProtocolConfig(kAal5Header, kAal5Trailer), AtmProtocolConfig(kAtm),
                                      GenericProtocolConfig(std::string(90, '0'), ""), AtmProtocolConfig(kAtm));
  auto builder = builderOf(stack);
  EXPECT_EQ(throwText([&] { builder->generate(1); }), "Encapsulation can only partition the payload once.");
  // The failed PDU is not skipped: the payload stays at its first size.
  EXPECT_EQ(builder->payload().indexInIteration(), 0);
}

}  // namespace
}  // namespace corvel
