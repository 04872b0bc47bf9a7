// IEEE 802.1Q VLAN and extended VLAN (VLAN + IEEE 802.2 LLC + SNAP): the
// header layouts and the configurations. Both end in the Ethernet frame
// check sequence (ethernet.h).
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "corvel/protocols/ethernet/ethernet.h"
#include "corvel/protocols/protocol_config.h"

namespace corvel {

// The 18-byte tagged header: the Ethernet addresses, the tag protocol
// identifier (LEN, normally kEtherTypeVlan), the tag control information
// (priority, CFI, VLAN identifier) and the EtherType of the payload.
struct VLanWire {
  static constexpr int32_t kSize = 18;
  static constexpr int32_t kFcsSize = EthernetWire::kFcsSize;
  static constexpr HeaderField kDestination = EthernetWire::kDestination;
  static constexpr HeaderField kSource = headerField(EthernetWire::kSource, "SOURCE", "source_addr", FieldDisplay::Mac);
  static constexpr HeaderField kProtocolId = headerField(byteField(12, 2), "LEN", "protocol_id", FieldDisplay::Hex);
  static constexpr HeaderField kPriority = headerField(BitField{14, 7, 3}, "PRI", "pri", FieldDisplay::Decimal);
  static constexpr HeaderField kCfi = headerField(BitField{14, 4, 1}, "CFI", "cfi", FieldDisplay::Decimal);
  static constexpr HeaderField kVlanId = headerField(BitField{14, 3, 12}, "ID", "vlan_id", FieldDisplay::Decimal);
  static constexpr HeaderField kEtherType =
      headerField(byteField(16, 2), "ETHER_TYPE", "ether_type", FieldDisplay::Hex);
};

// The header fields of VLan in header order, for look-ups by name or attribute.
inline constexpr HeaderField kVLanFields[] = {
    VLanWire::kDestination, VLanWire::kSource, VLanWire::kProtocolId, VLanWire::kPriority,
    VLanWire::kCfi,         VLanWire::kVlanId, VLanWire::kEtherType,
};

// The 26-byte extended header: the VLAN header, then LLC (DSAP, SSAP,
// control) and SNAP (vendor code, type).
struct XVLanWire : VLanWire {
  static constexpr int32_t kSize = 26;
  static constexpr HeaderField kSource = EthernetWire::kSource;  // src_addr, as in the Ethernet element
  // The element sets no EtherType: the LLC/SNAP header names the payload.
  static constexpr HeaderField kEtherType = headerField(VLanWire::kEtherType, "ETHER_TYPE", "", FieldDisplay::Hex);
  static constexpr HeaderField kLlc = headerField(byteField(18, 3), "LLC", "llc", FieldDisplay::Hex);
  static constexpr HeaderField kDsap = headerField(byteField(18, 1), "DSAP", "dsap", FieldDisplay::Hex);
  static constexpr HeaderField kSsap = headerField(byteField(19, 1), "SSAP", "ssap", FieldDisplay::Hex);
  static constexpr HeaderField kControl = headerField(byteField(20, 1), "CTRL", "ctrl", FieldDisplay::Hex);
  static constexpr HeaderField kSnap = headerField(byteField(21, 5), "SNAP", "snap", FieldDisplay::Hex);
  static constexpr HeaderField kVendor = headerField(byteField(21, 3), "VENDOR", "vendor", FieldDisplay::Hex);
  static constexpr HeaderField kType = headerField(byteField(24, 2), "TYPE", "type", FieldDisplay::Hex);
};
static_assert(fieldEnd(VLanWire::kEtherType) == VLanWire::kSize);
static_assert(fieldEnd(XVLanWire::kType) == XVLanWire::kSize);

// The header fields of XVLan in header order, for look-ups by name or
// attribute.
inline constexpr HeaderField kXVLanFields[] = {
    XVLanWire::kDestination, XVLanWire::kSource,    XVLanWire::kProtocolId, XVLanWire::kPriority, XVLanWire::kCfi,
    XVLanWire::kVlanId,      XVLanWire::kEtherType, XVLanWire::kLlc,        XVLanWire::kDsap,     XVLanWire::kSsap,
    XVLanWire::kControl,     XVLanWire::kSnap,      XVLanWire::kVendor,     XVLanWire::kType,
};

// The setters of the 18 VLAN bytes, shared by both forms.
class VLanTagConfig : public ProtocolConfig {
 public:
  void setDestination(std::string_view hex);  // 12 hex digits
  void setSource(std::string_view hex);       // 12 hex digits
  void setProtocolId(int64_t value);          // LEN, 0..65535
  void setPriority(int64_t value);            // 0..7
  void setCfi(int64_t value);                 // 0..1
  void setVlanId(int64_t value);              // 0..4095
  void setEtherType(int64_t value);           // 0..65535

  uint32_t protocolId() const;
  uint32_t priority() const;
  uint32_t cfi() const;
  uint32_t vlanId() const;
  uint32_t etherType() const;

 protected:
  using ProtocolConfig::ProtocolConfig;
};

class VLanProtocolConfig : public VLanTagConfig {
 public:
  VLanProtocolConfig(std::string_view headerHex,
                     std::string_view trailerHex);  // 36 and 8 digits
  std::unique_ptr<ProtocolConfig> clone() const override;
  bool acceptsInner(const ProtocolConfig &inner) const override;
};

class XVLanProtocolConfig : public VLanTagConfig {
 public:
  XVLanProtocolConfig(std::string_view headerHex,
                      std::string_view trailerHex);  // 52 and 8 digits
  std::unique_ptr<ProtocolConfig> clone() const override;
  bool acceptsInner(const ProtocolConfig &inner) const override;

  void setDsap(int64_t value);         // 0..255
  void setSsap(int64_t value);         // 0..255
  void setControl(int64_t value);      // 0..255
  void setLlc(std::string_view hex);   // 6 hex digits: DSAP, SSAP, control
  void setVendor(int64_t value);       // 0..16777215
  void setType(int64_t value);         // 0..65535
  void setSnap(std::string_view hex);  // 10 hex digits: vendor and type

  uint32_t dsap() const;
  uint32_t ssap() const;
  uint32_t control() const;
  uint32_t vendor() const;
  uint32_t type() const;
};

}  // namespace corvel
