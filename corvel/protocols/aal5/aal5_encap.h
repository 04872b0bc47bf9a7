// AAL5 CPCS-PDUs (ITU-T I.363.5) with an LLC/SNAP header: routed (8-byte
// header) and bridged 802.3 (10 bytes, with PAD). The PDU is padded so that
// it fills whole 48-byte cells; the 8-byte trailer carries UU and CPI from
// the configuration, the length (header + payload, padding excluded) and,
// with a CRC table, the CRC-32 over everything before it, most significant
// byte first (zero without a table).
#pragma once

#include "corvel/protocols/atm/atm.h"
#include "corvel/protocols/encapsulator.h"

namespace corvel {

class Aal5Crc32;
class AAL5ProtocolConfig;
class AAL58023ProtocolConfig;

class Aal5FramingEncapsulator : public Encapsulator {
 public:
  double maxPayload() const override { return 65535; }
  int32_t sizeUnit() const override { return AtmWire::kPayloadSize; }
  void encapsulate(std::span<uint8_t> layer) override;

  const Aal5Crc32* crcTable() const { return _crcTable; }
  void setCrcTable(const Aal5Crc32* table) { _crcTable = table; }

 protected:
  Aal5FramingEncapsulator(ProtocolKind kind, const ProtocolConfig& config);

 private:
  const Aal5Crc32* _crcTable = nullptr;
};

class AAL5Encapsulator : public Aal5FramingEncapsulator {
 public:
  explicit AAL5Encapsulator(const AAL5ProtocolConfig& config);
};

class AAL58023Encapsulator : public Aal5FramingEncapsulator {
 public:
  explicit AAL58023Encapsulator(const AAL58023ProtocolConfig& config);
};

}  // namespace corvel
