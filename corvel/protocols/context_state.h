// Context-state message for the compressed-header protocols: a payload whose
// bytes are a 2-byte head (identifier width code 2 = 16-bit identifiers, then
// the context count) followed by one 4-byte entry per context:
//   bytes 0-1  context identifier (16 bits)
//   byte 2     bit 7 invalidate flag, bits 3-0 sequence
//   byte 3     bits 5-0 generation
// The message is held as the configuration's header bytes.
#pragma once

#include <cstdint>
#include <memory>

#include "corvel/protocols/payload/payload_config.h"

namespace corvel {

class ContextStateProtocolConfig : public PayloadConfig {
 public:
  // 1..255 contexts; the message starts all zero apart from its head.
  explicit ContextStateProtocolConfig(int32_t contextCount);
  std::unique_ptr<ProtocolConfig> clone() const override;
  void recount() override;

  int32_t contextCount() const { return _contextCount; }

  // Entry setters; `index` counts from 0 and must name an existing entry.
  void setContextId(int32_t index, int64_t value);
  void setInvalidate(int32_t index, int64_t value);
  void setSequence(int32_t index, int64_t value);
  void setGeneration(int32_t index, int64_t value);

  uint32_t contextId(int32_t index) const;
  uint32_t invalidate(int32_t index) const;
  uint32_t sequence(int32_t index) const;
  uint32_t generation(int32_t index) const;

 private:
  int32_t entryOffset(int32_t index) const;
  int32_t _contextCount;
};

}  // namespace corvel
