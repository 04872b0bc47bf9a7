// IEEE 802.1Q VLAN and extended VLAN (VLAN + IEEE 802.2 LLC + SNAP): the
// header layouts and the configurations. Both end in the Ethernet frame
// check sequence (ethernet.h).
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "corvel/protocols/ethernet.h"
#include "corvel/protocols/protocol_config.h"

namespace corvel {

// The 18-byte tagged header: the Ethernet addresses, the tag protocol
// identifier (LEN, normally kEtherTypeVlan), the tag control information
// (priority, CFI, VLAN identifier) and the EtherType of the payload.
struct VLanWire {
  static constexpr int32_t kSize = 18;
  static constexpr int32_t kFcsSize = EthernetWire::kFcsSize;
  static constexpr BitField kDestination = EthernetWire::kDestination;
  static constexpr BitField kSource = EthernetWire::kSource;
  static constexpr BitField kProtocolId = byteField(12, 2);
  static constexpr BitField kPriority{14, 7, 3};
  static constexpr BitField kCfi{14, 4, 1};
  static constexpr BitField kVlanId{14, 3, 12};
  static constexpr BitField kEtherType = byteField(16, 2);
};

// The 26-byte extended header: the VLAN header, then LLC (DSAP, SSAP,
// control) and SNAP (vendor code, type).
struct XVLanWire : VLanWire {
  static constexpr int32_t kSize = 26;
  static constexpr BitField kLlc = byteField(18, 3);
  static constexpr BitField kDsap = byteField(18, 1);
  static constexpr BitField kSsap = byteField(19, 1);
  static constexpr BitField kControl = byteField(20, 1);
  static constexpr BitField kSnap = byteField(21, 5);
  static constexpr BitField kVendor = byteField(21, 3);
  static constexpr BitField kType = byteField(24, 2);
};
static_assert(fieldEnd(VLanWire::kEtherType) == VLanWire::kSize);
static_assert(fieldEnd(XVLanWire::kType) == XVLanWire::kSize);

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
  VLanProtocolConfig(std::string_view headerHex, std::string_view trailerHex);  // 36 and 8 digits
  std::unique_ptr<ProtocolConfig> clone() const override;
  bool acceptsInner(const ProtocolConfig& inner) const override;
};

class XVLanProtocolConfig : public VLanTagConfig {
 public:
  XVLanProtocolConfig(std::string_view headerHex, std::string_view trailerHex);  // 52 and 8 digits
  std::unique_ptr<ProtocolConfig> clone() const override;
  bool acceptsInner(const ProtocolConfig& inner) const override;

  void setDsap(int64_t value);          // 0..255
  void setSsap(int64_t value);          // 0..255
  void setControl(int64_t value);       // 0..255
  void setLlc(std::string_view hex);    // 6 hex digits: DSAP, SSAP, control
  void setVendor(int64_t value);        // 0..16777215
  void setType(int64_t value);          // 0..65535
  void setSnap(std::string_view hex);   // 10 hex digits: vendor and type

  uint32_t dsap() const;
  uint32_t ssap() const;
  uint32_t control() const;
  uint32_t vendor() const;
  uint32_t type() const;
};

}  // namespace corvel
