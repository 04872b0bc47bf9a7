#include "corvel/traffic/bit_error_injector.h"

#include <algorithm>

namespace corvel {

namespace {

// The probability that a clean bit is followed by a burst start. A cycle of
// the process is one guard bit, a geometric number of further clean bits
// (mean (1 - q) / q) and a burst of mean length L, so the flipped share is
// L / (1/q + L); solving for the configured rate gives q. Rates above
// L / (1 + L) cannot keep a clean bit between bursts and saturate there.
double burstStartProbability(double rate, int32_t maxBurstLength) {
  const double meanBurst = (1.0 + maxBurstLength) / 2.0;
  if (rate >= 1.0) return 1.0;
  return std::clamp(rate / (meanBurst * (1.0 - rate)), 1e-12, 1.0);
}

}  // namespace

BitErrorInjector::BitErrorInjector(double rate, int32_t maxBurstLength, uint64_t seed)
    : _random(seed),
      _gap(burstStartProbability(rate, std::max(maxBurstLength, 1))),
      _burst(1, std::max(maxBurstLength, 1)),
      _enabled(rate > 0.0 && maxBurstLength > 0) {
  if (_enabled) _cleanBits = _gap(_random);
}

void BitErrorInjector::scheduleNext() {
  _burstBits = _burst(_random);
}

uint8_t BitErrorInjector::apply(uint8_t byte) {
  if (!_enabled) return byte;
  if (_burstBits == 0 && _cleanBits >= 8) {
    _cleanBits -= 8;  // the common case: a whole clean byte
    return byte;
  }
  for (int bit = 7; bit >= 0; --bit) {
    if (_burstBits == 0) {
      if (_cleanBits > 0) {
        --_cleanBits;
        continue;
      }
      scheduleNext();
    }
    byte = static_cast<uint8_t>(byte ^ (1u << bit));
    ++_flipped;
    if (--_burstBits == 0) _cleanBits = 1 + _gap(_random);  // at least one clean bit between bursts
  }
  return byte;
}

}  // namespace corvel
