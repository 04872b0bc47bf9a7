#include "corvel/traffic/rate_pacing.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "corvel/base/text_error.h"

namespace corvel {

namespace {

constexpr int64_t kMicro = 1000000;
// Frames per second are counted in thousandths.
constexpr int64_t kFpsScale = 1000;

const char* unitName(RateUnit unit) {
  switch (unit) {
    case RateUnit::Mbps:
      return "mbps";
    case RateUnit::Fps:
      return "fps";
    case RateUnit::Percent:
      return "percent";
  }
  return "";
}

const char* unitWord(RateUnit unit) {
  switch (unit) {
    case RateUnit::Mbps:
      return "Mbps";
    case RateUnit::Fps:
      return "frames per second";
    case RateUnit::Percent:
      return "percent";
  }
  return "";
}

std::string number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.10g", value);
  return text;
}

std::string attribute(const RateRequest& request) {
  return std::string("rate ") + unitName(request.unit) + "=\"" + request.text + "\"";
}

[[noreturn]] void unreachable(const RateRequest& request, const std::string& limit) {
  throw TextError(attribute(request) + " cannot be reached: the port carries at most " + limit);
}

// The value in whole units of `scale` per user unit, refused when it is not
// a positive number or rounds to nothing; a value beyond any port's reach
// gives the largest count instead of an overflowing conversion.
int64_t scaled(const RateRequest& request, double scale) {
  if (!std::isfinite(request.value) || request.value <= 0.0)
    throw TextError(attribute(request) + " is not a positive number");
  const double units = request.value * scale;
  if (!(units < 9.0e18)) return std::numeric_limits<int64_t>::max();
  const auto rounded = static_cast<int64_t>(std::llround(units));
  if (rounded <= 0)
    throw TextError(attribute(request) + " is below the slowest rate the port paces, " + number(1.0 / scale) + " " +
                    unitWord(request.unit));
  return rounded;
}

}  // namespace

RateProfile makeRateProfile(const RateRequest& request, int32_t lineRateMbps, int32_t busMegahertz) {
  if (busMegahertz <= 0)
    throw TextError(attribute(request) + " needs the port's clock, which the host gave as " +
                    std::to_string(busMegahertz) + " MHz");
  // One byte per cycle: the most any port carries, whatever its line.
  const int64_t clockBps = 8 * static_cast<int64_t>(busMegahertz) * kMicro;
  const bool lineKnown = lineRateMbps > 0;
  const int64_t limitBps = lineKnown ? std::min<int64_t>(clockBps, lineRateMbps * kMicro) : clockBps;
  const int64_t cyclesPerSecond = static_cast<int64_t>(busMegahertz) * kMicro;
  RateProfile profile;
  switch (request.unit) {
    case RateUnit::Mbps: {
      const int64_t bps = scaled(request, kMicro);
      if (bps > limitBps) unreachable(request, number(static_cast<double>(limitBps) / kMicro) + " Mbps");
      profile.byteCost = 8 * cyclesPerSecond;
      profile.unitsPerCycle = bps;
      break;
    }
    case RateUnit::Percent: {
      if (!lineKnown)
        throw TextError(attribute(request) + " needs the port's line rate, which the host gave as " +
                        std::to_string(lineRateMbps) + " Mbps");
      // Hundredths of a percent of a line in Mbps: bits per second.
      const int64_t bps = scaled(request, static_cast<double>(lineRateMbps) * 1e4);
      if (bps > limitBps)
        unreachable(request, number(100.0 * static_cast<double>(limitBps) / (lineRateMbps * 1e6)) +
                                 " percent of its line rate of " + std::to_string(lineRateMbps) + " Mbps");
      profile.byteCost = 8 * cyclesPerSecond;
      profile.unitsPerCycle = bps;
      break;
    }
    case RateUnit::Fps: {
      const int64_t thousandths = scaled(request, kFpsScale);
      // Even frames of one byte cannot go faster than the line's bytes.
      if (thousandths > limitBps / 8 * kFpsScale)
        unreachable(request, number(static_cast<double>(limitBps / 8)) + " frames per second");
      profile.frameCost = cyclesPerSecond * kFpsScale;
      profile.unitsPerCycle = thousandths;
      break;
    }
  }
  return profile;
}

int32_t RatePacer::gapCycles(size_t lengthBytes, bool& late) noexcept {
  const auto length = static_cast<__int128>(lengthBytes);
  const __int128 units = _profile.unitsPerCycle;
  _owed += _profile.frameCost + _profile.byteCost * length - length * units;
  late = _owed < 0;
  if (late) {
    _owed = std::max(_owed, -units * kMaxDebtCycles);
    return 0;
  }
  const __int128 gap = std::min<__int128>(_owed / units, std::numeric_limits<int32_t>::max());
  _owed -= gap * units;
  return static_cast<int32_t>(gap);
}

}  // namespace corvel
