// Peak- and sustained-rate policing of cells (TM 4.1 VBR conformance
// definition): GCRA(1/PCR, CDVT) next to GCRA(1/SCR, BT + CDVT) with the burst
// tolerance BT = (MBS - 1)(1/SCR - 1/PCR). A cell conforms only when it
// conforms to both, and only then do both theoretical arrival times advance.
#pragma once

#include <optional>

#include "corvel/police/policing.h"

namespace corvel {

class UPC_VBR1 : public Policing {
 public:
  // A real-time contract by default (class 1); setTrafficClass(2, 0) makes it nrt-VBR.
  UPC_VBR1(int32_t dataRateMbps, int32_t busFrequencyMHz, const PrintUtility& printer);

  // SCR in Kbps; a negative value is ignored, one above PCR refused.
  void set_SCR(double kbps);
  // An explicit burst tolerance in microseconds (negative ignored); without
  // one BT follows from MBS and the frame size.
  void set_BT(double microseconds);
  // Maximum burst size in cells; never set means 1 (no burst beyond PCR).
  void set_MBS(int32_t cells);
  double SCR() const noexcept { return _scrIncrement; }
  int32_t MBS() const noexcept { return _mbs; }
  // The burst tolerance in microseconds for frames of the current size.
  double burstTolerance() const;

  bool isCellConformant(uint32_t cycle, int32_t frameSize, bool* late) override;
  // A cell contract accepts every PDU: no flag B, conforming.
  bool isFlowConformant(bool* flagA, bool* flagB, const PolicedPdu& pdu) override;
  void printDescriptors() const override;
  bool initializeImpl() override;
  bool conforms(uint32_t cycle, int32_t sizeBytes, int64_t& waitNs) override;

 protected:
  std::unique_ptr<Policing> duplicate() const override { return std::make_unique<UPC_VBR1>(*this); }
  void restartFlow() override;

 private:
  // Both decisions at `now` without committing; the GCRA (2) trace lines
  // only when GCRA (1) conforms.
  bool decide(uint32_t cycle, int32_t frameSize, bool* late, double* waitCycles, uint64_t* now);
  VirtualScheduling_GCRA& sustained();

  double _scrIncrement = 0.0;  // SCR, Kbps
  double _btLimit = -1.0;      // explicit BT, microseconds; negative: from MBS
  int32_t _mbs = 1;
  int32_t _programmedSize = -1;
  std::optional<VirtualScheduling_GCRA> _gcra2;
};

}  // namespace corvel
