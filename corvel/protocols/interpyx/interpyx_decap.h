// InterPyx frames between processors: an 8-byte header whose bytes 2-3 hold
// the frame length behind the header (payload and padding), big-endian, and
// the payload. Verified inside a frame datalink (VLAN, say).
#pragma once

#include "corvel/protocols/decapsulator.h"
#include "corvel/protocols/interpyx/interpyx.h"

namespace corvel {

class InterPyxDecapsulator : public Decapsulator {
 public:
  explicit InterPyxDecapsulator(const ProtocolConfig& config);
  int32_t verify(ByteView layer, VerifyContext& context) override;

 private:
  // The captured header's CT, PRI and ST go through the configuration's own
  // range-checked setters; a refusal is reported as a warning.
  InterPyxProtocolConfig _parsed;
};

}  // namespace corvel
