// The Generic Cell Rate Algorithm in its virtual-scheduling form (ATM Forum
// TM 4.1, GCRA(I, L)): a cell arriving at t_a conforms when t_a >= TAT - L;
// a conforming cell moves the theoretical arrival time to max(t_a, TAT) + I,
// a non-conforming one leaves it alone.
#pragma once

#include <cstdint>

namespace corvel {

class PrintUtility;

class VirtualScheduling_GCRA {
 public:
  VirtualScheduling_GCRA(int32_t busFrequencyMHz, const PrintUtility& printer);

  // Increment and limit in nanoseconds; a negative value is refused with a
  // console line and the old value stays.
  void set_Increment(double ns);
  void set_Limit(double ns);
  double increment() const noexcept { return _increment; }
  double limit() const noexcept { return _limit; }
  double incrementCycles() const noexcept { return _incrementCycles; }
  double limitCycles() const noexcept { return _limitCycles; }

  // The decision for a cell at `now` (a police time line, in cycles) without
  // committing it. `late` is set for a cell later than TAT + L; `waitCycles`
  // (when given) receives how long a non-conforming cell is early.
  bool check(uint64_t now, bool* late, double* waitCycles) const;
  // Commits a conforming cell at `now`: TAT = max(now, TAT) + I.
  void advance(uint64_t now);
  // check, then advance when conforming.
  bool isCellConformant(bool* late, uint64_t now);

  // Forgets every cell: the next one starts the schedule.
  void restart() noexcept { _seen = false; _TAT = 0.0; }
  bool seen() const noexcept { return _seen; }
  double TAT() const noexcept { return _TAT; }

 private:
  int32_t _busFrequencyMHz;
  const PrintUtility* _printer;
  double _increment = 0.0;  // ns
  double _limit = 0.0;      // ns
  double _incrementCycles = 0.0;
  double _limitCycles = 0.0;
  bool _seen = false;  // a cell has started the schedule
  double _TAT = 0.0;   // cycles on the owner's time line
};

}  // namespace corvel
