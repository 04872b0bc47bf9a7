// The time base of a police object: host cycles at a bus frequency in MHz.
// The host's cycle value is 32 bits and wraps; a police object extends it to
// a 64-bit time line of its own, so a wrap is an ordinary gap.
#pragma once

#include <cstdint>

#include "corvel/base/cycle_time.h"

namespace corvel {

// The lowest and highest bus frequency a police object accepts (as the
// simulation clock does); the upper bound keeps bucket contents in 64 bits.
inline constexpr int32_t kMinBusFrequencyMHz = 1;
inline constexpr int32_t kMaxBusFrequencyMHz = 366;

class CycleTimeline {
 public:
  // The time line's value at `cycle`: the elapsed time since the previous
  // value is the unsigned 32-bit difference of the two cycle values. The first
  // value seen starts the line at that cycle.
  uint64_t advance(uint32_t cycle) noexcept {
    if (!_seen) {
      _seen = true;
      _now = cycle;
    } else {
      _now += static_cast<uint32_t>(cycle - _last);
    }
    _last = cycle;
    return _now;
  }
  bool seen() const noexcept { return _seen; }
  uint64_t now() const noexcept { return _now; }
  void reset() noexcept { *this = CycleTimeline(); }

 private:
  bool _seen = false;
  uint32_t _last = 0;
  uint64_t _now = 0;
};

}  // namespace corvel
