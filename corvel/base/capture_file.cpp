#include "corvel/base/capture_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>

#include "corvel/base/text_error.h"

namespace corvel {

namespace {

constexpr uint32_t kPcapMicro = 0xa1b2c3d4;
constexpr uint32_t kPcapNano = 0xa1b23c4d;
constexpr uint32_t kPcapngSection = 0x0a0d0d0a;
constexpr uint32_t kPcapngByteOrder = 0x1a2b3c4d;
constexpr uint32_t kBlockInterface = 1;
constexpr uint32_t kBlockObsoletePacket = 2;
constexpr uint32_t kBlockSimplePacket = 3;
constexpr uint32_t kBlockEnhancedPacket = 6;
constexpr uint16_t kOptionEnd = 0;
constexpr uint16_t kOptionTsResol = 9;
constexpr uint16_t kOptionTsOffset = 14;
constexpr int64_t kNanosPerSecond = 1000000000;

uint32_t swap32(uint32_t v) { return (v >> 24) | ((v >> 8) & 0xff00) | ((v << 8) & 0xff0000) | (v << 24); }

// Reads of the file image in the byte order of the part being read; every
// read is checked against the image's end.
class ImageView {
 public:
  ImageView(const CaptureTrace& trace) : _image(trace.image), _name(trace.name) {}

  size_t size() const { return _image.size(); }
  void setSwapped(bool swapped) { _swapped = swapped; }
  uint32_t raw32(size_t at) const {
    need(at, 4);
    return static_cast<uint32_t>(_image[at]) | static_cast<uint32_t>(_image[at + 1]) << 8 |
           static_cast<uint32_t>(_image[at + 2]) << 16 | static_cast<uint32_t>(_image[at + 3]) << 24;
  }
  uint32_t u32(size_t at) const { return _swapped ? swap32(raw32(at)) : raw32(at); }
  uint16_t u16(size_t at) const {
    need(at, 2);
    const uint16_t little = static_cast<uint16_t>(_image[at] | _image[at + 1] << 8);
    return _swapped ? static_cast<uint16_t>(little >> 8 | little << 8) : little;
  }
  uint64_t u64(size_t at) const {
    const uint64_t first = u32(at);
    const uint64_t second = u32(at + 4);
    return _swapped ? first << 32 | second : second << 32 | first;
  }
  uint8_t u8(size_t at) const {
    need(at, 1);
    return _image[at];
  }
  [[noreturn]] void fail(const std::string& what) const { throw TextError(_name + ": " + what); }

 private:
  void need(size_t at, size_t bytes) const {
    if (at > _image.size() || _image.size() - at < bytes) fail("unexpected end of file at byte " + std::to_string(at));
  }

  std::span<const uint8_t> _image;
  const std::string& _name;
  bool _swapped = false;
};

// Adds records, timing them from the first one and checking their sizes.
class RecordSink {
 public:
  RecordSink(CaptureTrace& trace, const ImageView& view) : _trace(trace), _view(view) {}

  uint64_t nextNumber() const { return _trace.records.size() + 1; }
  void add(size_t offset, uint32_t size, uint32_t originalSize, uint32_t snapLength, uint32_t linkType,
           __int128 nanoseconds) {
    const std::string record = "record " + std::to_string(nextNumber());
    if (size > CaptureTrace::kMaxRecordBytes)
      _view.fail(record + " holds " + std::to_string(size) + " bytes, over the limit of " +
                 std::to_string(CaptureTrace::kMaxRecordBytes));
    if (snapLength != 0 && size > snapLength)
      _view.fail(record + " holds " + std::to_string(size) + " bytes, more than the snap length " +
                 std::to_string(snapLength));
    if (size > originalSize)
      _view.fail(record + " holds " + std::to_string(size) + " bytes, more than its original length " +
                 std::to_string(originalSize));
    if (offset > _view.size() || _view.size() - offset < size)
      _view.fail(record + " is truncated: " + std::to_string(size) + " bytes announced, " +
                 std::to_string(offset > _view.size() ? 0 : _view.size() - offset) + " left");
    if (_trace.records.empty()) {
      _trace.linkType = linkType;
      _origin = nanoseconds;
    } else if (linkType != _trace.linkType) {
      _view.fail(record + " has link type " + std::to_string(linkType) + ", the first record " +
                 std::to_string(_trace.linkType));
    }
    __int128 distance = nanoseconds - _origin;
    if (distance < 0) distance = 0;
    if (distance > std::numeric_limits<int64_t>::max()) distance = std::numeric_limits<int64_t>::max();
    _trace.records.push_back({static_cast<uint32_t>(offset), size, static_cast<int64_t>(distance)});
  }

