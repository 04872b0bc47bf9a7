// Cell policers against TM 4.1's virtual scheduling algorithm, worked by hand:
// a cell at t_a conforms when t_a >= TAT - L; then TAT = max(t_a, TAT) + I.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "corvel/base/print_utility.h"
#include "corvel/base/text_error.h"
#include "corvel/police/upc_cbr1.h"
#include "corvel/police/upc_vbr1.h"

namespace corvel {
namespace {

constexpr int32_t kCell = 53;  // bytes
constexpr int32_t kBusMHz = 100;

struct Arrival {
  uint32_t cycle;
  bool conforms;
  bool late;
};

std::vector<Arrival> judge(Policing& police, const std::vector<uint32_t>& cycles) {
  std::vector<Arrival> out;
  for (uint32_t cycle : cycles) {
    bool late = true;
    const bool ok = police.isCellConformant(cycle, kCell, &late);
    out.push_back({cycle, ok, late});
  }
  return out;
}

void expectSequence(const std::vector<Arrival>& got, const std::vector<Arrival>& want) {
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ(got[i].conforms, want[i].conforms) << "cell " << i << " at " << want[i].cycle;
    EXPECT_EQ(got[i].late, want[i].late) << "cell " << i << " at " << want[i].cycle;
  }
}

std::vector<uint32_t> cyclesOf(const std::vector<Arrival>& v) {
  std::vector<uint32_t> out;
  for (const auto& a : v) out.push_back(a.cycle);
  return out;
}

class GcraTest : public ::testing::Test {
 protected:
  PrintUtility printer;
  // PCR 1000 kbit/s, CDVT 10 us at 100 MHz: I = 424 bits / 1000 kbit/s = 42,400
  // cycles, L = 1,000 cycles.
  UPC_CBR1 cbr() {
    UPC_CBR1 p(100, kBusMHz, printer);
    p.set_PCR(1000.0);
    p.set_CDVT(10.0);
    p.initialize();
    return p;
  }
  // PCR 2000, SCR 1000, MBS 3, CDVT 0: I1 = 21,200, I2 = 42,400 and
  // BT = 2 * (424 us - 212 us) = 424 us = 42,400 cycles.
  UPC_VBR1 vbr() {
    UPC_VBR1 p(100, kBusMHz, printer);
    p.set_PCR(2000.0);
    p.set_SCR(1000.0);
    p.set_MBS(3);
    p.setFrameSize(kCell);
    p.initialize();
    return p;
  }
};

TEST_F(GcraTest, CbrPeakRateWithCdvt) {
  auto p = cbr();
  const std::vector<Arrival> want = {
      {10000, true, false},   // first cell: TAT = 52,400
      {52400, true, false},   // on time: TAT = 94,800
      {93800, true, false},   // exactly TAT - L: TAT = 137,200
      {136199, false, false}, // one cycle before TAT - L; TAT unchanged
      {137200, true, false},  // on time again
  };
  expectSequence(judge(p, cyclesOf(want)), want);
  EXPECT_EQ(p.conformingCount(), 0);  // judging does not record
}

TEST_F(GcraTest, LateCellsConformAndRestartTheSchedule) {
  auto p = cbr();
  const std::vector<Arrival> want = {
      {10000, true, false},
      {53400, true, false},   // TAT 52,400 + L: not late
      {96801, true, true},    // TAT 95,800 + L + 1: late, TAT = 96,801 + I
      {138200, false, false}, // TAT 139,201 - L - 1
      {138201, true, false},  // TAT - L
  };
  expectSequence(judge(p, cyclesOf(want)), want);
}

TEST_F(GcraTest, NoLimitToleratesEightCycles) {
  UPC_CBR1 p(100, kBusMHz, printer);
  p.set_PCR(1000.0);
  p.initialize();
  const std::vector<Arrival> want = {
      {1000, true, false},    // TAT = 43,400
      {43391, false, false},  // 9 cycles early
      {43392, true, false},   // 8 cycles early: TAT = 85,800
      {85792, true, false},
  };
  expectSequence(judge(p, cyclesOf(want)), want);
}

TEST_F(GcraTest, VbrFourthBackToBackCellRefusedBySustainedRate) {
  auto p = vbr();
  const std::vector<Arrival> want = {
      {1000, true, false},    // TAT1 22,200  TAT2 43,400
      {22200, true, false},   // TAT1 43,400  TAT2 85,800 (22,200 + L2 >= 43,400)
      {43400, true, false},   // TAT1 64,600  TAT2 128,200 (85,800 - L2 = 43,400)
      {64600, false, false},  // GCRA(2): 64,600 < 128,200 - 42,400
      {85800, true, true},    // both again: TAT2 - L2 = 85,800; late to the unmoved TAT1
  };
  expectSequence(judge(p, cyclesOf(want)), want);
}

TEST_F(GcraTest, VbrRefusedCellAdvancesNeitherSchedule) {
  auto p = vbr();
  const std::vector<Arrival> want = {
      {1000, true, false},    // TAT1 22,200  TAT2 43,400
      {1001, false, false},   // GCRA(1) refuses; GCRA(2) not advanced
      {22200, true, false},   // needs TAT2 still 43,400 (else 85,800 - L2 > 22,200)
      {43400, true, false},   // TAT2 128,200
      {64600, false, false},  // GCRA(1) fine, GCRA(2): 107,000 < 128,200
  };
  expectSequence(judge(p, cyclesOf(want)), want);
}

TEST_F(GcraTest, VbrMissingMbsMeansOne) {
  UPC_VBR1 p(100, kBusMHz, printer);
  p.set_PCR(2000.0);
  p.set_SCR(1000.0);
  p.setFrameSize(kCell);
  p.initialize();
  EXPECT_DOUBLE_EQ(p.burstTolerance(), 0.0);
  const std::vector<Arrival> want = {
      {1000, true, false},
      {22200, false, false},  // PCR spacing breaks SCR with no burst tolerance
      {43400, true, true},    // late to TAT1 22,200, which the refused cell left alone
  };
  expectSequence(judge(p, cyclesOf(want)), want);
}

TEST_F(GcraTest, VbrScrAbovePcrRefused) {
  UPC_VBR1 p(100, kBusMHz, printer);
  p.set_PCR(1000.0);
  try {
    p.set_SCR(1000.5);
    FAIL();
  } catch (const TextError& e) {
    EXPECT_STREQ(e.text(), "SCR must be Less than the Peak Cell Rate");
  }
  UPC_VBR1 q(100, kBusMHz, printer);
  q.set_SCR(2000.0);
  q.set_PCR(1000.0);
  EXPECT_THROW(q.initialize(), TextError);
  EXPECT_FALSE(q.initialized());
}

// The host's 32-bit cycle value wraps; the gap across a wrap is the unsigned
// difference, so the same spacing gives the same verdicts wherever it falls.
TEST_F(GcraTest, WrapIsAnOrdinaryGap) {
  const std::vector<uint32_t> offsets = {0, 42400, 83800, 126199, 127200};
  const std::vector<bool> want = {true, true, true, false, true};
  for (uint64_t base : {uint64_t{0x7fff0000}, uint64_t{0xffff0000}, uint64_t{0xfffff000}}) {
    auto p = cbr();
    for (size_t i = 0; i < offsets.size(); ++i) {
      const uint32_t cycle = static_cast<uint32_t>(base + offsets[i]);
      bool late = false;
      EXPECT_EQ(p.isCellConformant(cycle, kCell, &late), want[i]) << std::hex << base << " cell " << i;
    }
  }
}

TEST_F(GcraTest, ShapingWaitIsTimeUntilConformant) {
  auto p = cbr();
  int64_t waitNs = -1;
  EXPECT_TRUE(p.conforms(10000, kCell, waitNs));
  EXPECT_EQ(waitNs, 0);
  EXPECT_FALSE(p.conforms(11000, kCell, waitNs));
  // TAT 52,400 - L 1,000 - 11,000 = 40,400 cycles = 404,000 ns at 100 MHz.
  EXPECT_EQ(waitNs, 404000);
  EXPECT_TRUE(p.conforms(51400, kCell, waitNs));
}

TEST_F(GcraTest, InstantiateGivesAFreshSchedule) {
  auto p = cbr();
  bool late = false;
  EXPECT_TRUE(p.isCellConformant(10000, kCell, &late));
  auto fresh = p.instantiate();
  EXPECT_TRUE(fresh->initialized());
  EXPECT_EQ(fresh->trafficType(), 0);
  EXPECT_TRUE(fresh->isCellConformant(10001, kCell, &late));   // a new schedule
  EXPECT_FALSE(p.isCellConformant(10001, kCell, &late));       // the old one goes on
  EXPECT_THROW(p.clone(), TextError);
}

// Negative rates and tolerances keep the old value; the TCS reader checks signs.
TEST_F(GcraTest, NegativeRatesIgnored) {
  UPC_VBR1 p(100, kBusMHz, printer);
  p.set_PCR(2000.0);
  p.set_CDVT(10.0);
  p.set_SCR(1000.0);
  p.set_PCR(-1.0);
  p.set_CDVT(-1.0);
  p.set_SCR(-1.0);
  EXPECT_DOUBLE_EQ(p.PCR(), 2000.0);
  EXPECT_DOUBLE_EQ(p.CDVT(), 10.0);
  EXPECT_DOUBLE_EQ(p.SCR(), 1000.0);
}

// PCR 0 sets no peak limit: every cell conforms on rate.
TEST_F(GcraTest, ZeroPcrIsNoPeakLimit) {
  UPC_CBR1 p(100, kBusMHz, printer);
  p.setTrafficClass(4, 3);
  p.initialize();
  EXPECT_EQ(p.trafficType(), 4);
  EXPECT_EQ(p.priority(), 3);
  int64_t waitNs = -1;
  for (uint32_t c : {10u, 10u, 11u}) {
    EXPECT_TRUE(p.conforms(c, 1500, waitNs));
    EXPECT_EQ(waitNs, 0);
  }
}

// Refusals: data rates outside 1..65534 Mbps, and any parameter once the
// object is initialised.
TEST_F(GcraTest, Refusals) {
  EXPECT_NO_THROW(UPC_CBR1(65534, kBusMHz, printer));
  EXPECT_THROW(UPC_CBR1(0, kBusMHz, printer), TextError);
  auto p = cbr();
  const struct {
    std::function<void()> call;
    const char* text;
  } cases[] = {
      {[&] { UPC_CBR1(65535, kBusMHz, printer); }, "Data rate cannot be > 65535Mbps."},
      {[&] { p.set_PCR(10.0); }, "Cannot change parameter because the policy object is initialized"},
  };
  for (const auto& c : cases) {
    try {
      c.call();
      ADD_FAILURE() << c.text;
    } catch (const TextError& e) {
      EXPECT_STREQ(e.text(), c.text);
    }
  }
}

}  // namespace
}  // namespace corvel
