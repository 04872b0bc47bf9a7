// IPv4 packets: the configured 20-byte header with the total length and the
// header checksum computed.
#pragma once

#include <cstdint>

#include "corvel/protocols/encapsulator.h"

namespace corvel {

class IpV4ProtocolConfig;

class IpV4Encapsulator : public Encapsulator {
 public:
  explicit IpV4Encapsulator(const IpV4ProtocolConfig& config);
  double maxPayload() const override;  // the largest total length less the header
  void encapsulate(std::span<uint8_t> layer) override;

 private:
  // The checksum sum of the configured header words every packet carries
  // unchanged: all but the total length and the checksum (checksum.h).
  uint64_t _fixedSum;
};

}  // namespace corvel
