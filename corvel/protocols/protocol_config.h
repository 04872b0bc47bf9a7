// The base of every protocol layer configuration: the layer's header and
// trailer bytes exactly as they go on the wire, its protocol kind, and a few
// control fields (validation, policing and shaping levels, mask flag).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "corvel/protocols/header_field.h"

namespace corvel {

// Protocol kinds; the numbers appear in stack signatures and on the wire of
// generated frame records.
enum class ProtocolKind : int32_t {
  Atm = 0,
  AAL5 = 1,
  AAL58023 = 2,
  DSlam = 3,
  InterPyx = 4,
  Ethernet = 5,
  Generic = 6,
  IpV4 = 7,
  Payload = 8,
  Tcp = 9,
  Udp = 10,
  IpV6 = 11,
  Rtp = 12,
  VLan = 13,
  XVLan = 14,
  CompressedUdp = 15,
  CompressedNonTcp = 16,
  CompressedRtp = 17,
  FullHeader = 18,
};

constexpr int32_t kProtocolKindCount = 19;

// Something another subsystem hangs on a configuration; the configuration
// owns it and deletes it, and clones never carry it.
class ProtocolAttachment {
 public:
  virtual ~ProtocolAttachment() = default;
};

class ProtocolConfig {
 public:
  virtual ~ProtocolConfig();
  ProtocolConfig &operator=(const ProtocolConfig &) = delete;

  // Deep copy: header and trailer bytes are duplicated; the copy has no
  // attachment and is not a mask.
  virtual std::unique_ptr<ProtocolConfig> clone() const = 0;
  // True when this protocol may directly enclose `inner` (the layer below it).
  virtual bool acceptsInner(const ProtocolConfig &inner) const = 0;

  ProtocolKind kind() const { return _kind; }
  bool isDatalink() const { return _isDatalink; }

  // Null and 0 when the layer has no header (or trailer).
  const uint8_t *header() const { return _header.empty() ? nullptr : _header.data(); }
  int32_t headerLength() const { return static_cast<int32_t>(_header.size()); }
  const uint8_t *trailer() const { return _trailer.empty() ? nullptr : _trailer.data(); }
  int32_t trailerLength() const { return static_cast<int32_t>(_trailer.size()); }
  std::span<const uint8_t> headerBytes() const { return _header; }
  std::span<const uint8_t> trailerBytes() const { return _trailer; }

  bool isMask() const { return _mask; }
  int32_t validateLevel() const { return _validateLevel; }
  int32_t policeLevel() const { return _policeLevel; }
  int32_t policeCount() const { return _policeCount; }
  int32_t shapeLevel() const { return _shapeLevel; }
  int32_t shapeCount() const { return _shapeCount; }

  // 1, 2 and 3 are kept, anything else stores 0. Level 3 compares the
  // content of captured PDUs with the stream's own header and payload.
  void setValidateLevel(int32_t level);
  static constexpr int32_t kContentLevel = 3;
  bool checksContent() const { return _validateLevel >= kContentLevel; }
  // Level 0 and 1 are kept, anything else stores 2; the count only when > 0.
  void setPoliceLevel(int32_t level, int32_t count);
  // Level 1 and 2 are kept, anything else stores 0; the count only when > 0.
  void setShapeLevel(int32_t level, int32_t count);

  // Turns the configuration into a flow-key mask: every header and trailer
  // byte becomes 0xFF; fields then set through the setters clear their bits.
  void makeMask();
  // For a mask, complements every header byte (the trailer is untouched).
  void invertMask();

  // The header bits a capture stream compares at level 3 (1 = compared):
  // the fields its element writes. Empty compares nothing; clones keep it.
  std::span<const uint8_t> contentMask() const { return _contentMask; }
  void setContentMask(std::vector<uint8_t> mask) { _contentMask = std::move(mask); }

  ProtocolAttachment *attachment() const { return _attachment.get(); }
  void setAttachment(std::unique_ptr<ProtocolAttachment> attachment);

 protected:
  ProtocolConfig(ProtocolKind kind, bool isDatalink);
  ProtocolConfig(const ProtocolConfig &other);

  // Replace the header (trailer) from hex text of exactly 2 * `bytes` digits;
  // throws `lengthMessage` or `hexMessage`.
  void loadHeader(std::string_view text, size_t bytes, const char *lengthMessage, const char *hexMessage);
  void loadTrailer(std::string_view text, size_t bytes, const char *lengthMessage, const char *hexMessage);
  // Replace the header (trailer) bytes outright.
  void assignHeader(std::vector<uint8_t> bytes) { _header = std::move(bytes); }
  void assignTrailer(std::vector<uint8_t> bytes) { _trailer = std::move(bytes); }

  // Range-checked field write into the header; the header is unchanged on
  // failure.
  void setHeaderField(const BitField &field, int64_t value, const char *message) {
    setBitField(_header, field, value, message);
  }
  uint64_t headerField(const BitField &field) const { return readBitField(_header, field); }
  // Writes `bytes` bytes at `offset` from hex text of exactly 2 * `bytes`
  // digits; the header is unchanged on failure.
  void setHeaderHex(size_t offset, size_t bytes, std::string_view text, const char *lengthMessage,
                    const char *hexMessage);
  // The same for a whole-byte field of the header's layout block.
  void setHeaderHex(const BitField &field, std::string_view text, const char *lengthMessage, const char *hexMessage);
  std::span<uint8_t> mutableHeader() { return _header; }

 private:
  std::vector<uint8_t> _header;
  std::vector<uint8_t> _trailer;
  std::vector<uint8_t> _contentMask;
  ProtocolKind _kind;
  bool _isDatalink;
  bool _mask = false;
  int32_t _validateLevel = 0;
  int32_t _policeLevel = 0;
  int32_t _policeCount = 0;
  int32_t _shapeLevel = 0;
  int32_t _shapeCount = 0;
  std::unique_ptr<ProtocolAttachment> _attachment;
};

// True when `inner`'s kind is one of `kinds`.
bool kindIsOneOf(const ProtocolConfig &inner, std::initializer_list<ProtocolKind> kinds);

}  // namespace corvel
