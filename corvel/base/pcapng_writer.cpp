#include "corvel/base/pcapng_writer.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace corvel {

namespace {
constexpr uint32_t kSectionHeader = 0x0A0D0D0A;
constexpr uint32_t kInterfaceDescription = 0x00000001;
constexpr uint32_t kEnhancedPacket = 0x00000006;
constexpr uint32_t kByteOrderMagic = 0x1A2B3C4D;
constexpr uint16_t kOptEnd = 0;
constexpr uint16_t kOptComment = 1;
constexpr uint16_t kIfTsresol = 9;
// Block type, total length, then the body; the total length is repeated at the
// end.
constexpr size_t kLengthOffset = 4;
}  // namespace

PcapngWriter::~PcapngWriter() { close(); }

void PcapngWriter::put16(uint16_t value) { _block.append(reinterpret_cast<const char *>(&value), 2); }

void PcapngWriter::put32(uint32_t value) { _block.append(reinterpret_cast<const char *>(&value), 4); }

void PcapngWriter::putPadded(const void *data, size_t size) {
  if (size > 0) _block.append(static_cast<const char *>(data), size);
  _block.append((4 - size % 4) % 4, '\0');
}

void PcapngWriter::putOption(uint16_t code, const void *data, size_t size) {
  put16(code);
  put16(static_cast<uint16_t>(size));
  putPadded(data, size);
}

bool PcapngWriter::emitBlock() noexcept {
  const uint32_t total = static_cast<uint32_t>(_block.size() + 4);
  _block.append(reinterpret_cast<const char *>(&total), 4);
  std::memcpy(_block.data() + kLengthOffset, &total, 4);
  const bool written = std::fwrite(_block.data(), 1, _block.size(), _file) == _block.size();
  return std::fflush(_file) == 0 && written;
}

bool PcapngWriter::open(const std::string &fileName, uint16_t linkType) {
  close();
  _fileName = fileName;
  _file = std::fopen(fileName.c_str(), "wb");
  if (_file == nullptr) return false;
  // Files are written in the host's byte order; the byte-order magic tells
  // readers which.
  _block.clear();
  put32(kSectionHeader);
  put32(0);
  put32(kByteOrderMagic);
  put16(1);           // major version
  put16(0);           // minor version
  put32(0xFFFFFFFF);  // section length not given
  put32(0xFFFFFFFF);
  bool ok = emitBlock();
  _block.clear();
  put32(kInterfaceDescription);
  put32(0);
  put16(linkType);
  put16(0);
  put32(kSnapLength);
  const uint8_t nanoseconds = 9;
  putOption(kIfTsresol, &nanoseconds, 1);
  putOption(kOptEnd, nullptr, 0);
  ok = ok && emitBlock();
  if (!ok) close();
  return ok;
}

void PcapngWriter::close() noexcept {
  if (_file != nullptr) std::fclose(_file);
  _file = nullptr;
}

void PcapngWriter::writePacket(uint64_t nanoseconds, const uint8_t *data, size_t size,
                               std::string_view comment) noexcept {
  if (_file == nullptr) return;
  try {
    const uint32_t captured = static_cast<uint32_t>(std::min<size_t>(size, kSnapLength));
    // An option value is at most 65535 bytes long.
    const size_t commentSize = std::min<size_t>(comment.size(), 0xFFFF);
    _block.clear();
    put32(kEnhancedPacket);
    put32(0);
    put32(0);  // interface 0
    put32(static_cast<uint32_t>(nanoseconds >> 32));
    put32(static_cast<uint32_t>(nanoseconds));
    put32(captured);
    put32(static_cast<uint32_t>(std::min<size_t>(size, 0xFFFFFFFFu)));
    putPadded(data, captured);
    if (commentSize > 0) {
      putOption(kOptComment, comment.data(), commentSize);
      putOption(kOptEnd, nullptr, 0);
    }
    emitBlock();
  } catch (const std::bad_alloc &) {
  }
}

}  // namespace corvel
