#include "corvel/tcs/tcs_atm_protocol.h"

#include <array>

#include "corvel/protocols/aal5.h"
#include "corvel/protocols/atm.h"
#include "corvel/protocols/dslam.h"
#include "corvel/protocols/interpyx.h"
#include "corvel/xml/xml_access.h"

namespace corvel {

namespace {

constexpr size_t kAtmHeaderDigits = HexDigits(AtmWire::kSize);
constexpr size_t kAal5HeaderDigits = HexDigits(Aal5Wire::kSize);
constexpr size_t kAal58023HeaderDigits = HexDigits(Aal58023Wire::kSize);
constexpr size_t kAal5TrailerDigits = HexDigits(Aal5Wire::kTrailerSize);
constexpr size_t kDSlamHeaderDigits = HexDigits(DSlamWire::kSize);
constexpr size_t kInterPyxHeaderDigits = HexDigits(InterPyxWire::kSize);

using Atm = AtmProtocolConfig;
const std::array kAtmFields = {
    IntField<Atm>("vci", &Atm::setVci),
    IntField<Atm>("vpi", &Atm::setVpi),
};

using Aal5 = AAL5ProtocolConfig;
const std::array kAal5Fields = {
    HexField<Aal5>("llc", &Aal5::setLlc, HexDigits(Aal5Wire::kLlc)),
    HexField<Aal5>("oui", &Aal5::setOui, HexDigits(Aal5Wire::kOui)),
    HexField<Aal5>("et", &Aal5::setPid, HexDigits(Aal5Wire::kPid)),
};

using Aal58023 = AAL58023ProtocolConfig;
const std::array kAal58023Fields = {
    HexField<Aal58023>("llc", &Aal58023::setLlc, HexDigits(Aal58023Wire::kLlc)),
    HexField<Aal58023>("oui", &Aal58023::setOui, HexDigits(Aal58023Wire::kOui)),
    HexField<Aal58023>("pid", &Aal58023::setPid, HexDigits(Aal58023Wire::kPid)),
    HexField<Aal58023>("pad", &Aal58023::setPad, HexDigits(Aal58023Wire::kPad)),
};

using DSlam = DSlamProtocolConfig;
const std::array kDSlamFields = {
    IntField<DSlam>("vci", &DSlam::setVci), IntField<DSlam>("vpi", &DSlam::setVpi),
    IntField<DSlam>("pti", &DSlam::setPti), IntField<DSlam>("clp", &DSlam::setClp),
    IntField<DSlam>("ppt", &DSlam::setPpt), IntField<DSlam>("ppn", &DSlam::setPpn),
    IntField<DSlam>("pt", &DSlam::setPt),
};

using InterPyx = InterPyxProtocolConfig;
const std::array kInterPyxFields = {
    IntField<InterPyx>("ci", &InterPyx::setCi),      IntField<InterPyx>("ai", &InterPyx::setAi),
    IntField<InterPyx>("mi", &InterPyx::setMi),      IntField<InterPyx>("ct", &InterPyx::setCt),
    IntField<InterPyx>("clp", &InterPyx::setClp),    IntField<InterPyx>("pri", &InterPyx::setPri),
    IntField<InterPyx>("st", &InterPyx::setSt),      IntField<InterPyx>("src", &InterPyx::setSource),
    IntField<InterPyx>("dest", &InterPyx::setDestination),
};

}  // namespace

ProtocolPtr ReadAtmProtocol(TcsManager& manager, const ProtocolElement& element) {
  return ReadReporting(manager, "TcsAtmProtocol", element, [&]() -> ProtocolPtr {
    if (!HasAttributeMap(element.node)) return nullptr;
    const HeaderTexts texts = ReadHeaderGroup(element.node);
    auto config = MakeConfig<Atm>(element.node, ChooseHeader(element, texts, kAtmHeaderDigits));
    if (element.isMask()) config->makeMask();
    ApplyFields<Atm>(*config, element.node, kAtmFields, element.isMask());
    ApplyShapeGroup(*config, element.node);
    ApplyPoliceGroup(*config, element.node);
    return config;
  });
}

ProtocolPtr ReadAal5Protocol(TcsManager& manager, const ProtocolElement& element) {
  return ReadReporting(manager, "TcsAAL5Protocol", element, [&]() -> ProtocolPtr {
    if (!HasAttributeMap(element.node)) return nullptr;
    const HeaderTexts texts = ReadHeaderGroup(element.node);
    auto config = MakeConfig<Aal5>(element.node, ChooseHeader(element, texts, kAal5HeaderDigits),
                                         ZeroHex(kAal5TrailerDigits));
    if (element.isMask()) config->makeMask();
    // The LLC/SNAP fields have no mask value: a mask keeps what they write.
    ApplyFields<Aal5>(*config, element.node, kAal5Fields);
    ApplyShapeGroup(*config, element.node);
    ApplyPoliceGroup(*config, element.node);
    return config;
  });
}

ProtocolPtr ReadAal58023Protocol(TcsManager& manager, const ProtocolElement& element) {
  return ReadReporting(manager, "TcsAAL58023Protocol", element, [&]() -> ProtocolPtr {
    const std::optional<std::string> header = ReadOwnHeader(element.node, kAal58023HeaderDigits);
    if (!header) return nullptr;
    auto config = MakeConfig<Aal58023>(element.node, *header, ZeroHex(kAal5TrailerDigits));
    ApplyFields<Aal58023>(*config, element.node, kAal58023Fields);
    return config;
  });
}

ProtocolPtr ReadDSlamProtocol(TcsManager& manager, const ProtocolElement& element) {
  return ReadReporting(manager, "TcsDSlamProtocol", element, [&]() -> ProtocolPtr {
    const std::optional<std::string> header = ReadOwnHeader(element.node, kDSlamHeaderDigits);
    if (!header) return nullptr;
    auto config = MakeConfig<DSlam>(element.node, *header);
    ApplyFields<DSlam>(*config, element.node, kDSlamFields);
    return config;
  });
}

ProtocolPtr ReadInterPyxProtocol(TcsManager& manager, const ProtocolElement& element) {
  return ReadReporting(manager, "TcsInterPyxProtocol", element, [&]() -> ProtocolPtr {
    const std::optional<std::string> header = ReadOwnHeader(element.node, kInterPyxHeaderDigits);
    if (!header) return nullptr;
    auto config = MakeConfig<InterPyx>(element.node, *header);
    ApplyFields<InterPyx>(*config, element.node, kInterPyxFields);
    return config;
  });
}

}  // namespace corvel
