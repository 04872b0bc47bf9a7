// Cuts one frame into CSIX-L1 cells and hands out their bytes one by one.
//
// Every cell on the wire is
//   base header   0xC4, CSIX payload length (inner header + payload, mod 256)
//   extension     class byte, 0, 0, 0
//   inner header  16 bytes in the first cell, 8 in every further cell
//   payload       up to 112 bytes in the first cell, up to 120 in the others
// The inner header words are big-endian:
//   first cell:   word 0 = tag(31..24) cell index(23..8) last(7) first=1(6) stream id(5..0)
//                 word 1 = counter 1 (31..16)
//                 word 2 = counter 2 (31..16), counter 3 (15..0)
//                 word 3 = counter 4
//   other cells:  word 0 = 0(31..24) cell index(23..8) last(7) first=0(6) stream id(5..0)
//                 word 1 = counter 1 (31..16)
// Each cell is built when its first byte is asked for, from the payload the
// stream keeps, so a frame costs no allocation at all.
#ifndef CELLGEN_CELL_CUTTER_H
#define CELLGEN_CELL_CUTTER_H

#include <array>
#include <cstddef>
#include <cstdint>

namespace cellgen {

// The payload of one frame: bytes of a data line, or `length` fill bytes
// when `data` is null.
struct FramePayload {
  const std::uint8_t* data = nullptr;
  std::size_t length = 0;
  std::uint8_t fill = 0;
};

// The header fields of one frame.
struct FrameFields {
  std::uint8_t cellClass = 0;
  std::uint8_t tag = 0;
  std::uint32_t streamId = 0;
  std::array<std::uint32_t, 4> counters{};
};

class CellCutter {
 public:
  static constexpr std::size_t kFirstPayload = 112;
  static constexpr std::size_t kNextPayload = 120;
  static constexpr std::size_t kMaxCells = 1024;
  static constexpr std::size_t kMaxFrameLength = kFirstPayload + (kMaxCells - 1) * kNextPayload;
  static constexpr std::uint8_t kBaseHeaderType = 0xC4;

  enum class Step { byte, cellEnd, frameEnd };

  // Number of cells a frame of `length` payload bytes takes (at least one).
  static std::size_t cellCount(std::size_t length);

  // Starts a frame; `payload.length` must not exceed kMaxFrameLength.
  void start(const FrameFields& fields, const FramePayload& payload);
  bool busy() const { return _busy; }
  void clear() { _busy = false; }
  // The next byte of the current cell; call only while busy.
  Step next(std::uint8_t& out);

 private:
  void beginCell();

  FrameFields _fields;
  FramePayload _payload;
  bool _busy = false;
  std::uint32_t _cellIndex = 0;
  std::size_t _cellPayloadStart = 0;  // offset of this cell's payload in the frame
  std::size_t _cellPayloadLength = 0;
  bool _lastCell = false;
  std::array<std::uint8_t, 2 + 4 + 16> _head{};
  std::size_t _headLength = 0;
  std::size_t _position = 0;  // byte position within the cell
};

}  // namespace cellgen

#endif
