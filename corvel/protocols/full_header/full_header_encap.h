// Full-header packets of IP header compression: no bytes of their own. The
// compression context travels in the length fields of the headers inside:
// the first configured value goes into the length field of the layer
// directly inside (IPv4 total length, IPv6 payload length or UDP length), the
// second into that of the layer inside that. Inner checksums stay those of
// the real lengths, as the decompressor restores them.
#pragma once

#include <cstdint>

#include "corvel/protocols/encapsulator.h"

namespace corvel {

class FullHeaderProtocolConfig;

class FullHeaderEncapsulator : public Encapsulator {
 public:
  explicit FullHeaderEncapsulator(const FullHeaderProtocolConfig& config);
  double maxPayload() const override { return 65535; }
  void encapsulate(std::span<uint8_t> layer) override;

 private:
  uint16_t _firstValue;
  uint16_t _secondValue;
};

}  // namespace corvel
