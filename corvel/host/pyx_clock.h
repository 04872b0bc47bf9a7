// The process-wide simulation clock: the host's current cycle and the
// simulation frequency, and the conversion from nanoseconds to host cycles
// used by policing and shaping.
#pragma once

#include <cstdint>

#include "corvel/base/print_utility.h"

namespace corvel {

class PyxClock : public PrintUtility {
 public:
  static constexpr int32_t kInitialFrequencyMhz = 66;

  // The clock, created on the first call at 66 MHz (created = true then).
  static PyxClock* getInstance(bool& created);
  // Destroys the clock; the next getInstance creates a new one.
  static void destroyInstance() noexcept;

  ~PyxClock() override;

  uint32_t getPyxCycleCount() const;
  void setPyxCycleCount(uint32_t cycle);

  int32_t simFrequency() const noexcept { return _simFrequency; }
  // Accepts 1..366 MHz; otherwise reports and throws "Sim Frequency: Out of Bounds".
  void setSimFrequency(int32_t mhz);

  // Nanoseconds per cycle: 1000 / MHz, -1.0 before a frequency is set.
  double getaCycleNanosecs() const;
  // Nanoseconds / nanoseconds-per-cycle, unrounded; throws without a frequency.
  double convertNanoSecs2SimCycles(double nanoseconds) const;

 private:
  struct PassKey {};

 public:
  // Only getInstance can make the key.
  explicit PyxClock(PassKey);

 private:

  uint32_t _cycleCount = 0;
  int32_t _simFrequency = -1;
  int32_t _minFrequency = 1;
  int32_t _maxFrequency = 366;
  double _aCycle = -1.0;
};

}  // namespace corvel
