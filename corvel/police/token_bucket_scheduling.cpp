#include "corvel/police/token_bucket_scheduling.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "corvel/base/print_utility.h"
#include "corvel/base/text_error.h"
#include "corvel/base/verbose.h"

namespace corvel {

namespace {

constexpr const char* kUninitialized =
    "cannot check flow conformance because the police descriptor is uninitialized.";
constexpr const char* kBurstFrozen = "cannot set the burst Size since the police descriptor is already initialized.";
constexpr double kInfinity = std::numeric_limits<double>::infinity();

uint64_t bitsPerSecond(double kbps) { return kbps > 0.0 ? static_cast<uint64_t>(std::llround(kbps * 1000.0)) : 0; }

uint64_t cyclesToFill(uint64_t depth, uint64_t rate) {
  if (rate == 0) return std::numeric_limits<uint64_t>::max();
  return depth / rate + (depth % rate != 0 ? 1 : 0);
}

// A bucket of `depth` after `elapsed` cycles at `rate`: never above its depth.
uint64_t filled(uint64_t content, uint64_t elapsed, uint64_t rate, uint64_t depth, uint64_t fillCycles) {
  if (rate == 0) return content;
  if (elapsed >= fillCycles) return depth;
  const uint64_t add = elapsed * rate;  // below depth + rate: no overflow
  return add >= depth - content ? depth : content + add;
}

}  // namespace

TokenBucket_Scheduling::TokenBucket_Scheduling(int32_t dataRateMbps, int32_t busFrequencyMHz,
                                               const PrintUtility& printer, int32_t conformanceType)
    : Policing(conformanceType == 4 ? 4 : 3, dataRateMbps, busFrequencyMHz, printer),
      _hz(static_cast<uint64_t>(busFrequencyMHz) * 1000000u),
      _unitsPerByte(8u * _hz),
      _secondsPerCycle(1.0 / (static_cast<double>(busFrequencyMHz) * 1.0e6)) {
  reset();
}

void TokenBucket_Scheduling::set_PIR(double kbps) {
  if (initialized()) throw TextError("cannot set the Peak Rate since the police descriptor is already initialized.");
  set_PCR(kbps);
  buildProfile();
}

void TokenBucket_Scheduling::set_CIR(double kbps) {
  if (initialized()) {
    throw TextError("cannot set the Committed Rate since the police descriptor is already initialized.");
  }
  if (dataRate() * 1000.0 < kbps) {
    printer().print("TokenBucket_Scheduling> aValue = %.2f\n", kbps);
    throw TextError("CIR must be Less than the Set Max port rate");
  }
  if (twoRate() && PCR() < kbps) throw TextError("CIR must be Less than the Set Peak Information Rate");
  _cir = kbps < 0.0 ? 0.0 : kbps;
  buildProfile();
}

void TokenBucket_Scheduling::set_CBS(int32_t bytes) {
  if (initialized()) throw TextError(kBurstFrozen);
  const double k = bytes * 8.0 * 0.001;
  if (!(k <= _cir && k <= dataRate() * 1000.0)) {
    printer().print("TokenBucket_Scheduling> aValue = %.2f\n", static_cast<double>(bytes));
    printer().print("TokenBucket_Scheduling> aValue/1000 = %.2f\n", k);
    throw TextError("CBS must be Less than CIR, PIR and the max port rate");
  }
  if (bytes < 0 || (twoRate() && k > PCR())) throw TextError("CBS must be Less than CIR, PIR and the max port rate");
  _cbs = bytes * 8.0;
  buildProfile();
  _tc = _cDepth;
}

void TokenBucket_Scheduling::set_EBS(int32_t bytes) {
  if (initialized()) throw TextError(kBurstFrozen);
  const double k = bytes * 8.0 * 0.001;
  if (!(k <= _cir && k <= dataRate() * 1000.0)) {
    printer().print("TokenBucket_Scheduling> aValue = %.2f\n", static_cast<double>(bytes));
    printer().print("TokenBucket_Scheduling> aValue/1000 = %.2f\n", k);
    throw TextError("EBS must be Less than CIR, PIR and the max port rate");
  }
  if (bytes < 0 || (twoRate() && k > PCR())) throw TextError("EBS must be Less than CIR, PIR and the max port rate");
  _ebs = bytes * 8.0;
  buildProfile();
  _te = _eDepth;
}

void TokenBucket_Scheduling::buildProfile() {
  // Depths are whole bits of at most 2^31 bytes and the bus at most 366 MHz,
  // so a depth in units stays below 2^63.
  _cDepth = static_cast<uint64_t>(_cbs) * _hz;
  _eDepth = static_cast<uint64_t>(_ebs) * _hz;
  _cRate = bitsPerSecond(_cir);
  // srTCM's E fills from C's overflow, so at CIR too; trTCM's P at PIR.
  _eRate = twoRate() ? bitsPerSecond(PCR()) : _cRate;
  _cFillCycles = cyclesToFill(_cDepth, _cRate);
  _eFillCycles = cyclesToFill(_eDepth, _eRate);
  _tc = std::min(_tc, _cDepth);
  _te = std::min(_te, _eDepth);
}

int64_t TokenBucket_Scheduling::bucketC() const noexcept { return static_cast<int64_t>(_tc / _hz); }
int64_t TokenBucket_Scheduling::bucketE() const noexcept { return static_cast<int64_t>(_te / _hz); }

bool TokenBucket_Scheduling::initializeImpl() {
  if (initialized()) throw TextError("TB-FLOW descriptor is already initialized.");
  buildProfile();
  return true;
}

void TokenBucket_Scheduling::fillBuckets() noexcept {
  _tc = _cDepth;
  _te = _eDepth;
}

void TokenBucket_Scheduling::reset() {
  _cbs = _ebs = _cir = 0.0;
  buildProfile();
  restartFlow();
}

void TokenBucket_Scheduling::restartFlow() {
  Policing::restartFlow();
  fillBuckets();  // RFC 2697 / 2698: both buckets start full
  _lastRefill = 0;
  _flow.restart();
  _sinceRefill = 0.0;
  _figuresDue = false;
  _averagePacketSize = 1;
}

void TokenBucket_Scheduling::requireInitialized() const {
  if (!initialized()) throw TextError(kUninitialized);
}

void TokenBucket_Scheduling::refill(uint64_t now) {
  const uint64_t elapsed = now - _lastRefill;
  _lastRefill = now;
  if (twoRate()) {
    // RFC 2698: C at CIR up to CBS, P at PIR up to PBS, independently.
    _tc = filled(_tc, elapsed, _cRate, _cDepth, _cFillCycles);
    _te = filled(_te, elapsed, _eRate, _eDepth, _eFillCycles);
    return;
  }
  // RFC 2697: tokens at CIR go to C; what C cannot hold goes to E.
  if (_cRate == 0) return;
  // Past the time that fills both from empty, both are full; below it the
  // product stays under depth C + depth E + rate < 2^64.
  if (elapsed >= _cFillCycles + _eFillCycles) {
    fillBuckets();
    return;
  }
  const uint64_t add = elapsed * _cRate;  // elapsed < both fill times: below 2^64
  const uint64_t room = _cDepth - _tc;
  if (add <= room) {
    _tc += add;
    return;
  }
  _tc = _cDepth;
  const uint64_t overflow = add - room;
  _te = overflow >= _eDepth - _te ? _eDepth : _te + overflow;
}

MeterColour TokenBucket_Scheduling::colour(uint64_t units) {
  if (twoRate()) {
    // RFC 2698, colour-blind: P short is red; C short is yellow (from P);
    // green takes from both.
    if (_te < units) return MeterColour::enRed;
    if (_tc < units) {
      _te -= units;
      return MeterColour::enYellow;
    }
    _te -= units;
    _tc -= units;
    return MeterColour::enGreen;
  }
  // RFC 2697, colour-blind: C first, then E.
  if (_tc >= units) {
    _tc -= units;
    return MeterColour::enGreen;
  }
  if (_te >= units) {
    _te -= units;
    return MeterColour::enYellow;
  }
  return MeterColour::enRed;
}

uint64_t TokenBucket_Scheduling::cost(int32_t sizeBytes) const noexcept {
  return sizeBytes > 0 ? static_cast<uint64_t>(sizeBytes) * _unitsPerByte : 0u;
}

void TokenBucket_Scheduling::advanceTo(uint64_t now, bool first) {
  if (first) {
    _lastRefill = now;  // the first packet finds the buckets as configured
  } else {
    refill(now);
  }
}

MeterColour TokenBucket_Scheduling::meter(uint32_t cycle, int32_t sizeBytes) {
  const bool first = !_timeline.seen();
  advanceTo(_timeline.advance(cycle), first);
  return colour(cost(sizeBytes));
}

bool TokenBucket_Scheduling::isPoliceFlowConformant(bool* flagA, bool* flagB, const PolicedPdu& pdu) {
  if (verboseFrom(8)) printer().print("Corvel> TokenBucket_Scheduling::isPoliceFlowConformant enter...\n");
  requireInitialized();
  bool a = false;
  bool b = false;
  const bool first = !_timeline.seen();
  const uint64_t now = _timeline.advance(pdu.lastByteCycle);
  const uint64_t firstByte = now - static_cast<uint32_t>(pdu.lastByteCycle - pdu.firstByteCycle);
  const uint64_t sinceRefillCycles = first ? 0 : now - _lastRefill;
  advanceTo(now, first);
  const MeterColour c = colour(cost(pdu.pduBytes));
  const double bits = std::max(pdu.pduBytes, 0) * 8.0;
  if (first) {
    _flow.start(firstByte, pdu.carriedBytes);
    if (flagA != nullptr) *flagA = false;
    if (flagB != nullptr) *flagB = false;
    return c != MeterColour::enRed;
  }
  _sinceRefill = static_cast<double>(sinceRefillCycles) * _secondsPerCycle;
  _sinceFirstCycles = now - _flow.firstPduTime;
  _windowBytes = _flow.bytesBefore();
  _carriedBytes = pdu.carriedBytes;
  _figuresDue = true;
  if (c == MeterColour::enGreen) {
    b = 0.8 * _cir * _sinceRefill > bits;
  } else if (c == MeterColour::enYellow) {
    a = true;
  }
  _flow.noteEarlyLate((a || b) && flagACount() == 0 && flagBCount() == 0, pdu.firstByteCycle);
  _flow.next(pdu.carriedBytes);
  if (flagA != nullptr) *flagA = a;
  if (flagB != nullptr) *flagB = b;
  return c != MeterColour::enRed;
}

bool TokenBucket_Scheduling::isCellConformant(uint32_t, int32_t, bool* late) {
  if (late != nullptr) *late = false;
  return false;
}

bool TokenBucket_Scheduling::oversize(uint64_t units) const noexcept {
  return twoRate() ? units > _eDepth : units > _cDepth && units > _eDepth;
}

double TokenBucket_Scheduling::cyclesUntilConformant(uint64_t units) const {
  const auto at = [](uint64_t deficit, uint64_t rate) {
    if (rate == 0) return kInfinity;  // a bucket that never fills
    return static_cast<double>(deficit) / static_cast<double>(rate);
  };
  if (oversize(units)) {
    if (twoRate()) return std::max(at(_cDepth - _tc, _cRate), at(_eDepth - _te, _eRate));
    return at((_cDepth - _tc) + (_eDepth - _te), _cRate);
  }
  if (twoRate()) return at(units - _te, _eRate);
  if (units <= _cDepth) return at(units - _tc, _cRate);
  // E fills only once C is full.
  return at((_cDepth - _tc) + (units - _te), _cRate);
}

bool TokenBucket_Scheduling::conforms(uint32_t cycle, int32_t sizeBytes, int64_t& waitNs) {
  requireInitialized();
  const bool first = !_timeline.seen();
  advanceTo(_timeline.advance(cycle), first);
  const uint64_t units = cost(sizeBytes);
  bool ok = false;
  if (oversize(units)) {
    // A frame no bucket can hold goes when they are full (it would starve
    // otherwise); a zero rate never fills them.
    const bool filling = _cRate != 0 && (!twoRate() || _eRate != 0);
    ok = filling && _tc == _cDepth && _te == _eDepth;
    if (ok) _tc = _te = 0;
  } else {
    ok = colour(units) != MeterColour::enRed;
  }
  waitNs = ok ? 0 : waitNanoseconds(cyclesUntilConformant(units), busFrequency());
  return ok;
}

bool TokenBucket_Scheduling::isShapeCellConformant(uint32_t cycle, int32_t frameSize, bool* conform, int64_t* gapNs) {
  if (verboseFrom(8)) {
    printer().print("Corvel> TokenBucket_Scheduling::isShapeCellConformant enter...\n");
    printer().print("Corvel> CycleCount = %d...\n", static_cast<int32_t>(cycle));
    printer().print("Corvel> FrameSize  = %d...\n", frameSize);
  }
  int64_t wait = 0;
  const bool first = !_timeline.seen();
  const bool ok = conforms(cycle, frameSize, wait);
  _averagePacketSize = first ? frameSize : (_averagePacketSize + frameSize) / 2;
  _flow.firstOfFlow = false;
  if (conform != nullptr) *conform = ok;
  if (gapNs != nullptr) *gapNs = wait;
  return ok;
}

void TokenBucket_Scheduling::updateFigures() {
  if (!_figuresDue) return;
  _figuresDue = false;
  // Bits per microsecond = Mbps; no figure for a zero time.
  const double sinceFirst = static_cast<double>(_sinceFirstCycles) * _secondsPerCycle;
  if (sinceFirst > 0.0) _averageBandwidth = (_windowBytes * 8.0) / (sinceFirst * 1.0e6);
  if (_sinceRefill > 0.0) _back2backBandwidth = (_carriedBytes * 8.0) / (_sinceRefill * 1.0e6);
}

void TokenBucket_Scheduling::printDescriptors() const {
  printer().print("Corvel>  Token Bucket Police:\n");
  printer().print("Corvel>    PIR            = %.2f Kbps\n", PCR());
  printer().print("Corvel>    CIR           = %.2f Bps\n", _cir);
  printer().print("Corvel>    CBS           = %.2f Bps\n", _cbs);
  printer().print("Corvel>    EBS           = %.2f Bps\n", _ebs);
  printer().print("Corvel>\tBuket Contents C\t\t= %.2f     \n", static_cast<double>(bucketC()));
  printer().print("Corvel>\tBuket Contents E\t\t= %.2f     \n", static_cast<double>(bucketE()));
}

void TokenBucket_Scheduling::printStatistics() const {
  printFlowCounts(printer(), *this);
  printer().print("Corvel>   PIR                       = %.2f Kbps\n", PCR());
  printer().print("Corvel>   CIR                       = %.2f Bps\n", _cir);
  printer().print("Corvel>   CBS                       = %.2f Bps\n", _cbs);
  printer().print("Corvel>   EBS                       = %.2f Bps\n", _ebs);
  printer().print("Corvel>   Buket Contents C\t         = %.2f     \n", static_cast<double>(bucketC()));
  printer().print("Corvel>   Buket Contents E\t\t     = %.2f     \n", static_cast<double>(bucketE()));
  printer().print("Corvel>   First Early/Late time     = %d Cycles\n", static_cast<int32_t>(_flow.firstEarlyLateCycle));
  printer().print("Corvel>   Frame average bandwidth   = %.2f Mbps\n", averageBandwidth());
  printer().print("Corvel>   Frame Back2Back bandwidth = %.2f Mbps\n", back2backBandwidth());
}

}  // namespace corvel
