// The syntax of one configuration line: the keyword word, the argument list
// and the number and keyword forms of the arguments.
//
// A line's first word (ended by white space) is its keyword. The arguments
// after it are separated by commas, tabs or the line end; a run of separators
// counts as one. Blanks before an argument are skipped; blanks inside or after
// it belong to it, which numbers tolerate and keywords do not.
#ifndef CELLGEN_CONFIG_LINE_H
#define CELLGEN_CONFIG_LINE_H

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace cellgen {

enum class LineKeyword { none = 0, logfile = 1, port = 2, stream = 3 };

// Longest first word that is looked up as a keyword.
inline constexpr std::size_t kMaxKeywordLength = 31;

// True for an empty or all-blank line and for a "#" comment line.
bool isSkippedLine(std::string_view line);

// The keyword of a line (upper-cased, compared exactly) and the text after it.
LineKeyword lineKeyword(std::string_view line, std::string_view& rest);

// Splits the text after the keyword into arguments (see above). Blank-only
// arguments at the end of the line are dropped; one in the middle stays as an
// empty argument, which no number, keyword or file name accepts.
void splitArguments(std::string_view rest, std::vector<std::string_view>& out);

// A decimal number up to `max`, trailing blanks allowed.
std::optional<std::uint32_t> parseDecimal(std::string_view text, std::uint32_t max);

// A byte written in decimal, 0x-prefixed hexadecimal or 0-prefixed octal,
// trailing blanks allowed.
std::optional<std::uint8_t> parseFillByte(std::string_view text);

// Compares a keyword argument without regard to case; nothing may follow it.
bool isKeyword(std::string_view text, std::string_view keyword);

}  // namespace cellgen

#endif
