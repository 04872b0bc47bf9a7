#include "corvel/tcs/tcs_protocol_reader.h"

#include <cstdlib>

#include "corvel/protocols/payload_config.h"
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

}  // namespace corvel
