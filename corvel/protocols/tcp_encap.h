// TCP segments: the configured 20-byte header with the data offset set to 5
// (no options) and the checksum computed. Directly inside IPv4 or IPv6 the
// checksum is the RFC 793 one: pseudo-header plus the whole segment. Under
// any other layer there is no pseudo-header to take and only the 20 header
// bytes are summed.
#pragma once

#include <cstdint>

#include "corvel/protocols/encapsulator.h"

namespace corvel {

class TcpProtocolConfig;

class TcpEncapsulator : public Encapsulator {
 public:
  explicit TcpEncapsulator(const TcpProtocolConfig& config);
  double maxPayload() const override { return 65515; }  // 65535 - 20
  void encapsulate(std::span<uint8_t> layer) override;

 private:
  // Takes the pseudo-header sum for the layer now outside this one.
  void preparePseudoHeader();

  // The outer layer the sum was taken for; it is taken again when the chain
  // puts this layer inside another one.
  const Encapsulator* _pseudoHeaderOuter = nullptr;
  bool _pseudoHeaderReady = false;
  bool _hasPseudoHeader = false;
  // The pseudo-header words every segment carries unchanged (checksum.h).
  uint64_t _pseudoHeader = 0;
};

}  // namespace corvel
