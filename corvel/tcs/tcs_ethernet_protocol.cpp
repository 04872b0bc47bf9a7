#include "corvel/tcs/tcs_ethernet_protocol.h"

#include <array>

#include "corvel/protocols/ethernet/ethernet.h"
#include "corvel/protocols/vlan/vlan.h"
#include "corvel/xml/xml_access.h"

namespace corvel {

namespace {

constexpr size_t kEthernetHeaderDigits = hexDigits(EthernetWire::kSize);
constexpr size_t kVLanHeaderDigits = hexDigits(VLanWire::kSize);
constexpr size_t kXVLanHeaderDigits = hexDigits(XVLanWire::kSize);
constexpr size_t kTrailerDigits = hexDigits(EthernetWire::kFcsSize);  // the frame check sequence

using Eth = EthernetProtocolConfig;
const std::array kEthernetAttributes = {
    hexField<Eth>(EthernetWire::kSource, &Eth::setSource),
    hexField<Eth>(EthernetWire::kDestination, &Eth::setDestination),
    hexField<Eth>(EthernetWire::kEtherType, &Eth::setProtocol),
};

using VLan = VLanProtocolConfig;
const std::array kVLanAttributes = {
    hexField<VLan>(VLanWire::kSource, &VLan::setSource),
    hexField<VLan>(VLanWire::kDestination, &VLan::setDestination),
    intField<VLan>(VLanWire::kProtocolId, &VLan::setProtocolId),
    intField<VLan>(VLanWire::kPriority, &VLan::setPriority),
    intField<VLan>(VLanWire::kCfi, &VLan::setCfi),
    intField<VLan>(VLanWire::kVlanId, &VLan::setVlanId),
    intField<VLan>(VLanWire::kEtherType, &VLan::setEtherType),
};

using XVLan = XVLanProtocolConfig;
const std::array kXVLanAttributes = {
    hexField<XVLan>(XVLanWire::kDestination, &XVLan::setDestination),
    hexField<XVLan>(XVLanWire::kSource, &XVLan::setSource),
    intField<XVLan>(XVLanWire::kProtocolId, &XVLan::setProtocolId),
    intField<XVLan>(XVLanWire::kPriority, &XVLan::setPriority),
    intField<XVLan>(XVLanWire::kCfi, &XVLan::setCfi),
    intField<XVLan>(XVLanWire::kVlanId, &XVLan::setVlanId),
    hexField<XVLan>(XVLanWire::kLlc, &XVLan::setLlc),
    intField<XVLan>(XVLanWire::kDsap, &XVLan::setDsap),
    intField<XVLan>(XVLanWire::kSsap, &XVLan::setSsap),
    intField<XVLan>(XVLanWire::kControl, &XVLan::setControl),
    hexField<XVLan>(XVLanWire::kSnap, &XVLan::setSnap),
    intField<XVLan>(XVLanWire::kVendor, &XVLan::setVendor),
    intField<XVLan>(XVLanWire::kType, &XVLan::setType),
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
    applyFields<Eth>(*config, element.node, kEthernetAttributes, element.isMask());
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
    applyFields<VLan>(*config, element.node, kVLanAttributes, element.isMask());
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
    applyFields<XVLan>(*config, element.node, kXVLanAttributes, element.isMask());
    // Only a capture set verifies frames, so only it takes a validation level.
    if (element.setType == enSetTypeCapture) applyValidateLevel(*config, element.node);
    return config;
  });
}

void describeEthernetAttributes(AttributeDocs& out) {
  describeHeaderGroup(out, kEthernetHeaderDigits);
  describeFields<Eth>(kEthernetAttributes, out);
  describeShapeGroup(out);
  describePoliceGroup(out);
}

void describeVLanAttributes(AttributeDocs& out) {
  describeOwnHeader(out, kVLanHeaderDigits);
  describeFields<VLan>(kVLanAttributes, out);
  describeValidateLevel(out);
}

void describeXVLanAttributes(AttributeDocs& out) {
  describeOwnHeader(out, kXVLanHeaderDigits);
  describeFields<XVLan>(kXVLanAttributes, out);
  describeValidateLevel(out);
}

}  // namespace corvel
