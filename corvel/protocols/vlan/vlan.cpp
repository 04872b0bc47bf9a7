#include "corvel/protocols/vlan/vlan.h"

namespace corvel {

// ---- VLAN tag fields ----

void VLanTagConfig::setDestination(std::string_view hex) {
  setHeaderHex(VLanWire::kDestination, hex, "Error, destination length must be 12 characters",
               "Error, destination value contains a non-hex character");
}
void VLanTagConfig::setSource(std::string_view hex) {
  setHeaderHex(VLanWire::kSource, hex, "Error, source length must be 12 characters",
               "Error, source value contains a non-hex character");
}
void VLanTagConfig::setProtocolId(int64_t value) {
  setHeaderField(VLanWire::kProtocolId, value, "Error, LEN field value must be 0 thru 65535");
}
void VLanTagConfig::setPriority(int64_t value) {
  setHeaderField(VLanWire::kPriority, value, "Error, PRI field value must be 0 thru 7");
}
void VLanTagConfig::setCfi(int64_t value) {
  setHeaderField(VLanWire::kCfi, value, "Error, CFI value must be 1 or 0.");
}
void VLanTagConfig::setVlanId(int64_t value) {
  setHeaderField(VLanWire::kVlanId, value, "Error, ID value must be 0 thru 4095");
}
void VLanTagConfig::setEtherType(int64_t value) {
  setHeaderField(VLanWire::kEtherType, value, "value must be 0 thru 65535");
}

uint32_t VLanTagConfig::protocolId() const {
  return static_cast<uint32_t>(headerField(VLanWire::kProtocolId));
}
uint32_t VLanTagConfig::priority() const { return static_cast<uint32_t>(headerField(VLanWire::kPriority)); }
uint32_t VLanTagConfig::cfi() const { return static_cast<uint32_t>(headerField(VLanWire::kCfi)); }
uint32_t VLanTagConfig::vlanId() const { return static_cast<uint32_t>(headerField(VLanWire::kVlanId)); }
uint32_t VLanTagConfig::etherType() const { return static_cast<uint32_t>(headerField(VLanWire::kEtherType)); }

// ---- VLAN ----

VLanProtocolConfig::VLanProtocolConfig(std::string_view headerHex, std::string_view trailerHex)
    : VLanTagConfig(ProtocolKind::VLan, true) {
  loadHeader(headerHex, VLanWire::kSize,
             "VLan header hex value must be represented in a string with 36 characters.",
             "VLan header contain nonHex character(s)");
  loadTrailer(trailerHex, VLanWire::kFcsSize,
              "VLan trailer hex value must be represented in a string with 8 characters.",
              "VLan trailer contain nonHex character(s)");
}

std::unique_ptr<ProtocolConfig> VLanProtocolConfig::clone() const {
  return std::make_unique<VLanProtocolConfig>(*this);
}

// A VLAN tag may be put around anything.
bool VLanProtocolConfig::acceptsInner(const ProtocolConfig&) const { return true; }

// ---- XVLAN ----

XVLanProtocolConfig::XVLanProtocolConfig(std::string_view headerHex, std::string_view trailerHex)
    : VLanTagConfig(ProtocolKind::XVLan, true) {
  loadHeader(headerHex, XVLanWire::kSize,
             "XVLan header hex value must be represented in a string with 52 characters.",
             "XVLan header contain nonHex character(s)");
  loadTrailer(trailerHex, XVLanWire::kFcsSize,
              "XVLan trailer hex value must be represented in a string with 8 characters.",
              "XVLan trailer contain nonHex character(s)");
}

std::unique_ptr<ProtocolConfig> XVLanProtocolConfig::clone() const {
  return std::make_unique<XVLanProtocolConfig>(*this);
}

bool XVLanProtocolConfig::acceptsInner(const ProtocolConfig& inner) const {
  return kindIsOneOf(inner, {ProtocolKind::Generic, ProtocolKind::Payload, ProtocolKind::IpV6,
                             ProtocolKind::CompressedUdp, ProtocolKind::CompressedNonTcp,
                             ProtocolKind::CompressedRtp, ProtocolKind::FullHeader});
}

void XVLanProtocolConfig::setDsap(int64_t value) {
  setHeaderField(XVLanWire::kDsap, value, "DSAP value must be 0 thru 255.");
}
void XVLanProtocolConfig::setSsap(int64_t value) {
  setHeaderField(XVLanWire::kSsap, value, "SSAP value must be 0 to 255.");
}
void XVLanProtocolConfig::setControl(int64_t value) {
  setHeaderField(XVLanWire::kControl, value, "CTRL value must be 0 to 255.");
}
void XVLanProtocolConfig::setLlc(std::string_view hex) {
  setHeaderHex(XVLanWire::kLlc, hex, "LLC must be 6 characters", "LLC contains a non-hex character");
}
void XVLanProtocolConfig::setVendor(int64_t value) {
  setHeaderField(XVLanWire::kVendor, value, "VENDOR field value must be 0 thru 16777215");
}
void XVLanProtocolConfig::setType(int64_t value) {
  setHeaderField(XVLanWire::kType, value, "TYPE field value must be 0 thru 65535");
}
void XVLanProtocolConfig::setSnap(std::string_view hex) {
  setHeaderHex(XVLanWire::kSnap, hex, "SNAP must be 10 characters", "SNAP contains a non-hex character");
}

uint32_t XVLanProtocolConfig::dsap() const { return static_cast<uint32_t>(headerField(XVLanWire::kDsap)); }
uint32_t XVLanProtocolConfig::ssap() const { return static_cast<uint32_t>(headerField(XVLanWire::kSsap)); }
uint32_t XVLanProtocolConfig::control() const {
  return static_cast<uint32_t>(headerField(XVLanWire::kControl));
}
uint32_t XVLanProtocolConfig::vendor() const {
  return static_cast<uint32_t>(headerField(XVLanWire::kVendor));
}
uint32_t XVLanProtocolConfig::type() const { return static_cast<uint32_t>(headerField(XVLanWire::kType)); }

}  // namespace corvel
