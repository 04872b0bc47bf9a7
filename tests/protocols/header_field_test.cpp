// The header field tables and what the verifiers will read through them:
// display texts (RFC 5952 examples, inet_ntop as an independent formatter),
// masked comparison of a field, and the properties every registered table
// holds.
#include "corvel/protocols/header_field.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <array>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "corvel/protocols/hex_text.h"
#include "corvel/protocols/ipv4/ipv4.h"
#include "corvel/protocols/ipv6/ipv6.h"
#include "corvel/protocols/protocol_registry.h"

namespace corvel {
namespace {

std::vector<uint8_t> bytesOf(const std::string& hex) {
  std::vector<uint8_t> bytes(hex.size() / 2);
  EXPECT_TRUE(hexToBytes(bytes, hex)) << hex;
  return bytes;
}

std::string format(const HeaderField& field, const std::vector<uint8_t>& header) {
  std::array<char, kFieldTextMax + 1> out{};
  const size_t length = formatField(field, header, out);
  EXPECT_EQ(length, std::string(out.data()).size());
  return out.data();
}

struct FormatRow {
  HeaderField field;
  const char* header;  // hex
  const char* text;
};

constexpr HeaderField kV6Address = headerField(byteField(0, 16), "ADDR", "", FieldDisplay::Ipv6Text);

TEST(HeaderFieldFormat, EachDisplayWritesTheFieldOnly) {
  const FormatRow rows[] = {
      {headerField(byteField(2, 2), "DEST", "", FieldDisplay::Decimal), "ffff1f90ffff", "8080"},
      {headerField(BitField{0, 3, 4}, "IHL", "", FieldDisplay::Decimal), "4fff", "15"},
      {headerField(BitField{6, 7, 3}, "FLAGS", "", FieldDisplay::Hex), "0000000000004000", "0x2"},
      {headerField(BitField{1, 3, 20}, "FL", "", FieldDisplay::Decimal), "60abcdef", "773615"},
      {headerField(byteField(1, 1), "TOS", "", FieldDisplay::Hex), "452e", "0x2e"},
      {headerField(byteField(0, 2), "TYPE", "", FieldDisplay::Hex), "0800", "0x0800"},
      {headerField(byteField(0, 4), "TS", "", FieldDisplay::Decimal), "ffffffff", "4294967295"},
      {headerField(byteField(0, 5), "SNAP", "", FieldDisplay::Hex), "00000c0800", "0x00000c0800"},
      {headerField(byteField(1, 4), "ADDR", "", FieldDisplay::DottedIpv4), "ffc0a80201", "192.168.2.1"},
      {headerField(byteField(0, 6), "MAC", "", FieldDisplay::Mac), "001b210a0b0c", "00:1b:21:0a:0b:0c"},
      // RFC 5952 section 4: no leading zeros, "::" for the longest run of two
      // or more zero groups (the first of equal runs), never for one group.
      {kV6Address, "20010db8000000000000000000000001", "2001:db8::1"},
      {kV6Address, "20010db8000000010001000100010001", "2001:db8:0:1:1:1:1:1"},
      {kV6Address, "20010000000000010000000000000001", "2001:0:0:1::1"},
      {kV6Address, "20010db8000000000001000000000001", "2001:db8::1:0:0:1"},
      {kV6Address, "00000000000000000000000000000000", "::"},
      {kV6Address, "00000000000000000000000000000001", "::1"},
      {kV6Address, "fe800000000000000000000000000000", "fe80::"},
      {kV6Address, "ffffffffffffffffffffffffffffffff", "ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff"},
      // Section 5: an IPv4-mapped address ends in dotted decimal.
      {kV6Address, "00000000000000000000ffffc0000201", "::ffff:192.0.2.1"},
      // A field beyond the bytes.
      {kV6Address, "20010db8", "?"},
      {headerField(byteField(4, 2), "PORT", "", FieldDisplay::Decimal), "0001", "?"},
  };
  for (const FormatRow& row : rows) EXPECT_EQ(format(row.field, bytesOf(row.header)), row.text) << row.header;
}

TEST(HeaderFieldFormat, ShortBufferIsCutAndTerminated) {
  const std::vector<uint8_t> header = bytesOf("ffffffffffffffffffffffffffffffff");
  std::array<char, 6> out{};
  EXPECT_EQ(formatField(kV6Address, header, out), 5u);
  EXPECT_STREQ(out.data(), "ffff:");
  EXPECT_EQ(formatField(kV6Address, header, std::span<char>()), 0u);
}

// Any address whose first 96 bits are not all zero: the platform's formatter
// and ours agree (that form alone, deprecated, inet_ntop writes its own way).
TEST(HeaderFieldFormat, Ipv6AndIpv4TextsMatchInetNtop) {
  std::mt19937 random(19);
  constexpr HeaderField v4 = headerField(byteField(0, 4), "ADDR", "", FieldDisplay::DottedIpv4);
  for (int round = 0; round < 2000; ++round) {
    std::vector<uint8_t> address(16);
    for (size_t group = 0; group < 8; ++group) {
      // Mostly zero groups, so runs of every length and place occur.
      const uint32_t value = random() % 3 == 0 ? random() & (random() % 2 ? 0xffffu : 0x00ffu) : 0;
      address[2 * group] = static_cast<uint8_t>(value >> 8);
      address[2 * group + 1] = static_cast<uint8_t>(value);
    }
    if (round % 7 == 0) address = bytesOf("00000000000000000000ffff" + bytesToHex(std::span(address).last(4)));
    bool leadingZero = true;
    for (size_t i = 0; i < 12; ++i) leadingZero = leadingZero && address[i] == 0;
    char expected[INET6_ADDRSTRLEN];
    if (!leadingZero) {
      ASSERT_NE(inet_ntop(AF_INET6, address.data(), expected, sizeof expected), nullptr);
      EXPECT_EQ(format(kV6Address, address), expected) << bytesToHex(address);
    }
    const std::vector<uint8_t> last(address.end() - 4, address.end());
    ASSERT_NE(inet_ntop(AF_INET, last.data(), expected, sizeof expected), nullptr);
    EXPECT_EQ(format(v4, last), expected);
  }
}

TEST(HeaderFieldMatch, OnlyTheFieldsMaskedBitsCount) {
  constexpr BitField flowLabel = Ipv6Wire::kFlowLabel;  // 20 bits from byte 1 bit 3
  const std::vector<uint8_t> expected = bytesOf("6abcdef0");
  struct Row {
    const char* actual;
    const char* mask;  // empty: every bit
    bool matches;
  };
  const Row rows[] = {
      {"6abcdef0", "", true},          {"957cdef0", "", true},  // every bit outside the field differs
      {"6abddef0", "", false},                                  // lowest bit of byte 1 lies inside
      {"6abcdef1", "", false},                                  // last bit of the field
      {"6abcdef1", "fffffffe", true},  {"6abcdef1", "ffffff00", true},
      {"6abcd0f0", "fffff0ff", true},                          // the differing bits are masked off
      {"6abcd0f0", "ffff0fff", false}, {"6abcde", "", false},  // too short
  };
  for (const Row& row : rows) {
    const std::vector<uint8_t> mask = bytesOf(row.mask);
    EXPECT_EQ(fieldMatches(flowLabel, bytesOf(row.actual), expected, mask), row.matches) << row.actual;
  }
}

// Whatever the table: names and attributes unique, every field a valid bit
// range inside 64 bytes, numeric fields read back what is written and
// nothing else, and a whole-byte display only on whole-byte fields.
TEST(HeaderFieldTables, EveryRegisteredTableIsConsistent) {
  for (const ProtocolRegistration& protocol : protocolRegistrations()) {
    SCOPED_TRACE(std::string(protocol.element));
    std::set<std::string_view> names;
    std::set<std::string_view> attributes;
    for (const HeaderField& field : protocol.fields) {
      SCOPED_TRACE(std::string(field.name));
      EXPECT_TRUE(names.insert(field.name).second);
      if (!field.attribute.empty()) {
        EXPECT_TRUE(attributes.insert(field.attribute).second);
      }
      EXPECT_EQ(findFieldByAttribute(protocol.fields, field.attribute), field.attribute.empty() ? nullptr : &field);
      ASSERT_TRUE(field.msb >= 0 && field.msb <= 7 && field.width >= 1 && field.byte >= 0);
      ASSERT_LE(fieldEnd(field), 64);
      if (field.display == FieldDisplay::DottedIpv4 || field.display == FieldDisplay::Mac ||
          field.display == FieldDisplay::Ipv6Text) {
        EXPECT_TRUE(isByteField(field));
      }
      if (!isNumericField(field)) continue;
      std::vector<uint8_t> header(64, 0x00);
      writeBitField(header, field, bitFieldMax(field.width));
      EXPECT_EQ(fieldValue(header, field), bitFieldMax(field.width));
      size_t ones = 0;
      for (uint8_t byte : header) ones += static_cast<size_t>(__builtin_popcount(byte));
      EXPECT_EQ(ones, static_cast<size_t>(field.width));
    }
  }
}

TEST(HeaderFieldTables, FieldsAreFoundByNameAtCompileTime) {
  static_assert(&fieldNamed(kIpv4Fields, "DEST_ADDR") - kIpv4Fields == 11);
  static_assert(fieldNamed(kIpv4Fields, "DEST_ADDR").byte == 16);
  EXPECT_THROW(fieldNamed(kIpv4Fields, "NO_SUCH"), TextError);
  EXPECT_EQ(fieldsOf(ProtocolKind::Udp).size(), 4u);
  EXPECT_TRUE(fieldsOf(static_cast<ProtocolKind>(kProtocolKindCount)).empty());
  EXPECT_EQ(findRegistration(static_cast<ProtocolKind>(-1)), nullptr);
}

}  // namespace
}  // namespace corvel
