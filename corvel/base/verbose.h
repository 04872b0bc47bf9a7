// The process-wide verbose level (0..9, default 1) that gates trace lines.
// Trace sites test the level before formatting anything. A quiet console
// (asked for by the host) silences every level-gated trace whatever the
// level, and the interface layer's enter/exit lines with them.
#pragma once

#include <cstdint>

namespace corvel {

// The level the trace sites see: 0 while the console is quiet.
int32_t verboseLevel() noexcept;
// The level as last set, quiet or not.
int32_t storedVerboseLevel() noexcept;
void setVerboseLevel(int32_t level) noexcept;
bool quietConsole() noexcept;
void setQuietConsole(bool quiet) noexcept;
// The level a console request stores: 0..8 as asked, anything else 9.
inline int32_t boundedVerboseLevel(int32_t requested) noexcept {
  return requested >= 0 && requested <= 8 ? requested : 9;
}
inline bool verboseAt(int32_t level) noexcept { return verboseLevel() == level; }
inline bool verboseFrom(int32_t level) noexcept { return verboseLevel() >= level; }

}  // namespace corvel
