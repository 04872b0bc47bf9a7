#include "corvel/tcs/tcs_generic_protocol.h"

#include <algorithm>
#include <charconv>
#include <vector>

#include "corvel/protocols/frame_packer.h"
#include "corvel/protocols/generic/generic.h"
#include "corvel/xml/tcs_place.h"
#include "corvel/xml/xml_access.h"

namespace corvel {

namespace {

constexpr std::string_view kUnit = "TcsCustomProtocol";
constexpr uint32_t kAllOnes = 0xFFFFFFFFu;

// The declaration "//corvel/type_definitions/NAME.declare", first in document
// order. The children are compared by name rather than put into the path, so
// no element name can change the expression.
const xmlNode* findDeclaration(const xmlNode* documentNode, std::string_view name) {
  const std::string wanted = std::string(name) + ".declare";
  for (const xmlNode* candidate : selectNodes(documentNode, "//corvel/type_definitions/*")) {
    if (isNodeNamed(candidate, wanted)) return candidate;
  }
  return nullptr;
}

bool isSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The unsigned decimal reading of the C library for a 32-bit unsigned long:
// leading white space, an optional sign (a minus negates modulo 2^32) and the
// digits. `rest` is what follows the number (the whole text when there is
// none); `overflow` tells a number beyond 32 bits, which the C library would
// answer with 2^32 - 1, from 2^32 - 1 itself.
uint32_t readUnsigned32(std::string_view text, std::string_view& rest, bool& overflow) {
  size_t at = 0;
  while (at < text.size() && isSpace(text[at])) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
  const size_t digitsAt = at;
  uint64_t value = 0;
  overflow = false;
  while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
    value = value * 10 + static_cast<uint64_t>(text[at] - '0');
    if (value > kAllOnes) {
      overflow = true;
      value = kAllOnes;
    }
    ++at;
  }
  if (at == digitsAt) {
    rest = text;
    return 0;
  }
  rest = text.substr(at);
  if (overflow) return kAllOnes;
  const uint32_t magnitude = static_cast<uint32_t>(value);
  return negative ? 0u - magnitude : magnitude;
}

}  // namespace

ProtocolPtr readGenericProtocol(TcsManager& /*manager*/, const ProtocolElement& element) {
  const std::optional<std::string> hdr = GetAttributeText(element.node, "hdr");
  const std::optional<std::string> trl = GetAttributeText(element.node, "trl");
  if (!hdr && !trl) return nullptr;
  if ((hdr && !IsHexString(*hdr)) || (trl && !IsHexString(*trl))) return nullptr;
  const std::string header = hdr ? hdr->substr(2) : std::string();
  const std::string trailer = trl ? trl->substr(2) : std::string();
  // With one of the two texts given, a refusal can only be about that one.
  const PlaceScope place(element.node, !trl ? "hdr" : !hdr ? "trl" : "");
  return std::make_unique<GenericProtocolConfig>(header, trailer);
}

std::optional<std::string> customFieldDigits(const PrintUtility& printer,
                                             std::string_view fieldName, std::string_view value) {
  if (IsHexString(value)) return std::string(value.substr(2));
  std::string_view rest;
  bool overflow = false;
  const uint32_t number = readUnsigned32(value, rest, overflow);
  if (!rest.empty()) {
    printer.print("Corvel> ERROR: invalid character in %.*s (%.*s)\n",
                  static_cast<int>(fieldName.size()), fieldName.data(),
                  static_cast<int>(value.size()), value.data());
    return std::nullopt;
  }
  if (overflow) {
    printer.print("Corvel> ERROR: decimal value is greater than 32 bits - specify in hex!\n");
    return std::nullopt;
  }
  char digits[8];
  const std::to_chars_result written = std::to_chars(digits, digits + sizeof digits, number, 16);
  return std::string(digits, written.ptr);
}

ProtocolPtr readCustomProtocol(TcsManager& manager, const ProtocolElement& element) {
  const xmlNode* declaration = findDeclaration(manager.documentNode(), element.name);
  if (declaration == nullptr) {
    manager.ReportParseError(kUnit, element.name,
                             "could not find generic protocol .declare tcs statment");
    return nullptr;
  }
  // Every declaration attribute but the reserved ones (_entry_type) is a
  // field: its name, and its width in bits.
  struct Field {
    std::string name;
    int32_t width;
  };
  std::vector<Field> fields;
  int64_t totalBits = 0;
  for (auto& [name, value] : getAttributeList(declaration)) {
    if (TcsManager::isReservedWord(name)) continue;
    const int32_t width = textToIntBase0(value);
    totalBits += width;
    fields.push_back({std::move(name), width});
  }
  if (totalBits % 8 != 0) {
    // The widths that do not add up are the declaration's.
    const PlaceScope place(declaration);
    manager.ReportParseError(kUnit, element.name,
                             "generic protocol is not byte aligned. Check sum of bits.");
    return nullptr;
  }

  // A sum beyond what a packer takes is refused by the packer itself, which
  // then packs nothing.
  FramePacker packer(static_cast<int32_t>(std::clamp<int64_t>(totalBits, 0, INT32_MAX)));
  for (const Field& field : fields) {
    std::string value = GetAttribute(element.node, field.name).value_or(std::string());
    // g++ 12 warns (-Wrestrict) about overlapping copies inside std::string's
    // assignment of a short literal when optimising; a known false positive
    // of that compiler (GCC bug 105329).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wrestrict"
#endif
    if (value.empty()) value = "0";
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
    const PlaceScope place(element.node, field.name);
    const std::optional<std::string> digits =
        customFieldDigits(manager.printer(), field.name, value);
    // A refused value has been printed (a value wider than its field by the
    // packer); the place follows.
    if (!digits || !packer.packField(field.width, *digits)) {
      manager.printPlace();
      return nullptr;
    }
  }
  const std::string header(packer.text());
  if (element.setType == enSetTypeGenerate) {
    manager.printer().print("Corvel>       Initializing %.*s frame: %s\n",
                            static_cast<int>(element.name.size()), element.name.data(),
                            header.c_str());
  }
  return std::make_unique<GenericProtocolConfig>(header, std::string_view());
}

void describeGenericAttributes(AttributeDocs& out) {
  out.push_back({"hdr", "hex", "0x and any even number of hex digits", "none", "",
                 "the header bytes; without hdr and trl, or without the prefix, the element makes nothing",
                 "0x0a0b0c0d"});
  out.push_back({"trl", "hex", "0x and any even number of hex digits", "none", "", "the trailer bytes", "0x0e0f"});
}

}  // namespace corvel
