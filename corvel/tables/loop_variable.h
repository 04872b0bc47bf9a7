// The variables of a loop table and how their values are written into
// entries.
#pragma once

#include <cstdint>
#include <string>

namespace corvel {

enum LoopVariableKind : int32_t {
  enLoopCounter = 0,       // a `for` element: advances with its level
  enCountingVariable = 1,  // a `loop` element: first..last, changed by var-opr
  enIntegerVariable = 2,   // a `var-def` element
  enIpv4Variable = 3,      // a `var-def-ip4-addr` element
};

// Operations of `var-opr` elements.
enum LoopOperationKind : int32_t {
  enOperationSet = 0,   // opr="set", to
  enOperationIncr = 1,  // opr="incr", by
};

struct LoopVariable {
  std::string name;
  int32_t level = 1;  // 1 for the outermost `for`
  LoopVariableKind kind = enIntegerVariable;
  // Counters and counting variables run from first to last in steps of
  // incr; an integer variable starts at `first`; an IPv4 variable keeps its
  // address as a 32-bit number in `first` and `value`.
  int64_t first = 0;
  int64_t last = 0;
  int64_t incr = 1;
  int32_t radix = 10;
  int64_t value = 0;

  // Back to the start value.
  void reset() noexcept { value = first; }

  // Steps a loop counter by its incr; true when it passed its last and
  // restarted at its first.
  bool step() noexcept;

  // A var-opr operation: "set" stores `amount`; "incr" adds it to an integer
  // or counting variable (a counting variable that leaves first..last
  // restarts at first) and moves an IPv4 address to the next address
  // whatever the amount (255.255.255.255 is followed by 0.0.0.0).
  void apply(LoopOperationKind operation, int64_t amount) noexcept;

  // Appends the value as entries show it: in the variable's radix (lower-case
  // digits; a negative value in a radix other than 10 as its 32-bit two's
  // complement), an IPv4 address as four decimal numbers joined by ".".
  void appendText(std::string& out) const;
};

// Appends `value` written in `radix` (2 to 36).
void appendInRadix(std::string& out, int64_t value, int32_t radix);

}  // namespace corvel
