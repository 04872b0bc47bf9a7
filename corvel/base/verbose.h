// The process-wide verbose level (0..9, default 1) that gates trace lines.
// Trace sites test the level before formatting anything.
#pragma once

#include <cstdint>

namespace corvel {

int32_t verboseLevel() noexcept;
void setVerboseLevel(int32_t level) noexcept;
// The level a console request stores: 0..8 as asked, anything else 9.
inline int32_t boundedVerboseLevel(int32_t requested) noexcept {
  return requested >= 0 && requested <= 8 ? requested : 9;
}
inline bool verboseAt(int32_t level) noexcept { return verboseLevel() == level; }
inline bool verboseFrom(int32_t level) noexcept { return verboseLevel() >= level; }

}  // namespace corvel
