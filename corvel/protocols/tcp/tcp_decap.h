// The verifier of a captured PDU's TCP layer (RFC 9293). The checksum is
// recomputed with the pseudo-header of the IP layer just outside.
#pragma once

#include "corvel/protocols/decapsulator.h"

namespace corvel {

class TcpDecapsulator : public Decapsulator {
 public:
  explicit TcpDecapsulator(const ProtocolConfig& config);
  int32_t verify(ByteView layer, VerifyContext& context) override;

 private:
  // The largest segment data an IPv4 datagram can hold.
  static constexpr int32_t kMaxPayload = 65515;
  // The options between the fixed header and the data; a malformed length
  // ends the verification.
  void walkOptions(ByteView options) const;
};

}  // namespace corvel
