#include "line_reader.h"

namespace pyxsim {

bool LineReader::next(std::string& line, bool& truncated) {
  line.clear();
  truncated = false;
  std::streambuf* buffer = in_.rdbuf();
  if (!buffer) return false;
  bool sawAny = false;
  for (;;) {
    const int c = buffer->sbumpc();
    if (c == std::char_traits<char>::eof()) {
      in_.setstate(std::ios::eofbit);
      break;
    }
    sawAny = true;
    if (c == '\n') break;
    if (line.size() < maxLine_) line.push_back(static_cast<char>(c));
    else truncated = true;
  }
  if (!sawAny) return false;
  ++lineNumber_;
  return true;
}

}  // namespace pyxsim
