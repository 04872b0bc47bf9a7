#include "propgen/c_string_literal.h"

namespace propgen {

namespace {

// The escape for one byte, or nullptr when the byte is written as it is.
// Control characters without a short escape use three octal digits, which
// cannot swallow a following digit the way a hexadecimal escape would.
const char* escapeFor(unsigned char c, bool afterQuestionMark, char (&octal)[5]) {
  switch (c) {
    case '"': return "\\\"";
    case '\\': return "\\\\";
    case '\n': return "\\n";
    case '\t': return "\\t";
    case '\r': return "\\r";
    case '?': return afterQuestionMark ? "\\?" : nullptr;
    default: break;
  }
  if (c < 0x20 || c == 0x7F) {
    octal[0] = '\\';
    octal[1] = static_cast<char>('0' + ((c >> 6) & 7));
    octal[2] = static_cast<char>('0' + ((c >> 3) & 7));
    octal[3] = static_cast<char>('0' + (c & 7));
    octal[4] = '\0';
    return octal;
  }
  return nullptr;
}

}  // namespace

void appendCStringLiteral(std::string& out, std::string_view text) {
  char octal[5];
  bool afterQuestionMark = false;
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (const char* escape = escapeFor(c, afterQuestionMark, octal)) {
      out += escape;
    } else {
      out += ch;
    }
    afterQuestionMark = (c == '?');
  }
}

}  // namespace propgen
