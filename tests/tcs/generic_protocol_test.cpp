// The generic element and custom protocols packed from their .declare
// elements.
#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>

#include "corvel/tcs/tcs_generic_protocol.h"
#include "tcs_test_support.h"
#include "tests/support/param_name.h"

namespace corvel {
namespace {

using test::HeaderHex;
using test::ProtocolReaderTest;
using test::TrailerHex;

// ---- generic ----------------------------------------------------------------

TEST_F(ProtocolReaderTest, GenericTakesHeaderAndTrailerDigits) {
  const auto both = tcs.readOne("generic_both");
  ASSERT_TRUE(both);
  EXPECT_EQ(HeaderHex(*both), "0102");
  EXPECT_EQ(TrailerHex(*both), "a0");
  const auto trailerOnly = tcs.readOne("generic_trailer_only");
  ASSERT_TRUE(trailerOnly);
  EXPECT_EQ(trailerOnly->headerLength(), 0);
  EXPECT_EQ(TrailerHex(*trailerOnly), "a0b0");
}

TEST_F(ProtocolReaderTest, GenericWithoutTextsOrWithoutPrefixMakesNothingQuietly) {
  EXPECT_TRUE(tcs.read("generic_none").empty());
  EXPECT_TRUE(tcs.read("generic_unprefixed").empty());
  EXPECT_EQ(console.take(), "");
  EXPECT_EQ(tcs.manager().status(), 0);
}

TEST_F(ProtocolReaderTest, GenericConstructorErrorsAreReportedByTheManager) {
  EXPECT_TRUE(tcs.read("generic_odd").empty());
  EXPECT_EQ(console.take(),
            "Corvel> PARSE-ERROR, Element generic: Error, header representation of memory must be "
            "even an even length string. (TcsManager)\n" +
                test::Place("171, <generic> attribute hdr=\"0x012\""));
}

TEST_F(ProtocolReaderTest, GenericWithNoDigitsAtAllIsRefused) {
  EXPECT_TRUE(tcs.read("generic_empty_digits").empty());
  EXPECT_EQ(console.take(),
            "Corvel> PARSE-ERROR, Element generic: Error, a header or trailer was not specified "
            "(TcsManager)\n" +
                test::Place("172, <generic> attribute hdr=\"0x\""));
}

// ---- custom protocols -------------------------------------------------------

struct PackedCase {
  const char* id;
  const char* header;
};

void PrintTo(const PackedCase& c, std::ostream* os) { *os << c.id; }

class CustomProtocolTest : public ProtocolReaderTest,
                           public ::testing::WithParamInterface<PackedCase> {};

TEST_P(CustomProtocolTest, PacksTheFieldsMostSignificantBitFirst) {
  const auto config = tcs.readOne(GetParam().id, enSetTypeCapture);
  ASSERT_TRUE(config);
  EXPECT_EQ(HeaderHex(*config), GetParam().header);
  EXPECT_EQ(config->trailerLength(), 0);
  EXPECT_EQ(console.take(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Declared, CustomProtocolTest,
    ::testing::Values(
        // 4 + 4 + 8 bits: a, 5, ff
        PackedCase{"tag16_values", "a5ff"},
        // decimal values: 4, 0, 12 (c)
        PackedCase{"tag16_decimal", "400c"},
        // absent values are 0
        PackedCase{"tag16_absent", "0000"},
        PackedCase{"word32_below", "fffffffe"},
        // all ones fits 32 bits, in decimal as in hex
        PackedCase{"word32_all_ones", "ffffffff"},
        PackedCase{"word32_hex_ones", "ffffffff"}),
    test::NameFrom<&PackedCase::id>());

TEST_F(ProtocolReaderTest, CustomProtocolOfAGeneratedSetAnnouncesItsFrame) {
  const auto config = tcs.readOne("tag16_values", enSetTypeGenerate);
  ASSERT_TRUE(config);
  EXPECT_EQ(console.take(), "Corvel>       Initializing tag16 frame: a5ff\n");
}

TEST_F(ProtocolReaderTest, CustomProtocolNotByteAlignedIsReported) {
  EXPECT_TRUE(tcs.read("tag15_values").empty());
  EXPECT_EQ(console.take(),
            "Corvel> PARSE-ERROR, Element tag15: generic protocol is not byte aligned. Check sum "
            "of bits. (TcsCustomProtocol)\n" +
                // the widths are the declaration's
                test::Place("9, <tag15.declare>"));
  EXPECT_EQ(tcs.manager().status(), TcsManager::kStatusParseError);
}

// Field values the reader cannot use are printed, and the protocol is lost
// without a parse error.
struct FieldValueCase {
  const char* id;
  const char* line;
  const char* place;
};

void PrintTo(const FieldValueCase& c, std::ostream* os) { *os << c.id; }

class CustomFieldValueTest : public ProtocolReaderTest,
                             public ::testing::WithParamInterface<FieldValueCase> {};

TEST_P(CustomFieldValueTest, PrintsAndMakesNothing) {
  EXPECT_TRUE(tcs.read(GetParam().id).empty());
  EXPECT_EQ(console.take(), GetParam().line + test::Place(GetParam().place));
  EXPECT_EQ(tcs.manager().status(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Declared, CustomFieldValueTest,
    ::testing::Values(
        FieldValueCase{"tag16_bad_char", "Corvel> ERROR: invalid character in length (12x)\n",
                       "177, <tag16> attribute length=\"12x\""},
        FieldValueCase{"word32_out_of_range",
                       "Corvel> ERROR: decimal value is greater than 32 bits - specify in hex!\n",
                       "183, <word32> attribute value=\"99999999999\""},
        // 16 is 10 in hex: five bits for a four-bit field
        FieldValueCase{"tag16_too_wide", "Corvel> ERROR: Field has too many bits: 10!\n",
                       "178, <tag16> attribute kind=\"16\""}),
    test::NameFrom<&FieldValueCase::id>());

struct DigitsCase {
  const char* value;
  std::optional<std::string> digits;
};

void PrintTo(const DigitsCase& c, std::ostream* os) { *os << c.value; }

class CustomFieldDigitsTest : public ::testing::TestWithParam<DigitsCase> {};

TEST_P(CustomFieldDigitsTest, DecimalBecomesLowerCaseHexWithoutLeadingZeros) {
  test::ConsoleCapture console;
  PrintUtility printer;
  EXPECT_EQ(customFieldDigits(printer, "f", GetParam().value), GetParam().digits);
  EXPECT_EQ(console.take().empty(), GetParam().digits.has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Values, CustomFieldDigitsTest,
    ::testing::Values(DigitsCase{"12", "c"}, DigitsCase{"0", "0"}, DigitsCase{"255", "ff"},
                      DigitsCase{"  7", "7"}, DigitsCase{"+10", "a"},
                      DigitsCase{"4294967294", "fffffffe"},
                      // the hex form is taken as written, leading zeros and case included
                      DigitsCase{"0x00fF", "00fF"}, DigitsCase{"0X1", "1"},
                      // a minus wraps as in the C library's unsigned reading
                      DigitsCase{"-2", "fffffffe"}, DigitsCase{"-1", "ffffffff"},
                      // 2^32 - 1 fits; only a number beyond 32 bits is refused
                      DigitsCase{"4294967295", "ffffffff"}, DigitsCase{"4294967296", std::nullopt},
                      DigitsCase{"18446744073709551617", std::nullopt},
                      DigitsCase{"abc", std::nullopt}, DigitsCase{"7 ", std::nullopt},
                      DigitsCase{"1.5", std::nullopt}),
    test::NameFrom<&DigitsCase::value>());

}  // namespace
}  // namespace corvel
