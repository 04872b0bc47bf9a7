#include "propgen/c_string_literal.h"

#include <gtest/gtest.h>
#include "tests/support/param_name.h"

namespace {

struct LiteralCase {
  const char* what;
  std::string input;
  std::string expected;  // the literal's body as it appears in C source
};

void PrintTo(const LiteralCase& c, std::ostream* os) { *os << c.what; }

class CStringLiteralTest : public ::testing::TestWithParam<LiteralCase> {};

TEST_P(CStringLiteralTest, WritesTheEscapedBody) {
  std::string out = "prefix:";
  propgen::appendCStringLiteral(out, GetParam().input);
  EXPECT_EQ(out, "prefix:" + GetParam().expected) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Escapes, CStringLiteralTest,
    ::testing::Values(
        LiteralCase{"empty", "", ""},
        LiteralCase{"plain text stays", "port0 speed %d */", "port0 speed %d */"},
        LiteralCase{"quote and backslash", "a\"b\\c", R"(a\"b\\c)"},
        LiteralCase{"short escapes", "1\t2\n3\r4", R"(1\t2\n3\r4)"},
        // Octal keeps exactly three digits, so a following digit stays a digit.
        LiteralCase{"other controls in octal", std::string("\x01" "7\x1f\x7f" "8", 5), R"(\0017\037\1778)"},
        LiteralCase{"single question mark", "why?", "why?"},
        LiteralCase{"no trigraph can form", "?\?=?\?/?\?\?", R"(?\?=?\?/?\?\?)"},
        LiteralCase{"UTF-8 passes through", "caf\xc3\xa9", "caf\xc3\xa9"}),
    corvel::test::NameFrom<&LiteralCase::what>());

}  // namespace
