// IPv4 packets: the configured 20-byte header with the total length
// (bytes 2-3) and the header checksum (bytes 10-11) computed.
#pragma once

#include <cstdint>

#include "corvel/protocols/encapsulator.h"

namespace corvel {

class IpV4ProtocolConfig;

class IpV4Encapsulator : public Encapsulator {
 public:
  explicit IpV4Encapsulator(const IpV4ProtocolConfig& config);
  double maxPayload() const override { return 65515; }  // 65535 - 20
  void encapsulate(std::span<uint8_t> layer) override;

 private:
  // Sum of the configured header words that every packet carries unchanged:
  // all but the total length and the checksum.
  uint64_t _fixedSum;
};

}  // namespace corvel
