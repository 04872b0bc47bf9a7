// The accounting of a PDU flow that the rate-window policer (PKT_FLOW) and
// the token buckets share: where the flow's window starts, the bytes carried
// in it (a PDU's bytes count once the next PDU arrives: the rate is that of
// the PDUs between the first and the current one), whether the current PDU
// is the flow's first, and the cycle of its first early or late PDU.
#pragma once

#include <cstdint>

namespace corvel {

struct FlowAccount {
  uint64_t firstPduTime = 0;  // the first PDU's first byte, on the flow's time line
  int64_t accumulatedBytes = 0;
  int32_t previousCarriedBytes = 0;
  uint32_t firstEarlyLateCycle = 0;
  bool firstOfFlow = true;

  // The flow's first PDU, whose first byte came at `firstByte`.
  void start(uint64_t firstByte, int32_t carriedBytes) noexcept {
    firstPduTime = firstByte;
    accumulatedBytes = 0;
    previousCarriedBytes = carriedBytes;
    firstOfFlow = true;
  }
  // The bytes the window holds when the current PDU arrives.
  int64_t bytesBefore() const noexcept { return previousCarriedBytes + accumulatedBytes; }
  // Notes the first early or late PDU of the flow (no flag counted yet).
  void noteEarlyLate(bool noFlagYet, uint32_t firstByteCycle) noexcept {
    if (noFlagYet) firstEarlyLateCycle = firstByteCycle - 1;
  }
  // The current PDU joins the window.
  void next(int32_t carriedBytes) noexcept {
    accumulatedBytes += previousCarriedBytes;
    previousCarriedBytes = carriedBytes;
    firstOfFlow = false;
  }
  void restart() noexcept { *this = FlowAccount{}; }
};

}  // namespace corvel
