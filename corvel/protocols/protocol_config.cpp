#include "corvel/protocols/protocol_config.h"

#include <algorithm>

#include "corvel/base/text_error.h"
#include "corvel/protocols/hex_text.h"

namespace corvel {

ProtocolConfig::ProtocolConfig(ProtocolKind kind, bool isDatalink)
    : _kind(kind), _isDatalink(isDatalink) {}

ProtocolConfig::ProtocolConfig(const ProtocolConfig& other)
    : _header(other._header),
      _trailer(other._trailer),
      _contentMask(other._contentMask),
      _kind(other._kind),
      _isDatalink(other._isDatalink),
      _mask(false),
      _validateLevel(other._validateLevel),
      _policeLevel(other._policeLevel),
      _policeCount(other._policeCount),
      _shapeLevel(other._shapeLevel),
      _shapeCount(other._shapeCount) {}

ProtocolConfig::~ProtocolConfig() = default;

void ProtocolConfig::setValidateLevel(int32_t level) {
  _validateLevel = (level >= 1 && level <= kContentLevel) ? level : 0;
}

void ProtocolConfig::setPoliceLevel(int32_t level, int32_t count) {
  _policeLevel = (level == 0 || level == 1) ? level : 2;
  if (count > 0) _policeCount = count;
}

void ProtocolConfig::setShapeLevel(int32_t level, int32_t count) {
  _shapeLevel = (level == 1 || level == 2) ? level : 0;
  if (count > 0) _shapeCount = count;
}

void ProtocolConfig::makeMask() {
  _mask = true;
  std::fill(_header.begin(), _header.end(), uint8_t{0xff});
  std::fill(_trailer.begin(), _trailer.end(), uint8_t{0xff});
}

void ProtocolConfig::invertMask() {
  if (!_mask) return;
  for (uint8_t& b : _header) b = static_cast<uint8_t>(~b);
}

void ProtocolConfig::setAttachment(std::unique_ptr<ProtocolAttachment> attachment) {
  _attachment = std::move(attachment);
}

namespace {

std::vector<uint8_t> bytesFromHex(std::string_view text, size_t bytes, const char* lengthMessage,
                                  const char* hexMessage) {
  if (text.size() != 2 * bytes) throw TextError(lengthMessage);
  std::vector<uint8_t> out(bytes);
  if (!hexToBytes(out, text)) throw TextError(hexMessage);
  return out;
}

}  // namespace

void ProtocolConfig::loadHeader(std::string_view text, size_t bytes, const char* lengthMessage,
                                const char* hexMessage) {
  _header = bytesFromHex(text, bytes, lengthMessage, hexMessage);
}

void ProtocolConfig::loadTrailer(std::string_view text, size_t bytes, const char* lengthMessage,
                                 const char* hexMessage) {
  _trailer = bytesFromHex(text, bytes, lengthMessage, hexMessage);
}

void ProtocolConfig::setHeaderHex(size_t offset, size_t bytes, std::string_view text,
                                  const char* lengthMessage, const char* hexMessage) {
  if (text.size() != 2 * bytes) throw TextError(lengthMessage);
  if (offset > _header.size() || bytes > _header.size() - offset) {
    throw TextError("Error, field lies outside the header");
  }
  uint8_t staged[32];  // the widest hex field is an IPv6 address
  if (bytes > sizeof staged) throw TextError("Error, field lies outside the header");
  if (!hexToBytes(std::span<uint8_t>(staged, bytes), text)) throw TextError(hexMessage);
  std::copy_n(staged, bytes, _header.begin() + static_cast<std::ptrdiff_t>(offset));
}

void ProtocolConfig::setHeaderHex(const BitField& field, std::string_view text, const char* lengthMessage,
                                  const char* hexMessage) {
  if (!isByteField(field) || field.byte < 0) throw TextError("Error, field lies outside the header");
  setHeaderHex(static_cast<size_t>(field.byte), static_cast<size_t>(byteCount(field)), text, lengthMessage,
               hexMessage);
}

bool kindIsOneOf(const ProtocolConfig& inner, std::initializer_list<ProtocolKind> kinds) {
  return std::find(kinds.begin(), kinds.end(), inner.kind()) != kinds.end();
}

}  // namespace corvel
