// The frame datalinks (Ethernet, 802.1Q VLAN, 802.3 VLAN with LLC/SNAP): one
// frame per PDU, the header as configured for the stream, a 4-byte IEEE
// 802.3 frame check sequence, and the EtherType in the header's last two
// bytes.
#pragma once

#include "corvel/protocols/decapsulator.h"

namespace corvel {

class EthernetDecapsulator : public DatalinkDecapsulator {
 public:
  explicit EthernetDecapsulator(const ProtocolConfig& config);

  std::optional<ProtocolKind> serviceAccessProtocol(ByteView layer) const override;
  void checkInnerNamed(ByteView frame, ProtocolKind inner) const override;
  void parseHeader(CapturedStreamFrame& frame, VerifyReport& report) override;
  using DatalinkDecapsulator::extractPdu;
  void extractPdu(VerifyContext& context, CapturedStreamPdu& pdu) override;
  // Verifies one whole frame: sizes, fields, FCS.
  int32_t verify(ByteView frame, VerifyContext& context) override;

 private:
  int32_t _configuredHeader;
  double _minPayload;
  double _maxPayload;
  bool _addressWarnings;
  bool _typeWarning;
};

}  // namespace corvel
