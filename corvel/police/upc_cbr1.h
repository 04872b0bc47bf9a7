// Peak-rate policing of cells (TM 4.1 CBR conformance): one GCRA with
// increment = one frame at PCR and limit = CDVT.
#pragma once

#include "corvel/police/policing.h"

namespace corvel {

class UPC_CBR1 : public Policing {
 public:
  UPC_CBR1(int32_t dataRateMbps, int32_t busFrequencyMHz, const PrintUtility& printer);

  bool isCellConformant(uint32_t cycle, int32_t frameSize, bool* late) override;
  // A cell contract does not judge PDUs: flag B, not conforming.
  bool isFlowConformant(bool* flagA, bool* flagB, const PolicedPdu& pdu) override;
  bool initializeImpl() override { return true; }
  bool conforms(uint32_t cycle, int32_t sizeBytes, int64_t& waitNs) override;

 protected:
  std::unique_ptr<Policing> duplicate() const override { return std::make_unique<UPC_CBR1>(*this); }
};

}  // namespace corvel
