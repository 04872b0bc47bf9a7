// Pacing a receive port at a rate given in user units: megabits per second,
// frames per second, or a share of the port's line rate. Three layers, as a
// meter is built: the request in user units, a profile worked out once when
// the port is configured (integers only), and a pacer that gives the gap
// after each frame with two multiplications and one division.
//
// The host delivers one byte per cycle and starts the next frame `gap`
// cycles after the cycle following a frame's last byte, so a frame of L
// bytes followed by gap g takes L + g cycles from its first byte to the next
// frame's. The pacer owes each frame its share of the run in units of
// 1/`unitsPerCycle` cycle and carries what a whole gap cannot pay, so that
// rounding never drifts: after N frames the run is within one cycle of the
// exact figure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace corvel {

enum class RateUnit { Mbps, Fps, Percent };

// The rate as the TCS file gives it.
struct RateRequest {
  RateUnit unit = RateUnit::Mbps;
  double value = 0.0;
  std::string text;  // the attribute's value as written, for messages
};

// A frame of L bytes is owed (frameCost + byteCost * L) / unitsPerCycle
// cycles from its first byte to the next frame's.
struct RateProfile {
  int64_t frameCost = 0;
  int64_t byteCost = 0;
  int64_t unitsPerCycle = 1;

  bool operator==(const RateProfile&) const = default;
};

// The profile of `request` on a port of `lineRateMbps` (0 or less: not
// known) clocked at `busMegahertz`; throws a TextError naming the value
// when the rate is not a positive number or cannot be reached.
RateProfile makeRateProfile(const RateRequest& request, int32_t lineRateMbps, int32_t busMegahertz);

class RatePacer {
 public:
  explicit RatePacer(const RateProfile& profile) noexcept : _profile(profile) {}

  // The gap in cycles after a frame of `lengthBytes`. A frame longer than
  // its share gets no gap and its excess is taken from the next gaps (up
  // to kMaxDebtCycles), which also answers `late`.
  int32_t gapCycles(size_t lengthBytes, bool& late) noexcept;

  static constexpr int64_t kMaxDebtCycles = 1 << 20;

 private:
  RateProfile _profile;
  // Cycles owed to the run, in units of 1/unitsPerCycle: the remainder a
  // whole gap could not pay (0 .. unitsPerCycle-1), or a debt (negative).
  __int128 _owed = 0;
};

}  // namespace corvel
