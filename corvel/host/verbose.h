// The process-wide verbose level (0..9, default 1) that gates trace lines.
// Trace sites test the level before formatting anything.
#pragma once

#include <cstdint>

namespace corvel {

int32_t verboseLevel() noexcept;
void setVerboseLevel(int32_t level) noexcept;
inline bool verboseAt(int32_t level) noexcept { return verboseLevel() == level; }
inline bool verboseFrom(int32_t level) noexcept { return verboseLevel() >= level; }

}  // namespace corvel
