// AAL5 CPCS-PDUs (ITU-T I.363.5) with an LLC/SNAP header, routed (8-byte
// header) and bridged 802.3 (10 bytes): header, payload, padding up to the
// cell boundary, and the 8-byte trailer (UU, CPI, length, CRC-32). The
// length field counts header and payload, as the builder writes it; the
// padding in front of the trailer is under one cell payload (48 bytes).
// CRC warnings are reported from validate level 2.
#pragma once

#include "corvel/protocols/decapsulator.h"

namespace corvel {

class Aal5FramingDecapsulator : public Decapsulator {
 public:
  // Answers the payload size the length field gives.
  int32_t verify(ByteView layer, VerifyContext& context) override;

 protected:
  Aal5FramingDecapsulator(const ProtocolConfig& config, std::string name, std::string warningPrefix,
                          int32_t header, bool checksLengthSign, const char* noPayload);

 private:
  // "<name> Verification error, <what>": the trailer checks are worded so.
  [[noreturn]] void failTrailer(std::string_view what) const;

  int32_t _header;
  bool _checksLengthSign;
  const char* _noPayload;
};

class AAL5Decapsulator : public Aal5FramingDecapsulator {
 public:
  explicit AAL5Decapsulator(const ProtocolConfig& config);
};

class AAL58023Decapsulator : public Aal5FramingDecapsulator {
 public:
  explicit AAL58023Decapsulator(const ProtocolConfig& config);
};

}  // namespace corvel
