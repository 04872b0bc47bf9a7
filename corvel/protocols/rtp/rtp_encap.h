// RTP packets: the configured 12-byte header as it stands.
#pragma once

#include "corvel/protocols/encapsulator.h"

namespace corvel {

class RtpProtocolConfig;

class RtpEncapsulator : public Encapsulator {
 public:
  explicit RtpEncapsulator(const RtpProtocolConfig& config);
  double maxPayload() const override { return 65535; }
  void encapsulate(std::span<uint8_t> layer) override;
};

}  // namespace corvel
