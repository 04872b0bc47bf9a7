// Verifiers of the transport layers of a captured PDU: UDP (RFC 768), TCP
// (RFC 9293) and RTP (RFC 3550). The UDP and TCP checksums are recomputed with
// the pseudo-header of the IP layer just outside, as the builder computes them.
#pragma once

#include "corvel/protocols/decapsulator.h"

namespace corvel {

class UdpDecapsulator : public Decapsulator {
 public:
  explicit UdpDecapsulator(const ProtocolConfig& config);
  int32_t verify(ByteView layer, VerifyContext& context) override;
};

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

class RtpDecapsulator : public Decapsulator {
 public:
  explicit RtpDecapsulator(const ProtocolConfig& config);
  int32_t verify(ByteView layer, VerifyContext& context) override;
};

}  // namespace corvel
