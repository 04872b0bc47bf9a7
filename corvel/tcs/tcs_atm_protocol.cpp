#include "corvel/tcs/tcs_atm_protocol.h"

#include <array>

#include "corvel/protocols/aal5.h"
#include "corvel/protocols/atm.h"
#include "corvel/protocols/dslam.h"
#include "corvel/protocols/interpyx.h"
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
const std::array kAtmFields = {
    intField<Atm>("vci", &Atm::setVci),
    intField<Atm>("vpi", &Atm::setVpi),
};

using Aal5 = AAL5ProtocolConfig;
const std::array kAal5Fields = {
    hexField<Aal5>("llc", &Aal5::setLlc, hexDigits(Aal5Wire::kLlc)),
    hexField<Aal5>("oui", &Aal5::setOui, hexDigits(Aal5Wire::kOui)),
    hexField<Aal5>("et", &Aal5::setPid, hexDigits(Aal5Wire::kPid)),
};

using Aal58023 = AAL58023ProtocolConfig;
const std::array kAal58023Fields = {
    hexField<Aal58023>("llc", &Aal58023::setLlc, hexDigits(Aal58023Wire::kLlc)),
    hexField<Aal58023>("oui", &Aal58023::setOui, hexDigits(Aal58023Wire::kOui)),
    hexField<Aal58023>("pid", &Aal58023::setPid, hexDigits(Aal58023Wire::kPid)),
    hexField<Aal58023>("pad", &Aal58023::setPad, hexDigits(Aal58023Wire::kPad)),
};

using DSlam = DSlamProtocolConfig;
const std::array kDSlamFields = {
    intField<DSlam>("vci", &DSlam::setVci), intField<DSlam>("vpi", &DSlam::setVpi),
    intField<DSlam>("pti", &DSlam::setPti), intField<DSlam>("clp", &DSlam::setClp),
    intField<DSlam>("ppt", &DSlam::setPpt), intField<DSlam>("ppn", &DSlam::setPpn),
    intField<DSlam>("pt", &DSlam::setPt),
};

using InterPyx = InterPyxProtocolConfig;
const std::array kInterPyxFields = {
    intField<InterPyx>("ci", &InterPyx::setCi),      intField<InterPyx>("ai", &InterPyx::setAi),
    intField<InterPyx>("mi", &InterPyx::setMi),      intField<InterPyx>("ct", &InterPyx::setCt),
    intField<InterPyx>("clp", &InterPyx::setClp),    intField<InterPyx>("pri", &InterPyx::setPri),
    intField<InterPyx>("st", &InterPyx::setSt),      intField<InterPyx>("src", &InterPyx::setSource),
    intField<InterPyx>("dest", &InterPyx::setDestination),
};

}  // namespace

ProtocolPtr readAtmProtocol(TcsManager& manager, const ProtocolElement& element) {
  return readReporting(manager, "TcsAtmProtocol", element, [&]() -> ProtocolPtr {
    if (!hasAttributeMap(element.node)) return nullptr;
    const HeaderTexts texts = readHeaderGroup(element.node);
    auto config = makeConfig<Atm>(element.node, chooseHeader(element, texts, kAtmHeaderDigits));
    if (element.isMask()) config->makeMask();
    applyFields<Atm>(*config, element.node, kAtmFields, element.isMask());
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
    applyFields<Aal5>(*config, element.node, kAal5Fields);
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
    applyFields<Aal58023>(*config, element.node, kAal58023Fields);
    return config;
  });
}

ProtocolPtr readDSlamProtocol(TcsManager& manager, const ProtocolElement& element) {
  return readReporting(manager, "TcsDSlamProtocol", element, [&]() -> ProtocolPtr {
    const std::optional<std::string> header = readOwnHeader(element.node, kDSlamHeaderDigits);
    if (!header) return nullptr;
    auto config = makeConfig<DSlam>(element.node, *header);
    applyFields<DSlam>(*config, element.node, kDSlamFields);
    return config;
  });
}

ProtocolPtr readInterPyxProtocol(TcsManager& manager, const ProtocolElement& element) {
  return readReporting(manager, "TcsInterPyxProtocol", element, [&]() -> ProtocolPtr {
    const std::optional<std::string> header = readOwnHeader(element.node, kInterPyxHeaderDigits);
    if (!header) return nullptr;
    auto config = makeConfig<InterPyx>(element.node, *header);
    applyFields<InterPyx>(*config, element.node, kInterPyxFields);
    return config;
  });
}

}  // namespace corvel
