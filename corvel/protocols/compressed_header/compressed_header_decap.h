// The compressed headers of IP header compression (compressed UDP, compressed
// non-TCP, compressed RTP). A compressed header carries no length: its size
// is the one the stream's configuration built, and the payload is the rest
// of the layer. Compressed RTP also tells its own header size through its
// flag bits (the CSRC count byte and one byte per delta present), which must
// agree with the configuration's; it reports with the compressed UDP texts.
#pragma once

#include "corvel/protocols/decapsulator.h"

namespace corvel {

class CompressedHeaderDecapsulator : public Decapsulator {
 public:
  int32_t verify(ByteView layer, VerifyContext& context) override;

 protected:
  CompressedHeaderDecapsulator(const ProtocolConfig& config, std::string name);
  // The header size the captured header itself gives; the configured one
  // for forms that do not tell.
  virtual int64_t capturedHeaderSize(ByteView layer) const;

 private:
  int32_t _configuredHeader;
};

class CompressedUdpDecapsulator : public CompressedHeaderDecapsulator {
 public:
  explicit CompressedUdpDecapsulator(const ProtocolConfig& config);
};

class CompressedNonTcpDecapsulator : public CompressedHeaderDecapsulator {
 public:
  explicit CompressedNonTcpDecapsulator(const ProtocolConfig& config);
};

class CompressedRtpDecapsulator : public CompressedHeaderDecapsulator {
 public:
  explicit CompressedRtpDecapsulator(const ProtocolConfig& config);

 protected:
  int64_t capturedHeaderSize(ByteView layer) const override;

 private:
  // 0 or 2: whether the configured header carries the UDP checksum.
  int32_t _checksumBytes;
};

}  // namespace corvel
