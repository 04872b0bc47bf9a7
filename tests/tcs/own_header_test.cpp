// Readers with their own hdr handling: aal5_802_3, dslam, interpyx, udp,
// tcp, rtp, vlan, xvlan. A hdr without the hex prefix silently makes no
// configuration; field errors are reported under each reader's name.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "tcs_test_support.h"
#include "tests/support/param_name.h"

namespace corvel {
namespace {

using test::HeaderHex;
using test::ProtocolReaderTest;
using test::TrailerHex;

struct DefaultCase {
  const char* element;
  size_t headerDigits;
  size_t trailerDigits;
};

void PrintTo(const DefaultCase& c, std::ostream* os) { *os << c.element; }

class OwnHeaderTest : public ProtocolReaderTest,
                      public ::testing::WithParamInterface<DefaultCase> {
 protected:
  std::string id(const char* suffix) const { return std::string(GetParam().element) + suffix; }
};

TEST_P(OwnHeaderTest, WithoutHdrStartsFromTheZeroHeader) {
  const auto config = tcs.readOne(id("_default"));
  ASSERT_TRUE(config);
  EXPECT_EQ(HeaderHex(*config), std::string(GetParam().headerDigits, '0'));
  EXPECT_EQ(TrailerHex(*config), std::string(GetParam().trailerDigits, '0'));
}

TEST_P(OwnHeaderTest, HdrWithoutPrefixMakesNothingAndSaysNothing) {
  EXPECT_TRUE(tcs.read(id("_bad_hdr")).empty());
  EXPECT_EQ(console.take(), "");
  EXPECT_EQ(tcs.manager().status(), 0);
  // Reading goes on.
  EXPECT_EQ(tcs.read(id("_default")).size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Elements, OwnHeaderTest,
                         ::testing::Values(DefaultCase{"aal5_802_3", 20, 16},
                                           DefaultCase{"dslam", 16, 0},
                                           DefaultCase{"interpyx", 16, 0},
                                           DefaultCase{"udp", 16, 0}, DefaultCase{"tcp", 40, 0},
                                           DefaultCase{"rtp", 24, 0},
                                           DefaultCase{"vlan", 36, 8},
                                           DefaultCase{"xvlan", 52, 8}),
                         [](const auto& info) { return std::string(info.param.element); });

struct FieldCase {
  const char* id;
  const char* header;
};

void PrintTo(const FieldCase& c, std::ostream* os) { *os << c.id; }

class OwnHeaderFieldTest : public ProtocolReaderTest,
                           public ::testing::WithParamInterface<FieldCase> {};

TEST_P(OwnHeaderFieldTest, SetsTheFields) {
  const auto config = tcs.readOne(GetParam().id);
  ASSERT_TRUE(config);
  EXPECT_EQ(HeaderHex(*config), GetParam().header);
  EXPECT_EQ(console.take(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Elements, OwnHeaderFieldTest,
    ::testing::Values(
        // every byte of the given header rewritten by the fields
        FieldCase{"aal5_802_3_fields", "aaaa030080c200070000"},
        FieldCase{"aal5_802_3_unprefixed", "00000000000000000000"},
        FieldCase{"dslam_fields", "8000000000100200"},
        FieldCase{"interpyx_fields", "8000000012345678"},
        FieldCase{"udp_fields", "04d2003500000000"},
        FieldCase{"udp_hdr", "0001000200080000"},
        FieldCase{"tcp_fields", "00501f90" "00000000000000000000000000000000"},
        // timestamp and SSRC above 2^31 kept whole
        FieldCase{"rtp_fields", "93e0123489abcdefdeadbeef"},
        FieldCase{"vlan_fields", "0102030405060a0b0c0d0e0f8100a0640800"},
        // dsap and type, applied after llc and snap, overwrite their parts
        FieldCase{"xvlan_fields",
                  "0102030405060a0b0c0d0e0f" "8100" "0007" "0000" "42aa03" "00000086dd"}),
    test::NameFrom<&FieldCase::id>());

// validate_level: udp, rtp and xvlan take it only in a capture set; vlan always.
struct ValidateCase {
  const char* id;
  int32_t generated;
  int32_t captured;
};

void PrintTo(const ValidateCase& c, std::ostream* os) { *os << c.id; }

class ValidateLevelTest : public ProtocolReaderTest,
                          public ::testing::WithParamInterface<ValidateCase> {};

TEST_P(ValidateLevelTest, DependsOnTheSetType) {
  const auto generated = tcs.readOne(GetParam().id, enSetTypeGenerate);
  const auto captured = tcs.readOne(GetParam().id, enSetTypeCapture);
  ASSERT_TRUE(generated && captured);
  EXPECT_EQ(generated->validateLevel(), GetParam().generated);
  EXPECT_EQ(captured->validateLevel(), GetParam().captured);
}

INSTANTIATE_TEST_SUITE_P(Elements, ValidateLevelTest,
                         ::testing::Values(ValidateCase{"udp_fields", 0, 2},
                                           ValidateCase{"rtp_fields", 0, 1},
                                           ValidateCase{"xvlan_fields", 0, 1},
                                           ValidateCase{"vlan_fields", 2, 2}),
    test::NameFrom<&ValidateCase::id>());

struct ErrorCase {
  const char* id;
  const char* line;
  const char* place;
};

void PrintTo(const ErrorCase& c, std::ostream* os) { *os << c.id; }

class OwnHeaderErrorTest : public ProtocolReaderTest,
                           public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(OwnHeaderErrorTest, ReportsUnderTheReadersName) {
  EXPECT_TRUE(tcs.read(GetParam().id).empty());
  EXPECT_EQ(console.take(), GetParam().line + test::Place(GetParam().place));
  EXPECT_EQ(tcs.manager().status(), TcsManager::kStatusParseError);
}

INSTANTIATE_TEST_SUITE_P(
    Elements, OwnHeaderErrorTest,
    ::testing::Values(
        ErrorCase{"udp_bad_port",
                  "Corvel> PARSE-ERROR, Element udp: value must be 0 thru 65535 (TcsUdpProtocol)\n",
                  "86, <udp> attribute src_port=\"65536\""},
        // a prefixed hdr of the wrong length reaches the constructor
        ErrorCase{"udp_short_hdr",
                  "Corvel> PARSE-ERROR, Element udp: UDP header hex value must be represented in a "
                  "string with 16 characters. (TcsUdpProtocol)\n",
                  "87, <udp> attribute hdr=\"0x00\""}),
    test::NameFrom<&ErrorCase::id>());

TEST_F(ProtocolReaderTest, OwnHeaderReadersNameThemselvesInErrors) {
  for (const auto& [id, tag] : {std::pair{"dslam_bad_ppt", "(TcsDSlamProtocol)\n"},
                                std::pair{"rtp_wide_timestamp", "(TcsRtpProtocol)\n"}}) {
    test::LoadedTcs fresh("proto_elements.tcs");
    console.take();
    EXPECT_TRUE(fresh.read(id).empty()) << id;
    const std::string lines = console.take();
    // The report, then its place line.
    const std::string line = lines.substr(0, lines.find('\n') + 1);
    EXPECT_EQ(line.rfind("Corvel> PARSE-ERROR, Element ", 0), 0u) << line;
    EXPECT_GT(line.size(), std::string(tag).size());
    EXPECT_EQ(line.substr(line.size() - std::string(tag).size()), tag) << line;
    EXPECT_EQ(lines.substr(line.size()).rfind("Corvel>   at ", 0), 0u) << lines;
  }
}

}  // namespace
}  // namespace corvel
