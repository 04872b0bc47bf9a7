// Splitting one console line into words: blanks separate words, double quotes
// keep blanks (and '#') inside a word, a backslash inside quotes escapes '"'
// and '\', and '#' outside quotes starts a comment.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pyxsim {

struct Word {
  std::string text;
  bool quoted = false;  // any part of the word was written in quotes
  size_t begin = 0;     // offset of the word's first character in the line
};

struct ParsedLine {
  std::vector<Word> words;
  std::string source;  // the line without its comment and trailing blanks

  bool empty() const { return words.empty(); }
  // The line from word `index` to its end, as written. A command whose last
  // argument is a string takes the rest of the line this way.
  std::string restFrom(size_t index) const;
};

// Throws CommandError for an unterminated quote or a NUL byte.
ParsedLine parseLine(std::string_view line);

// Decimal ("-12", "300") or hexadecimal ("0x1F", "-0x10"); nothing else, no
// blanks. Empty when the text is not such a number or leaves the int64 range.
std::optional<int64_t> parseInteger(std::string_view text);

}  // namespace pyxsim
