// Frames and PDUs share one storage block per PDU, which the builder recycles
// only once nothing refers to it any more: a frame, a copy of one, or a PDU
// pointer keeps its bytes however many PDUs follow.
#include <gtest/gtest.h>

#include <string>

#include "corvel/protocols/aal5/aal5.h"
#include "corvel/protocols/atm/atm.h"
#include "corvel/protocols/ethernet/ethernet.h"
#include "corvel/protocols/ipv4/ipv4.h"
#include "corvel/protocols/payload/payload_config.h"
#include "corvel/protocols/udp/udp.h"
#include "encap_support.h"

namespace corvel {
namespace {

using namespace corvel::test;

// Sizes falling from one PDU to the next, so that a reused block would hold
// the larger PDU's bytes behind the smaller one's.
ProtocolStack udpStack(const char* sizes = "1000,200,40,10,1000,3") {
  FixedPayloadConfig payload(sizes, 1);
  payload.setPatternType(2);
  payload.setTxPort(1, 2);
  return stackOf(payload, UdpProtocolConfig(kUdp), IpV4ProtocolConfig(ipv4Header("11")),
                 EthernetProtocolConfig(kEthIpv4, "00000000"));
}

ProtocolStack cellStack() {
  return stackOf(IncrementPayloadConfig(500, 20, -120, 1), IpV4ProtocolConfig(ipv4Header("fd")),
                 AAL5ProtocolConfig("aaaa03" "000000" "0800", "0000" "0000" "00000000"), AtmProtocolConfig("00100640"));
}

// Every frame built while `hold` keeps something of the first PDU alive.
template <typename Hold>
void expectFirstPduUnchanged(const ProtocolStack& stack, Hold hold) {
  auto builder = builderOf(stack);
  GeneratedFrameList first = builder->generate(1);
  ASSERT_FALSE(first.empty());
  std::vector<Bytes> frames;
  for (const GeneratedStreamFrame& f : first) frames.push_back(bytesOf(f.data()));
  const Bytes pdu = bytesOf(first.front().pdu());
  const auto held = hold(first);
  first.clear();
  for (int32_t n = 2; n <= 5; ++n) ASSERT_FALSE(builder->generate(n).empty());
  held.check(frames, pdu);
}

struct HeldFrame {
  GeneratedStreamFrame frame;
  void check(const std::vector<Bytes>& frames, const Bytes& pdu) const {
    EXPECT_EQ(bytesOf(frame.data()), frames.back());
    EXPECT_EQ(bytesOf(frame.pdu()), pdu);
  }
};

struct HeldPdu {
  std::shared_ptr<const uint8_t[]> pdu;
  void check(const std::vector<Bytes>&, const Bytes& bytes) const {
    EXPECT_EQ(Bytes(pdu.get(), pdu.get() + bytes.size()), bytes);
  }
};

TEST(FrameStorage, ACopiedFrameKeepsItsBytes) {
  const auto copyLast = [](const GeneratedFrameList& f) { return HeldFrame{f.back()}; };
  expectFirstPduUnchanged(udpStack(), copyLast);
  expectFirstPduUnchanged(cellStack(), copyLast);
}

TEST(FrameStorage, APduPointerKeepsThePdu) {
  const auto pduOnly = [](const GeneratedFrameList& f) { return HeldPdu{f.front().sharedPdu()}; };
  expectFirstPduUnchanged(udpStack(), pduOnly);
  expectFirstPduUnchanged(cellStack(), pduOnly);
}

// Released storage is built over again; held storage is left alone.
TEST(FrameStorage, RecycledOnlyWhenReleased) {
  auto builder = builderOf(udpStack("64,64,64"));
  const uint8_t* first = builder->generate(1).front().data().data();
  GeneratedFrameList second = builder->generate(2);
  EXPECT_EQ(second.front().data().data(), first);
  const GeneratedFrameList third = builder->generate(3);
  EXPECT_NE(third.front().data().data(), second.front().data().data());
}

// An unfragmented PDU is built inside its frame; the cells of a fragmented
// one each carry their own copy of its pieces.
TEST(FrameStorage, PduLiesInsideItsOnlyFrame) {
  const GeneratedFrameList frames = builderOf(udpStack())->generate(1);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].pdu().data(), frames[0].data().data() + 14);
  EXPECT_EQ(frames[0].pdu().size(), 20u + 8u + 1000u);
  EXPECT_EQ(frames[0].sharedPdu().get(), frames[0].pdu().data());
}

// A size that fails sizing keeps failing, also right after a size that fit.
TEST(FrameStorage, FailedSizingIsNotReused) {
  auto builder = builderOf(stackOf(FixedPayloadConfig("10,1501", 1), EthernetProtocolConfig(kEthLocal, "00000000")));
  EXPECT_EQ(builder->generate(1).front().length(), 64);
  for (int attempt = 0; attempt < 2; ++attempt) {
    EXPECT_EQ(throwText([&] { builder->generate(2); }),
              "Payload exceeds the maximum transfer unit size and the protocol does not allow fragmentation.");
  }
}

// A frame made from its own bytes keeps the PDU it was given alive.
TEST(FrameStorage, FrameOwningItsBytes) {
  auto pdu = std::make_shared<uint8_t[]>(3);
  for (uint8_t i = 0; i < 3; ++i) pdu[i] = static_cast<uint8_t>(7 + i);
  FrameOrigin origin;
  origin.callerValue = 4;
  const GeneratedStreamFrame frame(enFrameNew, Bytes{1, 2, 3, 4}, origin, pdu, 3);
  const std::shared_ptr<const uint8_t[]> shared = frame.sharedPdu();
  pdu.reset();
  const GeneratedStreamFrame copy = frame;
  EXPECT_EQ(bytesOf(copy.data()), (Bytes{1, 2, 3, 4}));
  EXPECT_EQ(bytesOf(copy.pdu()), (Bytes{7, 8, 9}));
  EXPECT_EQ(copy.sharedPdu().get(), shared.get());
  EXPECT_EQ(copy.pduNumber(), 4);

  const GeneratedStreamFrame alone(enFrameNew, Bytes{5}, origin, nullptr, 3);
  EXPECT_TRUE(alone.pdu().empty());
  EXPECT_EQ(alone.sharedPdu(), nullptr);
  EXPECT_EQ(GeneratedStreamFrame().length(), 0);
}

}  // namespace
}  // namespace corvel
