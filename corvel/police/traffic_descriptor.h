// The ATM traffic parameters of a contract (TM 4.1): PCR, SCR, CDVT, MBS and
// the burst tolerance, each within fixed bounds, with their cycle figures at
// the bus frequency. Traffic types: 0 CBR, 1 rt-VBR, 2 nrt-VBR, 3 none, 4 UBR
// with a priority subtype 0..15.
#pragma once

#include <cstdint>

namespace corvel {

class PrintUtility;

class TrafficDescriptor {
 public:
  // Refuses a maximum line speed <= 0, a type outside 0..4 and a UBR subtype
  // outside 0..15 with "Illegal Traffic Type \n" (the line speed with
  // "unable to set LineSpeed: Out of bounds\n").
  TrafficDescriptor(int32_t maxLineSpeedMbps, int32_t trafficType, int32_t subtype, const PrintUtility& printer);

  void set_LineSpeed(int32_t mbps);
  void set_PCR(double kbps);
  // Types 1 and 2; never above PCR.
  void set_SCR(double kbps);
  void set_CDVT(double microseconds);
  // Types 1 and 2; sets the burst flag, so initialisation works out BT.
  void set_MBS(int32_t cells);
  void setFrameSize(int32_t bytes) { _frameSize = bytes; }
  // The bus clock the cycle figures use (stands in for the simulation clock;
  // initialisation waits for it).
  void setBusFrequency(int32_t mhz) { _busFrequencyMHz = mhz; }
  // BT = (MBS - 1)(1/SCR - 1/PCR) x cell bits x 1000 us, with at most 64
  // bytes counted per cell; an MBS never set counts as 1.
  void calculate_BT();
  // Cycle figures, then frozen; false when already done or without a clock.
  bool initialize();

  int32_t getTrafficType() const;
  int32_t subtype() const noexcept { return _subtype; }
  bool initialized() const noexcept { return _initialized; }
  double PCR() const noexcept { return _pcr; }
  double SCR() const noexcept { return _scr; }
  double CDVT() const noexcept { return _cdvt; }
  int32_t MBS() const noexcept { return _mbs; }
  double BT() const noexcept { return _bt; }
  double LineSpeed() const noexcept { return _lineSpeed; }
  double pcrBitTimeCycles() const noexcept { return _pcrBitTimeCycles; }
  double scrBitTimeCycles() const noexcept { return _scrBitTimeCycles; }
  double cdvtCycles() const noexcept { return _cdvtCycles; }
  double btCycles() const noexcept { return _btCycles; }

 private:
  void checkSetter(bool burstParameter, const char* notDefined) const;
  void fail(const char* what, const char* text) const;

  const PrintUtility* _printer;
  double _pcr = 0.0, _minPcr = 1.0, _maxPcr;
  double _scr = 0.0, _minScr = 1.0, _maxScr;
  double _bt = 0.0;
  double _cdvt = 0.0, _minCdvt = 0.0, _maxCdvt = 30.0;
  int32_t _mbs = 0, _minMbs = 1, _maxMbs = 32;
  double _pcrBitTimeCycles = 0.0, _scrBitTimeCycles = 0.0, _cdvtCycles = 0.0, _btCycles = 0.0;
  int32_t _trafficType;
  int32_t _subtype = 0;
  bool _initialized = false;
  bool _burst = false;
  double _lineSpeed = 0.0;
  int32_t _minLineSpeed = 100;
  int32_t _maxLineSpeed;
  int32_t _frameSize = 0;
  int32_t _busFrequencyMHz = 0;
};

}  // namespace corvel
