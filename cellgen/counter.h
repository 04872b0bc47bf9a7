// A frame counter of a generated stream: it runs from its start value to its
// end value one step per frame, up or down, and then starts over.
#ifndef CELLGEN_COUNTER_H
#define CELLGEN_COUNTER_H

#include <cstdint>

namespace cellgen {

struct Counter {
  std::uint32_t start = 0;
  std::uint32_t end = 0;
  std::uint32_t current = 0;
  int step = 0;  // +1 up, -1 down, 0 fixed

  Counter() = default;
  Counter(std::uint32_t startValue, std::uint32_t endValue)
      : start(startValue),
        end(endValue),
        current(startValue),
        step(endValue > startValue ? 1 : (endValue < startValue ? -1 : 0)) {}

  // Moves to the value of the next frame.
  void advance() {
    if (start == end) return;
    if (current == end)
      current = start;
    else
      current = step > 0 ? current + 1 : current - 1;
  }

  void restart() { current = start; }
};

}  // namespace cellgen

#endif
