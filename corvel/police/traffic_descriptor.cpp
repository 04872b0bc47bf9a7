#include "corvel/police/traffic_descriptor.h"

#include <algorithm>
#include <string>

#include "corvel/base/print_utility.h"
#include "corvel/base/text_error.h"
#include "corvel/base/verbose.h"
#include "corvel/police/police_time.h"

namespace corvel {

namespace {
constexpr const char* kFrozen = "Cannot change parameter because the policy object is initialized";
constexpr const char* kIllegalType = "Illegal Traffic Type \n";
constexpr const char* kNoLineSpeed = "Line Speed not set.\n";
}  // namespace

TrafficDescriptor::TrafficDescriptor(int32_t maxLineSpeedMbps, int32_t trafficType, int32_t subtype,
                                     const PrintUtility& printer)
    : _printer(&printer),
      _maxPcr(maxLineSpeedMbps * 1000.0),
      _maxScr(maxLineSpeedMbps * 1000.0),
      _trafficType(trafficType),
      _maxLineSpeed(maxLineSpeedMbps) {
  if (maxLineSpeedMbps <= 0) throw TextError("unable to set LineSpeed: Out of bounds\n");
  if (trafficType < 0 || trafficType > 4) throw TextError(kIllegalType);
  if (trafficType == 4) {
    if (subtype < 0 || subtype > 15) throw TextError(kIllegalType);
    _subtype = subtype;
  }
}

void TrafficDescriptor::fail(const char* what, const char* text) const {
  _printer->print("Corvel> ERROR: Exception while seting %s: [%s]\n", what, text);
  throw TextError(text);
}

void TrafficDescriptor::checkSetter(bool burstParameter, const char* notDefined) const {
  if (_initialized) throw TextError(kFrozen);
  if (burstParameter) {
    if (_trafficType == 0 || _trafficType == 3) throw TextError(notDefined);
    if (_trafficType != 1 && _trafficType != 2) throw TextError(kIllegalType);
  }
  if (_lineSpeed == 0.0) throw TextError(kNoLineSpeed);
}

void TrafficDescriptor::set_LineSpeed(int32_t mbps) {
  if (_initialized) throw TextError(kFrozen);
  if (mbps < _minLineSpeed || mbps > _maxLineSpeed) throw TextError("unable to set LineSpeed: Out of bounds\n");
  _lineSpeed = mbps;
}

void TrafficDescriptor::set_PCR(double kbps) {
  try {
    checkSetter(false, nullptr);
    if (!(_minPcr <= kbps && kbps <= _lineSpeed * 1000.0 && kbps <= _maxPcr)) {
      _printer->print("Corvel> PCR Out of bounds sent PCR = %f \n", kbps);
      _printer->print("Corvel> PCR Out of bounds sent MIN_PCR = %f \n", _minPcr);
      _printer->print("Corvel> PCR Out of bounds sent MAX_PCR = %f \n", _maxPcr);
      _printer->print("Corvel> PCR Out of bounds sent _LineSpeed = %f \n", _lineSpeed);
      throw TextError("unable to set PCR: Out of bounds.");
    }
  } catch (const TextError& e) {
    fail("PCR", e.text());
  }
  _pcr = kbps;
  if (verboseFrom(5)) _printer->print("Corvel> TrafficDescriptor::set_PCR exit...\n");
}

void TrafficDescriptor::set_SCR(double kbps) {
  try {
    checkSetter(true, "SCR not defined for UBR or CBR flows..\n");
    // A sustained rate above the peak rate is no contract (TM 4.1: SCR <= PCR).
    const bool abovePcr = _pcr > 0.0 && kbps > _pcr;
    if (!(_minScr <= kbps && kbps <= _lineSpeed * 1000.0 && kbps <= _maxScr) || abovePcr) {
      _printer->print("Corvel> SCR Out of bounds sent SCR = %d\n", static_cast<int32_t>(kbps));
      throw TextError("unable to set SCR: Out of bounds.\n");
    }
  } catch (const TextError& e) {
    fail("SCR", e.text());
  }
  _scr = kbps;
  if (verboseFrom(5)) _printer->print("Corvel> TrafficDescriptor::set_SCR exit...\n");
}

void TrafficDescriptor::set_CDVT(double microseconds) {
  try {
    checkSetter(false, nullptr);
    if (!(_minCdvt <= microseconds && microseconds <= _maxCdvt)) {
      _printer->print("Corvel> CDVT Out of bounds sent CDVT = %d\n", static_cast<int32_t>(microseconds));
      throw TextError("unable to set CDVT: Out of bounds.\n");
    }
  } catch (const TextError& e) {
    fail("CDVT", e.text());
  }
  _cdvt = microseconds;
  if (verboseFrom(5)) _printer->print("Corvel> TrafficDescriptor::set_CDVT exit...\n");
}

void TrafficDescriptor::set_MBS(int32_t cells) {
  try {
    checkSetter(true, "MBS not defined for UBR or CBR flows..\n");
    if (!(_minMbs <= cells && cells <= _maxMbs)) {
      _printer->print("Corvel> MBS Out of bounds sent MBS = %d\n", cells);
      throw TextError("unable to set MBS: Out of bounds.\n");
    }
  } catch (const TextError& e) {
    fail("MBS", e.text());
  }
  _mbs = cells;
  _burst = true;
  if (verboseFrom(5)) _printer->print("Corvel> TrafficDescriptor::set_MBS exit...\n");
}

void TrafficDescriptor::calculate_BT() {
  try {
    if (_trafficType == 0 || _trafficType == 3) throw TextError("BT not defined for UBR or CBR flows..\n");
    if (_trafficType != 1 && _trafficType != 2) throw TextError(kIllegalType);
    if (_lineSpeed == 0.0) throw TextError(kNoLineSpeed);
    if (_pcr == 0.0) throw TextError("PCR not set\n");
    if (_scr == 0.0) throw TextError("SCR not set\n");
    if (_frameSize <= 0) throw TextError("Exception: Framesize not yet set");
    if (_scr > _pcr) throw TextError("unable to set SCR: Out of bounds.\n");
  } catch (const TextError& e) {
    fail("BT", e.text());
  }
  const double bits = std::min(_frameSize, 64) * 8.0;
  const int32_t mbs = std::max(_mbs, 1);  // never set: no burst beyond PCR
  _bt = (mbs - 1) * (1.0 / _scr - 1.0 / _pcr) * bits * 1000.0;
  if (_busFrequencyMHz > 0) _btCycles = nanosecondsToCycles(_bt * 1000.0, _busFrequencyMHz);
  if (verboseFrom(5)) _printer->print("Corvel> TrafficDescriptor::calculate_BT BT = %f exit...\n", _bt);
}

bool TrafficDescriptor::initialize() {
  if (_initialized || _busFrequencyMHz <= 0) return false;
  if (_pcr > 0.0) _pcrBitTimeCycles = nanosecondsToCycles(1.0 / _pcr * 1.0e6, _busFrequencyMHz);
  if (_scr != 0.0) _scrBitTimeCycles = nanosecondsToCycles(1.0 / _scr * 1.0e6, _busFrequencyMHz);
  _cdvtCycles = nanosecondsToCycles(_cdvt * 1000.0, _busFrequencyMHz);
  if (_burst && (_trafficType == 1 || _trafficType == 2)) calculate_BT();
  _initialized = true;
  return true;
}

int32_t TrafficDescriptor::getTrafficType() const {
  if (verboseFrom(5)) {
    _printer->print("Corvel> TrafficDescriptor::getTrafficType TrafType = %d exit...\n", _trafficType);
  }
  return _trafficType;
}

}  // namespace corvel