 private:
  CaptureTrace& _trace;
  const ImageView& _view;
  __int128 _origin = 0;
};

// ---- pcap ---------------------------------------------------------------

constexpr size_t kPcapHeader = 24;
constexpr size_t kPcapRecordHeader = 16;

void parsePcap(CaptureTrace& trace, ImageView& view, bool swapped, bool nano) {
  view.setSwapped(swapped);
  if (view.size() < kPcapHeader)
    view.fail("file header is truncated (" + std::to_string(view.size()) + " of 24 bytes)");
  if (view.u16(4) != 2)
    view.fail("unsupported pcap version " + std::to_string(view.u16(4)) + "." + std::to_string(view.u16(6)));
  const uint32_t snapLength = view.u32(16);
  // The upper bits of the link type field carry FCS information.
  const uint32_t linkType = view.u32(20) & 0xffff;
  RecordSink sink(trace, view);
  for (size_t at = kPcapHeader; at < view.size();) {
    if (view.size() - at < kPcapRecordHeader)
      view.fail("record " + std::to_string(sink.nextNumber()) + " header is truncated (" +
                std::to_string(view.size() - at) + " of 16 bytes)");
    const __int128 seconds = view.u32(at);
    const __int128 fraction = view.u32(at + 4);
    const uint32_t size = view.u32(at + 8);
    const uint32_t originalSize = view.u32(at + 12);
    sink.add(at + kPcapRecordHeader, size, originalSize, snapLength, linkType,
             seconds * kNanosPerSecond + (nano ? fraction : fraction * 1000));
    at += kPcapRecordHeader + size;
  }
}

// ---- pcapng -------------------------------------------------------------

struct Interface {
  uint32_t linkType = 0;
  uint32_t snapLength = 0;
  // if_tsresol: 10^exponent or 2^exponent units per second; microseconds by
  // default.
  uint64_t unitsPerSecond = 1000000;
  int64_t offsetSeconds = 0;

  __int128 nanoseconds(uint64_t units) const {
    const __int128 whole = static_cast<__int128>(units / unitsPerSecond) + offsetSeconds;
    const __int128 part = static_cast<__int128>(units % unitsPerSecond) * kNanosPerSecond / unitsPerSecond;
    return whole * kNanosPerSecond + part;
  }
};

// One block of a section: its place, type and body.
struct Block {
  size_t start = 0;
  uint32_t type = 0;
  size_t body = 0;     // first byte after type and length
  size_t bodyEnd = 0;  // the trailing length field
  size_t bodySize() const { return bodyEnd - body; }
};

class PcapngParser {
 public:
  PcapngParser(CaptureTrace& trace, ImageView& view) : _view(view), _sink(trace, view) {}

  void parse() {
    for (size_t at = 0; at < _view.size();) at = block(at);
  }

 private:
  size_t block(size_t at) {
    const std::string where = "block at byte " + std::to_string(at);
    if (_view.size() - at < 12) _view.fail(where + " is truncated");
    Block b{at, _view.u32(at), at + 8, 0};
    if (b.type == kPcapngSection) {
      const uint32_t order = _view.raw32(at + 8);
      if (order != kPcapngByteOrder && order != swap32(kPcapngByteOrder))
        _view.fail(where + " is a section header with a bad byte-order magic");
      _view.setSwapped(order != kPcapngByteOrder);
    } else if (!_inSection) {
      _view.fail("not a pcap or pcapng file (no section header first)");
    }
    const uint32_t length = _view.u32(at + 4);
    if (length < 12 || length % 4 != 0 || length > _view.size() - at)
      _view.fail(where + " has a bad length " + std::to_string(length));
    b.bodyEnd = at + length - 4;
    if (_view.u32(b.bodyEnd) != length) _view.fail(where + " ends with a different length");
    switch (b.type) {
      case kPcapngSection:
        section(b, where);
        break;
      case kBlockInterface:
        interface(b, where);
        break;
      case kBlockEnhancedPacket:
        packet(b, where, true);
        break;
      case kBlockObsoletePacket:
        packet(b, where, false);
        break;
      case kBlockSimplePacket:
        simplePacket(b, where);
        break;
      default:
        break;  // statistics, name resolution, custom and unknown blocks
    }
    return at + length;
  }

  void section(const Block& b, const std::string& where) {
    if (b.bodySize() < 16) _view.fail(where + " is a section header too short");
    if (_view.u16(b.body + 4) != 1)
      _view.fail("unsupported pcapng version " + std::to_string(_view.u16(b.body + 4)) + "." +
                 std::to_string(_view.u16(b.body + 6)));
    _inSection = true;
    _interfaces.clear();
  }

  void interface(const Block& b, const std::string& where) {
    if (b.bodySize() < 8) _view.fail(where + " is an interface description too short");
    Interface face;
    face.linkType = _view.u16(b.body);
    face.snapLength = _view.u32(b.body + 4);
    for (size_t at = b.body + 8; at + 4 <= b.bodyEnd;) {
      const uint16_t code = _view.u16(at);
      const uint16_t size = _view.u16(at + 2);
      const size_t padded = (static_cast<size_t>(size) + 3) & ~size_t{3};
      if (code == kOptionEnd) break;
      if (padded > b.bodyEnd - at - 4) _view.fail(where + " has an option running past its end");
      if (code == kOptionTsResol && size == 1) face.unitsPerSecond = units(_view.u8(at + 4), where);
      if (code == kOptionTsOffset && size == 8) face.offsetSeconds = static_cast<int64_t>(_view.u64(at + 4));
      at += 4 + padded;
    }
    _interfaces.push_back(face);
  }

