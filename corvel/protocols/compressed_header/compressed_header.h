// IP header compression (RFC 2507/2508 style) configurations. Their header
// bytes do not exist until `buildHeader`, which chooses the header length from
// the optional values given before; the context identifier, sequence (and
// generation) are then set through the setters. All multi-byte fields are
// big-endian.
//
// Compressed RTP:  0-1 context id; byte 2 bit 7 "all deltas and CSRC count
//   given", bit 6 RTP sequence delta, bit 5 RTP timestamp delta, bit 4 IPv4
//   identification delta, bits 3-0 sequence; [2 bytes UDP checksum];
//   [CSRC count byte when bit 7]; one byte per given delta (IPv4 id, RTP
//   sequence, RTP timestamp); [CSRC count zero bytes when bit 7].
// Compressed UDP:  0-1 context id; byte 2 bit 4 IPv4 id delta, bits 3-0
//   sequence; [2 bytes UDP checksum]; [IPv4 id delta byte].
// Compressed non-TCP: byte 0 context id high byte; byte 1 bits 7-6 set,
//   bits 5-0 generation; byte 2 context id low byte; byte 3 bits 3-0
//   sequence; [2 bytes UDP checksum].
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "corvel/protocols/protocol_config.h"

namespace corvel {

// The fixed leading fields of each form; what follows them depends on the
// options the header was built with.
struct CompressedRtpWire {
  static constexpr HeaderField kContextId = headerField(byteField(0, 2), "CID", "", FieldDisplay::Decimal);
  static constexpr HeaderField kContextHigh = headerField(byteField(0, 1), "CID_HIGH", "", FieldDisplay::Hex);
  static constexpr HeaderField kContextLow = headerField(byteField(1, 1), "CID_LOW", "", FieldDisplay::Hex);
  // Bit 3 "all deltas and CSRC count given", bits 2-0 one per delta byte.
  static constexpr HeaderField kFlags = headerField(BitField{2, 7, 4}, "FLAGS", "", FieldDisplay::Hex);
  static constexpr HeaderField kSequence = headerField(BitField{2, 3, 4}, "SEQ", "", FieldDisplay::Decimal);
  static constexpr uint64_t kCsrcCountFlag = 0x8;
  static constexpr uint64_t kDeltaFlags = 0x7;
};
using CompressedUdpWire = CompressedRtpWire;  // the same leading bytes; only bit 0 of the flags is used

struct CompressedNonTcpWire {
  static constexpr HeaderField kContextHigh = headerField(byteField(0, 1), "CID_HIGH", "", FieldDisplay::Hex);
  static constexpr HeaderField kGeneration = headerField(BitField{1, 5, 6}, "GENERATION", "", FieldDisplay::Decimal);
  static constexpr HeaderField kContextLow = headerField(byteField(2, 1), "CID_LOW", "", FieldDisplay::Hex);
  static constexpr HeaderField kSequence = headerField(BitField{3, 3, 4}, "SEQ", "", FieldDisplay::Decimal);
};

inline constexpr HeaderField kCompressedRtpFields[] = {
    CompressedRtpWire::kContextId,
    CompressedRtpWire::kFlags,
    CompressedRtpWire::kSequence,
};
inline constexpr HeaderField kCompressedNonTcpFields[] = {
    CompressedNonTcpWire::kContextHigh,
    CompressedNonTcpWire::kGeneration,
    CompressedNonTcpWire::kContextLow,
    CompressedNonTcpWire::kSequence,
};

// State shared by the three forms: whether the header exists yet, and the
// context identifier and sequence every form carries, each at its own place.
class CompressedHeaderConfig : public ProtocolConfig {
 public:
  // Generic, RTP, or a plain payload (not a context-state message).
  bool acceptsInner(const ProtocolConfig& inner) const override;
  bool isBuilt() const { return _built; }

  // Only once the header is built.
  void setContextId(int64_t value);  // 0..65535
  void setSequence(int64_t value);   // 0..15
  uint32_t contextId() const;
  uint32_t sequence() const;

 protected:
  // Where a form keeps the context identifier (its high and its low byte)
  // and the sequence.
  struct Fields {
    BitField contextHigh;
    BitField contextLow;
    BitField sequence;
  };

  CompressedHeaderConfig(ProtocolKind kind, const Fields& fields, const char* alreadyBuiltMessage,
                         const char* notBuiltMessage);
  // Throws unless the header exists (or, for `requireUnbuilt`, does not yet).
  void requireBuilt() const;
  void requireUnbuilt() const;
  void finishBuild(std::vector<uint8_t> header);

 private:
  Fields _fields;
  const char* _alreadyBuiltMessage;
  const char* _notBuiltMessage;
  bool _built = false;
};

struct CompressedRtpOptions {
  std::optional<int64_t> udpChecksum = std::nullopt;        // 0..65535
  std::optional<int64_t> deltaIpv4Id = std::nullopt;        // 0..255
  std::optional<int64_t> deltaRtpSequence = std::nullopt;   // 0..255
  std::optional<int64_t> deltaRtpTimestamp = std::nullopt;  // 0..255
  std::optional<int64_t> csrcCount = std::nullopt;          // 0..15
};

class CompressedRtpProtocolConfig : public CompressedHeaderConfig {
 public:
  CompressedRtpProtocolConfig();
  std::unique_ptr<ProtocolConfig> clone() const override;

  // The optional values, checked here and used by `buildHeader`.
  void setOptions(const CompressedRtpOptions& options);
  void buildHeader(bool withChecksum);

 private:
  CompressedRtpOptions _options;
};

struct CompressedUdpOptions {
  std::optional<int64_t> udpChecksum = std::nullopt;  // 0..65535
  std::optional<int64_t> deltaIpv4Id = std::nullopt;  // 0..255
};

class CompressedUdpProtocolConfig : public CompressedHeaderConfig {
 public:
  CompressedUdpProtocolConfig();
  std::unique_ptr<ProtocolConfig> clone() const override;

  void setOptions(const CompressedUdpOptions& options);
  void buildHeader(bool withChecksum);

 private:
  CompressedUdpOptions _options;
};

class CompressedNonTcpProtocolConfig : public CompressedHeaderConfig {
 public:
  CompressedNonTcpProtocolConfig();
  std::unique_ptr<ProtocolConfig> clone() const override;

  void setOptions(std::optional<int64_t> udpChecksum);  // 0..65535
  void buildHeader(bool withChecksum);
  void setGeneration(int64_t value);  // 0..63
  uint32_t generation() const;

 private:
  std::optional<int64_t> _udpChecksum;
};

}  // namespace corvel
