#include "corvel/tcs/tcs_ip_protocol.h"

#include <array>

#include "corvel/protocols/ipv4/ipv4.h"
#include "corvel/protocols/ipv6/ipv6.h"
#include "corvel/xml/xml_access.h"

namespace corvel {

namespace {

constexpr size_t kIpv4HeaderDigits = hexDigits(Ipv4Wire::kSize);
constexpr size_t kIpv6HeaderDigits = hexDigits(Ipv6Wire::kSize);

// What an unset IPv4 header gets in value mode: every generated packet needs
// a version, a header length matching its 20 bytes, and a time to live.
constexpr int32_t kIpv4TimeToLive = 1;

// The mask value of an address field: all zero, in the setter's hex form.
constexpr std::string_view kZeroIpv4Address = "0x00000000";

using V4 = IpV4ProtocolConfig;
const std::array kIpv4Attributes = {
    intField<V4>(Ipv4Wire::kVersion, &V4::setVersion, {.defaultValue = "4 (without hdr)"}),
    intField<V4>(Ipv4Wire::kHeaderLength, &V4::setHeaderLength,
                 {.defaultValue = "5 (without hdr)", .unit = "32-bit words"}),
    intField<V4>(Ipv4Wire::kTimeToLive, &V4::setTimeToLive, {.defaultValue = "1 (without hdr)", .unit = "hops"}),
    intField<V4>(Ipv4Wire::kProtocol, &V4::setProtocol),
};

using V6 = IpV6ProtocolConfig;
const std::array kIpv6LeadingAttributes = {
    intField<V6>(Ipv6Wire::kVersion, &V6::setVersion, {.defaultValue = "6 (without hdr)"}),
    intField<V6>(Ipv6Wire::kTrafficClass, &V6::setTrafficClass),
};
const std::array kIpv6TrailingAttributes = {
    intField<V6>(Ipv6Wire::kNextHeader, &V6::setNextHeader),
    intField<V6>(Ipv6Wire::kHopLimit, &V6::setHopLimit),
};

bool hasAttribute(const xmlNode* node, std::string_view name) {
  return intAttribute(node, name).has_value();
}

// The IPv6 address attributes are written with a two-character prefix that
// the reader drops without looking at it; a shorter text leaves nothing for
// the setter, which then refuses it for its length.
std::string withoutPrefix(const std::string& text) {
  return text.size() >= 2 ? text.substr(2) : std::string();
}

}  // namespace

ProtocolPtr readIpv4Protocol(TcsManager& manager, const ProtocolElement& element) {
  return readReporting(manager, "TcsIpv4Protocol", element, [&]() -> ProtocolPtr {
    if (!hasAttributeMap(element.node)) return nullptr;
    const HeaderTexts texts = readHeaderGroup(element.node);
    auto config = makeConfig<V4>(element.node, chooseHeader(element, texts, kIpv4HeaderDigits));
    const bool mask = element.isMask();
    if (mask) config->makeMask();
    applyFields<V4>(*config, element.node, kIpv4Attributes, mask);
    if (const std::optional<std::string> source = GetAttributeText(element.node, Ipv4Wire::kSource.attribute)) {
      const PlaceScope place(element.node, Ipv4Wire::kSource.attribute);
      config->setSourceAddress(mask ? kZeroIpv4Address : std::string_view(*source));
    }
    if (const std::optional<std::string> dest = GetAttributeText(element.node, Ipv4Wire::kDestination.attribute)) {
      const PlaceScope place(element.node, Ipv4Wire::kDestination.attribute);
      config->setDestinationAddress(mask ? kZeroIpv4Address : std::string_view(*dest));
    }
    if (element.mode == enReadModeValue) {
      if (!hasAttribute(element.node, Ipv4Wire::kVersion.attribute) && config->version() == 0)
        config->setVersion(Ipv4Wire::kVersionNumber);
      if (!hasAttribute(element.node, Ipv4Wire::kHeaderLength.attribute) && config->headerLengthField() == 0)
        config->setHeaderLength(Ipv4Wire::kHeaderWords);
      if (!hasAttribute(element.node, Ipv4Wire::kTimeToLive.attribute) && config->timeToLive() == 0)
        config->setTimeToLive(kIpv4TimeToLive);
    }
    applyShapeGroup(*config, element.node);
    applyPoliceGroup(*config, element.node);
    return config;
  });
}

ProtocolPtr readIpv6Protocol(TcsManager& manager, const ProtocolElement& element) {
  return readReporting(manager, "TcsIpv6Protocol", element, [&]() -> ProtocolPtr {
    if (!hasAttributeMap(element.node)) return nullptr;
    const HeaderTexts texts = readHeaderGroup(element.node);
    auto config = makeConfig<V6>(element.node, chooseHeader(element, texts, kIpv6HeaderDigits));
    const bool mask = element.isMask();
    if (mask) config->makeMask();
    applyFields<V6>(*config, element.node, kIpv6LeadingAttributes, mask);
    if (const std::optional<int32_t> flow = intAttribute(element.node, Ipv6Wire::kFlowLabel.attribute)) {
      const PlaceScope place(element.node, Ipv6Wire::kFlowLabel.attribute);
      config->setFlowLabel(mask ? 0 : *flow, config->isMask());
    }
    applyFields<V6>(*config, element.node, kIpv6TrailingAttributes, mask);
    // A mask clears a named address, as it clears every named field, so
    // that the inverted mask selects exactly the fields the element names.
    const std::string zeroAddress = zeroHex(hexDigits(Ipv6Wire::kSource));
    if (const std::optional<std::string> source = GetAttributeText(element.node, Ipv6Wire::kSource.attribute)) {
      const PlaceScope place(element.node, Ipv6Wire::kSource.attribute);
      config->setSourceAddress(mask ? std::string_view(zeroAddress) : withoutPrefix(*source));
    }
    if (const std::optional<std::string> dest = GetAttributeText(element.node, Ipv6Wire::kDestination.attribute)) {
      const PlaceScope place(element.node, Ipv6Wire::kDestination.attribute);
      config->setDestinationAddress(mask ? std::string_view(zeroAddress) : withoutPrefix(*dest));
    }
    if (element.mode == enReadModeValue && !hasAttribute(element.node, Ipv6Wire::kVersion.attribute) &&
        config->version() == 0) {
      config->setVersion(Ipv6Wire::kVersionNumber);
    }
    applyShapeGroup(*config, element.node);
    applyPoliceGroup(*config, element.node);
    return config;
  });
}

void describeIpv4Attributes(AttributeDocs& out) {
  describeHeaderGroup(out, kIpv4HeaderDigits);
  describeFields<V4>(kIpv4Attributes, out);
  for (const HeaderField* address : {&Ipv4Wire::kSource, &Ipv4Wire::kDestination}) {
    out.push_back({std::string(address->attribute), "text", "a dotted IPv4 address or 0x and 8 hex digits",
                   "the bits of hdr (0 without hdr)", "", "the " + std::string(address->name) + " field",
                   "192.168.1.1"});
  }
  describeShapeGroup(out);
  describePoliceGroup(out);
}

void describeIpv6Attributes(AttributeDocs& out) {
  describeHeaderGroup(out, kIpv6HeaderDigits);
  describeFields<V6>(kIpv6LeadingAttributes, out);
  out.push_back(fieldAttributeDoc(Ipv6Wire::kFlowLabel.attribute, FieldForm::Int, &Ipv6Wire::kFlowLabel, {}));
  describeFields<V6>(kIpv6TrailingAttributes, out);
  for (const HeaderField* address : {&Ipv6Wire::kSource, &Ipv6Wire::kDestination}) {
    out.push_back({std::string(address->attribute), "hex", "a two-character prefix (0x) and 32 hex digits",
                   "the bits of hdr (0 without hdr)", "", "the " + std::string(address->name) + " field",
                   "0x20010db8000000000000000000000001"});
  }
  describeShapeGroup(out);
  describePoliceGroup(out);
}

}  // namespace corvel
