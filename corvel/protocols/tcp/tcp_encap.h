// TCP segments: the configured 20-byte header with the data offset set to 5
// (no options) and the checksum computed. Directly inside IPv4 or IPv6 the
// checksum is the RFC 793 one: pseudo-header plus the whole segment. Under
// any other layer there is no pseudo-header to take and only the 20 header
// bytes are summed. With the sequence stepping by payload, each segment's
// sequence number is the previous one's plus its payload length (modulo
// 2^32), written before the checksum is taken.
#pragma once

#include <cstdint>

#include "corvel/protocols/encapsulator.h"
#include "corvel/protocols/pseudo_header.h"

namespace corvel {

class TcpProtocolConfig;

class TcpEncapsulator : public Encapsulator {
 public:
  explicit TcpEncapsulator(const TcpProtocolConfig& config);
  double maxPayload() const override { return 65515; }  // 65535 - 20
  void encapsulate(std::span<uint8_t> layer) override;

 private:
  PseudoHeaderCache _pseudoHeader;
  bool _sequenceStepsByPayload;
  uint32_t _nextSequence;
};

}  // namespace corvel
