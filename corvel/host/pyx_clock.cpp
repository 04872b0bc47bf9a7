#include "corvel/host/pyx_clock.h"

#include <memory>

#include "corvel/base/text_error.h"
#include "corvel/base/verbose.h"

namespace corvel {

namespace {
std::unique_ptr<PyxClock> g_clock;
}

PyxClock::PyxClock(PassKey) {
  if (verboseAt(5)) print("Corvel> PyxClock constructor enter...\n");
  if (verboseAt(5)) print("Corvel> PyxClock constructor exit...\n");
}

PyxClock::~PyxClock() {
  if (verboseAt(5)) print("Corvel> PyxClock destructor enter...\n");
  if (verboseAt(5)) print("Corvel> PyxClock destructor exit...\n");
}

PyxClock* PyxClock::getInstance(bool& created) {
  created = false;
  if (!g_clock) {
    g_clock = std::make_unique<PyxClock>(PassKey{});
    created = true;
  }
  PyxClock& clock = *g_clock;
  if (verboseAt(5)) clock.print("Corvel> PyxClock::getInstance enter...\n");
  if (created) clock.setSimFrequency(kInitialFrequencyMhz);
  if (verboseAt(5)) clock.print("Corvel> PyxClock::getInstance exit...\n");
  return &clock;
}

void PyxClock::destroyInstance() noexcept { g_clock.reset(); }

uint32_t PyxClock::getPyxCycleCount() const {
  if (verboseAt(5)) {
    print("Corvel> PyxClock::getPyxCycleCount enter...\n");
    print("Corvel> Returning PyxClock value = %d...\n", static_cast<int>(_cycleCount));
    print("Corvel> PyxClock::getPyxCycleCount exit...\n");
  }
  return _cycleCount;
}

void PyxClock::setPyxCycleCount(uint32_t cycle) {
  if (verboseAt(8)) {
    print("Corvel> PyxClock::setPyxCycleCount enter...\n");
    print("Corvel> PyxClock::setPyxCycleCount setting cycle count = %d...\n",
          static_cast<int>(cycle));
  }
  _cycleCount = cycle;
  if (verboseAt(8)) print("Corvel> PyxClock::setPyxCycleCount exit...\n");
}

void PyxClock::setSimFrequency(int32_t mhz) {
  if (verboseAt(9)) print("Corvel> PyxClock::setSimFrequency enter...\n");
  if (mhz < _minFrequency || mhz > _maxFrequency) {
    print("Corvel> PyxClock::setSimFrequency Frequency of %d is out of bounds minfrq = %d "
          "maxfrq = %d..\n",
          mhz, _minFrequency, _maxFrequency);
    throw TextError("Sim Frequency: Out of Bounds");
  }
  _simFrequency = mhz;
  _aCycle = (1.0 / mhz) * 1000.0;
  if (verboseAt(9)) {
    print("Corvel> PyxClock::setSimFrequency setting sim freq = %d...\n", mhz);
    print("Corvel> PyxClock::setSimFrequency A cycle costs %f nanosecs..\n", _aCycle);
    print("Corvel> PyxClock::setSimFrequency exit...\n");
  }
}

double PyxClock::getaCycleNanosecs() const {
  if (verboseAt(8)) {
    print("Corvel> PyxClock::getaCycleNanosecs enter...\n");
    print("Corvel> Returning _aCycle value = %f...\n", _aCycle);
    print("Corvel> PyxClock::getaCycleNanosecs exit...\n");
  }
  return _aCycle;
}

double PyxClock::convertNanoSecs2SimCycles(double nanoseconds) const {
  if (verboseAt(5))
    print("Corvel> PyxClock::convertNanoSecs2SimCycles aNanosecs = %f enter...\n", nanoseconds);
  double cycles = 0.0;
  try {
    // Also refuses zero, so the division below can never divide by it.
    if (_aCycle <= 0.0) throw TextError("PyxClock::convert2SimCycle _aCycle value is <= to zero...");
    cycles = nanoseconds / _aCycle;
  } catch (const TextError& e) {
    print("Corvel> ERROR: Exception in PyxClock::convert2SimCycle: [%s]\n", e.text());
    throw;
  }
  if (verboseAt(5)) {
    print("Corvel> PyxClock::convert2SimCycles simcycles = %f \n", cycles);
    print("Corvel> PyxClock::convertNanoSecs2SimCycles exit...\n");
  }
  return cycles;
}

}  // namespace corvel
