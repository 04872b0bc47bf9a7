// pcap and pcapng file images written out field by field from the formats'
// descriptions (the libpcap file format; the pcapng draft,
// draft-ietf-opsawg-pcapng), independently of the reader under test.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace corvel::test {

using Image = std::vector<uint8_t>;

class ImageWriter {
 public:
  explicit ImageWriter(bool bigEndian = false) : _big(bigEndian) {}

  ImageWriter& u8(uint8_t v) {
    _bytes.push_back(v);
    return *this;
  }
  ImageWriter& u16(uint16_t v) {
    return _big ? u8(static_cast<uint8_t>(v >> 8)).u8(static_cast<uint8_t>(v))
                : u8(static_cast<uint8_t>(v)).u8(static_cast<uint8_t>(v >> 8));
  }
  ImageWriter& u32(uint32_t v) {
    return _big ? u16(static_cast<uint16_t>(v >> 16)).u16(static_cast<uint16_t>(v))
                : u16(static_cast<uint16_t>(v)).u16(static_cast<uint16_t>(v >> 16));
  }
  ImageWriter& bytes(const Image& b) {
    _bytes.insert(_bytes.end(), b.begin(), b.end());
    return *this;
  }
  ImageWriter& pad4() {
    while (_bytes.size() % 4 != 0) _bytes.push_back(0);
    return *this;
  }
  Image take() { return std::move(_bytes); }
  bool bigEndian() const { return _big; }

 private:
  bool _big;
  Image _bytes;
};

// A packet of `size` bytes whose first byte is `first` (the others count up).
inline Image Packet(size_t size, uint8_t first) {
  Image p(size);
  for (size_t i = 0; i < size; ++i) p[i] = static_cast<uint8_t>(first + i);
  return p;
}

struct PcapRecord {
  uint32_t seconds;
  uint32_t fraction;  // microseconds or nanoseconds, as the magic says
  Image data;
  uint32_t originalSize = 0;  // 0: the data's size
};

// Classic pcap: the 24-byte file header, then per record 16 bytes and data.
inline Image PcapImage(const std::vector<PcapRecord>& records, bool nano = false, bool big = false,
                       uint32_t snapLength = 65535, uint32_t linkType = 1) {
  ImageWriter w(big);
  w.u32(nano ? 0xa1b23c4d : 0xa1b2c3d4).u16(2).u16(4).u32(0).u32(0).u32(snapLength).u32(linkType);
  for (const PcapRecord& r : records) {
    const auto size = static_cast<uint32_t>(r.data.size());
    w.u32(r.seconds).u32(r.fraction).u32(size).u32(r.originalSize ? r.originalSize : size).bytes(r.data);
  }
  return w.take();
}

// pcapng blocks: type, total length, body padded to 4, total length again.
class PcapngImage {
 public:
  explicit PcapngImage(bool big = false) : _w(big) {}

  PcapngImage& block(uint32_t type, const Image& body) {
    const auto length = static_cast<uint32_t>(12 + ((body.size() + 3) & ~size_t{3}));
    _w.u32(type).u32(length).bytes(body).pad4().u32(length);
    return *this;
  }
  PcapngImage& section() {
    return block(0x0a0d0d0a, body().u32(0x1a2b3c4d).u16(1).u16(0).u32(0xffffffff).u32(0xffffffff).take());
  }
  // tsresol < 0: no if_tsresol option (microseconds).
  PcapngImage& interface(uint16_t linkType, uint32_t snapLength, int tsresol = -1) {
    ImageWriter b = body();
    b.u16(linkType).u16(0).u32(snapLength);
    if (tsresol >= 0) b.u16(9).u16(1).u8(static_cast<uint8_t>(tsresol)).u8(0).u8(0).u8(0).u16(0).u16(0);
    return block(1, b.take());
  }
  PcapngImage& enhanced(uint32_t interfaceId, uint64_t units, const Image& data, uint32_t originalSize = 0) {
    const auto size = static_cast<uint32_t>(data.size());
    return block(6, body()
                        .u32(interfaceId)
                        .u32(static_cast<uint32_t>(units >> 32))
                        .u32(static_cast<uint32_t>(units))
                        .u32(size)
                        .u32(originalSize ? originalSize : size)
                        .bytes(data)
                        .take());
  }
  PcapngImage& simple(const Image& data) {
    return block(3, body().u32(static_cast<uint32_t>(data.size())).bytes(data).take());
  }
  Image take() { return _w.take(); }

 private:
  ImageWriter body() const { return ImageWriter(_w.bigEndian()); }
  ImageWriter _w;
};

}  // namespace corvel::test
