// 802.1Q VLAN and extended VLAN (VLAN + 802.2 LLC + SNAP) configurations.
// VLAN header, 18 bytes:
//   0-5 destination, 6-11 source, 12-13 LEN (the tag protocol identifier),
//   byte 14 bits 7-5 priority, bit 4 CFI, VLAN identifier 12 bits from
//   byte 14 bit 3, 16-17 EtherType; trailer: 4-byte frame check sequence.
// XVLAN header, 26 bytes: bytes 0-17 as VLAN, then LLC (DSAP 18, SSAP 19,
// control 20) and SNAP (vendor code 21-23, type 24-25).
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "corvel/protocols/protocol_config.h"

namespace corvel {

// The setters of the 18 VLAN bytes, shared by both forms.
class VLanTagConfig : public ProtocolConfig {
 public:
  static constexpr int32_t kTrailerSize = 4;

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
  static constexpr int32_t kHeaderSize = 18;

  VLanProtocolConfig(std::string_view headerHex, std::string_view trailerHex);  // 36 and 8 digits
  std::unique_ptr<ProtocolConfig> clone() const override;
  bool acceptsInner(const ProtocolConfig& inner) const override;
};

class XVLanProtocolConfig : public VLanTagConfig {
 public:
  static constexpr int32_t kHeaderSize = 26;

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
