// The console lines of the police objects: trace lines by verbose level,
// descriptor prints and end-of-run summaries, compared whole.
#include <gtest/gtest.h>

#include <string>

#include "corvel/base/print_utility.h"
#include "corvel/base/text_error.h"
#include "corvel/base/verbose.h"
#include "corvel/police/token_bucket_scheduling.h"
#include "corvel/police/upc_cbr1.h"
#include "corvel/police/upc_vbr1.h"
#include "tests/support/console_capture.h"

namespace corvel {
namespace {

class VerboseLevel {
 public:
  explicit VerboseLevel(int32_t level) : _saved(verboseLevel()) { setVerboseLevel(level); }
  ~VerboseLevel() { setVerboseLevel(_saved); }

 private:
  int32_t _saved;
};

class PoliceConsoleTest : public ::testing::Test {
 protected:
  PrintUtility printer;
  test::ConsoleCapture console;
  UPC_CBR1 cbr() {
    UPC_CBR1 p(100, 100, printer);
    p.set_PCR(1000.0);
    p.set_CDVT(10.0);
    p.initialize();
    return p;
  }
};

TEST_F(PoliceConsoleTest, GcraTraceAtLevelEight) {
  auto p = cbr();
  bool late = false;
  {
    VerboseLevel level(7);
    p.isCellConformant(10000, 53, &late);
    EXPECT_EQ(console.take(), "");
  }
  VerboseLevel level(8);
  p.isCellConformant(52400, 53, &late);
  EXPECT_EQ(console.take(),
            "Corvel> Cell is conforming (_TAT  <= (tak + _Limit))...\n"
            "Corvel> _TAT              = 52400.00\n"
            "Corvel> tak               = 52400.00\n"
            "Corvel> limit_InSimCycles = 1000.00\n"
            "Corvel> Next Theoritical-Arrival-Time in Cycles (_TAT) = 94800.00\n");
  p.isCellConformant(52401, 53, &late);
  EXPECT_EQ(console.take(),
            "Corvel> Cell is *NOT* conforming ***...\n"
            "Corvel> _TAT              = 94800.00\n"
            "Corvel> tak               = 52401.00\n"
            "Corvel> limit_InSimCycles = 1000.00\n");
  p.isCellConformant(200000, 53, &late);
  EXPECT_EQ(console.take(),
            "Corvel> Cell is conforming (_TAT < tak)...\n"
            "Corvel> **** Cell is Late **** (tak > (_TAT + _Limit))...\n"
            "Corvel> _TAT              = 94800.00\n"
            "Corvel> tak               = 200000.00\n"
            "Corvel> limit_InSimCycles = 1000.00\n"
            "Corvel> Next Theoritical-Arrival-Time in Cycles (_TAT) = 242400.00\n");
}

TEST_F(PoliceConsoleTest, VbrTraceAtLevelFive) {
  UPC_VBR1 p(100, 100, printer);
  p.set_PCR(2000.0);
  p.set_SCR(1000.0);
  p.initialize();
  VerboseLevel level(5);
  bool late = false;
  p.isCellConformant(1000, 53, &late);
  EXPECT_EQ(console.take(),
            "Corvel> VBR1 Cell Conformant to GCRA (1) ...\nCorvel> VBR1 Cell Conformant to GCRA (2) ...\n");
  p.isCellConformant(1001, 53, &late);  // GCRA (2) is not asked
  EXPECT_EQ(console.take(), "Corvel> VBR1 Cell Non-Conformant to GCRA (1) ...\n");
  p.isCellConformant(22200, 53, &late);
  EXPECT_EQ(console.take(),
            "Corvel> VBR1 Cell Conformant to GCRA (1) ...\nCorvel> VBR1 Cell Non-Conformant to GCRA (2) ...\n");
}

TEST_F(PoliceConsoleTest, DescriptorPrints) {
  UPC_VBR1 p(100, 100, printer);
  p.set_PCR(2000.0);
  p.set_CDVT(10.0);
  p.set_SCR(1000.0);
  p.set_MBS(3);
  p.setFrameSize(53);
  p.print();
  EXPECT_EQ(console.take(),
            "Corvel>  Police Descriptors:\n"
            "Corvel>    ConfType         = 1\n"
            "Corvel>    PCR              = 2000.00 Kbps\n"
            "Corvel>    CDVT             = 10.00 MicroSec\n"
            "Corvel>  Vbr Police:\n"
            "Corvel>    SCR         = 1000.00 Kbps\n"
            "Corvel>    BT          = 424.00 MicroSec\n");
  TokenBucket_Scheduling tb(100, 100, printer);
  tb.set_CIR(1000.0);
  tb.set_CBS(1000);
  tb.set_EBS(500);
  tb.printDescriptors();
  EXPECT_EQ(console.take(),
            "Corvel>  Token Bucket Police:\n"
            "Corvel>    PIR            = 0.00 Kbps\n"
            "Corvel>    CIR           = 1000.00 Bps\n"
            "Corvel>    CBS           = 8000.00 Bps\n"
            "Corvel>    EBS           = 4000.00 Bps\n"
            "Corvel>\tBuket Contents C\t\t= 8000.00     \n"
            "Corvel>\tBuket Contents E\t\t= 4000.00     \n");
}

TEST_F(PoliceConsoleTest, TokenBucketSummary) {
  TokenBucket_Scheduling tb(100, 100, printer);
  tb.set_CIR(1000.0);
  tb.set_CBS(1000);
  tb.set_EBS(1000);
  tb.initialize();
  // 500-byte PDUs every 10,000 cycles: (G) G Y Y R R, the first not recorded.
  for (uint32_t i = 1; i <= 6; ++i) {
    bool a = false, b = false;
    const bool ok = tb.isFlowConformant(&a, &b, PolicedPdu{i * 10000 - 4000, i * 10000, 500, 500});
    if (!tb.isFirstOfFlow()) tb.record(ok, a, b);
  }
  console.clear();
  tb.printStatistics();
  EXPECT_EQ(console.take(),
            "Corvel>  ---------------------------------------------------\n"
            "Corvel> Flow Frame/Pdu Counts:\n"
            "Corvel>   Total frames in flow      = 5\n"
            "Corvel>   Frames Conforming         = 3\n"
            "Corvel>   Frames NonConforming      = 2\n"
            "Corvel>   Frames Early              = 0\n"
            "Corvel>   Frames Late               = 2\n"
            "Corvel> Frame Flow Time:\n"
            "Corvel>   PIR                       = 0.00 Kbps\n"
            "Corvel>   CIR                       = 1000.00 Bps\n"
            "Corvel>   CBS                       = 8000.00 Bps\n"
            "Corvel>   EBS                       = 8000.00 Bps\n"
            "Corvel>   Buket Contents C\t         = 500.00     \n"
            "Corvel>   Buket Contents E\t\t     = 0.00     \n"
            "Corvel>   First Early/Late time     = 25999 Cycles\n"
            // 2,500 bytes carried before the last PDU over the 54,000 cycles
            // (540 us) from the first PDU's first byte to the last's last byte
            "Corvel>   Frame average bandwidth   = 37.04 Mbps\n"
            // 500 bytes over the 10,000 cycles (100 us) since the previous PDU
            "Corvel>   Frame Back2Back bandwidth = 40.00 Mbps\n");
}

TEST_F(PoliceConsoleTest, ReportLevelsAndIntervals) {
  UPC_CBR1 p(100, 100, printer);
  EXPECT_EQ(p.policeLevel(), 0);
  EXPECT_EQ(p.policeInterval(), 20);
  EXPECT_EQ(p.shapeInterval(), 20);
  p.setPoliceLevel(2, 0);
  EXPECT_EQ(p.policeLevel(), 2);
  EXPECT_EQ(p.policeInterval(), 1);  // below 1 stored as 1
  p.setShapeLevel(1, 50);
  EXPECT_EQ(p.shapeLevel(), 1);
  EXPECT_EQ(p.shapeInterval(), 50);
  p.initialize();
  EXPECT_THROW(p.setPoliceLevel(1, 10), TextError);
}

TEST_F(PoliceConsoleTest, NegativeGcraParametersRefusedOnTheConsole) {
  VirtualScheduling_GCRA g(100, printer);
  g.set_Increment(1000.0);
  g.set_Increment(-1.0);
  g.set_Limit(-1.0);
  EXPECT_EQ(console.take(), "Corvel> aIncrement value negative\nCorvel> aLimit value negative\n");
  EXPECT_DOUBLE_EQ(g.increment(), 1000.0);
  EXPECT_DOUBLE_EQ(g.incrementCycles(), 100.0);
}

}  // namespace
}  // namespace corvel
