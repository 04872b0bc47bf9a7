// The controller's state machine and its guards on every operation.
#include "corvel/host/corvel.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "console_capture.h"
#include "corvel/host/pyx_devices.h"
#include "corvel/base/text_error.h"
#include "corvel/traffic/port_traffic_generator.h"
#include "tcs_files.h"

namespace corvel {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

WorkbenchPort hostPort(int32_t direction, int32_t device, int32_t port) {
  WorkbenchPort r;
  r.direction = direction;
  r.device = device;
  r.port = port;
  r.rate = 100;
  r.interpacketTime = 8;
  r.mediaBusClockFrequency = 66;
  return r;
}

class CorvelTest : public ::testing::Test {
 protected:
  void registerPorts() {
    corvel.registerPort(rx2);
    corvel.registerPort(rx10);
    corvel.registerPort(tx1);
  }
  // Loads a TCS that configures no port: the controller ends in the stop state.
  void loadWithoutPorts() {
    test::TempTcsFile tcs("corvel_test_no_ports.tcs", test::kTcsWithoutPorts);
    EXPECT_FALSE(corvel.LoadTcs(tcs.path()));
    EXPECT_EQ(corvel.state(), enCorvelStateStop);
  }

  test::ConsoleCapture console;
  Corvel corvel;
  WorkbenchPort rx2 = hostPort(1, 0, 2);
  WorkbenchPort rx10 = hostPort(1, 0, 10);
  WorkbenchPort tx1 = hostPort(0, 0, 1);
};

TEST_F(CorvelTest, InitializeStreamsBeforeALoadIsRefused) {
  EXPECT_FALSE(corvel.InitializeStreams());
  EXPECT_EQ(console.take(),
            "Corvel> Cannot InitializeStreams, not in the enCorvelStateTcsLoaded state\n");
  EXPECT_EQ(corvel.state(), enCorvelStateUninitialized);
}

TEST_F(CorvelTest, NullFileNameLoadsNothing) {
  EXPECT_FALSE(corvel.LoadTcs(nullptr));
  EXPECT_EQ(console.take(), "Corvel> ERROR: Loading of traffic_config_spec: null failed!\n");
  EXPECT_EQ(corvel.state(), enCorvelStateUninitialized);
}

TEST_F(CorvelTest, MissingFileEndsInTheErrorStateAndThrowsTheText) {
  registerPorts();
  const std::string path = test::missingTcsPath();
  try {
    corvel.LoadTcs(path.c_str());
    FAIL() << "missing file loaded";
  } catch (const TextError& e) {
    EXPECT_STREQ(e.text(), "TCS configuration file does not exists.\n");
  }
  EXPECT_EQ(corvel.state(), enCorvelStateError);
  EXPECT_EQ(console.take(),
            "Corvel> Transistion corvel to enCorvelStateError.\n"
            "Corvel> ERROR: Exception while loading TCS file " +
                path +
                " [TCS configuration file does not exists.\n]\n"
                "Corvel> ERROR: [TCS configuration file does not exists.\n]\n");
  // No other transition leads out of the error state.
  EXPECT_FALSE(corvel.LoadTcs(path.c_str()));
  EXPECT_EQ(console.take(),
            "Corvel> Unable to load the TCS file because Corvel is not in the "
            "enCorvelStateUninitialized state\n");
  EXPECT_FALSE(corvel.InitializeStreams());
  EXPECT_EQ(corvel.state(), enCorvelStateError);
}

TEST_F(CorvelTest, NoRegisteredPortIsAnError) {
  test::TempTcsFile tcs("corvel_test_no_devices.tcs", test::kTcsWithoutPorts);
  try {
    corvel.LoadTcs(tcs.path());
    FAIL() << "load without host ports succeeded";
  } catch (const TextError& e) {
    EXPECT_STREQ(e.text(), "Corvel> Error, no devices was registered by the workbench\n");
  }
  EXPECT_EQ(corvel.state(), enCorvelStateError);
  const std::string out = console.take();
  EXPECT_THAT(out, HasSubstr("Corvel> The workbench registered 0 rxPorts and 0 txPorts.\n"));
  EXPECT_THAT(out, HasSubstr("Corvel> Transistion corvel to enCorvelStateError.\n"));
}

TEST_F(CorvelTest, ATcsWithoutPortSectionsStops) {
  registerPorts();
  loadWithoutPorts();
  const std::string out = console.take();
  const char* ordered[] = {
      "Corvel> The workbench registered 2 rxPorts and 1 txPorts.\n",
      "Corvel>   Connected generator object Device 0 Port 10.\n",
      "Corvel>   Connected generator object Device 0 Port 2.\n",
      "Corvel>   Connected capture object Device 0 Port 1.\n",
      "Corvel>   No RxPorts found\n",
      "Corvel>   No TxPorts found\n",
      "Corvel> Transistion corvel to enCorvelStateStop.\n",
  };
  size_t at = 0;
  for (const char* line : ordered) {
    const size_t found = out.find(line, at);
    ASSERT_NE(found, std::string::npos) << "missing or out of order: " << line << "in:\n" << out;
    at = found + 1;
  }
  EXPECT_TRUE(out.ends_with("Corvel> Transistion corvel to enCorvelStateStop.\n"));
  EXPECT_THAT(out, Not(HasSubstr("enCorvelStateTcsLoaded")));
  EXPECT_TRUE(corvel.devices().initialized());
}

TEST_F(CorvelTest, AStoppedControllerRefusesEveryByteCall) {
  registerPorts();
  loadWithoutPorts();
  console.take();

  uint8_t delivered = 7, byte = 0xAB, endOfPacket = 1;
  corvel.OnGetNextByte(&rx2, delivered, 1, byte, endOfPacket);
  EXPECT_EQ(delivered, 0);  // refused: nothing delivered, the byte slot untouched
  EXPECT_EQ(byte, 0xAB);
  EXPECT_EQ(endOfPacket, 0);
  EXPECT_EQ(console.take(), "Corvel> [OnGetNextByte] Error, Corvel is not in running state\n");

  corvel.OnSendNextByte(&tx1, 1, 0x55, 1);
  EXPECT_EQ(console.take(), "Corvel> [OnSendNextByte] Error, Corvel is not in running state\n");

  EXPECT_FALSE(corvel.InitializeStreams());
  EXPECT_EQ(console.take(),
            "Corvel> Cannot InitializeStreams, not in the enCorvelStateTcsLoaded state\n");
  EXPECT_EQ(corvel.state(), enCorvelStateStop);
  // The ports were connected but never started.
  EXPECT_EQ(corvel.devices().findGenerator(0, 2)->state(), enPortStateUninitialized);
}

TEST_F(CorvelTest, InterpacketTimeResolvesAndCachesOnlyReceivePorts) {
  EXPECT_EQ(corvel.GetInterpacketTime(nullptr), 0);
  registerPorts();
  try {
    corvel.GetInterpacketTime(&rx2);
    FAIL() << "lookup before the registry was initialised";
  } catch (const TextError& e) {
    EXPECT_STREQ(e.text(), "Error, devices have not been initialized.");
  }
  loadWithoutPorts();
  EXPECT_EQ(corvel.GetInterpacketTime(&rx10), 0);
  EXPECT_EQ(rx10.portObject, corvel.devices().findGenerator(0, 10));
  // A transmit record never caches a generator, even one under the same key.
  WorkbenchPort txOnRxKey = hostPort(0, 0, 10);
  EXPECT_EQ(corvel.GetInterpacketTime(&txOnRxKey), 0);
  EXPECT_EQ(txOnRxKey.portObject, nullptr);
  WorkbenchPort unknown = hostPort(1, 9, 9);
  EXPECT_EQ(corvel.GetInterpacketTime(&unknown), 0);
  EXPECT_EQ(unknown.portObject, nullptr);
}

TEST_F(CorvelTest, SpecificationNameIsKeptAndTheAnswerIsFalse) {
  EXPECT_FALSE(corvel.SetTxConfiguration("GUI"));
  EXPECT_STREQ(corvel.specificationName(), "GUI");
  std::string name = "Zelmor";
  EXPECT_FALSE(corvel.SetTxConfiguration(name.c_str()));
  name = "changed";
  EXPECT_STREQ(corvel.specificationName(), "Zelmor");
  EXPECT_FALSE(corvel.SetTxConfiguration(nullptr));
  EXPECT_STREQ(corvel.specificationName(), "Zelmor");
  EXPECT_EQ(console.take(), "");
}

TEST_F(CorvelTest, StopIsReachableFromAnyState) {
  corvel.Stop();
  EXPECT_EQ(corvel.state(), enCorvelStateStop);
  EXPECT_EQ(console.take(), "Corvel> Corvel transistion to enCorvelStateStop state\n");
  // A stopped controller cannot load any more.
  test::TempTcsFile tcs("corvel_test_stopped.tcs", test::kTcsWithoutPorts);
  EXPECT_FALSE(corvel.LoadTcs(tcs.path()));
  EXPECT_EQ(corvel.state(), enCorvelStateStop);
}

}  // namespace
}  // namespace corvel
