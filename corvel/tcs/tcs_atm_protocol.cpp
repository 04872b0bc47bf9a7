#include "corvel/tcs/tcs_atm_protocol.h"

#include <array>

#include "corvel/protocols/aal5/aal5.h"
#include "corvel/protocols/atm/atm.h"
#include "corvel/protocols/dslam/dslam.h"
#include "corvel/protocols/interpyx/interpyx.h"
#include "corvel/xml/xml_access.h"

namespace corvel {

namespace {

constexpr size_t kAtmHeaderDigits = hexDigits(AtmWire::kSize);
constexpr size_t kAal5HeaderDigits = hexDigits(Aal5Wire::kSize);
constexpr size_t kAal58023HeaderDigits = hexDigits(Aal58023Wire::kSize);
constexpr size_t kAal5TrailerDigits = hexDigits(Aal5Wire::kTrailerSize);
constexpr size_t kDSlamHeaderDigits = hexDigits(DSlamWire::kSize);
constexpr size_t kInterPyxHeaderDigits = hexDigits(InterPyxWire::kSize);

using Atm = AtmProtocolConfig;
const std::array kAtmAttributes = {
    intField<Atm>(AtmWire::kVci, &Atm::setVci),
    intField<Atm>(AtmWire::kVpi, &Atm::setVpi),
};

using Aal5 = AAL5ProtocolConfig;
const std::array kAal5Attributes = {
    hexField<Aal5>(Aal5Wire::kLlc, &Aal5::setLlc),
    hexField<Aal5>(Aal5Wire::kOui, &Aal5::setOui),
    hexField<Aal5>(Aal5Wire::kPid, &Aal5::setPid),
};

using Aal58023 = AAL58023ProtocolConfig;
const std::array kAal58023Attributes = {
    hexField<Aal58023>(Aal58023Wire::kLlc, &Aal58023::setLlc),
    hexField<Aal58023>(Aal58023Wire::kOui, &Aal58023::setOui),
    hexField<Aal58023>(Aal58023Wire::kPid, &Aal58023::setPid),
    hexField<Aal58023>(Aal58023Wire::kPad, &Aal58023::setPad),
};

using DSlam = DSlamProtocolConfig;
const std::array kDSlamAttributes = {
    intField<DSlam>(DSlamWire::kVci, &DSlam::setVci),
    intField<DSlam>(DSlamWire::kVpi, &DSlam::setVpi),
    intField<DSlam>(DSlamWire::kEndOfPdu, &DSlam::setPti),
    intField<DSlam>(DSlamWire::kClp, &DSlam::setClp),
    intField<DSlam>(DSlamWire::kPpt, &DSlam::setPpt),
    intField<DSlam>(DSlamWire::kPpn, &DSlam::setPpn),
    intField<DSlam>(DSlamWire::kPt, &DSlam::setPt),
};

using InterPyx = InterPyxProtocolConfig;
const std::array kInterPyxAttributes = {
    intField<InterPyx>(InterPyxWire::kCi, &InterPyx::setCi),
    intField<InterPyx>(InterPyxWire::kAi, &InterPyx::setAi),
    intField<InterPyx>(InterPyxWire::kMi, &InterPyx::setMi),
    intField<InterPyx>(InterPyxWire::kCt, &InterPyx::setCt),
    intField<InterPyx>(InterPyxWire::kClp, &InterPyx::setClp),
    intField<InterPyx>(InterPyxWire::kPri, &InterPyx::setPri),
    intField<InterPyx>(InterPyxWire::kSt, &InterPyx::setSt),
    intField<InterPyx>(InterPyxWire::kSource, &InterPyx::setSource),
    intField<InterPyx>(InterPyxWire::kDestination, &InterPyx::setDestination),
};

}  // namespace

ProtocolPtr readAtmProtocol(TcsManager& manager, const ProtocolElement& element) {
  return readReporting(manager, "TcsAtmProtocol", element, [&]() -> ProtocolPtr {
    if (!hasAttributeMap(element.node)) return nullptr;
    const HeaderTexts texts = readHeaderGroup(element.node);
    auto config = makeConfig<Atm>(element.node, chooseHeader(element, texts, kAtmHeaderDigits));
    if (element.isMask()) config->makeMask();
    applyFields<Atm>(*config, element.node, kAtmAttributes, element.isMask());
    applyShapeGroup(*config, element.node);
    applyPoliceGroup(*config, element.node);
    return config;
  });
}

ProtocolPtr readAal5Protocol(TcsManager& manager, const ProtocolElement& element) {
  return readReporting(manager, "TcsAAL5Protocol", element, [&]() -> ProtocolPtr {
    if (!hasAttributeMap(element.node)) return nullptr;
    const HeaderTexts texts = readHeaderGroup(element.node);
    auto config = makeConfig<Aal5>(element.node, chooseHeader(element, texts, kAal5HeaderDigits),
                                         zeroHex(kAal5TrailerDigits));
    if (element.isMask()) config->makeMask();
    // The LLC/SNAP fields have no mask value: a mask keeps what they write.
    applyFields<Aal5>(*config, element.node, kAal5Attributes);
    applyShapeGroup(*config, element.node);
    applyPoliceGroup(*config, element.node);
    return config;
  });
}

ProtocolPtr readAal58023Protocol(TcsManager& manager, const ProtocolElement& element) {
  return readReporting(manager, "TcsAAL58023Protocol", element, [&]() -> ProtocolPtr {
    const std::optional<std::string> header = readOwnHeader(element.node, kAal58023HeaderDigits);
    if (!header) return nullptr;
    auto config = makeConfig<Aal58023>(element.node, *header, zeroHex(kAal5TrailerDigits));
    applyFields<Aal58023>(*config, element.node, kAal58023Attributes);
    return config;
  });
}

ProtocolPtr readDSlamProtocol(TcsManager& manager, const ProtocolElement& element) {
  return readReporting(manager, "TcsDSlamProtocol", element, [&]() -> ProtocolPtr {
    const std::optional<std::string> header = readOwnHeader(element.node, kDSlamHeaderDigits);
    if (!header) return nullptr;
    auto config = makeConfig<DSlam>(element.node, *header);
    applyFields<DSlam>(*config, element.node, kDSlamAttributes);
    return config;
  });
}

ProtocolPtr readInterPyxProtocol(TcsManager& manager, const ProtocolElement& element) {
  return readReporting(manager, "TcsInterPyxProtocol", element, [&]() -> ProtocolPtr {
    const std::optional<std::string> header = readOwnHeader(element.node, kInterPyxHeaderDigits);
    if (!header) return nullptr;
    auto config = makeConfig<InterPyx>(element.node, *header);
    applyFields<InterPyx>(*config, element.node, kInterPyxAttributes);
    return config;
  });
}

void describeAtmAttributes(AttributeDocs& out) {
  describeHeaderGroup(out, kAtmHeaderDigits);
  describeFields<Atm>(kAtmAttributes, out);
  describeShapeGroup(out);
  describePoliceGroup(out);
}

void describeAal5Attributes(AttributeDocs& out) {
  describeHeaderGroup(out, kAal5HeaderDigits);
  describeFields<Aal5>(kAal5Attributes, out);
  describeShapeGroup(out);
  describePoliceGroup(out);
}

void describeAal58023Attributes(AttributeDocs& out) {
  describeOwnHeader(out, kAal58023HeaderDigits);
  describeFields<Aal58023>(kAal58023Attributes, out);
}

void describeDSlamAttributes(AttributeDocs& out) {
  describeOwnHeader(out, kDSlamHeaderDigits);
  describeFields<DSlam>(kDSlamAttributes, out);
}

void describeInterPyxAttributes(AttributeDocs& out) {
  describeOwnHeader(out, kInterPyxHeaderDigits);
  describeFields<InterPyx>(kInterPyxAttributes, out);
}

}  // namespace corvel
