// Payload encapsulators: size walks, iteration ends and the payload tag.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "corvel/base/random.h"
#include "corvel/protocols/generic/generic.h"
#include "corvel/protocols/payload/payload_config.h"
#include "corvel/protocols/payload/payload_encap.h"
#include "encap_support.h"

namespace corvel {
namespace {

using namespace corvel::test;

// A one-byte generic header keeps the frame image close to the payload.
const GenericProtocolConfig kLink("ab", "");

// Payload sizes of the PDUs a builder yields until it runs dry (at most `limit`).
std::vector<int32_t> sizesOf(DataGenerator& builder, int limit = 100) {
  std::vector<int32_t> sizes;
  for (int pdu = 1; pdu <= limit; ++pdu) {
    const GeneratedFrameList frames = builder.generate(pdu);
    if (frames.empty()) break;
    sizes.push_back(frames[0].length() - 1);
  }
  return sizes;
}

struct TagCase {
  int32_t size;
  Bytes payload;
};

// Tx device 1 port 2 -> 22; rx device 2 port 31 -> 5f; stream 7; first PDU 01.
// Payloads shorter than the tag carry only its first bytes.
TEST(PayloadTag, WholeAndTruncated) {
  const TagCase cases[] = {
      {1, hex("22")},
      {2, hex("225f")},
      {3, hex("225f07")},
      {4, hex("225f0701")},
      {6, hex("225f0701dddd")},
  };
  for (const TagCase& c : cases) {
    FixedPayloadConfig payload(std::to_string(c.size), 1);
    payload.setTxPort(1, 2);
    auto builder = builderOf(stackOf(payload, kLink), true, 7, 2, 31);
    const GeneratedFrameList frames = builder->generate(1);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(bytesOf(frames[0].data()), cat({hex("ab"), c.payload})) << c.size;
  }
}

TEST(PayloadTag, NotWrittenWithoutTransmitPort) {
  FixedPayloadConfig payload("12", 1);
  payload.setPatternType(2);
  auto builder = builderOf(stackOf(payload, kLink));
  EXPECT_EQ(bytesOf(builder->generate(1)[0].data()), cat({hex("ab"), hex("010203040506070809000102")}));
  payload.setTxPort(-1, 4);  // one identifier still unset
  builder = builderOf(stackOf(payload, kLink));
  EXPECT_EQ(bytesOf(builder->generate(1)[0].data()), cat({hex("ab"), hex("010203040506070809000102")}));
}

TEST(PayloadTag, RangeMessages) {
  struct Case {
    int32_t txDevice, txPort, rxDevice, rxPort, stream;
    const char* message;
  };
  const Case cases[] = {
      {8, 0, 0, 0, 0, "value exceed either Tx port or Tx device"},
      {0, 32, 0, 0, 0, "value exceed either Tx port or Tx device"},
      {0, -2, 0, 0, 0, "value exceed either Tx port or Tx device"},
      {7, 31, 8, 0, 0, "value exceed either Rx port or Rx device"},
      {7, 31, 0, 32, 0, "value exceed either Rx port or Rx device"},
      {7, 31, 7, 31, 256, "value exceeds Rx stream range"},
      {7, 31, 7, 31, 255, "(no exception)"},
  };
  for (const Case& c : cases) {
    FixedPayloadConfig payload("8", 1);
    payload.setTxPort(c.txDevice, c.txPort);
    auto builder = builderOf(stackOf(payload, kLink), true, c.stream, c.rxDevice, c.rxPort);
    EXPECT_EQ(throwText([&] { builder->generate(1); }), c.message) << c.txDevice << c.txPort << c.stream;
  }
}

// Byte 3 counts the PDUs of an iteration from 1, modulo 256: the 256th PDU of
// an iteration carries 0 and the stream goes on.
TEST(PayloadTag, PduPositionWithinIteration) {
  std::string sizes = "5";
  for (int i = 1; i < 256; ++i) sizes += ",5";
  FixedPayloadConfig payload(sizes, 2);
  payload.setTxPort(0, 1);
  auto builder = builderOf(stackOf(payload, kLink));
  for (int pdu = 1; pdu <= 255; ++pdu) {
    const GeneratedFrameList frames = builder->generate(pdu);
    ASSERT_EQ(frames.size(), 1u);
    ASSERT_EQ(frames[0].data()[4], pdu);
  }
  const GeneratedFrameList wrapped = builder->generate(256);
  ASSERT_EQ(wrapped.size(), 1u);
  EXPECT_EQ(wrapped[0].data()[4], 0);
  const GeneratedFrameList next = builder->generate(257);
  ASSERT_EQ(next.size(), 1u);
  EXPECT_EQ(next[0].data()[4], 1);  // the second iteration starts over
}

TEST(PayloadWalk, FixedSizesRepeatPerIteration) {
  FixedPayloadConfig payload("64,128,1500", 2);
  payload.setTxPort(0, 1);
  auto builder = builderOf(stackOf(payload, kLink));
  std::vector<int32_t> sizes;
  std::vector<int> positions;
  for (int pdu = 1; pdu <= 10; ++pdu) {
    const GeneratedFrameList frames = builder->generate(pdu);
    if (frames.empty()) break;
    sizes.push_back(frames[0].length() - 1);
    positions.push_back(frames[0].data()[4]);
    EXPECT_EQ(frames[0].pduNumber(), pdu);
  }
  EXPECT_EQ(sizes, (std::vector<int32_t>{64, 128, 1500, 64, 128, 1500}));
  EXPECT_EQ(positions, (std::vector<int>{1, 2, 3, 1, 2, 3}));
  EXPECT_TRUE(builder->isDone());
  EXPECT_TRUE(builder->generate(11).empty());
}

TEST(PayloadWalk, IncrementAndDecrement) {
  auto up = builderOf(stackOf(IncrementPayloadConfig(64, 1500, 100, 1), kLink));
  std::vector<int32_t> expected;
  for (int32_t s = 64; s <= 1464; s += 100) expected.push_back(s);
  EXPECT_EQ(sizesOf(*up), expected);  // 15 sizes, never 1500

  auto down = builderOf(stackOf(IncrementPayloadConfig(1500, 64, -100, 2), kLink));
  expected.clear();
  for (int iteration = 0; iteration < 2; ++iteration) {
    for (int32_t s = 1500; s >= 100; s -= 100) expected.push_back(s);
  }
  EXPECT_EQ(sizesOf(*down), expected);
}

TEST(PayloadWalk, RandomSizesFollowTheSharedSequence) {
  auto fixed = builderOf(stackOf(RandomPayloadConfig(100, 100, 4), kLink));
  EXPECT_EQ(sizesOf(*fixed), (std::vector<int32_t>{100, 100, 100, 100}));

  // The sequence state * 214013 + 2531011, bits 16-30, worked here on its own.
  Random::seed(12345);
  auto builder = builderOf(stackOf(RandomPayloadConfig(1, 2048, 5), kLink));
  const std::vector<int32_t> sizes = sizesOf(*builder);
  uint32_t state = 12345;
  std::vector<int32_t> expected;
  for (int i = 0; i < 5; ++i) {
    state = state * 214013u + 2531011u;
    expected.push_back(1 + static_cast<int32_t>((state >> 16) & 0x7fffu) % 2048);
  }
  EXPECT_EQ(sizes, expected);
}

TEST(PayloadWalk, WithoutIterationLimitTheSequenceRepeats) {
  const ProtocolStack stack = stackOf(FixedPayloadConfig("10,20", 1), kLink);
  ChainSettings settings;
  settings.iterationLimit = 0;
  auto builder = buildFrameBuilder(stack, settings);
  EXPECT_EQ(sizesOf(*builder, 7), (std::vector<int32_t>{10, 20, 10, 20, 10, 20, 10}));
  EXPECT_FALSE(builder->isDone());
  builder->payload().setFinished(true);
  EXPECT_TRUE(builder->generate(8).empty());
}

}  // namespace
}  // namespace corvel
