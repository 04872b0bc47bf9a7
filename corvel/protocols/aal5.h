// AAL5 configurations.
//   AAL5 (routed): header 8 bytes = LLC 0-2, OUI 3-5, PID/EtherType 6-7.
//   AAL5 802.3 (bridged): the same 8 bytes plus PAD 8-9.
//   Trailer (both), 8 bytes: UU 0, CPI 1, length 2-3, CRC-32 4-7.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "corvel/protocols/protocol_config.h"

namespace corvel {

// The LLC/SNAP setters shared by both AAL5 forms.
class Aal5LlcSnapConfig : public ProtocolConfig {
 public:
  static constexpr int32_t kTrailerSize = 8;

  void setLlc(std::string_view hex);  // 6 hex digits
  void setOui(std::string_view hex);  // 6 hex digits
  void setPid(std::string_view hex);  // 4 hex digits (PID or EtherType)

 protected:
  using ProtocolConfig::ProtocolConfig;
};

class AAL5ProtocolConfig : public Aal5LlcSnapConfig {
 public:
  static constexpr int32_t kHeaderSize = 8;

  AAL5ProtocolConfig(std::string_view headerHex, std::string_view trailerHex);  // 16 and 16 digits
  std::unique_ptr<ProtocolConfig> clone() const override;
  bool acceptsInner(const ProtocolConfig& inner) const override;
};

class AAL58023ProtocolConfig : public Aal5LlcSnapConfig {
 public:
  static constexpr int32_t kHeaderSize = 10;

  AAL58023ProtocolConfig(std::string_view headerHex, std::string_view trailerHex);  // 20 and 16 digits
  std::unique_ptr<ProtocolConfig> clone() const override;
  bool acceptsInner(const ProtocolConfig& inner) const override;

  void setPad(std::string_view hex);  // 4 hex digits
};

}  // namespace corvel
