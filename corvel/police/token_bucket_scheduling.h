// The two-bucket meter and shaper: conformance type 3 is the single-rate
// three-colour marker (RFC 2697: buckets C and E of depths CBS and EBS, C
// filled at CIR, E only from C's overflow), type 4 the two-rate marker
// (RFC 2698: C of depth CBS at CIR, the peak bucket P of depth PBS at PIR;
// PBS is kept as EBS, PIR as PCR).
//
// Parameters are in user units (Kbps, bytes); initialisation turns them into
// a profile on the bus clock, and the per-frame check is additions,
// comparisons and one multiplication. Bucket contents are kept exactly: one
// bit is `hz` units and one cycle of refill at rate R bit/s adds R units.
#pragma once

#include <cstdint>

#include "corvel/police/flow_account.h"
#include "corvel/police/policing.h"

namespace corvel {

enum class MeterColour { enGreen, enYellow, enRed };

class TokenBucket_Scheduling : public Policing {
 public:
  // conformanceType 3 (srTCM, the default) or 4 (trTCM).
  TokenBucket_Scheduling(int32_t dataRateMbps, int32_t busFrequencyMHz, const PrintUtility& printer,
                         int32_t conformanceType = 3);

  // Set in this order: PIR, CIR, CBS, then EBS (PBS); each checks against the
  // values set so far.
  void set_PIR(double kbps);
  void set_CIR(double kbps);
  void set_CBS(int32_t bytes);
  void set_EBS(int32_t bytes);
  double CIR() const noexcept { return _cir; }
  double CBS() const noexcept { return _cbs; }  // bits
  double EBS() const noexcept { return _ebs; }  // bits
  // Bucket contents in whole bits (C, and E or P).
  int64_t bucketC() const noexcept;
  int64_t bucketE() const noexcept;

  // The colour-blind marker of the RFCs for a packet at `cycle`; takes its tokens.
  MeterColour meter(uint32_t cycle, int32_t sizeBytes);
  // Policing of a PDU: green conforms (flag B when it came early), yellow
  // conforms with flag A, red does not. The first PDU of a flow is metered too
  // but reported as first of flow (not recorded).
  bool isPoliceFlowConformant(bool* flagA, bool* flagB, const PolicedPdu& pdu);

  bool isCellConformant(uint32_t cycle, int32_t frameSize, bool* late) override;
  bool isFlowConformant(bool* flagA, bool* flagB, const PolicedPdu& pdu) override {
    return isPoliceFlowConformant(flagA, flagB, pdu);
  }
  bool isShapeCellConformant(uint32_t cycle, int32_t frameSize, bool* conform, int64_t* gapNs) override;
  bool isFirstOfFlow() const override { return _flow.firstOfFlow; }
  void printDescriptors() const override;
  void printStatistics() const override;
  bool initializeImpl() override;
  // Clears every parameter and the flow state.
  void reset() override;

  std::optional<int32_t> trafficType() const override { return std::nullopt; }
  bool isTokenBucket() const override { return true; }
  // Shaping: a frame goes when the marker would not colour it red (and takes
  // its tokens); a frame larger than the buckets can ever hold goes when they
  // are full and empties them. `waitNs` is the time until the frame would go.
  bool conforms(uint32_t cycle, int32_t sizeBytes, int64_t& waitNs) override;

  int32_t averagePacketSize() const noexcept { return _averagePacketSize; }
  uint32_t firstEarlyLateCycle() const noexcept { return _flow.firstEarlyLateCycle; }

 protected:
  std::unique_ptr<Policing> duplicate() const override {
    return std::make_unique<TokenBucket_Scheduling>(*this);
  }
  void restartFlow() override;
  bool usesGcra() const override { return false; }
  void updateFigures() override;

 private:
  bool twoRate() const noexcept { return conformanceType() == 4; }
  void requireInitialized() const;
  void refill(uint64_t now);
  // Refill up to `now`, or seed the refill time for a flow's first packet.
  void advanceTo(uint64_t now, bool first);
  // A packet's size in bucket units.
  uint64_t cost(int32_t sizeBytes) const noexcept;
  MeterColour colour(uint64_t units);
  // Cycles until a packet of `units` would not be red; +inf for never.
  double cyclesUntilConformant(uint64_t units) const;
  bool oversize(uint64_t units) const noexcept;
  void fillBuckets() noexcept;
  // The profile from the parameters set so far.
  void buildProfile();

  // Parameters.
  double _cbs = 0.0;  // bits
  double _ebs = 0.0;  // bits
  double _cir = 0.0;  // Kbps

  // Profile (initialisation).
  uint64_t _hz = 0;             // units per bit = cycles per second
  uint64_t _unitsPerByte = 0;   // 8 bits
  uint64_t _cRate = 0;          // bit/s into C
  uint64_t _eRate = 0;          // bit/s into P (trTCM)
  uint64_t _cDepth = 0;         // units
  uint64_t _eDepth = 0;         // units
  uint64_t _cFillCycles = 0;    // cycles to fill an empty C
  uint64_t _eFillCycles = 0;    // cycles to fill an empty E or P at its own rate
  double _secondsPerCycle = 0.0;

  // Flow state.
  uint64_t _tc = 0;  // units
  uint64_t _te = 0;  // units
  uint64_t _lastRefill = 0;
  FlowAccount _flow;
  double _sinceRefill = 0.0;  // seconds
  // What the figures of the last decision are computed from.
  bool _figuresDue = false;
  uint64_t _sinceFirstCycles = 0;
  int64_t _windowBytes = 0;
  int32_t _carriedBytes = 0;
  int32_t _averagePacketSize = 1;
};

}  // namespace corvel
