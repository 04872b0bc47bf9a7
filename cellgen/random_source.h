// The pseudo-random generator of RND ports: the classic linear congruential
// sequence (state * 214013 + 2531011, bits 16..30 as the result), kept per
// port so that a test can give it a known seed.
#ifndef CELLGEN_RANDOM_SOURCE_H
#define CELLGEN_RANDOM_SOURCE_H

#include <cstdint>

namespace cellgen {

class RandomSource {
 public:
  explicit RandomSource(std::uint32_t seed = 1) : _state(seed) {}
  void seed(std::uint32_t value) { _state = value; }
  // 0 .. 32767
  std::uint32_t next() {
    _state = _state * 214013u + 2531011u;
    return (_state >> 16) & 0x7FFFu;
  }

 private:
  std::uint32_t _state;
};

}  // namespace cellgen

#endif
