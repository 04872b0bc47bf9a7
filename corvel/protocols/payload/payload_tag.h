// The payload tag: the first 4 bytes of every generated payload name the
// transmit port, the receive port and stream that generated it, and the PDU's
// number, so the capture side can attribute a PDU to its stream and check its
// route. A payload shorter than the tag carries as many of its bytes as fit.
#pragma once

#include <cstdint>

#include "corvel/protocols/header_field.h"

namespace corvel {

struct PayloadTagWire {
  static constexpr int32_t kSize = 4;
  static constexpr HeaderField kTxDevice = headerField(BitField{0, 7, 3}, "TX_DEVICE", "");
  static constexpr HeaderField kTxPort = headerField(BitField{0, 4, 5}, "TX_PORT", "");
  static constexpr HeaderField kRxDevice = headerField(BitField{1, 7, 3}, "RX_DEVICE", "");
  static constexpr HeaderField kRxPort = headerField(BitField{1, 4, 5}, "RX_PORT", "");
  static constexpr HeaderField kStream = headerField(byteField(2, 1), "STREAM", "");
  // Counts modulo 256: a long stream goes on, the capture only logs the number.
  static constexpr HeaderField kPdu = headerField(byteField(3, 1), "PDU", "");
  // With sequence="1": a 32-bit per-stream number after the tag, so the
  // capture side counts duplicates and reordering exactly.
  static constexpr HeaderField kSequence = headerField(byteField(4, 4), "SEQUENCE", "");
  static constexpr int32_t kSequencedSize = 8;
};
static_assert(fieldEnd(PayloadTagWire::kSequence) == PayloadTagWire::kSequencedSize);
static_assert(fieldEnd(PayloadTagWire::kPdu) == PayloadTagWire::kSize);

inline constexpr HeaderField kPayloadTagFields[] = {
    PayloadTagWire::kTxDevice, PayloadTagWire::kTxPort, PayloadTagWire::kRxDevice,
    PayloadTagWire::kRxPort,   PayloadTagWire::kStream, PayloadTagWire::kPdu,
};

}  // namespace corvel
