// Ethernet II frames and the framing they share with the VLAN forms: the
// configured header, the payload padded up to the minimum payload with bytes
// from the payload generator, and a 4-byte trailer. With a frame check table
// the trailer is the IEEE 802.3 FCS over header, payload and padding (least
// significant byte first on the wire); without one it is the configured
// trailer. No header field is computed.
#pragma once

#include <cstdint>
#include <span>

#include "corvel/protocols/encapsulator.h"
#include "corvel/protocols/ethernet/ethernet.h"

namespace corvel {

class EthernetFcs;

class FrameCheckEncapsulator : public DatalinkEncapsulator {
 public:
  bool hasFrameCheck() const override { return true; }
  void encapsulate(std::span<uint8_t> layer) override;

  // Null: the port does not compute frame check sequences.
  const EthernetFcs* crcTable() const { return _crcTable; }
  void setCrcTable(const EthernetFcs* table);

 protected:
  FrameCheckEncapsulator(ProtocolKind kind, const ProtocolConfig& config);

 private:
  const EthernetFcs* _crcTable = nullptr;
  // The FCS register after the configured header, which every frame starts
  // with unchanged.
  uint32_t _headerState = 0;
};

class EthernetEncapsulator : public FrameCheckEncapsulator {
 public:
  explicit EthernetEncapsulator(const EthernetProtocolConfig& config);
  double maxPayload() const override { return EthernetWire::maxPayload(EthernetWire::kSize); }
  double minPayload() const override { return EthernetWire::minPayload(EthernetWire::kSize); }
};

}  // namespace corvel
