#include "corvel/base/random.h"

namespace corvel {

namespace {
uint32_t g_state = 1;
}

void Random::seed(uint32_t value) noexcept { g_state = value; }

int32_t Random::next() noexcept {
  g_state = g_state * 214013u + 2531011u;
  return static_cast<int32_t>((g_state >> 16) & 0x7fffu);
}

int32_t Random::uniform(int32_t min, int32_t max) noexcept {
  // Always takes one value, so every draw advances the shared sequence alike.
  const int32_t r = next();
  if (max <= min) return min;
  const int64_t span = static_cast<int64_t>(max) - min + 1;
  return static_cast<int32_t>(r % span + min);
}

}  // namespace corvel
