#include "cellgen/config_line.h"

namespace cellgen {

namespace {

bool isWhite(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool isSeparator(char c) { return c == ',' || c == '\t' || c == '\n' || c == '\r'; }

char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

int digitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 99;
}

bool onlyBlanks(std::string_view text) { return text.find_first_not_of(' ') == std::string_view::npos; }

// Digits of one base up to the first blank, then blanks only.
std::optional<std::uint32_t> parseDigits(std::string_view text, int base, std::uint32_t max) {
  const std::size_t end = std::min(text.find(' '), text.size());
  if (end == 0 || !onlyBlanks(text.substr(end))) return std::nullopt;
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < end; ++i) {
    const int digit = digitValue(text[i]);
    if (digit >= base) return std::nullopt;
    value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
    if (value > max) return std::nullopt;
  }
  return static_cast<std::uint32_t>(value);
}

}  // namespace

bool isSkippedLine(std::string_view line) {
  std::size_t i = 0;
  while (i < line.size() && isWhite(line[i])) ++i;
  return i == line.size() || line[i] == '#';
}

LineKeyword lineKeyword(std::string_view line, std::string_view& rest) {
  std::size_t begin = 0;
  while (begin < line.size() && isWhite(line[begin])) ++begin;
  std::size_t end = begin;
  while (end < line.size() && !isWhite(line[end])) ++end;
  rest = line.substr(end);
  const std::string_view word = line.substr(begin, end - begin);
  if (word.size() > kMaxKeywordLength) return LineKeyword::none;
  if (isKeyword(word, "LOGFILE")) return LineKeyword::logfile;
  if (isKeyword(word, "PORT")) return LineKeyword::port;
  if (isKeyword(word, "STREAM")) return LineKeyword::stream;
  return LineKeyword::none;
}

void splitArguments(std::string_view rest, std::vector<std::string_view>& out) {
  out.clear();
  std::size_t i = 0;
  while (i < rest.size()) {
    while (i < rest.size() && isSeparator(rest[i])) ++i;
    if (i == rest.size()) break;
    std::size_t end = i;
    while (end < rest.size() && !isSeparator(rest[end])) ++end;
    std::string_view argument = rest.substr(i, end - i);
    const std::size_t text = argument.find_first_not_of(' ');
    out.push_back(text == std::string_view::npos ? std::string_view() : argument.substr(text));
    i = end;
  }
  while (!out.empty() && out.back().empty()) out.pop_back();
}

std::optional<std::uint32_t> parseDecimal(std::string_view text, std::uint32_t max) {
  return parseDigits(text, 10, max);
}

std::optional<std::uint8_t> parseFillByte(std::string_view text) {
  std::optional<std::uint32_t> value;
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
    value = parseDigits(text.substr(2), 16, 0xFF);
  else if (text.size() >= 2 && text[0] == '0' && text[1] != ' ')
    value = parseDigits(text.substr(1), 8, 0xFF);
  else
    value = parseDigits(text, 10, 0xFF);
  if (!value) return std::nullopt;
  return static_cast<std::uint8_t>(*value);
}

bool isKeyword(std::string_view text, std::string_view keyword) {
  if (text.size() != keyword.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i)
    if (upper(text[i]) != keyword[i]) return false;
  return true;
}

}  // namespace cellgen
