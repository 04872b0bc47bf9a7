// UDP datagrams: the configured 8-byte header with the length and the
// checksum computed. Directly inside IPv4 or IPv6 the checksum covers that
// layer's pseudo-header; a computed 0 goes out as 0xFFFF (0 means "no
// checksum", RFC 768). Under any other layer there is no pseudo-header and
// the checksum is 0.
#pragma once

#include <cstdint>

#include "corvel/protocols/encapsulator.h"
#include "corvel/protocols/pseudo_header.h"

namespace corvel {

class UdpProtocolConfig;

class UdpEncapsulator : public Encapsulator {
 public:
  explicit UdpEncapsulator(const UdpProtocolConfig& config);
  double maxPayload() const override;  // the largest length field less the header
  void encapsulate(std::span<uint8_t> layer) override;

 private:
  PseudoHeaderCache _pseudoHeader;
};

}  // namespace corvel
