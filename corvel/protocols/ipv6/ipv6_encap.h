// IPv6 packets: the configured 40-byte header with the payload length
// computed.
#pragma once

#include "corvel/protocols/encapsulator.h"

namespace corvel {

class IpV6ProtocolConfig;

class IpV6Encapsulator : public Encapsulator {
 public:
  explicit IpV6Encapsulator(const IpV6ProtocolConfig& config);
  double maxPayload() const override { return 65535; }
  void encapsulate(std::span<uint8_t> layer) override;
};

}  // namespace corvel
