#include "corvel/template/entity_literal.h"

#include <cstdint>

namespace corvel {

std::string escapedEntityValue(std::string_view value) {
  std::string text;
  text.reserve(value.size());
  for (const char c : value) {
    switch (c) {
      case '"': text += "&#34;"; break;
      case '%': text += "&#37;"; break;
      case '&': text += "&#38;#38;"; break;
      case '<': text += "&#38;#60;"; break;
      case '>': text += "&#38;#62;"; break;  // "]]>" is not allowed in content
      case '\t': text += "&#38;#9;"; break;
      case '\n': text += "&#38;#10;"; break;
      case '\r': text += "&#38;#13;"; break;
      default: text += c; break;
    }
  }
  return text;
}

std::string doubleQuotedLiteral(std::string_view literal) {
  std::string text;
  text.reserve(literal.size());
  for (const char c : literal) {
    if (c == '"')
      text += "&#34;";
    else
      text += c;
  }
  return text;
}

namespace {

bool isContinuation(unsigned char byte) noexcept { return (byte & 0xC0u) == 0x80u; }

bool isXmlChar(uint32_t c) noexcept {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
         (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

}  // namespace

bool isXmlText(std::string_view text) noexcept {
  size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    size_t length = 0;
    uint32_t c = 0;
    uint32_t minimum = 0;
    if (lead < 0x80) {
      length = 1;
      c = lead;
    } else if ((lead & 0xE0u) == 0xC0u) {
      length = 2;
      c = lead & 0x1Fu;
      minimum = 0x80;
    } else if ((lead & 0xF0u) == 0xE0u) {
      length = 3;
      c = lead & 0x0Fu;
      minimum = 0x800;
    } else if ((lead & 0xF8u) == 0xF0u) {
      length = 4;
      c = lead & 0x07u;
      minimum = 0x10000;
    } else {
      return false;
    }
    if (length > text.size() - i) return false;
    for (size_t k = 1; k < length; ++k) {
      const auto byte = static_cast<unsigned char>(text[i + k]);
      if (!isContinuation(byte)) return false;
      c = (c << 6) | (byte & 0x3Fu);
    }
    // Overlong forms are refused; surrogates fall outside isXmlChar.
    if (c < minimum || !isXmlChar(c)) return false;
    i += length;
  }
  return true;
}

}  // namespace corvel
