// Full-header configuration of IP header compression (RFC 2507, 16-bit
// context identifiers). A full-header packet carries the compression context
// in the length fields of the headers inside it, so this layer adds no bytes
// of its own; the configuration holds the two 16-bit values its encapsulator
// writes over those length fields:
//   header  (2 bytes): value for the layer directly inside:
//                      bits 15-14 set, bits 13-8 generation, bits 3-0 sequence
//   trailer (2 bytes): value for the layer inside that: the context identifier
#pragma once

#include <cstdint>
#include <memory>

#include "corvel/protocols/protocol_config.h"

namespace corvel {

class FullHeaderProtocolConfig : public ProtocolConfig {
 public:
  FullHeaderProtocolConfig();
  std::unique_ptr<ProtocolConfig> clone() const override;
  // IPv4 or IPv6.
  bool acceptsInner(const ProtocolConfig& inner) const override;

  void setGeneration(int64_t value);  // 0..63
  void setSequence(int64_t value);    // 0..15
  void setContextId(int64_t value);   // 0..65535

  uint32_t generation() const;
  uint32_t sequence() const;
  uint32_t contextId() const;
  // The 16-bit values for the first and the second inner length field.
  uint16_t firstLengthValue() const;
  uint16_t secondLengthValue() const;
};

}  // namespace corvel
