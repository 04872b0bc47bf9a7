// Rate-window policing of a PDU flow: the average rate since the flow's
// first PDU must stay between PCRmin and PCRmax; a PDU outside is early
// (flag B, below PCR) or late (flag A, above PCR). The first PDU only seeds
// the window.
#pragma once

#include "corvel/police/flow_account.h"
#include "corvel/police/policing.h"

namespace corvel {

class PKT_FLOW : public Policing {
 public:
  PKT_FLOW(int32_t dataRateMbps, int32_t busFrequencyMHz, const PrintUtility& printer);

  // PCR <= v <= data rate; never set means PCR.
  void set_PCRmax(double kbps);
  // 0 < v <= PCR.
  void set_PCRmin(double kbps);
  double PCRmax() const noexcept { return _pcrMax > 0.0 ? _pcrMax : PCR(); }
  double PCRmin() const noexcept { return _pcrMin; }
  uint32_t firstEarlyLateCycle() const noexcept { return _flow.firstEarlyLateCycle; }

  bool isCellConformant(uint32_t cycle, int32_t frameSize, bool* late) override;
  bool isFlowConformant(bool* flagA, bool* flagB, const PolicedPdu& pdu) override;
  bool isFirstOfFlow() const override { return _flow.firstOfFlow; }
  void printDescriptors() const override;
  void printStatistics() const override;
  bool initializeImpl() override;
  void reset() override;
  // Not a shaping contract: every frame may go.
  std::optional<int32_t> trafficType() const override { return std::nullopt; }
  bool conforms(uint32_t, int32_t, int64_t& waitNs) override {
    waitNs = 0;
    return true;
  }

 protected:
  std::unique_ptr<Policing> duplicate() const override { return std::make_unique<PKT_FLOW>(*this); }
  void restartFlow() override;
  bool usesGcra() const override { return false; }
  void updateFigures() override;

 private:
  double _pcrMax = 0.0;  // Kbps; 0: PCR
  double _pcrMin = 0.0;  // Kbps
  FlowAccount _flow;
  uint64_t _previousFirstByte = 0;
  // What the figures of the last decision are computed from.
  bool _figuresDue = false;
  int32_t _backToBackBytes = 0;
  uint64_t _sincePreviousCycles = 0;
  double _rateKbps = 0.0;
};

}  // namespace corvel
