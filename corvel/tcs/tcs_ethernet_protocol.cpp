#include "corvel/tcs/tcs_ethernet_protocol.h"

#include <array>

#include "corvel/protocols/ethernet.h"
#include "corvel/protocols/vlan.h"
#include "corvel/xml/xml_access.h"

namespace corvel {

namespace {

constexpr size_t kEthernetHeaderDigits = HexDigits(EthernetWire::kSize);
constexpr size_t kVLanHeaderDigits = HexDigits(VLanWire::kSize);
constexpr size_t kXVLanHeaderDigits = HexDigits(XVLanWire::kSize);
constexpr size_t kTrailerDigits = HexDigits(EthernetWire::kFcsSize);  // the frame check sequence
constexpr size_t kAddressDigits = HexDigits(EthernetWire::kSource);

using Eth = EthernetProtocolConfig;
const std::array kEthernetFields = {
    HexField<Eth>("src_addr", &Eth::setSource, kAddressDigits),
    HexField<Eth>("dest_addr", &Eth::setDestination, kAddressDigits),
    HexField<Eth>("protocol_type", &Eth::setProtocol, HexDigits(EthernetWire::kEtherType)),
};

using VLan = VLanProtocolConfig;
const std::array kVLanFields = {
    HexField<VLan>("source_addr", &VLan::setSource, kAddressDigits),
    HexField<VLan>("dest_addr", &VLan::setDestination, kAddressDigits),
    IntField<VLan>("protocol_id", &VLan::setProtocolId),
    IntField<VLan>("pri", &VLan::setPriority),
    IntField<VLan>("cfi", &VLan::setCfi),
    IntField<VLan>("vlan_id", &VLan::setVlanId),
    IntField<VLan>("ether_type", &VLan::setEtherType),
};

using XVLan = XVLanProtocolConfig;
const std::array kXVLanFields = {
    HexField<XVLan>("dest_addr", &XVLan::setDestination, kAddressDigits),
    HexField<XVLan>("src_addr", &XVLan::setSource, kAddressDigits),
    IntField<XVLan>("protocol_id", &XVLan::setProtocolId),
    IntField<XVLan>("pri", &XVLan::setPriority),
    IntField<XVLan>("cfi", &XVLan::setCfi),
    IntField<XVLan>("vlan_id", &XVLan::setVlanId),
    HexField<XVLan>("llc", &XVLan::setLlc, HexDigits(XVLanWire::kLlc)),
    IntField<XVLan>("dsap", &XVLan::setDsap),
    IntField<XVLan>("ssap", &XVLan::setSsap),
    IntField<XVLan>("ctrl", &XVLan::setControl),
    HexField<XVLan>("snap", &XVLan::setSnap, HexDigits(XVLanWire::kSnap)),
    IntField<XVLan>("vendor", &XVLan::setVendor),
    IntField<XVLan>("type", &XVLan::setType),
};

void ApplyValidateLevel(ProtocolConfig& config, const xmlNode* node) {
  if (const std::optional<int32_t> level = IntAttribute(node, "validate_level")) {
    const PlaceScope place(node, "validate_level");
    config.setValidateLevel(*level);
  }
}

}  // namespace

ProtocolPtr ReadEthernetProtocol(TcsManager& manager, const ProtocolElement& element) {
  return ReadReporting(manager, "TcsEthernetProtocol", element, [&]() -> ProtocolPtr {
    if (!HasAttributeMap(element.node)) return nullptr;
    const HeaderTexts texts = ReadHeaderGroup(element.node);
    auto config = MakeConfig<Eth>(element.node, ChooseHeader(element, texts, kEthernetHeaderDigits),
                                        ZeroHex(kTrailerDigits));
    if (element.isMask()) config->makeMask();
    ApplyFields<Eth>(*config, element.node, kEthernetFields, element.isMask());
    ApplyShapeGroup(*config, element.node);
    ApplyPoliceGroup(*config, element.node);
    return config;
  });
}

ProtocolPtr ReadVLanProtocol(TcsManager& manager, const ProtocolElement& element) {
  return ReadReporting(manager, "TcsVLanProtocol", element, [&]() -> ProtocolPtr {
    const std::optional<std::string> header = ReadOwnHeader(element.node, kVLanHeaderDigits);
    if (!header) return nullptr;
    auto config = MakeConfig<VLan>(element.node, *header, ZeroHex(kTrailerDigits));
    // A flow-key mask: all bits set, the named fields cleared.
    if (element.isMask()) config->makeMask();
    ApplyFields<VLan>(*config, element.node, kVLanFields, element.isMask());
    ApplyValidateLevel(*config, element.node);
    return config;
  });
}

ProtocolPtr ReadXVLanProtocol(TcsManager& manager, const ProtocolElement& element) {
  return ReadReporting(manager, "TcsXVLanProtocol", element, [&]() -> ProtocolPtr {
    const std::optional<std::string> header = ReadOwnHeader(element.node, kXVLanHeaderDigits);
    if (!header) return nullptr;
    auto config = MakeConfig<XVLan>(element.node, *header, ZeroHex(kTrailerDigits));
    if (element.isMask()) config->makeMask();
    ApplyFields<XVLan>(*config, element.node, kXVLanFields, element.isMask());
    // Only a capture set verifies frames, so only it takes a validation level.
    if (element.setType == enSetTypeCapture) ApplyValidateLevel(*config, element.node);
    return config;
  });
}

}  // namespace corvel
