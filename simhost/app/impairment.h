// The processor stand-in misbehaving on purpose on the frames one receive
// port forwards: each frame may be lost, sent twice, sent after the frame
// that follows it, have one bit flipped, and be held back a number of cycles
// (frames keep their order). Every draw comes from a generator of the
// impairment's own, so the same seed gives the same run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pyxsim {

struct ImpairmentSettings {
  double loss = 0.0;  // probabilities per frame, 0 to 1
  double duplicate = 0.0;
  double reorder = 0.0;
  double corrupt = 0.0;
  uint64_t delayMinCycles = 0;
  uint64_t delayMaxCycles = 0;
  uint64_t seed = 0;

  // "loss 0.05 seed 7": the settings given, as the command takes them.
  std::string text() const;
};

// What an impairment did to a port's frames: the independent record the
// verifier's counts are checked against. A duplicated frame counts once in
// `duplicated` (its extra copy); `corrupted` counts the copies sent with a
// flipped bit; `reordered` the frames that went out after a later one.
struct ImpairmentCounts {
  uint64_t lost = 0;
  uint64_t duplicated = 0;
  uint64_t reordered = 0;
  uint64_t corrupted = 0;

  ImpairmentCounts& operator+=(const ImpairmentCounts& other);
};

// The fate of one frame. Every frame takes the same draws whatever is
// decided, so one setting changed leaves the others' choices as they were.
struct FrameFate {
  bool lose = false;
  bool duplicate = false;
  bool reorder = false;
  bool corrupt = false;
  size_t corruptByte = 0;
  uint8_t corruptMask = 0;
  uint64_t delayCycles = 0;
};

class Impairment {
 public:
  explicit Impairment(const ImpairmentSettings& settings);

  const ImpairmentSettings& settings() const { return settings_; }
  // The fate of the next frame, `length` bytes long (at least 1).
  FrameFate next(size_t length);

 private:
  uint64_t draw();
  // Uniform in [0, 1), from the top 53 bits of a draw.
  double unit();
  // Uniform in [0, bound), bound > 0.
  uint64_t below(uint64_t bound);

  ImpairmentSettings settings_;
  uint64_t state_;
};

// Reads the words after RXDEV RXPORT of the impair command: any of
// "loss P", "duplicate P", "reorder P", "corrupt P", "delay MIN MAX",
// "seed N", each at most once. Throws CommandError naming the word at fault.
ImpairmentSettings parseImpairment(const std::vector<std::string>& words);

}  // namespace pyxsim
