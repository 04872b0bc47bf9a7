// TCP (RFC 9293): the header layout and the configuration.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "corvel/protocols/protocol_config.h"

namespace corvel {

// The IPv4 protocol / IPv6 next header number of TCP.
inline constexpr uint8_t kIpProtocolTcp = 6;

// The 20-byte header without options. The data offset counts the header in
// 32-bit words; the checksum covers a pseudo-header of the IP layer outside
// and the whole segment (see checksum.h).
struct TcpWire {
  static constexpr int32_t kSize = 20;
  static constexpr HeaderField kSourcePort = headerField(byteField(0, 2), "SOURCE", "src_port", FieldDisplay::Decimal);
  static constexpr HeaderField kDestinationPort =
      headerField(byteField(2, 2), "DESTINATION", "dest_port", FieldDisplay::Decimal);
  static constexpr HeaderField kSequenceNumber = headerField(byteField(4, 4), "SEQ", "", FieldDisplay::Decimal);
  static constexpr HeaderField kAcknowledgementNumber = headerField(byteField(8, 4), "ACK", "", FieldDisplay::Decimal);
  static constexpr HeaderField kDataOffset = headerField(BitField{12, 7, 4}, "DATA_OFFSET", "", FieldDisplay::Decimal);
  static constexpr HeaderField kFlags = headerField(byteField(13, 1), "FLAGS", "", FieldDisplay::Hex);
  static constexpr HeaderField kWindow = headerField(byteField(14, 2), "WINDOW", "", FieldDisplay::Decimal);
  static constexpr HeaderField kChecksum = headerField(byteField(16, 2), "CHECKSUM", "", FieldDisplay::Hex);
  static constexpr HeaderField kUrgentPointer = headerField(byteField(18, 2), "URGENT", "", FieldDisplay::Decimal);
  // Option kinds without a length byte (RFC 9293 section 3.1).
  static constexpr uint64_t kEndOfOptions = 0;
  static constexpr uint64_t kNoOperation = 1;
};
static_assert(fieldEnd(TcpWire::kUrgentPointer) == TcpWire::kSize);

// The header fields of Tcp in header order, for look-ups by name or attribute.
inline constexpr HeaderField kTcpFields[] = {
    TcpWire::kSourcePort,    TcpWire::kDestinationPort, TcpWire::kSequenceNumber, TcpWire::kAcknowledgementNumber,
    TcpWire::kDataOffset,    TcpWire::kFlags,           TcpWire::kWindow,         TcpWire::kChecksum,
    TcpWire::kUrgentPointer,
};

class TcpProtocolConfig : public ProtocolConfig {
 public:
  explicit TcpProtocolConfig(std::string_view headerHex);  // 40 hex digits
  std::unique_ptr<ProtocolConfig> clone() const override;
  bool acceptsInner(const ProtocolConfig &inner) const override;

  void setSourcePort(int64_t value);       // 0..65535
  void setDestinationPort(int64_t value);  // 0..65535
  // On: each PDU's payload length is added to the sequence number of the
  // stream's next PDU, as a sender's segments advance (RFC 9293 section
  // 3.4); the first PDU carries the configured number. Off, every PDU
  // carries the configured number.
  void setSequenceStepsByPayload(bool on) noexcept { _sequenceStepsByPayload = on; }
  bool sequenceStepsByPayload() const noexcept { return _sequenceStepsByPayload; }
  // Header length in bytes; its quarter (truncated) goes into the data offset
  // and must be 0..15. The low 4 bits of byte 12 are kept.
  void setHeaderLength(int64_t bytes);

  uint32_t sourcePort() const;
  uint32_t destinationPort() const;
  uint32_t dataOffset() const;  // in 32-bit words
  uint32_t checksum() const;

 private:
  bool _sequenceStepsByPayload = false;
};

}  // namespace corvel
