// The device/port registry: key order, duplicate host records, lookups.
#include "corvel/host/pyx_devices.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console_capture.h"
#include "corvel/base/text_error.h"
#include "corvel/traffic/port_traffic_capture.h"
#include "corvel/traffic/port_traffic_generator.h"

namespace corvel {
namespace {

WorkbenchPort hostPort(int32_t direction, int32_t device, int32_t port, int32_t rate = 100,
                       int32_t gap = 8, int32_t mhz = 66) {
  WorkbenchPort r;
  r.direction = direction;
  r.device = device;
  r.port = port;
  r.rate = rate;
  r.interpacketTime = gap;
  r.mediaBusClockFrequency = mhz;
  return r;
}

TEST(PyxDevicesKey, IsDecimalDeviceCommaPort) {
  EXPECT_EQ(PyxDevices::key(0, 1), "0,1");
  EXPECT_EQ(PyxDevices::key(12, 305), "12,305");
  EXPECT_EQ(PyxDevices::key(-1, -2147483647 - 1), "-1,-2147483648");
}

TEST(PyxDevices, WalksPortsInKeyTextOrder) {
  PyxDevices devices;
  devices.addPort(hostPort(1, 0, 2));
  devices.addPort(hostPort(1, 0, 10));
  devices.addPort(hostPort(1, 1, 0));
  devices.addPort(hostPort(0, 0, 1));
  std::vector<std::string> order;
  for (const WorkbenchPort* r : devices.receivePorts())
    order.push_back(PyxDevices::key(r->device, r->port));
  EXPECT_EQ(order, (std::vector<std::string>{"0,10", "0,2", "1,0"}));

  test::ConsoleCapture console;
  devices.initialize();
  EXPECT_EQ(console.take(),
            "Corvel>   Connected generator object Device 0 Port 10.\n"
            "Corvel>   Connected generator object Device 0 Port 2.\n"
            "Corvel>   Connected generator object Device 1 Port 0.\n"
            "Corvel>   Connected capture object Device 0 Port 1.\n");
}

TEST(PyxDevices, KeepsOnlyTheFirstRecordOfAKey) {
  PyxDevices devices;
  devices.addPort(hostPort(1, 0, 2, 100, 8, 66));
  devices.addPort(hostPort(1, 0, 2, 200, 9, 99));
  devices.addPort(hostPort(0, 0, 2, 300, 10, 77));  // same key, other direction: its own map
  EXPECT_EQ(devices.receiveCount(), 1);
  EXPECT_EQ(devices.transmitCount(), 1);
  test::ConsoleCapture console;
  devices.initialize();
  PortTrafficGenerator* generator = devices.findGenerator(0, 2);
  ASSERT_NE(generator, nullptr);
  EXPECT_EQ(generator->rate(), 100);
  EXPECT_EQ(generator->hostInterpacketTime(), 8);
  EXPECT_EQ(generator->interpacketTime(), 0);  // no frame source: no gap
  EXPECT_EQ(generator->mediaBusClockFrequency(), 66);
  PortTrafficCapture* capture = devices.findCapture(0, 2);
  ASSERT_NE(capture, nullptr);
  EXPECT_EQ(capture->rate(), 300);
  EXPECT_EQ(capture->direction(), 0);
  EXPECT_EQ(generator->direction(), 1);
}

TEST(PyxDevices, IgnoresRecordsOfAnyOtherDirection) {
  PyxDevices devices;
  devices.addPort(hostPort(2, 0, 1));
  devices.addPort(hostPort(-1, 0, 1));
  EXPECT_EQ(devices.receiveCount(), 0);
  EXPECT_EQ(devices.transmitCount(), 0);
}

TEST(PyxDevices, LookupsBeforeInitializeThrow) {
  PyxDevices devices;
  devices.addPort(hostPort(1, 0, 1));
  for (auto lookup : {+[](PyxDevices& d) { d.findGenerator(0, 1); },
                      +[](PyxDevices& d) { d.findCapture(0, 1); }}) {
    try {
      lookup(devices);
      ADD_FAILURE() << "lookup before initialize did not throw";
    } catch (const TextError& e) {
      EXPECT_STREQ(e.text(), "Error, devices have not been initialized.");
    }
  }
}

TEST(PyxDevices, UnknownPortsAndWrongDirectionAreNotFound) {
  PyxDevices devices;
  devices.addPort(hostPort(1, 0, 1));
  test::ConsoleCapture console;
  devices.initialize();
  EXPECT_NE(devices.findGenerator(0, 1), nullptr);
  EXPECT_EQ(devices.findGenerator(0, 11), nullptr);
  EXPECT_EQ(devices.findGenerator(1, 0), nullptr);
  EXPECT_EQ(devices.findCapture(0, 1), nullptr);
}

TEST(PyxDevices, SecondInitializeThrows) {
  PyxDevices devices;
  test::ConsoleCapture console;
  devices.initialize();
  EXPECT_TRUE(devices.initialized());
  try {
    devices.initialize();
    FAIL() << "second initialize did not throw";
  } catch (const TextError& e) {
    EXPECT_STREQ(e.text(), "Warning, PyxDevices is already initialized.");
  }
}

TEST(PyxDevices, RefusesAConnectedRecordAfterInitialize) {
  PyxDevices devices;
  devices.addPort(hostPort(1, 0, 1));
  test::ConsoleCapture console;
  devices.initialize();
  WorkbenchPort connected = hostPort(1, 0, 3);
  connected.portObject = devices.findGenerator(0, 1);
  try {
    devices.addPort(connected);
    FAIL() << "connected record accepted after initialize";
  } catch (const TextError& e) {
    EXPECT_STREQ(e.text(), "Error, devices has already been initialized.");
  }
  EXPECT_EQ(devices.receiveCount(), 1);
}

TEST(PyxDevices, StoresACopyWithoutThePortObject) {
  PyxDevices devices;
  PortTrafficGenerator stranger(7, 7);
  WorkbenchPort record = hostPort(1, 0, 1);
  record.portObject = &stranger;
  devices.addPort(record);
  ASSERT_EQ(devices.receivePorts().size(), 1u);
  EXPECT_EQ(devices.receivePorts()[0]->portObject, nullptr);
  test::ConsoleCapture console;
  devices.initialize();
  EXPECT_NE(devices.findGenerator(0, 1), &stranger);
  EXPECT_EQ(record.portObject, &stranger);  // the caller's record is left alone
}

}  // namespace
}  // namespace corvel
