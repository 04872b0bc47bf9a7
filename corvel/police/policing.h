// The base of every police object (cell policers, frame-flow policer, token
// buckets). A police object works in host cycles at the bus frequency it was
// built with; every decision is handed the host's cycle value.
//
// What a generator's scheduler needs of a contract is here too: the TM 4.1
// class (trafficType, priority), whether it is a token bucket, `conforms` with
// the time until a frame would conform, and `instantiate` for a fresh
// per-stream state.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "corvel/police/police_time.h"
#include "corvel/police/virtual_scheduling_gcra.h"

namespace corvel {

class PrintUtility;

// What the policing of a reassembled PDU knows about it.
struct PolicedPdu {
  uint32_t firstByteCycle = 0;
  uint32_t lastByteCycle = 0;
  int32_t carriedBytes = 0;  // size of the frames or cells that brought it
  int32_t pduBytes = 0;      // the reassembled PDU's own size
};

class Policing {
 public:
  // Refuses a data rate outside 1..65534 Mbps and a bus frequency outside
  // 1..366 MHz; an unknown conformance type is kept as 5.
  Policing(int32_t conformanceType, int32_t dataRateMbps, int32_t busFrequencyMHz,
           const PrintUtility& printer);
  virtual ~Policing() = default;

  // Slots in the family's fixed order.
  // A copy of this configured, not yet initialised object, with a fresh state.
  virtual std::unique_ptr<Policing> clone() const;
  virtual void printStatistics() const {}
  virtual bool isCellConformant(uint32_t cycle, int32_t frameSize, bool* late) = 0;
  virtual bool isFlowConformant(bool* flagA, bool* flagB, const PolicedPdu& pdu) = 0;
  virtual bool isShapeCellConformant(uint32_t cycle, int32_t frameSize, bool* conform, int64_t* gapNs);
  virtual bool isFirstOfFlow() const { return false; }
  virtual void printDescriptors() const {}
  virtual bool initializeImpl() = 0;
  virtual void reset() {}

  // The scheduler's view.
  // 0 CBR, 1 rt-VBR, 2 nrt-VBR, 4 UBR; nothing for a contract without a class.
  virtual std::optional<int32_t> trafficType() const { return _trafficType; }
  // The UBR priority (0 first .. 15).
  int32_t priority() const noexcept { return _subtype; }
  virtual bool isTokenBucket() const { return false; }
  // Whether a frame of `sizeBytes` at `cycle` conforms; a conforming frame is
  // committed to the contract. A non-conforming one gets the time, in
  // nanoseconds, until it would conform (INT64_MAX for never).
  virtual bool conforms(uint32_t cycle, int32_t sizeBytes, int64_t& waitNs) = 0;
  // A fresh state (schedule, buckets, counters) on the same parameters,
  // initialised when this object is.
  std::unique_ptr<Policing> instantiate() const;

  // Refused once initialised; the TM 4.1 class is checked as the traffic
  // descriptor checks it (type 0..4, a subtype 0..15 for type 4 only).
  void setTrafficClass(int32_t trafficType, int32_t subtype);

  void set_PCR(double kbps);
  void set_CDVT(double microseconds);
  void setFrameSize(int32_t sizeBytes);
  void initialize();
  void record(bool conformant, bool flagA, bool flagB);
  void print() const;
  // Report levels (0..2) and intervals (at least 1) of the police statistics.
  void setPoliceLevel(int32_t level, int32_t interval);
  void setShapeLevel(int32_t level, int32_t interval);

  bool initialized() const noexcept { return _initialized; }
  int32_t conformanceType() const noexcept { return _conformanceType; }
  int32_t dataRate() const noexcept { return _dataRate; }
  int32_t busFrequency() const noexcept { return _busFrequency; }
  double PCR() const noexcept { return _pcr; }
  double CDVT() const noexcept { return _cdvt; }
  int32_t frameSize() const noexcept { return _frameSize; }
  int32_t policeLevel() const noexcept { return _policeLevel; }
  int32_t policeInterval() const noexcept { return _policeInterval; }
  int32_t shapeLevel() const noexcept { return _shapeLevel; }
  int32_t shapeInterval() const noexcept { return _shapeInterval; }
  int32_t conformingCount() const noexcept { return _conformingCount; }
  int32_t nonConformingCount() const noexcept { return _nonConformingCount; }
  int32_t flagACount() const noexcept { return _flagACount; }
  int32_t flagBCount() const noexcept { return _flagBCount; }
  bool lastDecision() const noexcept { return _lastDecision; }
  bool lastFlagA() const noexcept { return _lastFlagA; }
  bool lastFlagB() const noexcept { return _lastFlagB; }
  double averageBandwidth() const noexcept { return _averageBandwidth; }
  double back2backBandwidth() const noexcept { return _back2backBandwidth; }

 protected:
  Policing(const Policing& other);
  Policing& operator=(const Policing&) = delete;
  // A copy of everything, state included.
  virtual std::unique_ptr<Policing> duplicate() const = 0;
  void refuseWhenInitialized() const;
  // Clears the flow state, keeps parameters and initialisation.
  virtual void restartFlow();
  // Whether the decisions use the GCRA on the peak rate (the cell policers);
  // the flow policers and token buckets have none.
  virtual bool usesGcra() const { return true; }
  // Computes the bandwidth figures of the decision just taken, for the
  // record written of it (the decisions themselves do not divide).
  virtual void updateFigures() {}
  // The GCRA on the peak rate, created on first need.
  VirtualScheduling_GCRA& gcra();
  // Limit CDVT, increment one frame of `frameSize` bytes at PCR.
  void programGcra();
  double nsPerByteAtPcr() const noexcept { return _nsPerByteAtPcr; }
  bool hasGcra() const noexcept { return _gcra.has_value(); }
  // Bandwidth figures of the cell policers after a decision at `now`.
  void updateBandwidth(uint64_t now, int32_t frameSize);
  const PrintUtility& printer() const noexcept { return *_printer; }

  CycleTimeline _timeline;
  double _averageBandwidth = 0.0;
  double _back2backBandwidth = 0.0;

 private:
  bool _initialized = false;
  int32_t _dataRate;
  std::optional<VirtualScheduling_GCRA> _gcra;
  const PrintUtility* _printer;
  bool _bandwidthSeen = false;
  uint64_t _firstCycle = 0;
  uint64_t _lastCycle = 0;
  int32_t _frameSize = 0;
  int32_t _busFrequency;
  int32_t _conformanceType = 5;
  std::optional<int32_t> _trafficType;
  int32_t _subtype = 0;
  int32_t _policeLevel = 0;
  int32_t _policeInterval = 20;
  int32_t _shapeLevel = 0;
  int32_t _shapeInterval = 20;
  double _pcr = 0.0;   // Kbps; 0 = no peak limit
  double _cdvt = 0.0;  // microseconds
  double _nsPerByteAtPcr = 0.0;
  int32_t _conformingCount = 0;
  int32_t _nonConformingCount = 0;
  int32_t _flagACount = 0;
  int32_t _flagBCount = 0;
  bool _lastDecision = false;
  bool _lastFlagA = false;
  bool _lastFlagB = false;
};

// The count lines that open a flow policer's summary.
void printFlowCounts(const PrintUtility& printer, const Policing& police);

// Nanoseconds for `cycles` at the bus frequency, rounded up and clamped.
int64_t waitNanoseconds(double cycles, int32_t busFrequencyMHz) noexcept;

}  // namespace corvel
