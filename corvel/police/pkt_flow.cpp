#include "corvel/police/pkt_flow.h"

#include <limits>

#include "corvel/base/print_utility.h"
#include "corvel/base/text_error.h"

namespace corvel {

namespace {
constexpr const char* kFrozen = "cannot set the maximum PCR since the police descriptor is already initialized.";
}  // namespace

PKT_FLOW::PKT_FLOW(int32_t dataRateMbps, int32_t busFrequencyMHz, const PrintUtility& printer)
    : Policing(2, dataRateMbps, busFrequencyMHz, printer) {}

void PKT_FLOW::set_PCRmax(double kbps) {
  if (initialized()) throw TextError(kFrozen);
  if (!(PCR() <= kbps && kbps <= dataRate() * 1000.0)) {
    throw TextError("maximum PCR must be between the PCR rate and the max port rate");
  }
  _pcrMax = kbps;
}

void PKT_FLOW::set_PCRmin(double kbps) {
  if (initialized()) throw TextError(kFrozen);
  if (!(0.0 < kbps && kbps <= PCR())) throw TextError("minimum PCR must be between 1 and the PCR rate.");
  _pcrMin = kbps;
}

bool PKT_FLOW::initializeImpl() {
  if (initialized()) throw TextError("FLOW descriptor is already initialized.");
  return true;
}

bool PKT_FLOW::isCellConformant(uint32_t, int32_t, bool* late) {
  if (late != nullptr) *late = false;
  return false;
}

bool PKT_FLOW::isFlowConformant(bool* flagA, bool* flagB, const PolicedPdu& pdu) {
  if (!initialized()) {
    throw TextError("cannot check flow conformance because the police descriptor is uninitialized.");
  }
  bool a = false;
  bool b = false;
  const bool first = !_timeline.seen();
  const uint64_t lastByte = _timeline.advance(pdu.lastByteCycle);
  const uint64_t firstByte = lastByte - static_cast<uint32_t>(pdu.lastByteCycle - pdu.firstByteCycle);
  bool conforming = false;
  if (first) {
    _flow.start(firstByte, pdu.carriedBytes);
    _previousFirstByte = firstByte;
  } else {
    const double f = busFrequency();  // cycles per microsecond
    const uint64_t sinceFirst = firstByte - _flow.firstPduTime;
    _sincePreviousCycles = firstByte - _previousFirstByte;
    _backToBackBytes = _flow.previousCarriedBytes;
    // bits per microsecond x 1000 = Kbps; PDUs with no time between them
    // arrive faster than any rate.
    double rateKbps = std::numeric_limits<double>::infinity();
    if (sinceFirst > 0) rateKbps = f * (_flow.bytesBefore() * 8.0) / sinceFirst * 1000.0;
    _rateKbps = sinceFirst > 0 ? rateKbps : -1.0;
    _figuresDue = true;
    conforming = _pcrMin <= rateKbps && rateKbps <= PCRmax();
    if (!conforming) {
      b = PCR() > rateKbps;
      a = PCR() < rateKbps;
      _flow.noteEarlyLate(flagACount() == 0 && flagBCount() == 0, pdu.firstByteCycle);
    }
    _previousFirstByte = firstByte;
    _flow.next(pdu.carriedBytes);
  }
  if (flagA != nullptr) *flagA = a;
  if (flagB != nullptr) *flagB = b;
  return conforming;
}

void PKT_FLOW::updateFigures() {
  if (!_figuresDue) return;
  _figuresDue = false;
  const double f = busFrequency();
  if (_sincePreviousCycles > 0) _back2backBandwidth = f * (_backToBackBytes * 8.0) / _sincePreviousCycles;
  if (_rateKbps >= 0.0) _averageBandwidth = _rateKbps * 0.001;
}

void PKT_FLOW::printDescriptors() const {
  printer().print("Corvel>  Flow Police:\n");
  printer().print("Corvel>    PCRmax            = %.2f Kbps\n", PCRmax());
  printer().print("Corvel>    PCRmin            = %.2f Kbps\n", _pcrMin);
}

void PKT_FLOW::printStatistics() const {
  printFlowCounts(printer(), *this);
  printer().print("Corvel>   PCR                       = %.2f Mbps\n", PCR() * 0.001);
  printer().print("Corvel>   PCRmin                    = %.2f Mbps\n", _pcrMin * 0.001);
  printer().print("Corvel>   PCRmax                    = %.2f Mbps\n", PCRmax() * 0.001);
  printer().print("Corvel>   First Early/Late time     = %d Cycles\n", static_cast<int32_t>(_flow.firstEarlyLateCycle));
  printer().print("Corvel>   Frame average bandwidth   = %.2f Mbps\n", averageBandwidth());
  printer().print("Corvel>   Frame Back2Back bandwidth = %.2f Mbps\n", back2backBandwidth());
}

void PKT_FLOW::reset() {
  _pcrMax = _pcrMin = 0.0;
  restartFlow();
}

void PKT_FLOW::restartFlow() {
  Policing::restartFlow();
  _flow.restart();
  _previousFirstByte = 0;
  _figuresDue = false;
}

}  // namespace corvel