  static uint64_t power(uint64_t base, int exponent) {
    uint64_t value = 1;
    for (int i = 0; i < exponent; ++i) value *= base;
    return value;
  }

  uint64_t units(uint8_t resolution, const std::string& where) const {
    const int exponent = resolution & 0x7f;
    const bool binary = (resolution & 0x80) != 0;
    if (binary ? exponent > 63 : exponent > 19) _view.fail(where + " has a timestamp resolution out of range");
    return power(binary ? 2 : 10, exponent);
  }

  const Interface& face(uint32_t id) const {
    if (id >= _interfaces.size())
      _view.fail("record " + std::to_string(_sink.nextNumber()) + " names interface " + std::to_string(id) +
                 ", which its section does not describe");
    return _interfaces[id];
  }

  // Enhanced (32-bit interface id) and obsolete (16-bit id and a drop count)
  // packet blocks: the same fields after the id.
  void packet(const Block& b, const std::string& where, bool enhanced) {
    if (b.bodySize() < 20) _view.fail(where + " is a packet block too short");
    const uint32_t id = enhanced ? _view.u32(b.body) : _view.u16(b.body);
    const Interface& f = face(id);
    const uint64_t units = static_cast<uint64_t>(_view.u32(b.body + 4)) << 32 | _view.u32(b.body + 8);
    const uint32_t size = _view.u32(b.body + 12);
    const uint32_t originalSize = _view.u32(b.body + 16);
    checkFits(b, 20, size);
    _lastNanoseconds = f.nanoseconds(units);
    _sink.add(b.body + 20, size, originalSize, f.snapLength, f.linkType, _lastNanoseconds);
  }

  // No timestamp and no captured length: the packet fills the block up to
  // the snap length; it is taken at the time of the record before it.
  void simplePacket(const Block& b, const std::string& where) {
    if (b.bodySize() < 4) _view.fail(where + " is a simple packet block too short");
    const Interface& f = face(0);
    const uint32_t originalSize = _view.u32(b.body);
    uint32_t size = originalSize;
    if (f.snapLength != 0 && size > f.snapLength) size = f.snapLength;
    checkFits(b, 4, size);
    _sink.add(b.body + 4, size, originalSize, f.snapLength, f.linkType, _lastNanoseconds);
  }

  void checkFits(const Block& b, size_t headerBytes, uint32_t size) {
    if (size > CaptureTrace::kMaxRecordBytes) return;  // the sink refuses it by its size
    if (b.bodySize() - headerBytes < size)
      _view.fail("record " + std::to_string(_sink.nextNumber()) + " is truncated: " + std::to_string(size) +
                 " bytes announced, " + std::to_string(b.bodySize() - headerBytes) + " in its block");
  }

  ImageView& _view;
  RecordSink _sink;
  std::vector<Interface> _interfaces;
  bool _inSection = false;
  __int128 _lastNanoseconds = 0;  // of the last packet block with a timestamp
};

}  // namespace

void parseCaptureImage(CaptureTrace& trace) {
  trace.records.clear();
  ImageView view(trace);
  if (view.size() == 0) view.fail("the file is empty");
  if (view.size() < 4) view.fail("file header is truncated (" + std::to_string(view.size()) + " bytes)");
  const uint32_t magic = view.raw32(0);
  if (magic == kPcapMicro || magic == swap32(kPcapMicro)) {
    parsePcap(trace, view, magic != kPcapMicro, false);
  } else if (magic == kPcapNano || magic == swap32(kPcapNano)) {
    parsePcap(trace, view, magic != kPcapNano, true);
  } else if (magic == kPcapngSection) {
    PcapngParser(trace, view).parse();
  } else {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%08x", swap32(magic));
    view.fail(std::string("not a pcap or pcapng file (magic 0x") + hex + ")");
  }
  if (trace.records.empty()) view.fail("the file holds no packets");
}

CaptureTrace readCaptureFile(const std::string& path, const std::string& name) {
  CaptureTrace trace;
  trace.name = name;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
  if (!file) throw TextError("cannot open " + name + ": " + std::strerror(errno));
  constexpr size_t kChunk = 1 << 16;
  while (true) {
    const size_t had = trace.image.size();
    if (had > CaptureTrace::kMaxFileBytes)
      throw TextError(name + " is larger than " + std::to_string(CaptureTrace::kMaxFileBytes) + " bytes");
    trace.image.resize(had + kChunk);
    const size_t got = std::fread(trace.image.data() + had, 1, kChunk, file.get());
    trace.image.resize(had + got);
    if (got < kChunk) break;
  }
  if (std::ferror(file.get())) throw TextError("cannot read " + name + ": " + std::strerror(errno));
  trace.image.shrink_to_fit();
  parseCaptureImage(trace);
  return trace;
}

}  // namespace corvel
