#include "corvel/police/upc_cbr1.h"

namespace corvel {

UPC_CBR1::UPC_CBR1(int32_t dataRateMbps, int32_t busFrequencyMHz, const PrintUtility& printer)
    : Policing(1, dataRateMbps, busFrequencyMHz, printer) {
  setTrafficClass(0, 0);
}

bool UPC_CBR1::isCellConformant(uint32_t cycle, int32_t frameSize, bool* late) {
  const uint64_t now = _timeline.advance(cycle);
  setFrameSize(frameSize);
  const bool conforming = gcra().isCellConformant(late, now);
  updateBandwidth(now, frameSize);
  return conforming;
}

bool UPC_CBR1::isFlowConformant(bool* flagA, bool* flagB, const PolicedPdu&) {
  if (flagA != nullptr) *flagA = false;
  if (flagB != nullptr) *flagB = true;
  return false;
}

bool UPC_CBR1::conforms(uint32_t cycle, int32_t sizeBytes, int64_t& waitNs) {
  const uint64_t now = _timeline.advance(cycle);
  setFrameSize(sizeBytes);
  double waitCycles = 0.0;
  const bool conforming = gcra().check(now, nullptr, &waitCycles);
  if (conforming) gcra().advance(now);
  waitNs = conforming ? 0 : waitNanoseconds(waitCycles, busFrequency());
  return conforming;
}

}  // namespace corvel
