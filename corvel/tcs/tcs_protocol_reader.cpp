#include "corvel/tcs/tcs_protocol_reader.h"

#include <cstdlib>

#include "corvel/protocols/payload/payload_config.h"
#include "corvel/xml/xml_access.h"

namespace corvel {

namespace {

// The counts that level 2 and level 3 start from before a second field
// replaces them.
constexpr int32_t kDefaultLevelCount = 10;

}  // namespace

std::string zeroHex(size_t digits) { return std::string(digits, '0'); }

std::optional<int32_t> intAttribute(const xmlNode* node, std::string_view name) {
  bool found = false;
  const int32_t value = GetAttributeInt(node, name, found);
  if (!found) return std::nullopt;
  return value;
}

std::optional<int64_t> wideIntAttribute(const xmlNode* node, std::string_view name) {
  const std::optional<std::string> text = GetAttribute(node, name);
  if (!text) return std::nullopt;
  // Same rules as the 32-bit conversion (base 0, leading white space and a
  // sign, stop at the first foreign character), 64-bit wide.
  const long long value = std::strtoll(text->c_str(), nullptr, 0);
  return static_cast<int64_t>(value);
}

std::optional<std::string> hexAttribute(const xmlNode* node, std::string_view name) {
  std::optional<std::string> text = GetAttributeText(node, name);
  if (!text || !IsHexString(*text)) return std::nullopt;
  return text->substr(2);
}

HeaderTexts readHeaderGroup(const xmlNode* node) {
  HeaderTexts texts;
  if (std::optional<std::string> hdr = GetAttributeText(node, "hdr")) {
    const PlaceScope place(node, "hdr");
    if (!IsHexString(*hdr)) throw TextError("HDR must be a hex string");
    texts.header = hdr->substr(2);
  }
  if (std::optional<std::string> trl = GetAttributeText(node, "trl")) {
    const PlaceScope place(node, "trl");
    if (!IsHexString(*trl)) throw TextError("TRL must be a hex string");
    texts.trailer = trl->substr(2);
  }
  return texts;
}

std::string chooseHeader(const ProtocolElement& element, const HeaderTexts& texts,
                         size_t defaultDigits) {
  if (element.mode == enReadModeValue && texts.header) return *texts.header;
  return zeroHex(defaultDigits);
}

std::optional<std::string> readOwnHeader(const xmlNode* node, size_t defaultDigits) {
  std::optional<std::string> hdr = GetAttributeText(node, "hdr");
  if (!hdr) return zeroHex(defaultDigits);
  if (!IsHexString(*hdr)) return std::nullopt;
  return hdr->substr(2);
}

void applyShapeGroup(ProtocolConfig& config, const xmlNode* node) {
  const std::optional<std::string> text = GetAttributeText(node, "shape_level");
  if (!text) return;
  const PlaceScope place(node, "shape_level");
  const std::optional<int32_t> level = getFieldInt(*text, 1);
  const std::optional<int32_t> count = getFieldInt(*text, 2);
  const bool counted = count && *count >= 1;
  if (level == 1) {
    config.setShapeLevel(1, 0);
  } else if (level == 2) {
    config.setShapeLevel(2, kDefaultLevelCount);
    if (counted) config.setShapeLevel(2, *count);
  } else if (level == 3) {
    // Level 3 starts from level 2's count; the setter decides what level 3 means.
    config.setShapeLevel(2, kDefaultLevelCount);
    if (counted) config.setShapeLevel(3, *count);
  }
}

void applyPoliceGroup(ProtocolConfig& config, const xmlNode* node) {
  if (const std::optional<int32_t> validate = intAttribute(node, "validate_level")) {
    const PlaceScope place(node, "validate_level");
    config.setValidateLevel(*validate);
  }
  const std::optional<std::string> text = GetAttributeText(node, "police_level");
  if (!text) return;
  const PlaceScope place(node, "police_level");
  const std::optional<int32_t> level = getFieldInt(*text, 1);
  const std::optional<int32_t> count = getFieldInt(*text, 2);
  const bool counted = count && *count > 0;
  if (level == 1) {
    config.setPoliceLevel(1, 0);
  } else if (level == 2 || level == 3) {
    config.setPoliceLevel(*level, kDefaultLevelCount);
    if (counted) config.setPoliceLevel(*level, *count);
  }
}

void applyPayloadGroup(PayloadConfig& config, const xmlNode* node) {
  if (const std::optional<std::string> txPort = GetAttributeText(node, "tx_port")) {
    const PlaceScope place(node, "tx_port");
    const std::optional<int32_t> device = getFieldInt(*txPort, 1);
    const std::optional<int32_t> port = getFieldInt(*txPort, 2);
    if (!device || !port) throw TextError("embedded port specification is not complete");
    config.setTxPort(*device, *port);
  }
  const std::optional<std::string> pattern = GetAttributeText(node, "pattern_type");
  const PlaceScope place(node, "pattern_type");
  config.setPatternType(pattern ? getFieldInt(*pattern, 1).value_or(0) : 1);
}

namespace {

std::string text(std::string_view view) { return std::string(view); }

// The values a field of `width` bits holds, as the reference writes them.
std::string widthRange(int32_t width) {
  if (width >= 64) return "0 to 2^64 - 1";
  return "0 to " + std::to_string((uint64_t{1} << width) - 1);
}

std::string fieldDocText(const HeaderField* field, const AttributeInfo& info) {
  if (!info.doc.empty()) return text(info.doc);
  if (field == nullptr) return {};
  return "the " + text(field->name) + " field (" + std::to_string(field->width) + " bits)";
}

}  // namespace

AttributeDoc fieldAttributeDoc(std::string_view name, FieldForm form, const HeaderField* field,
                               const AttributeInfo& info) {
  AttributeDoc doc;
  doc.name = text(name);
  doc.type = form == FieldForm::Hex ? "hex" : "int";
  doc.range = text(info.range);
  if (doc.range.empty() && field != nullptr) {
    doc.range = form == FieldForm::Hex ? "0x and " + std::to_string(hexDigits(*field)) + " hex digits"
                                       : widthRange(field->width);
  }
  doc.defaultValue = info.defaultValue.empty() ? "the bits of hdr (0 without hdr)" : text(info.defaultValue);
  doc.unit = text(info.unit);
  doc.doc = fieldDocText(field, info);
  if (form == FieldForm::Hex) {
    doc.example = "0x" + std::string(field != nullptr ? hexDigits(*field) : 2, '0');
    if (doc.example.size() > 2) doc.example.back() = '1';
  } else {
    doc.example = "1";
  }
  return doc;
}

void describeHeaderGroup(AttributeDocs& out, size_t headerDigits) {
  out.push_back({"hdr", "hex", "0x and " + std::to_string(headerDigits) + " hex digits", "all zero", "",
                 "the whole header, before the field attributes change it (value mode only)",
                 "0x" + zeroHex(headerDigits)});
  out.push_back({"trl", "hex", "0x and the trailer's hex digits", "all zero", "",
                 "the trailer; a value without the prefix is refused", "0x00000000"});
}

void describeOwnHeader(AttributeDocs& out, size_t digits) {
  out.push_back({"hdr", "hex", "0x and " + std::to_string(digits) + " hex digits", "all zero", "",
                 "the whole header; without the prefix the element makes nothing", "0x" + zeroHex(digits)});
}

void describeShapeGroup(AttributeDocs& out) {
  out.push_back({"shape_level", "levels", "1, 2[,count] or 3[,count]", "none", "",
                 "shaping level; levels 2 and 3 start from a count of 10", "2,10"});
}

void describeValidateLevel(AttributeDocs& out) {
  out.push_back({"validate_level", "int", "0 to 2^31 - 1", "none", "", "how deeply a capture verifies the layer",
                 "1"});
}

void describePoliceGroup(AttributeDocs& out) {
  describeValidateLevel(out);
  out.push_back({"police_level", "levels", "1, 2[,count] or 3[,count]", "none", "",
                 "policing level; levels 2 and 3 start from a count of 10", "2,10"});
}

void describePayloadGroup(AttributeDocs& out) {
  out.push_back({"tx_port", "port", "device,port", "none", "",
                 "the transmit port the payload tag names: the port expected to receive the PDU", "0,1"});
  out.push_back({"pattern_type", "int", "0 to 2^31 - 1", "1", "", "the fill pattern of the payload bytes", "1"});
}

}  // namespace corvel
