#include "propgen/uint32_text.h"

#include <gtest/gtest.h>
#include "tests/support/param_name.h"

namespace {

using propgen::enUint32TextNotNumber;
using propgen::enUint32TextOutOfRange;
using propgen::enUint32TextValid;

struct Uint32Case {
  const char* text;
  propgen::Uint32TextStatus status;
  std::uint32_t value;
};

void PrintTo(const Uint32Case& c, std::ostream* os) { *os << "'" << c.text << "'"; }

class Uint32TextTest : public ::testing::TestWithParam<Uint32Case> {};

TEST_P(Uint32TextTest, ReadsDecimalAndHex) {
  const propgen::Uint32Text result = propgen::parseUint32Text(GetParam().text);
  EXPECT_EQ(result.status, GetParam().status) << "'" << GetParam().text << "'";
  EXPECT_EQ(result.value, GetParam().value) << "'" << GetParam().text << "'";
}

INSTANTIATE_TEST_SUITE_P(
    Values, Uint32TextTest,
    ::testing::Values(
        Uint32Case{"0", enUint32TextValid, 0}, Uint32Case{"5", enUint32TextValid, 5},
        Uint32Case{"007", enUint32TextValid, 7},
        Uint32Case{"2147483647", enUint32TextValid, 2147483647u},
        Uint32Case{"2147483648", enUint32TextValid, 2147483648u},
        Uint32Case{"4294967295", enUint32TextValid, 4294967295u},
        Uint32Case{"00000000004294967295", enUint32TextValid, 4294967295u},
        Uint32Case{"4294967296", enUint32TextOutOfRange, 0},
        Uint32Case{"99999999999999999999999", enUint32TextOutOfRange, 0},
        Uint32Case{"0x1F", enUint32TextValid, 31}, Uint32Case{"0X1f", enUint32TextValid, 31},
        Uint32Case{"0xabcdef", enUint32TextValid, 0xabcdef},
        Uint32Case{"0xFFFFFFFF", enUint32TextValid, 0xFFFFFFFFu},
        Uint32Case{"0x000000FFFFFFFF", enUint32TextValid, 0xFFFFFFFFu},
        Uint32Case{"0x100000000", enUint32TextOutOfRange, 0},
        Uint32Case{"0x0", enUint32TextValid, 0},
        // Everything that is neither form.
        Uint32Case{"", enUint32TextNotNumber, 0}, Uint32Case{"0x", enUint32TextNotNumber, 0},
        Uint32Case{"0X", enUint32TextNotNumber, 0}, Uint32Case{"x5", enUint32TextNotNumber, 0},
        Uint32Case{"00x5", enUint32TextNotNumber, 0}, Uint32Case{"12x4", enUint32TextNotNumber, 0},
        Uint32Case{"0xG", enUint32TextNotNumber, 0}, Uint32Case{"0x1F ", enUint32TextNotNumber, 0},
        Uint32Case{"ab", enUint32TextNotNumber, 0}, Uint32Case{"-1", enUint32TextNotNumber, 0},
        Uint32Case{"+1", enUint32TextNotNumber, 0}, Uint32Case{" 1", enUint32TextNotNumber, 0},
        Uint32Case{"1.5", enUint32TextNotNumber, 0},
        Uint32Case{"99999999999999999999a", enUint32TextNotNumber, 0}),
    corvel::test::NameFrom<&Uint32Case::text>());

}  // namespace
