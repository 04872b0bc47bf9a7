#include "corvel/police/virtual_scheduling_gcra.h"

#include "corvel/base/print_utility.h"
#include "corvel/base/verbose.h"
#include "corvel/police/police_time.h"

namespace corvel {

namespace {
// With no limit configured a cell a few cycles early still conforms: the
// cycle values the host hands over are quantised to its byte calls.
constexpr double kNoLimitToleranceCycles = 8.0;
}  // namespace

VirtualScheduling_GCRA::VirtualScheduling_GCRA(int32_t busFrequencyMHz, const PrintUtility& printer)
    : _busFrequencyMHz(busFrequencyMHz), _printer(&printer) {}

void VirtualScheduling_GCRA::set_Increment(double ns) {
  if (ns < 0.0) {
    _printer->print("Corvel> aIncrement value negative\n");
    return;
  }
  _increment = ns;
  _incrementCycles = nanosecondsToCycles(ns, _busFrequencyMHz);
}

void VirtualScheduling_GCRA::set_Limit(double ns) {
  if (ns < 0.0) {
    _printer->print("Corvel> aLimit value negative\n");
    return;
  }
  _limit = ns;
  _limitCycles = nanosecondsToCycles(ns, _busFrequencyMHz);
}

bool VirtualScheduling_GCRA::check(uint64_t now, bool* late, double* waitCycles) const {
  const double tak = static_cast<double>(now);
  const double tat = _seen ? _TAT : tak;  // the first cell starts the schedule
  const double limit = _limitCycles;
  bool isLate = false;
  bool conforming = true;
  if (tak > tat) {
    isLate = tak > tat + limit;
  } else if (tak + limit >= tat) {
  } else if (limit == 0.0 && tat - tak <= kNoLimitToleranceCycles) {
  } else {
    conforming = false;
  }
  if (late != nullptr) *late = isLate;
  if (waitCycles != nullptr) *waitCycles = conforming ? 0.0 : tat - limit - tak;
  if (verboseFrom(8)) {
    if (conforming && tak > tat) {
      _printer->print("Corvel> Cell is conforming (_TAT < tak)...\n");
      if (isLate) _printer->print("Corvel> **** Cell is Late **** (tak > (_TAT + _Limit))...\n");
    } else if (conforming) {
      _printer->print("Corvel> Cell is conforming (_TAT  <= (tak + _Limit))...\n");
    } else {
      _printer->print("Corvel> Cell is *NOT* conforming ***...\n");
    }
    _printer->print("Corvel> _TAT              = %.2f\n", tat);
    _printer->print("Corvel> tak               = %.2f\n", tak);
    _printer->print("Corvel> limit_InSimCycles = %.2f\n", limit);
  }
  return conforming;
}

void VirtualScheduling_GCRA::advance(uint64_t now) {
  const double tak = static_cast<double>(now);
  if (!_seen || tak > _TAT) _TAT = tak;
  _seen = true;
  _TAT += _incrementCycles;
  if (verboseFrom(8)) _printer->print("Corvel> Next Theoritical-Arrival-Time in Cycles (_TAT) = %.2f\n", _TAT);
}

bool VirtualScheduling_GCRA::isCellConformant(bool* late, uint64_t now) {
  const bool conforming = check(now, late, nullptr);
  if (conforming) advance(now);
  return conforming;
}

}  // namespace corvel
