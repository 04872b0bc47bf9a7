// Bit errors on the bytes as they leave a receive port. Bursts of 1 to the
// maximum burst length consecutive bits are flipped, separated by at least
// one clean bit, with burst starts spaced so that over a long run the share
// of flipped bits equals the configured rate. The injector draws from a
// generator of its own: turning bit errors on changes no gap or payload draw.
#pragma once

#include <cstdint>
#include <random>

namespace corvel {

class BitErrorInjector {
 public:
  // rate 0..1, maxBurstLength 1..5; the seed makes runs repeatable.
  BitErrorInjector(double rate, int32_t maxBurstLength, uint64_t seed);

  // The byte as it goes out, bits counted most significant first.
  uint8_t apply(uint8_t byte);
  uint64_t flippedBits() const noexcept { return _flipped; }

 private:
  void scheduleNext();

  std::mt19937_64 _random;
  std::geometric_distribution<uint64_t> _gap;
  std::uniform_int_distribution<int32_t> _burst;
  uint64_t _cleanBits = 0;  // bits to pass before the next burst starts
  int32_t _burstBits = 0;   // bits of the current burst still to flip
  uint64_t _flipped = 0;
  bool _enabled;
};

}  // namespace corvel
