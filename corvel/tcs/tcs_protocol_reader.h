// What every protocol-element reader shares: the element it reads, the value
// forms of its attributes, the common attribute groups (H header texts,
// S shaping, P validation and policing, T payload transmit port and pattern),
// and the guard that turns a thrown message into a parse-error report.
#pragma once

#include <libxml/tree.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "corvel/base/text_error.h"
#include "corvel/protocols/protocol_config.h"
#include "corvel/tcs/tcs_manager.h"
#include "corvel/xml/tcs_place.h"

namespace corvel {

class PayloadConfig;

// One protocol element as the dispatcher hands it to a reader.
struct ProtocolElement {
  xmlNode* node = nullptr;
  std::string_view name;
  int32_t setType = enSetTypeGenerate;
  int32_t mode = enReadModeValue;

  bool isMask() const noexcept { return mode == enReadModeMask; }
};

using ProtocolPtr = std::unique_ptr<ProtocolConfig>;

// Hex digits of `bytes` bytes, and of a whole-byte field of a protocol's
// layout block: header texts and hex attributes are sized from these.
constexpr size_t hexDigits(int32_t bytes) { return 2 * static_cast<size_t>(bytes); }
constexpr size_t hexDigits(const BitField& field) { return hexDigits(byteCount(field)); }

// An all-zero hex text of `digits` digits: the default header or trailer, and
// the mask-mode value of a hex field.
std::string zeroHex(size_t digits);

// ---- Value forms --------------------------------------------------------

// An *int* attribute (base-0 conversion, 32-bit signed, clamped); nullopt when
// the attribute is absent.
std::optional<int32_t> intAttribute(const xmlNode* node, std::string_view name);

// An *int* attribute converted to 64 bits, for fields of a full 32 bits
// whose values the 32-bit signed conversion would clamp; the setter's own
// range check then refuses what does not fit. nullopt when absent.
std::optional<int64_t> wideIntAttribute(const xmlNode* node, std::string_view name);

// A *hex* attribute: the digits after the "0x"/"0X" prefix; nullopt when the
// attribute is absent, empty, or lacks the prefix (such a value is ignored).
std::optional<std::string> hexAttribute(const xmlNode* node, std::string_view name);

// ---- Headers ------------------------------------------------------------

// Group H: the digits of hdr and trl. Throws "HDR must be a hex string" or
// "TRL must be a hex string" for a present value without the prefix.
struct HeaderTexts {
  std::optional<std::string> header;
  std::optional<std::string> trailer;
};
HeaderTexts readHeaderGroup(const xmlNode* node);

// The header text of a group-H reader: the default header in mask mode (and
// in any mode other than values), else hdr's digits when given.
std::string chooseHeader(const ProtocolElement& element, const HeaderTexts& texts,
                         size_t defaultDigits);

// The header of a reader with its own hdr handling: the default header when
// hdr is absent, its digits when it carries the prefix, and nullopt (the
// reader then makes no configuration and says nothing) otherwise.
std::optional<std::string> readOwnHeader(const xmlNode* node, size_t defaultDigits);

// Constructs a configuration from its header text. The constructor's
// refusals (length, non-hex digits) are about hdr when the element gives one;
// a default header is never refused.
template <class Config, class... Args>
std::unique_ptr<Config> makeConfig(const xmlNode* node, Args&&... args) {
  const PlaceScope place(node, "hdr");
  return std::make_unique<Config>(std::forward<Args>(args)...);
}

// ---- Common groups ------------------------------------------------------

// Group S: shape_level "1", "2[,count]" or "3[,count]".
void applyShapeGroup(ProtocolConfig& config, const xmlNode* node);
// Group P: validate_level, then police_level "1", "2[,count]" or "3[,count]".
void applyPoliceGroup(ProtocolConfig& config, const xmlNode* node);
// Group T: tx_port "device,port" and pattern_type. Throws "embedded port
// specification is not complete" for a tx_port of fewer than two fields.
void applyPayloadGroup(PayloadConfig& config, const xmlNode* node);

// ---- Field tables -------------------------------------------------------

// One field attribute of a protocol element and the configuration setter it
// feeds. Readers list their attributes once, in the order they are applied
// (the order matters where fields overlap, e.g. llc and dsap of xvlan); the
// same table is what a reference of the element's attributes is made from.
enum class FieldForm {
  Int,      // *int*, 32-bit conversion
  WideInt,  // *int*, 64-bit conversion (fields of a full 32 bits)
  Hex,      // *hex*, the digits after the prefix
};

// What a reader of the TCS format needs to know of an attribute beyond its
// name and form. An empty range means the values the header field holds
// (0 to 2^width - 1); an empty default means the default header's bits.
struct AttributeInfo {
  std::string_view range = {};
  std::string_view defaultValue = {};
  std::string_view unit = {};
  std::string_view doc = {};
};

template <class Config>
struct FieldSetter {
  std::string_view name;
  FieldForm form;
  void (Config::*setNumber)(int64_t) = nullptr;
  void (Config::*setText)(std::string_view) = nullptr;
  // Hex fields: the field's width in digits, for the all-zero mask value.
  size_t digits = 0;
  // The header field the attribute sets; null when it sets none directly.
  const HeaderField* field = nullptr;
  AttributeInfo info = {};
};

template <class Config>
constexpr FieldSetter<Config> intField(std::string_view name, void (Config::*set)(int64_t), AttributeInfo info = {}) {
  return {name, FieldForm::Int, set, nullptr, 0, nullptr, info};
}
template <class Config>
constexpr FieldSetter<Config> wideIntField(std::string_view name, void (Config::*set)(int64_t),
                                           AttributeInfo info = {}) {
  return {name, FieldForm::WideInt, set, nullptr, 0, nullptr, info};
}
template <class Config>
constexpr FieldSetter<Config> hexField(std::string_view name, void (Config::*set)(std::string_view), size_t digits,
                                       AttributeInfo info = {}) {
  return {name, FieldForm::Hex, nullptr, set, digits, nullptr, info};
}

// The same for an attribute that sets one header field of the protocol's
// field table: its name is the field's attribute, a hex attribute's width
// the field's.
template <class Config>
constexpr FieldSetter<Config> intField(const HeaderField& field, void (Config::*set)(int64_t),
                                       AttributeInfo info = {}) {
  return {field.attribute, FieldForm::Int, set, nullptr, 0, &field, info};
}
template <class Config>
constexpr FieldSetter<Config> wideIntField(const HeaderField& field, void (Config::*set)(int64_t),
                                           AttributeInfo info = {}) {
  return {field.attribute, FieldForm::WideInt, set, nullptr, 0, &field, info};
}
template <class Config>
constexpr FieldSetter<Config> hexField(const HeaderField& field, void (Config::*set)(std::string_view),
                                       AttributeInfo info = {}) {
  return {field.attribute, FieldForm::Hex, nullptr, set, hexDigits(field), &field, info};
}

// Applies every field the element gives, in table order. With `masked` set
// (mask mode of a reader whose fields have mask values) a given field is
// written as 0, or as the all-zero text of its width, instead of its value.
template <class Config>
void applyFields(Config& config, const xmlNode* node, std::span<const FieldSetter<Config>> fields,
                 bool masked = false) {
  for (const FieldSetter<Config>& field : fields) {
    const PlaceScope place(node, field.name);
    if (field.form == FieldForm::Hex) {
      if (const std::optional<std::string> digits = hexAttribute(node, field.name))
        (config.*field.setText)(masked ? zeroHex(field.digits) : *digits);
      continue;
    }
    const std::optional<int64_t> value = field.form == FieldForm::Int
                                             ? std::optional<int64_t>(intAttribute(node, field.name))
                                             : wideIntAttribute(node, field.name);
    if (value) (config.*field.setNumber)(masked ? 0 : *value);
  }
}

// ---- Attribute reference ------------------------------------------------

// One attribute of an element as the reference and the schema of the TCS
// format show it, and as the unknown-name warnings know it.
struct AttributeDoc {
  std::string name;
  std::string type;  // int, hex, text, real, levels, port, directory, choice
  std::string range;
  std::string defaultValue;
  std::string unit;
  std::string doc;
  std::string example;
};
using AttributeDocs = std::vector<AttributeDoc>;

// The reference row of one field attribute, from its table row.
AttributeDoc fieldAttributeDoc(std::string_view name, FieldForm form, const HeaderField* field,
                               const AttributeInfo& info);

template <class Config>
void describeFields(std::span<const FieldSetter<Config>> fields, AttributeDocs& out) {
  for (const FieldSetter<Config>& field : fields)
    out.push_back(fieldAttributeDoc(field.name, field.form, field.field, field.info));
}

// The attributes of the common groups, as their apply functions read them.
void describeHeaderGroup(AttributeDocs& out, size_t headerDigits);
// hdr of a reader that makes nothing for a hdr without its prefix.
void describeOwnHeader(AttributeDocs& out, size_t digits);
void describeShapeGroup(AttributeDocs& out);
void describeValidateLevel(AttributeDocs& out);
void describePoliceGroup(AttributeDocs& out);  // validate_level and police_level
void describePayloadGroup(AttributeDocs& out);

// ---- Error guard --------------------------------------------------------

// Runs `build`; a message text thrown inside it is reported under `fileTag`
// and the element's name, whatever was built is destroyed, and the result is
// null. Other exceptions pass on.
template <class Build>
ProtocolPtr readReporting(TcsManager& manager, std::string_view fileTag,
                          const ProtocolElement& element, Build&& build) {
  try {
    return build();
  } catch (const TextError& error) {
    manager.ReportParseError(fileTag, element.name, error.text());
    return nullptr;
  }
}

}  // namespace corvel
