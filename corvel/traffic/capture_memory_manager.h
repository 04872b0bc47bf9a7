// Collects the bytes of the frame in progress on a transmit port. A frame
// that never ends is cut: past the largest frame the bytes are dropped and
// the frame is flagged, so memory stays bounded whatever arrives.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "corvel/traffic/capture_intf.h"

namespace corvel {

class CaptureMemoryManager : public CaptureIntf {
 public:
  static constexpr size_t kMaxFrameBytes = 64 * 1024;
  static constexpr size_t kChunkSize = 150;

  void OnByte(const uint8_t& byte, uint32_t cycle, uint8_t endOfFrame) override { store(byte, cycle, endOfFrame); }
  // The byte path itself (the port calls it directly, not through its stage list).
  void store(uint8_t byte, uint32_t cycle, uint8_t endOfFrame) {
    if (_bytes.empty() && !_overflowed) startFrame(cycle);
    if (endOfFrame) _lastCycle = cycle;
    if (_bytes.size() < kMaxFrameBytes) [[likely]] {
      _bytes.push_back(byte);
    } else {
      _overflowed = true;
    }
  }

  // A byte inside a frame already started and short of the cut: stored,
  // and true. Otherwise false, and the caller takes the full path (store).
  bool append(uint8_t byte) {
    const size_t size = _bytes.size();
    if (size == 0 || size >= kMaxFrameBytes) return false;
    _bytes.push_back(byte);
    return true;
  }

  size_t length() const noexcept { return _bytes.size(); }
  bool overflowed() const noexcept { return _overflowed; }
  uint32_t firstCycle() const noexcept { return _firstCycle; }
  uint32_t lastCycle() const noexcept { return _lastCycle; }
  // Swaps the frame's bytes into `into` (whose buffer, emptied, the next
  // frame fills); the manager starts over with an empty frame.
  void takeData(std::vector<uint8_t>& into);
  void clear() noexcept;

 private:
  void startFrame(uint32_t cycle);

  std::vector<uint8_t> _bytes;
  uint32_t _firstCycle = 0;
  uint32_t _lastCycle = 0;
  bool _overflowed = false;
};

}  // namespace corvel
