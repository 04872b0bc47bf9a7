// The entry points around the byte calls: loading again, Reset, port handles
// and the hook table.
#include <gtest/gtest.h>

#include "plugin_harness.h"
#include "pyx/simhost_api.h"

namespace cellgen_test {
namespace {

const std::string kConfig =
    "PORT 2,5,SEQ,42,IN\n"
    "STREAM 1,IN,GEN,0,0,1,3,0,0,0,0,0,0,0,0,0\n";

unsigned counterOne(const Bytes& cell) { return unsigned(cell.at(10)) << 8 | cell.at(11); }

TEST(CellgenLifecycle, NothingBeforeALoad) {
  PluginHarness host;
  PyxPortHandle port = host.openPort(2, 5);
  std::uint8_t byte = 0x55;
  std::uint8_t end = 0x55;
  EXPECT_EQ(GetNextByte(port, 0, &byte, &end), 0);
  EXPECT_EQ(byte, 0);
  EXPECT_EQ(GetInterpacketTime(port), 0);
}

TEST(CellgenLifecycle, ResetDiscardsTheConfiguration) {
  PluginHarness host;
  ASSERT_EQ(host.loadText(kConfig), 1);
  PyxPortHandle port = host.openPort(2, 5);
  EXPECT_EQ(counterOne(host.packet(port)), 1u);
  EXPECT_EQ(counterOne(host.packet(port)), 2u);
  EXPECT_EQ(GetInterpacketTime(port), 42);
  Reset();
  EXPECT_TRUE(host.packet(port).empty());
  EXPECT_EQ(GetInterpacketTime(port), 0);
  // A new load starts from the counters' start values.
  ASSERT_EQ(host.loadText(kConfig), 1);
  EXPECT_EQ(counterOne(host.packet(port)), 1u);
}

TEST(CellgenLifecycle, LoadingAgainReplacesTheTable) {
  PluginHarness host;
  ASSERT_EQ(host.loadText(kConfig), 1);
  PyxPortHandle port = host.openPort(2, 5);
  host.packet(port);
  // The same slot again is no "occupied slot": the old table is gone.
  ASSERT_EQ(host.loadText(kConfig), 1);
  EXPECT_EQ(counterOne(host.packet(port)), 1u);
}

TEST(CellgenLifecycle, PortsOutsideTheTableAndClosedHandles) {
  PluginHarness host;
  ASSERT_EQ(host.loadText(kConfig), 1);
  PyxPortHandle outside = host.openPort(200, 5);
  PyxPortHandle empty = host.openPort(2, 6);
  EXPECT_TRUE(host.packet(outside).empty());
  EXPECT_TRUE(host.packet(empty).empty());
  EXPECT_EQ(GetInterpacketTime(outside), 0);

  PyxPortHandle port = host.openPort(2, 5);
  EXPECT_FALSE(host.packet(port).empty());
  CloseRxPort(port);
  CloseRxPort(port);  // a second close is harmless
  std::uint8_t byte = 0, end = 0;
  EXPECT_EQ(GetNextByte(port, 0, &byte, &end), 0) << "a closed handle names no port";
  EXPECT_EQ(GetNextByte(nullptr, 0, &byte, &end), 0);
  EXPECT_EQ(GetNextByte(port, 0, nullptr, nullptr), 0);
}

TEST(CellgenLifecycle, TwoHandlesOfOnePortShareItsGenerator) {
  PluginHarness host;
  ASSERT_EQ(host.loadText(kConfig), 1);
  PyxPortHandle a = host.openPort(2, 5);
  PyxPortHandle b = host.openPort(2, 5);
  EXPECT_NE(a, b);
  EXPECT_EQ(counterOne(host.packet(a)), 1u);
  EXPECT_EQ(counterOne(host.packet(b)), 2u);
}

TEST(CellgenLifecycle, RegistersOneCommandAndFillsTheHookTable) {
  PluginHarness host;
  Initialize();  // a second Initialize replaces the registration in place
  int matches = 0;
  for (int i = 0; i < simhost_command_count(); ++i)
    if (std::string(simhost_command_at(i)->name) == "cellgen_load_config") ++matches;
  EXPECT_EQ(matches, 1);

  PyxForeignHook hooks[5] = {};
  GetForeignModelFunctions(&hooks[0], &hooks[1], &hooks[2], &hooks[3], nullptr);
  for (int i = 0; i < 4; ++i) {
    ASSERT_NE(hooks[i], nullptr);
    EXPECT_EQ(hooks[i](), 1);
  }
}

TEST(CellgenLifecycle, TransmitSideDoesNothing) {
  PluginHarness host;
  ASSERT_EQ(host.loadText(kConfig), 1);
  std::uint32_t block[3] = {100, 8, 66};
  PyxPortHandle handle = nullptr;
  InitializeTxPort(0, 2, 5, block, &handle);
  EXPECT_EQ(handle, nullptr);
  SendNextByte(handle, 0, 1, 1);
  CloseTxPort(handle);
  Close();
  EXPECT_EQ(counterOne(host.packet(host.openPort(2, 5))), 1u);
}

}  // namespace
}  // namespace cellgen_test
