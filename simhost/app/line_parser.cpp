#include "line_parser.h"

#include "command_error.h"

namespace pyxsim {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

int digitValue(char c, int base) {
  int v = -1;
  if (c >= '0' && c <= '9') v = c - '0';
  else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
  else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
  return v < base ? v : -1;
}

}  // namespace

std::string ParsedLine::restFrom(size_t index) const {
  if (index >= words.size()) return {};
  if (index + 1 == words.size()) return words[index].text;
  return source.substr(words[index].begin);
}

ParsedLine parseLine(std::string_view line) {
  ParsedLine parsed;
  size_t end = line.size();  // where the comment (or the line) ends
  size_t i = 0;
  while (i < line.size()) {
    const char c = line[i];
    if (c == '\0') throw CommandError("line contains a NUL byte");
    if (isBlank(c)) {
      ++i;
      continue;
    }
    if (c == '#') {
      end = i;
      break;
    }
    Word word;
    word.begin = i;
    bool inQuotes = false;
    for (; i < line.size(); ++i) {
      const char d = line[i];
      if (d == '\0') throw CommandError("line contains a NUL byte");
      if (inQuotes) {
        if (d == '"') {
          inQuotes = false;
        } else if (d == '\\' && i + 1 < line.size() && (line[i + 1] == '"' || line[i + 1] == '\\')) {
          word.text += line[++i];
        } else {
          word.text += d;
        }
      } else if (d == '"') {
        inQuotes = true;
        word.quoted = true;
      } else if (isBlank(d) || d == '#') {
        break;
      } else {
        word.text += d;
      }
    }
    if (inQuotes) throw CommandError("unterminated quoted string");
    parsed.words.push_back(std::move(word));
  }
  while (end > 0 && isBlank(line[end - 1])) --end;
  parsed.source.assign(line.substr(0, end));
  return parsed;
}

std::optional<int64_t> parseInteger(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return std::nullopt;
  // Accumulate as a negative number so that INT64_MIN itself fits.
  constexpr int64_t kMin = INT64_MIN;
  int64_t value = 0;
  for (char c : text) {
    const int d = digitValue(c, base);
    if (d < 0) return std::nullopt;
    if (value < (kMin + d) / base) return std::nullopt;
    value = value * base - d;
  }
  if (negative) return value;
  if (value == kMin) return std::nullopt;
  return -value;
}

}  // namespace pyxsim
