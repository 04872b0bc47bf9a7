#include "corvel/police/policing.h"

#include <cmath>
#include <limits>

#include "corvel/base/print_utility.h"
#include "corvel/base/text_error.h"
#include "corvel/base/verbose.h"

namespace corvel {

namespace {
constexpr const char* kFrozen = "Cannot change parameter because the policy object is initialized";
}  // namespace

int64_t waitNanoseconds(double cycles, int32_t busFrequencyMHz) noexcept {
  if (!(cycles > 0.0)) return 0;
  const double ns = std::ceil(cyclesToNanoseconds(cycles, busFrequencyMHz));
  if (!(ns < 9.2e18)) return std::numeric_limits<int64_t>::max();
  return static_cast<int64_t>(ns);
}

Policing::Policing(int32_t conformanceType, int32_t dataRateMbps, int32_t busFrequencyMHz,
                   const PrintUtility& printer)
    : _dataRate(dataRateMbps), _printer(&printer), _busFrequency(busFrequencyMHz) {
  if (dataRateMbps < 1) throw TextError("Data rate cannot be <= 0.");
  if (dataRateMbps >= 65535) throw TextError("Data rate cannot be > 65535Mbps.");
  if (busFrequencyMHz < kMinBusFrequencyMHz || busFrequencyMHz > kMaxBusFrequencyMHz) {
    throw TextError("Bus frequency must be between 1 and 366 MHz.");
  }
  if (conformanceType >= 0 && conformanceType <= 4) {
    _conformanceType = conformanceType;
  } else if (verboseFrom(2)) {
    _printer->print("Corvel> Invalid Conformance type received. ...\n");
  }
}

Policing::Policing(const Policing& other) = default;

std::unique_ptr<Policing> Policing::clone() const {
  if (_initialized) throw TextError("Illegal copy of an initialized police object");
  auto copy = duplicate();
  copy->restartFlow();
  return copy;
}

std::unique_ptr<Policing> Policing::instantiate() const {
  auto copy = duplicate();
  copy->restartFlow();
  return copy;
}

bool Policing::isShapeCellConformant(uint32_t, int32_t, bool* conform, int64_t* gapNs) {
  if (conform != nullptr) *conform = false;
  if (gapNs != nullptr) *gapNs = 0;
  return false;
}

void Policing::refuseWhenInitialized() const {
  if (_initialized) throw TextError(kFrozen);
}

void Policing::setTrafficClass(int32_t trafficType, int32_t subtype) {
  refuseWhenInitialized();
  if (trafficType < 0 || trafficType > 4) throw TextError("Illegal Traffic Type \n");
  if (trafficType == 4 && (subtype < 0 || subtype > 15)) throw TextError("Illegal Traffic Type \n");
  _trafficType = trafficType;
  _subtype = trafficType == 4 ? subtype : 0;
}

void Policing::set_PCR(double kbps) {
  refuseWhenInitialized();
  if (!(kbps >= 0.0)) return;  // ignored, not refused: GcraTest.NegativeRatesIgnored
  _pcr = kbps;
  // A frame of n bytes takes n * 8 / PCR ms at the peak rate; PCR 0 is no peak limit.
  _nsPerByteAtPcr = kbps > 0.0 ? 8.0e6 / kbps : 0.0;
  programGcra();
}

void Policing::set_CDVT(double microseconds) {
  refuseWhenInitialized();
  if (!(microseconds >= 0.0)) return;  // ignored, not refused: GcraTest.NegativeRatesIgnored
  _cdvt = microseconds;
  programGcra();
}

void Policing::programGcra() {
  if (!_gcra) return;
  _gcra->set_Limit(_cdvt * 1000.0);
  _gcra->set_Increment(_nsPerByteAtPcr * _frameSize);
}

VirtualScheduling_GCRA& Policing::gcra() {
  if (!_gcra) {
    _gcra.emplace(_busFrequency, *_printer);
    programGcra();
  }
  return *_gcra;
}

void Policing::setFrameSize(int32_t sizeBytes) {
  if (sizeBytes == _frameSize && _gcra) return;  // the GCRA is already programmed for it
  _frameSize = sizeBytes < 0 ? 0 : sizeBytes;
  programGcra();
}

void Policing::initialize() {
  if (_initialized) return;
  if (usesGcra()) gcra();
  if (initializeImpl()) _initialized = true;
}

void Policing::record(bool conformant, bool flagA, bool flagB) {
  updateFigures();
  _lastDecision = conformant;
  _lastFlagA = flagA;
  _lastFlagB = flagB;
  ++(conformant ? _conformingCount : _nonConformingCount);
  if (flagA) ++_flagACount;
  if (flagB) ++_flagBCount;
}

void Policing::print() const {
  _printer->print("Corvel>  Police Descriptors:\n");
  _printer->print("Corvel>    ConfType         = %d\n", _conformanceType);
  _printer->print("Corvel>    PCR              = %.2f Kbps\n", _pcr);
  _printer->print("Corvel>    CDVT             = %.2f MicroSec\n", _cdvt);
  printDescriptors();
}

void Policing::setPoliceLevel(int32_t level, int32_t interval) {
  refuseWhenInitialized();
  _policeLevel = level < 0 ? 0 : (level > 2 ? 2 : level);
  _policeInterval = interval < 1 ? 1 : interval;
}

void Policing::setShapeLevel(int32_t level, int32_t interval) {
  refuseWhenInitialized();
  _shapeLevel = level < 0 ? 0 : (level > 2 ? 2 : level);
  _shapeInterval = interval < 1 ? 1 : interval;
}

void Policing::restartFlow() {
  _timeline.reset();
  if (_gcra) _gcra->restart();
  _bandwidthSeen = false;
  _firstCycle = _lastCycle = 0;
  _averageBandwidth = _back2backBandwidth = 0.0;
  _conformingCount = _nonConformingCount = _flagACount = _flagBCount = 0;
  _lastDecision = _lastFlagA = _lastFlagB = false;
}

void Policing::updateBandwidth(uint64_t now, int32_t frameSize) {
  if (frameSize <= 0) return;
  const double bits = frameSize * 8.0;
  double averageInterval = 0.0;
  double lastInterval = 0.0;
  if (!_bandwidthSeen) {
    // The first cell: the interval expected at the peak rate.
    _bandwidthSeen = true;
    averageInterval = lastInterval = nanosecondsToCycles(_nsPerByteAtPcr * frameSize, _busFrequency);
    _firstCycle = now;
  } else {
    const int32_t decisions = _conformingCount + _nonConformingCount;
    averageInterval = decisions > 0 ? static_cast<double>(now - _firstCycle) / decisions : 0.0;
    lastInterval = static_cast<double>(now - _lastCycle);
  }
  _lastCycle = now;
  const double nsPerCycle = 1000.0 / _busFrequency;
  // bits per nanosecond * 10^6 = Kbps
  if (averageInterval > 0.0) _averageBandwidth = bits / (nsPerCycle * averageInterval) * 1.0e6;
  if (lastInterval > 0.0) {
    const double b = bits / (nsPerCycle * lastInterval) * 1.0e6;
    _back2backBandwidth = _back2backBandwidth == 0.0 ? b : (b + _back2backBandwidth) / 2.0;
  }
}

void printFlowCounts(const PrintUtility& printer, const Policing& police) {
  printer.print("Corvel>  ---------------------------------------------------\n");
  printer.print("Corvel> Flow Frame/Pdu Counts:\n");
  printer.print("Corvel>   Total frames in flow      = %d\n", police.conformingCount() + police.nonConformingCount());
  printer.print("Corvel>   Frames Conforming         = %d\n", police.conformingCount());
  printer.print("Corvel>   Frames NonConforming      = %d\n", police.nonConformingCount());
  printer.print("Corvel>   Frames Early              = %d\n", police.flagBCount());
  printer.print("Corvel>   Frames Late               = %d\n", police.flagACount());
  printer.print("Corvel> Frame Flow Time:\n");
}

}  // namespace corvel
