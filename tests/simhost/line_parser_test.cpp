// Splitting console lines into words, integers, and bounded line reading.
#include <gtest/gtest.h>

#include <sstream>

#include "command_error.h"
#include "line_parser.h"
#include "line_reader.h"
#include "tests/support/param_name.h"

namespace pyxsim {
namespace {

struct WordsCase {
  const char* line;
  std::vector<std::string> words;
  std::vector<bool> quoted;
};

class ParseLineTest : public ::testing::TestWithParam<WordsCase> {};

TEST_P(ParseLineTest, SplitsIntoWords) {
  const WordsCase& c = GetParam();
  const ParsedLine parsed = parseLine(c.line);
  ASSERT_EQ(parsed.words.size(), c.words.size()) << c.line;
  for (size_t i = 0; i < c.words.size(); ++i) {
    EXPECT_EQ(parsed.words[i].text, c.words[i]) << c.line << " word " << i;
    EXPECT_EQ(parsed.words[i].quoted, c.quoted[i]) << c.line << " word " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ParseLineTest,
    ::testing::Values(
        WordsCase{"rx_port 0 1", {"rx_port", "0", "1"}, {false, false, false}},
        WordsCase{"  \trun\t 100  ", {"run", "100"}, {false, false}},
        WordsCase{"plugin \"my dir/lib.so\"  # load it", {"plugin", "my dir/lib.so"}, {false, true}},
        WordsCase{"echo \"say \\\"hi\\\" \\\\ now\"", {"echo", "say \"hi\" \\ now"}, {false, true}},
        WordsCase{"echo \"a\\nb\"", {"echo", "a\\nb"}, {false, true}},  // only \" and \\ are escapes
        WordsCase{"x a#b c", {"x", "a"}, {false, false}},
        WordsCase{"x \"a#b\" c", {"x", "a#b", "c"}, {false, true, false}},
        WordsCase{"x pre\"fix mid\"post", {"x", "prefix midpost"}, {false, true}},
        WordsCase{"x \"\"", {"x", ""}, {false, true}},
        WordsCase{"# a comment line", {}, {}},
        WordsCase{"", {}, {}},
        WordsCase{"run 5\r", {"run", "5"}, {false, false}}),
    corvel::test::NameFrom<&WordsCase::line>());

TEST(ParseLine, RejectsUnterminatedQuoteAndNul) {
  EXPECT_THROW(parseLine("plugin \"lib.so"), CommandError);
  EXPECT_THROW(parseLine(std::string("run 1\0 2", 8)), CommandError);
  EXPECT_THROW(parseLine(std::string("x \"a\0b\"", 7)), CommandError);
}

TEST(ParseLine, RestOfLineKeepsInnerBlanksButNotTheComment) {
  const ParsedLine parsed = parseLine("load my  config file.cfg   # comment");
  EXPECT_EQ(parsed.restFrom(1), "my  config file.cfg");
  EXPECT_EQ(parsed.restFrom(3), "file.cfg");
  EXPECT_EQ(parsed.restFrom(4), "");
  EXPECT_EQ(parseLine("load \"a b\"").restFrom(1), "a b");  // one word: its text, unquoted
}

struct IntegerCase {
  const char* text;
  std::optional<int64_t> value;
};

class ParseIntegerTest : public ::testing::TestWithParam<IntegerCase> {};

TEST_P(ParseIntegerTest, DecimalAndHexOnly) {
  EXPECT_EQ(parseInteger(GetParam().text), GetParam().value) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, ParseIntegerTest,
    ::testing::Values(IntegerCase{"0", 0}, IntegerCase{"42", 42}, IntegerCase{"-7", -7}, IntegerCase{"+5", 5},
                      IntegerCase{"08", 8},  // no octal
                      IntegerCase{"0x1F", 31}, IntegerCase{"0XfF", 255}, IntegerCase{"-0x10", -16},
                      IntegerCase{"0xFFFFFFFF", 4294967295LL},
                      IntegerCase{"9223372036854775807", INT64_MAX},
                      IntegerCase{"-9223372036854775808", INT64_MIN},
                      IntegerCase{"9223372036854775808", std::nullopt},
                      IntegerCase{"0x8000000000000000", std::nullopt},
                      IntegerCase{"-9223372036854775809", std::nullopt}, IntegerCase{"0x", std::nullopt},
                      IntegerCase{"0xG", std::nullopt}, IntegerCase{"12a", std::nullopt},
                      IntegerCase{"1 2", std::nullopt}, IntegerCase{"", std::nullopt},
                      IntegerCase{"-", std::nullopt}, IntegerCase{"1.5", std::nullopt},
                      IntegerCase{"--1", std::nullopt}),
    corvel::test::NameFrom<&IntegerCase::text>());

TEST(LineReader, NumbersLinesAndCutsLongOnes) {
  std::istringstream in("first\n" + std::string(40, 'x') + "\n\nlast without end");
  LineReader reader(in, 20);
  std::string line;
  bool truncated = false;
  ASSERT_TRUE(reader.next(line, truncated));
  EXPECT_EQ(line, "first");
  EXPECT_FALSE(truncated);
  ASSERT_TRUE(reader.next(line, truncated));
  EXPECT_EQ(line, std::string(20, 'x'));
  EXPECT_TRUE(truncated);
  EXPECT_EQ(reader.lineNumber(), 2);
  ASSERT_TRUE(reader.next(line, truncated));
  EXPECT_EQ(line, "");
  ASSERT_TRUE(reader.next(line, truncated));
  EXPECT_EQ(line, "last without end");
  EXPECT_EQ(reader.lineNumber(), 4);
  EXPECT_FALSE(reader.next(line, truncated));
}

}  // namespace
}  // namespace pyxsim
