// Traffic descriptor bounds and burst tolerance, and the frame-flow policer's
// rate window, worked by hand.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "corvel/base/print_utility.h"
#include "corvel/base/text_error.h"
#include "corvel/police/pkt_flow.h"
#include "corvel/police/traffic_descriptor.h"
#include "tests/support/console_capture.h"

namespace corvel {
namespace {

std::string refusal(const std::function<void()>& f) {
  try {
    f();
  } catch (const TextError& e) {
    return e.text();
  }
  return "(accepted)";
}

class DescriptorTest : public ::testing::Test {
 protected:
  PrintUtility printer;
  TrafficDescriptor vbr(int32_t frameSize, int32_t mbs) {
    TrafficDescriptor d(155, 1, 0, printer);
    d.set_LineSpeed(155);
    d.set_PCR(2000.0);
    d.set_SCR(1000.0);
    if (mbs > 0) d.set_MBS(mbs);
    d.setFrameSize(frameSize);
    return d;
  }
};

// BT = (MBS - 1)(1/SCR - 1/PCR) x bits x 1000 us with bits = min(size, 64) x 8.
TEST_F(DescriptorTest, BurstTolerance) {
  struct Row {
    int32_t frameSize, mbs;
    double btMicroseconds;
  };
  const std::vector<Row> rows = {
      {53, 3, 424.0},   // 2 x 0.0005 x 424 x 1000
      {1500, 3, 512.0}, // counted as 64 bytes
      {40, 3, 320.0},
      {53, 1, 0.0},
      {53, 0, 0.0},     // never set: 1
  };
  for (const auto& r : rows) {
    auto d = vbr(r.frameSize, r.mbs);
    d.calculate_BT();
    EXPECT_DOUBLE_EQ(d.BT(), r.btMicroseconds) << r.frameSize << " " << r.mbs;
  }
}

TEST_F(DescriptorTest, InitializeConvertsToCyclesAndFreezes) {
  auto d = vbr(53, 3);
  d.set_CDVT(10.0);
  EXPECT_FALSE(d.initialize());  // no clock yet
  d.setBusFrequency(100);
  EXPECT_TRUE(d.initialize());
  EXPECT_DOUBLE_EQ(d.pcrBitTimeCycles(), 50.0);   // 1 bit at 2000 kbit/s: 0.5 us
  EXPECT_DOUBLE_EQ(d.scrBitTimeCycles(), 100.0);
  EXPECT_DOUBLE_EQ(d.cdvtCycles(), 1000.0);
  EXPECT_DOUBLE_EQ(d.btCycles(), 42400.0);
  EXPECT_FALSE(d.initialize());
  test::ConsoleCapture console;
  EXPECT_EQ(refusal([&] { d.set_PCR(100.0); }),
            "Cannot change parameter because the policy object is initialized");
  EXPECT_EQ(console.take(),
            "Corvel> ERROR: Exception while seting PCR: [Cannot change parameter because the policy object is "
            "initialized]\n");
}

TEST_F(DescriptorTest, Refusals) {
  TrafficDescriptor cbr(155, 0, 0, printer);
  EXPECT_EQ(refusal([&] { cbr.set_PCR(1000.0); }), "Line Speed not set.\n");
  EXPECT_EQ(refusal([&] { cbr.set_LineSpeed(99); }), "unable to set LineSpeed: Out of bounds\n");
  EXPECT_EQ(refusal([&] { cbr.set_LineSpeed(156); }), "unable to set LineSpeed: Out of bounds\n");
  cbr.set_LineSpeed(100);
  EXPECT_EQ(refusal([&] { cbr.set_PCR(100001.0); }), "unable to set PCR: Out of bounds.");
  EXPECT_EQ(refusal([&] { cbr.set_PCR(100000.0); }), "(accepted)");
  EXPECT_EQ(refusal([&] { cbr.set_SCR(10.0); }), "SCR not defined for UBR or CBR flows..\n");
  EXPECT_EQ(refusal([&] { cbr.set_MBS(2); }), "MBS not defined for UBR or CBR flows..\n");
  EXPECT_EQ(refusal([&] { cbr.calculate_BT(); }), "BT not defined for UBR or CBR flows..\n");
  EXPECT_EQ(refusal([&] { cbr.set_CDVT(30.5); }), "unable to set CDVT: Out of bounds.\n");
  EXPECT_EQ(refusal([] { PrintUtility p; TrafficDescriptor(155, 5, 0, p); }), "Illegal Traffic Type \n");
  EXPECT_EQ(refusal([] { PrintUtility p; TrafficDescriptor(155, 4, 16, p); }), "Illegal Traffic Type \n");
  TrafficDescriptor ubr(155, 4, 15, printer);
  EXPECT_EQ(ubr.subtype(), 15);
  auto v = vbr(53, 3);
  EXPECT_EQ(refusal([&] { v.set_SCR(2000.5); }), "unable to set SCR: Out of bounds.\n");  // above PCR
  EXPECT_EQ(refusal([&] { v.set_MBS(33); }), "unable to set MBS: Out of bounds.\n");
}

class PktFlowTest : public ::testing::Test {
 protected:
  PrintUtility printer;
  // PCR 1000 Kbps between 500 and 2000, at 100 MHz.
  PKT_FLOW flow() {
    PKT_FLOW p(100, 100, printer);
    p.set_PCR(1000.0);
    p.set_PCRmax(2000.0);
    p.set_PCRmin(500.0);
    p.initialize();
    return p;
  }
};

// 125-byte PDUs: the rate is 100 x bits before this PDU / cycles since the
// first PDU x 1000 Kbps.
TEST_F(PktFlowTest, RateWindow) {
  auto p = flow();
  struct Step {
    uint32_t firstByte;
    bool conforms, flagA, flagB, first;
  };
  const std::vector<Step> steps = {
      {0, false, false, false, true},            // seeds the window
      {100000, true, false, false, false},       // 1000 bits / 1 ms = 1000
      {150000, true, false, false, false},       // 2000 / 1.5 ms = 1333
      {160000, true, false, false, false},       // 3000 / 1.6 ms = 1875
      {165000, false, true, false, false},       // 4000 / 1.65 ms = 2424: late
      {1000000, true, false, false, false},      // 5000 / 10 ms = 500
      {2000000, false, false, true, false},      // 6000 / 20 ms = 300: early
  };
  for (size_t i = 0; i < steps.size(); ++i) {
    const auto& s = steps[i];
    bool a = true, b = true;
    const bool ok = p.isFlowConformant(&a, &b, PolicedPdu{s.firstByte, s.firstByte + 1000, 125, 125});
    EXPECT_EQ(ok, s.conforms) << i;
    EXPECT_EQ(a, s.flagA) << i;
    EXPECT_EQ(b, s.flagB) << i;
    EXPECT_EQ(p.isFirstOfFlow(), s.first) << i;
    if (!s.first) p.record(ok, a, b);
  }
  EXPECT_EQ(p.firstEarlyLateCycle(), 164999u);
  EXPECT_EQ(p.flagACount(), 1);
  EXPECT_EQ(p.flagBCount(), 1);
  EXPECT_DOUBLE_EQ(p.averageBandwidth(), 0.3);
}

TEST_F(PktFlowTest, NoTimeBetweenPdusIsLate) {
  auto p = flow();
  bool a = false, b = false;
  p.isFlowConformant(&a, &b, PolicedPdu{500, 600, 125, 125});
  EXPECT_FALSE(p.isFlowConformant(&a, &b, PolicedPdu{500, 700, 125, 125}));
  EXPECT_TRUE(a);
  EXPECT_FALSE(b);
}

TEST_F(PktFlowTest, Bounds) {
  PKT_FLOW p(100, 100, printer);
  p.set_PCR(1000.0);
  EXPECT_EQ(refusal([&] { p.set_PCRmax(1000.0); }), "(accepted)");
  EXPECT_EQ(refusal([&] { p.set_PCRmin(1000.0); }), "(accepted)");
  EXPECT_EQ(refusal([&] { p.set_PCRmax(999.0); }), "maximum PCR must be between the PCR rate and the max port rate");
  EXPECT_EQ(refusal([&] { p.set_PCRmax(100001.0); }),
            "maximum PCR must be between the PCR rate and the max port rate");
  EXPECT_EQ(refusal([&] { p.set_PCRmin(0.0); }), "minimum PCR must be between 1 and the PCR rate.");
  PKT_FLOW q(100, 100, printer);
  q.set_PCR(1000.0);
  EXPECT_DOUBLE_EQ(q.PCRmax(), 1000.0);  // never set: PCR
  q.initialize();
  EXPECT_EQ(refusal([&] { q.set_PCRmin(10.0); }),
            "cannot set the maximum PCR since the police descriptor is already initialized.");
}

}  // namespace
}  // namespace corvel
