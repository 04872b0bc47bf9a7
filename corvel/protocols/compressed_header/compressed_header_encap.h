// The compressed headers of IP header compression (compressed RTP, compressed
// UDP, compressed non-TCP): the configured header bytes, of the length their
// configuration chose, copied as they stand. A configuration whose header
// was never built cannot be encapsulated.
#pragma once

#include "corvel/protocols/encapsulator.h"

namespace corvel {

class CompressedRtpProtocolConfig;
class CompressedUdpProtocolConfig;
class CompressedNonTcpProtocolConfig;

class CompressedHeaderEncapsulator : public Encapsulator {
 public:
  double maxPayload() const override { return 65535 - headerSize(); }
  void encapsulate(std::span<uint8_t> layer) override;

 protected:
  CompressedHeaderEncapsulator(ProtocolKind kind, const ProtocolConfig& config);
};

class CompressedRtpEncapsulator : public CompressedHeaderEncapsulator {
 public:
  explicit CompressedRtpEncapsulator(const CompressedRtpProtocolConfig& config);
};

class CompressedUdpEncapsulator : public CompressedHeaderEncapsulator {
 public:
  explicit CompressedUdpEncapsulator(const CompressedUdpProtocolConfig& config);
};

class CompressedNonTcpEncapsulator : public CompressedHeaderEncapsulator {
 public:
  explicit CompressedNonTcpEncapsulator(const CompressedNonTcpProtocolConfig& config);
};

}  // namespace corvel
