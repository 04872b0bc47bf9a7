#include "corvel/tcs/tcs_ip_protocol.h"

#include <array>

#include "corvel/protocols/ipv4.h"
#include "corvel/protocols/ipv6.h"
#include "corvel/xml/xml_access.h"

namespace corvel {

namespace {

constexpr size_t kIpv4HeaderDigits = HexDigits(IpV4Wire::kSize);
constexpr size_t kIpv6HeaderDigits = HexDigits(IpV6Wire::kSize);

// What an unset IPv4 header gets in value mode: every generated packet needs
// a version, a header length matching its 20 bytes, and a time to live.
constexpr int32_t kIpv4TimeToLive = 1;

// The mask value of an address field: all zero, in the setter's hex form.
constexpr std::string_view kZeroIpv4Address = "0x00000000";

using V4 = IpV4ProtocolConfig;
const std::array kIpv4Fields = {
    IntField<V4>("ver", &V4::setVersion),
    IntField<V4>("hlen", &V4::setHeaderLength),
    IntField<V4>("ttl", &V4::setTimeToLive),
    IntField<V4>("protocol", &V4::setProtocol),
};

using V6 = IpV6ProtocolConfig;
const std::array kIpv6LeadingFields = {
    IntField<V6>("version", &V6::setVersion),
    IntField<V6>("class", &V6::setTrafficClass),
};
const std::array kIpv6TrailingFields = {
    IntField<V6>("next_header", &V6::setNextHeader),
    IntField<V6>("hop_limit", &V6::setHopLimit),
};

bool HasAttribute(const xmlNode* node, std::string_view name) {
  return IntAttribute(node, name).has_value();
}

// The IPv6 address attributes are written with a two-character prefix that
// the reader drops without looking at it; a shorter text leaves nothing for
// the setter, which then refuses it for its length.
std::string WithoutPrefix(const std::string& text) {
  return text.size() >= 2 ? text.substr(2) : std::string();
}

}  // namespace

ProtocolPtr ReadIpv4Protocol(TcsManager& manager, const ProtocolElement& element) {
  return ReadReporting(manager, "TcsIpv4Protocol", element, [&]() -> ProtocolPtr {
    if (!HasAttributeMap(element.node)) return nullptr;
    const HeaderTexts texts = ReadHeaderGroup(element.node);
    auto config = MakeConfig<V4>(element.node, ChooseHeader(element, texts, kIpv4HeaderDigits));
    const bool mask = element.isMask();
    if (mask) config->makeMask();
    ApplyFields<V4>(*config, element.node, kIpv4Fields, mask);
    if (const std::optional<std::string> source = GetAttributeText(element.node, "src_addr")) {
      const PlaceScope place(element.node, "src_addr");
      config->setSourceAddress(mask ? kZeroIpv4Address : std::string_view(*source));
    }
    if (const std::optional<std::string> dest = GetAttributeText(element.node, "dest_addr")) {
      const PlaceScope place(element.node, "dest_addr");
      config->setDestinationAddress(mask ? kZeroIpv4Address : std::string_view(*dest));
    }
    if (element.mode == enReadModeValue) {
      if (!HasAttribute(element.node, "ver") && config->version() == 0)
        config->setVersion(IpV4Wire::kVersionNumber);
      if (!HasAttribute(element.node, "hlen") && config->headerLengthField() == 0)
        config->setHeaderLength(IpV4Wire::kHeaderWords);
      if (!HasAttribute(element.node, "ttl") && config->timeToLive() == 0)
        config->setTimeToLive(kIpv4TimeToLive);
    }
    ApplyShapeGroup(*config, element.node);
    ApplyPoliceGroup(*config, element.node);
    return config;
  });
}

ProtocolPtr ReadIpv6Protocol(TcsManager& manager, const ProtocolElement& element) {
  return ReadReporting(manager, "TcsIpv6Protocol", element, [&]() -> ProtocolPtr {
    if (!HasAttributeMap(element.node)) return nullptr;
    const HeaderTexts texts = ReadHeaderGroup(element.node);
    auto config = MakeConfig<V6>(element.node, ChooseHeader(element, texts, kIpv6HeaderDigits));
    const bool mask = element.isMask();
    if (mask) config->makeMask();
    ApplyFields<V6>(*config, element.node, kIpv6LeadingFields, mask);
    if (const std::optional<int32_t> flow = IntAttribute(element.node, "flow_label")) {
      const PlaceScope place(element.node, "flow_label");
      config->setFlowLabel(mask ? 0 : *flow, config->isMask());
    }
    ApplyFields<V6>(*config, element.node, kIpv6TrailingFields, mask);
    // A mask clears a named address, as it clears every named field, so
    // that the inverted mask selects exactly the fields the element names.
    const std::string zeroAddress = ZeroHex(32);
    if (const std::optional<std::string> source = GetAttributeText(element.node, "source_addr")) {
      const PlaceScope place(element.node, "source_addr");
      config->setSourceAddress(mask ? std::string_view(zeroAddress) : WithoutPrefix(*source));
    }
    if (const std::optional<std::string> dest = GetAttributeText(element.node, "dest_addr")) {
      const PlaceScope place(element.node, "dest_addr");
      config->setDestinationAddress(mask ? std::string_view(zeroAddress) : WithoutPrefix(*dest));
    }
    if (element.mode == enReadModeValue && !HasAttribute(element.node, "version") &&
        config->version() == 0) {
      config->setVersion(IpV6Wire::kVersionNumber);
    }
    ApplyShapeGroup(*config, element.node);
    ApplyPoliceGroup(*config, element.node);
    return config;
  });
}

}  // namespace corvel
