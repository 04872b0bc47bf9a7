#include "corvel/tcs/tcs_ethernet_protocol.h"

#include <array>

#include "corvel/protocols/ethernet.h"
#include "corvel/protocols/vlan.h"
#include "corvel/xml/xml_access.h"

namespace corvel {

namespace {

constexpr size_t kEthernetHeaderDigits = hexDigits(EthernetWire::kSize);
constexpr size_t kVLanHeaderDigits = hexDigits(VLanWire::kSize);
constexpr size_t kXVLanHeaderDigits = hexDigits(XVLanWire::kSize);
constexpr size_t kTrailerDigits = hexDigits(EthernetWire::kFcsSize);  // the frame check sequence
constexpr size_t kAddressDigits = hexDigits(EthernetWire::kSource);

using Eth = EthernetProtocolConfig;
const std::array kEthernetFields = {
    hexField<Eth>("src_addr", &Eth::setSource, kAddressDigits),
    hexField<Eth>("dest_addr", &Eth::setDestination, kAddressDigits),
    hexField<Eth>("protocol_type", &Eth::setProtocol, hexDigits(EthernetWire::kEtherType)),
};

using VLan = VLanProtocolConfig;
const std::array kVLanFields = {
    hexField<VLan>("source_addr", &VLan::setSource, kAddressDigits),
    hexField<VLan>("dest_addr", &VLan::setDestination, kAddressDigits),
    intField<VLan>("protocol_id", &VLan::setProtocolId),
    intField<VLan>("pri", &VLan::setPriority),
    intField<VLan>("cfi", &VLan::setCfi),
    intField<VLan>("vlan_id", &VLan::setVlanId),
    intField<VLan>("ether_type", &VLan::setEtherType),
};

using XVLan = XVLanProtocolConfig;
const std::array kXVLanFields = {
    hexField<XVLan>("dest_addr", &XVLan::setDestination, kAddressDigits),
    hexField<XVLan>("src_addr", &XVLan::setSource, kAddressDigits),
    intField<XVLan>("protocol_id", &XVLan::setProtocolId),
    intField<XVLan>("pri", &XVLan::setPriority),
    intField<XVLan>("cfi", &XVLan::setCfi),
    intField<XVLan>("vlan_id", &XVLan::setVlanId),
    hexField<XVLan>("llc", &XVLan::setLlc, hexDigits(XVLanWire::kLlc)),
    intField<XVLan>("dsap", &XVLan::setDsap),
    intField<XVLan>("ssap", &XVLan::setSsap),
    intField<XVLan>("ctrl", &XVLan::setControl),
    hexField<XVLan>("snap", &XVLan::setSnap, hexDigits(XVLanWire::kSnap)),
    intField<XVLan>("vendor", &XVLan::setVendor),
    intField<XVLan>("type", &XVLan::setType),
};

void applyValidateLevel(ProtocolConfig& config, const xmlNode* node) {
  if (const std::optional<int32_t> level = intAttribute(node, "validate_level")) {
    const PlaceScope place(node, "validate_level");
    config.setValidateLevel(*level);
  }
}

}  // namespace

ProtocolPtr readEthernetProtocol(TcsManager& manager, const ProtocolElement& element) {
  return readReporting(manager, "TcsEthernetProtocol", element, [&]() -> ProtocolPtr {
    if (!hasAttributeMap(element.node)) return nullptr;
    const HeaderTexts texts = readHeaderGroup(element.node);
    auto config = makeConfig<Eth>(element.node, chooseHeader(element, texts, kEthernetHeaderDigits),
                                        zeroHex(kTrailerDigits));
    if (element.isMask()) config->makeMask();
    applyFields<Eth>(*config, element.node, kEthernetFields, element.isMask());
    applyShapeGroup(*config, element.node);
    applyPoliceGroup(*config, element.node);
    return config;
  });
}

ProtocolPtr readVLanProtocol(TcsManager& manager, const ProtocolElement& element) {
  return readReporting(manager, "TcsVLanProtocol", element, [&]() -> ProtocolPtr {
    const std::optional<std::string> header = readOwnHeader(element.node, kVLanHeaderDigits);
    if (!header) return nullptr;
    auto config = makeConfig<VLan>(element.node, *header, zeroHex(kTrailerDigits));
    // A flow-key mask: all bits set, the named fields cleared.
    if (element.isMask()) config->makeMask();
    applyFields<VLan>(*config, element.node, kVLanFields, element.isMask());
    applyValidateLevel(*config, element.node);
    return config;
  });
}

ProtocolPtr readXVLanProtocol(TcsManager& manager, const ProtocolElement& element) {
  return readReporting(manager, "TcsXVLanProtocol", element, [&]() -> ProtocolPtr {
    const std::optional<std::string> header = readOwnHeader(element.node, kXVLanHeaderDigits);
    if (!header) return nullptr;
    auto config = makeConfig<XVLan>(element.node, *header, zeroHex(kTrailerDigits));
    if (element.isMask()) config->makeMask();
    applyFields<XVLan>(*config, element.node, kXVLanFields, element.isMask());
    // Only a capture set verifies frames, so only it takes a validation level.
    if (element.setType == enSetTypeCapture) applyValidateLevel(*config, element.node);
    return config;
  });
}

}  // namespace corvel
