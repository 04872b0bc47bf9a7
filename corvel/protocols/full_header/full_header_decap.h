// Full-header packets of IP header compression: the layer has no bytes of
// its own (the compression context rides in the length fields of the
// headers inside), so only its size is checked here.
#pragma once

#include "corvel/protocols/decapsulator.h"

namespace corvel {

class FullHeaderDecapsulator : public Decapsulator {
 public:
  explicit FullHeaderDecapsulator(const ProtocolConfig& config);
  int32_t verify(ByteView layer, VerifyContext& context) override;
};

}  // namespace corvel
