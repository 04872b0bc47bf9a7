// FramePacker: the worked examples, the console lines, and a comparison with
// a plain bit-string model on random fields.
#include <gtest/gtest.h>

#include <random>

#include "corvel/protocols/frame_packer.h"
#include "corvel/protocols/generic/generic.h"
#include "test_support.h"

namespace corvel {
namespace {

using test::ConsoleCapture;

struct Field {
  int32_t width;
  const char* value;
};

TEST(FramePacker, WorkedExamples) {
  struct Row {
    int32_t totalBits;
    std::vector<Field> fields;
    const char* text;
  };
  const Row rows[] = {
      {16, {{4, "a"}, {4, "5"}, {8, "ff"}}, "a5ff"},
      {8, {{3, "5"}, {5, "1f"}}, "bf"},
      {8, {{2, "3"}, {4, "f"}, {2, "0"}}, "fc"},
      {8, {{8, "000a"}}, "0a"},
      {8, {{8, "A"}}, "0a"},
      {8, {{8, ""}}, "00"},
      {24, {{1, "1"}, {12, "abc"}, {11, "7ff"}}, "d5e7ff"},
      {16, {{16, "0000"}}, "0000"},
      {32, {{32, "deadBEEF"}}, "deadbeef"},
      {12, {{12, "1"}}, "001"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    ConsoleCapture console;
    FramePacker packer(row.totalBits);
    for (const Field& f : row.fields) EXPECT_TRUE(packer.packField(f.width, f.value));
    EXPECT_EQ(packer.text(), row.text);
    EXPECT_EQ(packer.byteCount(), row.totalBits / 8);
    EXPECT_EQ(packer.digitCount(), row.totalBits / 4);
    EXPECT_EQ(console.text(), "");
  }
}

TEST(FramePacker, TooWideValueFailsAndAppendsNothing) {
  ConsoleCapture console;
  FramePacker packer(8);
  ASSERT_TRUE(packer.packField(4, "a"));
  EXPECT_FALSE(packer.packField(4, "1f"));
  EXPECT_EQ(console.text(), "Corvel> ERROR: Field has too many bits: 1f!\n");
  EXPECT_EQ(packer.text(), "a");
  ASSERT_TRUE(packer.packField(4, "3"));
  EXPECT_EQ(packer.text(), "a3");
}

TEST(FramePacker, InvalidCharacterCountsAsZero) {
  ConsoleCapture console;
  FramePacker packer(8);
  EXPECT_TRUE(packer.packField(8, "1g"));  // 5 significant bits: 000 1 0000
  EXPECT_EQ(packer.text(), "10");
  EXPECT_EQ(console.text(), "Corvel> ERROR: invalid character in string\n");
}

TEST(FramePacker, BitsBeyondTheLastWholeDigitAreNeverEmitted) {
  FramePacker packer(10);
  EXPECT_TRUE(packer.packField(5, "1f"));
  EXPECT_TRUE(packer.packField(5, "1f"));
  EXPECT_EQ(packer.text(), "ff");
  // More fields than declared bits: nothing is written past the digit count.
  EXPECT_TRUE(packer.packField(8, "ab"));
  EXPECT_EQ(packer.text(), "ff");
}

TEST(FramePacker, HugeWidthsStayBounded) {
  FramePacker packer(8);
  EXPECT_TRUE(packer.packField(2000000000, "1"));
  EXPECT_EQ(packer.text(), "00");
  ConsoleCapture console;
  FramePacker refused(INT32_MAX);
  EXPECT_EQ(console.text(), "Corvel> ERROR: Memory allocation failed in FramePacker!\n");
  EXPECT_TRUE(refused.packField(8, "ff"));
  EXPECT_EQ(refused.text(), "");
  FramePacker negative(-8);
  EXPECT_EQ(negative.digitCount(), 0);
}

TEST(FramePacker, SignificantBits) {
  const std::pair<const char*, int32_t> rows[] = {
      {"", 0}, {"0", 0}, {"000", 0}, {"1", 1}, {"7", 3}, {"8", 4}, {"0f", 4}, {"10", 5}, {"0001ff", 9}};
  for (auto [text, bits] : rows) EXPECT_EQ(significantBits(text), bits) << text;
}

// Reference model: the fields' bits as a string of '0'/'1', then read four at
// a time.
TEST(FramePacker, MatchesABitStringModelOnRandomFields) {
  std::mt19937 rng(20240601);
  for (int round = 0; round < 500; ++round) {
    std::vector<std::pair<int32_t, uint64_t>> fields;
    int32_t total = 0;
    const int count = 1 + static_cast<int>(rng() % 8);
    for (int i = 0; i < count; ++i) {
      const int32_t width = 1 + static_cast<int32_t>(rng() % 40);
      const uint64_t value = rng() & ((uint64_t{1} << std::min(width, 32)) - 1);
      fields.emplace_back(width, value);
      total += width;
    }
    std::string bits;
    FramePacker packer(total);
    for (auto [width, value] : fields) {
      for (int32_t b = width - 1; b >= 0; --b) bits.push_back(b < 64 && ((value >> b) & 1) ? '1' : '0');
      char hex[32];
      std::snprintf(hex, sizeof hex, rng() % 2 ? "%llx" : "%08llX", static_cast<unsigned long long>(value));
      ASSERT_TRUE(packer.packField(width, hex)) << hex << " in " << width;
    }
    std::string expected;
    for (size_t i = 0; i + 4 <= bits.size(); i += 4) {
      expected.push_back("0123456789abcdef"[std::stoi(bits.substr(i, 4), nullptr, 2)]);
    }
    ASSERT_EQ(packer.text(), expected) << "round " << round;
  }
}

TEST(FramePacker, FeedsAGenericHeader) {
  FramePacker packer(16);
  packer.packField(4, "a");
  packer.packField(4, "5");
  packer.packField(8, "ff");
  GenericProtocolConfig generic(packer.text(), "");
  EXPECT_EQ(test::headerOf(generic), (std::vector<uint8_t>{0xa5, 0xff}));
}

}  // namespace
}  // namespace corvel
