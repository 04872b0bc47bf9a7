// Port objects: state changes, event announcement, error announcement, the
// start of ports without streams, and the port configuration record.
#include "corvel/traffic/port_traffic.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "corvel/base/text_error.h"
#include "corvel/traffic/port_config.h"
#include "corvel/traffic/port_traffic_capture.h"
#include "corvel/traffic/port_traffic_generator.h"
#include "recording_observer.h"

namespace corvel {
namespace {

using test::RecordingObserver;
using test::SeenEvent;

constexpr int32_t kPort = enEventCategoryPort;

SeenEvent kindEvent(int32_t kind, int32_t device, int32_t port) {
  return {kPort, enEventSeverityInformation, kind, "", device, port};
}
SeenEvent textEvent(int32_t severity, const std::string& text, int32_t device, int32_t port) {
  return {kPort, severity, enEventKindText, text, device, port};
}

TEST(PortTraffic, AnnouncesRunningAndCompleteOnly) {
  PortTraffic port(1, 3, 4);
  RecordingObserver observer;
  port.attach(&observer);
  port.setState(enPortStateRunning);
  port.setState(enPortStateUninitialized);
  port.setState(enPortStateError);
  port.setState(enPortStateComplete);
  EXPECT_EQ(port.state(), enPortStateComplete);
  EXPECT_EQ(observer.seen, (std::vector<SeenEvent>{kindEvent(23, 3, 4), kindEvent(26, 3, 4)}));
}

TEST(PortTraffic, CommandOneStartsThePort) {
  PortTraffic port(0, 0, 1);
  RecordingObserver observer;
  port.attach(&observer);
  EXPECT_FALSE(port.command(2));
  EXPECT_EQ(port.state(), enPortStateUninitialized);
  EXPECT_TRUE(port.command(1));
  EXPECT_EQ(port.state(), enPortStateRunning);
  EXPECT_EQ(observer.seen, (std::vector<SeenEvent>{kindEvent(23, 0, 1)}));
}

TEST(PortTraffic, NotifiesObserversInAttachOrderAndDetachRemovesEveryEntry) {
  struct Ordered : Observer {
    std::string* log;
    char tag;
    Ordered(std::string* l, char t) : log(l), tag(t) {}
    void update(Event&) override { *log += tag; }
  };
  std::string log;
  Ordered a(&log, 'a'), b(&log, 'b');
  PortTraffic port(1, 0, 0);
  port.attach(&a);
  port.attach(&b);
  port.attach(&a);
  port.setState(enPortStateRunning);
  EXPECT_EQ(log, "aba");
  port.detach(&a);
  EXPECT_EQ(port.observerCount(), 1u);
  port.setState(enPortStateComplete);
  EXPECT_EQ(log, "abab");
}

TEST(PortTraffic, AnnounceErrorLogsTheEventBeforeThrowingItsText) {
  PortTraffic port(1, 2, 5);
  RecordingObserver observer;
  port.attach(&observer);
  try {
    port.announceError("Port is not in the uninitialized state");
    FAIL() << "no throw";
  } catch (const TextError& e) {
    EXPECT_STREQ(e.text(), "Port is not in the uninitialized state");
    ASSERT_EQ(observer.seen.size(), 1u);
    EXPECT_EQ(observer.seen[0],
              textEvent(enEventSeverityError, "Port is not in the uninitialized state", 2, 5));
  }
}

TEST(PortTraffic, PduLogIsNamedAfterDirectionDeviceAndPortAndEmptied) {
  const std::string dir = ::testing::TempDir();
  PortTraffic rx(1, 0, 2);
  PortTraffic tx(0, 3, 10);
  const std::string rxName = dir + "RxPdusDev0Port2.txt";
  {
    std::ofstream stale(rxName);
    stale << "old contents\n";
  }
  rx.setPduLogDirectory(dir.c_str());
  tx.setPduLogDirectory(dir.c_str());
  EXPECT_EQ(rx.pduLogFileName(), rxName);
  EXPECT_EQ(tx.pduLogFileName(), dir + "TxPdusDev3Port10.txt");
  std::ifstream in(rxName);
  ASSERT_TRUE(in.good());
  std::stringstream contents;
  contents << in.rdbuf();
  EXPECT_EQ(contents.str(), "");
  std::remove(rxName.c_str());
  std::remove(tx.pduLogFileName().c_str());

  PortTraffic none(1, 0, 0);
  none.setPduLogDirectory("");
  none.setPduLogDirectory(nullptr);
  EXPECT_EQ(none.pduLogFileName(), "");
}

// Generator and capture share the start of a port without streams.
template <typename Port>
void startWithoutStreams(Port& port, void (*start)(Port&), const char* notUninitialized) {
  RecordingObserver observer;
  port.attach(&observer);
  start(port);
  EXPECT_EQ(port.state(), enPortStateComplete);
  const int32_t d = port.device(), p = port.port();
  EXPECT_EQ(observer.seen,
            (std::vector<SeenEvent>{
                kindEvent(23, d, p),
                textEvent(enEventSeverityWarning, "Port has no assigned streams", d, p),
                kindEvent(26, d, p)}));
  observer.seen.clear();
  try {
    start(port);
    FAIL() << "second start accepted";
  } catch (const TextError& e) {
    EXPECT_STREQ(e.text(), notUninitialized);
  }
  EXPECT_EQ(observer.seen,
            (std::vector<SeenEvent>{textEvent(enEventSeverityError, notUninitialized, d, p)}));
  port.detach(&observer);
}

TEST(PortTrafficGenerator, WithoutStreamsCompletesAtOnce) {
  PortTrafficGenerator generator(0, 10);
  EXPECT_EQ(generator.direction(), 1);
  EXPECT_EQ(generator.portConfig(), nullptr);
  startWithoutStreams<PortTrafficGenerator>(
      generator, [](PortTrafficGenerator& g) { g.Start(1); },
      "Port is not in the enPortStateUninitialized state");
}

TEST(PortTrafficCapture, WithoutStreamsCompletesAtOnce) {
  PortTrafficCapture capture(0, 1);
  EXPECT_EQ(capture.direction(), 0);
  EXPECT_EQ(capture.portConfig(), nullptr);
  startWithoutStreams<PortTrafficCapture>(
      capture, [](PortTrafficCapture& c) { c.initialize(); },
      "Port is not in the uninitialized state");
}

TEST(PortTrafficGenerator, RefusesBytesUnlessRunning) {
  PortTrafficGenerator generator(0, 2);
  RecordingObserver observer;
  generator.attach(&observer);
  bool endOfTraffic = true;
  uint8_t endOfPacket = 1;
  try {
    generator.nextByte(endOfTraffic, endOfPacket, 5);
    FAIL() << "byte request on an unstarted port accepted";
  } catch (const TextError& e) {
    EXPECT_STREQ(e.text(), "Port is not in the enPortStateRunning state");
  }
  EXPECT_EQ(endOfPacket, 0);
  EXPECT_EQ(observer.seen, (std::vector<SeenEvent>{textEvent(
                               enEventSeverityError, "Port is not in the enPortStateRunning state",
                               0, 2)}));
  generator.Start(1);
  observer.seen.clear();
  EXPECT_EQ(generator.nextByte(endOfTraffic, endOfPacket, 6), nullptr);
  EXPECT_EQ(observer.seen,
            (std::vector<SeenEvent>{textEvent(
                enEventSeverityWarning,
                "Port was requested data, however, it is enPortStateComplete.", 0, 2)}));
  EXPECT_EQ(generator.interpacketTime(), 0);
}

TEST(PortConfig, RefusesNegativeDeviceAndPort) {
  PortConfig config(1);
  config.setDevice(0);
  config.setPort(0);
  EXPECT_EQ(config.device(), 0);
  EXPECT_EQ(config.port(), 0);
  try {
    config.setDevice(-1);
    FAIL();
  } catch (const TextError& e) {
    EXPECT_STREQ(e.text(), "Device must be >= 0");
  }
  try {
    config.setPort(-3);
    FAIL();
  } catch (const TextError& e) {
    EXPECT_STREQ(e.text(), "Port must be >= 0");
  }
  EXPECT_EQ(config.device(), 0);
  EXPECT_EQ(config.port(), 0);
}

TEST(PortConfig, DirectoriesKeepACopyAndIgnoreNull) {
  PortConfig config(1);
  std::string dir = "logs/";
  config.setEventLogDirectory(dir.c_str());
  config.setShapePoliceDataLogDirectory("shape/");
  dir = "changed";
  EXPECT_STREQ(config.eventLogDirectory(), "logs/");
  config.setEventLogDirectory(nullptr);
  EXPECT_STREQ(config.eventLogDirectory(), "logs/");
  config.setEventLogDirectory("other/");
  EXPECT_STREQ(config.eventLogDirectory(), "other/");

  config.setRateAndBusFrequency(155, 100);
  config.setComputeCrc(true);
  PortConfig copy(config);
  config.setShapePoliceDataLogDirectory("moved/");
  EXPECT_STREQ(copy.shapePoliceDataLogDirectory(), "shape/");
  EXPECT_STREQ(copy.eventLogDirectory(), "other/");
  EXPECT_EQ(copy.rate(), 155);
  EXPECT_EQ(copy.busFrequency(), 100);
  EXPECT_TRUE(copy.computeCrc());
  EXPECT_EQ(copy.direction(), 1);
}

}  // namespace
}  // namespace corvel
