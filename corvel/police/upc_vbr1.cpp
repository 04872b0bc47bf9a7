#include "corvel/police/upc_vbr1.h"

#include <algorithm>

#include "corvel/base/print_utility.h"
#include "corvel/base/text_error.h"
#include "corvel/base/verbose.h"

namespace corvel {

namespace {
constexpr const char* kScrAbovePcr = "SCR must be Less than the Peak Cell Rate";
}  // namespace

UPC_VBR1::UPC_VBR1(int32_t dataRateMbps, int32_t busFrequencyMHz, const PrintUtility& printer)
    : Policing(1, dataRateMbps, busFrequencyMHz, printer) {
  setTrafficClass(1, 0);
}

void UPC_VBR1::set_SCR(double kbps) {
  refuseWhenInitialized();
  if (!(kbps >= 0.0)) return;  // ignored, not refused: GcraTest.NegativeRatesIgnored
  if (PCR() > 0.0 && kbps > PCR()) throw TextError(kScrAbovePcr);
  _scrIncrement = kbps;
  _programmedSize = -1;
}

void UPC_VBR1::set_BT(double microseconds) {
  refuseWhenInitialized();
  if (!(microseconds >= 0.0)) return;
  _btLimit = microseconds;
  _programmedSize = -1;
}

void UPC_VBR1::set_MBS(int32_t cells) {
  refuseWhenInitialized();
  _mbs = cells < 1 ? 1 : cells;
  _programmedSize = -1;
}

double UPC_VBR1::burstTolerance() const {
  if (_btLimit >= 0.0) return _btLimit;
  if (_scrIncrement <= 0.0) return 0.0;
  // (MBS - 1)(1/SCR - 1/PCR) in frame times: bits / Kbps = ms.
  const double bits = frameSize() * 8.0;
  const double peakMs = PCR() > 0.0 ? bits / PCR() : 0.0;
  return (_mbs - 1) * (bits / _scrIncrement - peakMs) * 1000.0;
}

VirtualScheduling_GCRA& UPC_VBR1::sustained() {
  if (!_gcra2) _gcra2.emplace(busFrequency(), printer());
  if (_programmedSize != frameSize()) {
    _programmedSize = frameSize();
    const double bits = frameSize() * 8.0;
    // SCR 0 sets no sustained limit.
    _gcra2->set_Increment(_scrIncrement > 0.0 ? bits / _scrIncrement * 1.0e6 : 0.0);
    _gcra2->set_Limit((burstTolerance() + CDVT()) * 1000.0);
  }
  return *_gcra2;
}

bool UPC_VBR1::initializeImpl() {
  if (PCR() > 0.0 && _scrIncrement > PCR()) throw TextError(kScrAbovePcr);
  if (_gcra2) return false;
  sustained();
  return true;
}

bool UPC_VBR1::decide(uint32_t cycle, int32_t frameSize, bool* late, double* waitCycles, uint64_t* now) {
  *now = _timeline.advance(cycle);
  setFrameSize(frameSize);
  double wait1 = 0.0;
  if (!gcra().check(*now, late, &wait1)) {
    if (verboseFrom(5)) printer().print("Corvel> VBR1 Cell Non-Conformant to GCRA (1) ...\n");
    if (waitCycles != nullptr) *waitCycles = wait1;
    return false;
  }
  if (verboseFrom(5)) printer().print("Corvel> VBR1 Cell Conformant to GCRA (1) ...\n");
  bool late2 = false;
  double wait2 = 0.0;
  const bool conforming = sustained().check(*now, &late2, &wait2);
  if (late != nullptr) *late = *late || late2;
  if (verboseFrom(5)) {
    printer().print(conforming ? "Corvel> VBR1 Cell Conformant to GCRA (2) ...\n"
                               : "Corvel> VBR1 Cell Non-Conformant to GCRA (2) ...\n");
  }
  if (waitCycles != nullptr) *waitCycles = wait2;
  return conforming;
}

bool UPC_VBR1::isCellConformant(uint32_t cycle, int32_t frameSize, bool* late) {
  uint64_t now = 0;
  const bool conforming = decide(cycle, frameSize, late, nullptr, &now);
  if (conforming) {
    gcra().advance(now);
    sustained().advance(now);
  }
  updateBandwidth(now, frameSize);
  return conforming;
}

bool UPC_VBR1::isFlowConformant(bool* flagA, bool* flagB, const PolicedPdu&) {
  if (flagA != nullptr) *flagA = false;
  if (flagB != nullptr) *flagB = false;
  return true;
}

bool UPC_VBR1::conforms(uint32_t cycle, int32_t sizeBytes, int64_t& waitNs) {
  uint64_t now = 0;
  double waitCycles = 0.0;
  const bool conforming = decide(cycle, sizeBytes, nullptr, &waitCycles, &now);
  if (conforming) {
    gcra().advance(now);
    sustained().advance(now);
    waitNs = 0;
  } else {
    waitNs = waitNanoseconds(waitCycles, busFrequency());
  }
  return conforming;
}

void UPC_VBR1::printDescriptors() const {
  printer().print("Corvel>  Vbr Police:\n");
  printer().print("Corvel>    SCR         = %.2f Kbps\n", _scrIncrement);
  printer().print("Corvel>    BT          = %.2f MicroSec\n", burstTolerance());
}

void UPC_VBR1::restartFlow() {
  Policing::restartFlow();
  if (_gcra2) _gcra2->restart();
}

}  // namespace corvel
