// Reads a script line by line with a bounded line length: a longer line is cut
// at the bound, the rest of it skipped, and the line reported as too long.
#pragma once

#include <cstddef>
#include <istream>
#include <string>

namespace pyxsim {

class LineReader {
 public:
  static constexpr size_t kMaxLine = 16384;

  explicit LineReader(std::istream& in, size_t maxLine = kMaxLine) : in_(in), maxLine_(maxLine) {}

  // Fills `line` (without its line end) and answers true; false at the end of
  // input. `truncated` tells whether the line was longer than the bound.
  bool next(std::string& line, bool& truncated);
  // Number of the line last read, from 1.
  int lineNumber() const { return lineNumber_; }

 private:
  std::istream& in_;
  size_t maxLine_;
  int lineNumber_ = 0;
};

}  // namespace pyxsim
