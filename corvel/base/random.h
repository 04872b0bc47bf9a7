// The process-wide pseudo-random sequence: state = state * 214013 + 2531011,
// each draw answers bits 16..30 of the new state (0..32767). The same on every
// platform; never seeded by the traffic simulator itself (a TCS file may seed it).
#pragma once

#include <cstdint>

namespace corvel {

class Random {
 public:
  static constexpr int32_t kMax = 32767;
  static void seed(uint32_t value) noexcept;
  static int32_t next() noexcept;
  // Uniform draw in [min, max]: r mod (max - min + 1) + min. Takes one value of
  // the sequence even when the range holds a single value (min when max <= min).
  static int32_t uniform(int32_t min, int32_t max) noexcept;
};

}  // namespace corvel
