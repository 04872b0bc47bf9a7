// Host cycles and nanoseconds at a clock of a fixed frequency in MHz
// (cycles per microsecond).
#pragma once

#include <cstdint>

namespace corvel {

inline double nanosecondsToCycles(double ns, int32_t busFrequencyMHz) noexcept {
  return ns * busFrequencyMHz / 1000.0;
}
inline double cyclesToNanoseconds(double cycles, int32_t busFrequencyMHz) noexcept {
  return cycles * 1000.0 / busFrequencyMHz;
}

}  // namespace corvel
