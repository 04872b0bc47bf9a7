// PatternPayloadGenerator fills.
#include <gtest/gtest.h>

#include "corvel/protocols/payload/pattern_payload.h"

namespace corvel {
namespace {

using B = std::vector<uint8_t>;

TEST(PatternPayload, PatternTwo) {
  const PatternPayloadGenerator generator(2);
  B payload(12, 0x55);
  generator.fillPayload(payload);
  EXPECT_EQ(payload, (B{1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 1, 2}));
  B padding(7);
  generator.fillPadding(padding);
  EXPECT_EQ(padding, (B{0x0a, 0x0b, 0x0c, 0x0d, 0x0e, 0x0a, 0x0b}));
  B constant(3);
  generator.fillConstant(constant);
  EXPECT_EQ(constant, (B{0x0f, 0x0f, 0x0f}));
}

TEST(PatternPayload, EveryOtherPattern) {
  for (int32_t type : {1, 0, 3, -1}) {
    const PatternPayloadGenerator generator(type);
    B bytes(5);
    generator.fillPayload(bytes);
    EXPECT_EQ(bytes, B(5, 0xdd)) << type;
    generator.fillPadding(bytes);
    EXPECT_EQ(bytes, B(5, 0xee)) << type;
    generator.fillConstant(bytes);
    EXPECT_EQ(bytes, B(5, 0xff)) << type;
  }
}

TEST(PatternPayload, FillsOnlyTheGivenRangeAndRestartsEachCall) {
  const PatternPayloadGenerator generator(2);
  B frame(10, 0x77);
  generator.fillPayload(std::span<uint8_t>(frame).subspan(2, 3));
  generator.fillPayload(std::span<uint8_t>(frame).subspan(6, 2));
  EXPECT_EQ(frame, (B{0x77, 0x77, 1, 2, 3, 0x77, 1, 2, 0x77, 0x77}));
  generator.fillPayload({});  // empty range: nothing happens
}

}  // namespace
}  // namespace corvel
