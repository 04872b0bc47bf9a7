// UDP datagrams: the configured 8-byte header with the length (bytes 4-5)
// and the checksum (bytes 6-7) computed. Directly inside IPv4 or IPv6 the
// checksum covers that layer's pseudo-header; a computed 0 goes out as 0xFFFF
// (0 means "no checksum", RFC 768). Under any other layer there is no
// pseudo-header and the checksum is 0.
#pragma once

#include <cstdint>

#include "corvel/protocols/encapsulator.h"

namespace corvel {

class UdpProtocolConfig;

class UdpEncapsulator : public Encapsulator {
 public:
  explicit UdpEncapsulator(const UdpProtocolConfig& config);
  double maxPayload() const override { return 65527; }  // 65535 - 8
  void encapsulate(std::span<uint8_t> layer) override;

 private:
  // Takes the sums below for the layer now outside this one.
  void prepareSums();

  // The outer layer the sums were taken for; they are taken again when the
  // chain puts this layer inside another one.
  const Encapsulator* _sumsOuter = nullptr;
  bool _sumsReady = false;
  bool _pseudoHeader = false;
  // Sum of the words every datagram carries unchanged: the pseudo-header's
  // addresses and protocol, and the two ports.
  uint64_t _fixedSum = 0;
};

}  // namespace corvel
