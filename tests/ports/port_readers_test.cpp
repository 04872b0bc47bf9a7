// The rx_ports and tx_ports readers over the stream sets of
// data/ports/stream_sets.tcs: the reports of every refusal, the console lines
// of full sections, and what the port objects were handed.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>

#include "corvel/host/pyx_devices.h"
#include "corvel/xml/tcs_document.h"
#include "corvel/tcs/tcs_manager.h"
#include "corvel/traffic/generate_port_config.h"
#include "corvel/traffic/port_traffic_capture.h"
#include "corvel/traffic/port_traffic_generator.h"
#include "tests/support/console_capture.h"

namespace corvel {
namespace {

// Receive ports 0/0, 0/1, 0/4, 0/5, 0/7 and transmit ports 0/2, 0/3, each with
// figures of its own. load() puts the test's port sections in place of the
// marker of stream_sets.tcs ("@DIR@" becomes the test's directory) and reads
// the file as far as the streams.
class PortReaders : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = ::testing::TempDir() + "ports_XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir = pattern + "/";
    // direction, device, port, rate, host gap, bus MHz
    for (const WorkbenchPort& record :
         {WorkbenchPort{1, 0, 0, 100, 12, 66}, WorkbenchPort{1, 0, 1, 1000, 3, 133},
          WorkbenchPort{1, 0, 4, 155, 0, 100}, WorkbenchPort{1, 0, 5, 622, 0, 200},
          WorkbenchPort{1, 0, 7, 45, 0, 25}, WorkbenchPort{0, 0, 2, 100, 0, 66},
          WorkbenchPort{0, 0, 3, 10, 0, 50}})
      devices.addPort(record);
    devices.initialize();
  }
  void TearDown() override { std::filesystem::remove_all(dir); }

  void load(std::string sections) {
    for (size_t at; (at = sections.find("@DIR@")) != std::string::npos;) sections.replace(at, 5, dir);
    std::ifstream in(std::string(CORVEL_TEST_DATA) + "/ports/stream_sets.tcs");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    text.replace(text.find("<!-- ports -->"), 14, sections);
    std::ofstream(dir + "ports.tcs") << text;
    LoadDocument(document, dir + "ports.tcs");
    manager = std::make_unique<TcsManager>(document);
    ASSERT_TRUE(manager->readTableEntries() && manager->readStreams());
    console.take();
  }

  // Starts the port and takes up to ten frames; each becomes the hex pair of
  // its bytes 5 and 11, the last bytes of the Ethernet destination (the table
  // entry) and source (the set).
  std::string frameMarks(int32_t port) {
    PortTrafficGenerator& generator = *devices.findGenerator(0, port);
    generator.Start(1);
    std::string marks, frame;
    for (uint32_t cycle = 0, frames = 0; cycle < 10000 && frames < 10; ++cycle) {
      bool endOfTraffic = false;
      uint8_t endOfPacket = 0;
      const uint8_t* byte = generator.nextByte(endOfTraffic, endOfPacket, cycle);
      if (byte) frame.push_back(static_cast<char>(*byte));
      if (!byte || !endOfPacket || frame.size() < 12) continue;
      char mark[8];
      std::snprintf(mark, sizeof mark, " %02x%02x", uint8_t(frame[5]), uint8_t(frame[11]));
      marks += mark;
      frame.clear();
      ++frames;
    }
    return marks;
  }

  test::ConsoleCapture console;
  std::string dir;
  PyxDevices devices;
  TcsDocument document;
  std::unique_ptr<TcsManager> manager;  // borrows the document: destroyed first
};

struct Refusal {
  const char* name;
  const char* sections;
  const char* reports;  // every line with "ERROR", in order
};
void PrintTo(const Refusal& c, std::ostream* out) { *out << c.name; }

class PortRefusal : public PortReaders, public ::testing::WithParamInterface<Refusal> {};

TEST_P(PortRefusal, ReportsExactly) {
  load(GetParam().sections);
  manager->readRxPorts(devices);
  manager->readTxPorts(devices);
  std::istringstream lines(console.take());
  std::string reports;
  for (std::string line; std::getline(lines, line);)
    if (line.find("ERROR") != std::string::npos) reports += line + "\n";
  EXPECT_EQ(reports, GetParam().reports);
  EXPECT_EQ(manager->status(), reports.find("PARSE") != std::string::npos ? 2 : 0);
}

#define RX(body) "<rx_ports><p device=\"0\" port=\"0\">" body "</p></rx_ports><tx_ports/>"
#define TX(body) "<rx_ports/><tx_ports><p device=\"0\" port=\"2\">" body "</p></tx_ports>"
#define R(text) "Corvel> PARSE-ERROR: " text " (TcsRxPortMgt)\n"
#define T(text) "Corvel> PARSE-ERROR: " text " (TcsTxPortMgt)\n"
const Refusal kRefusals[] = {
    {"Gap", RX("<interpacket_timedistribution max_time=\"10001\"/>"),
     R("InterPkt/Burst value is out of range (0 to 10000).")},
    {"GapWithoutMaximum", RX("<interpacket_timedistribution min_time=\"50000\"/>"), ""},
    {"HostGapWithMinimum", RX("<interpacket_timedistribution min_time=\"20\" max_time=\"0\"/>"), ""},
    {"RateBeyondFloat", RX("<frame_bit_error error_rate=\"1e300\" max_burst_length=\"1\"/>"),
     R("Bit error rate is out of range (0.0 to 1.0)")},
    {"RateWithoutBurst", RX("<frame_bit_error error_rate=\"7\"/>"), ""},
    {"Counts", RX("<sequentialinterleave_streamdistribution min_framecount=\"5\" max_framecount=\"3\"/>"),
     R("Minimum frame count must be <= Maximum frame count")},
    {"NoMaximumNoCheck", RX("<sequentialinterleave_streamdistribution boundedstream_size=\"-1\"/>"), ""},
    {"ByColumnOverrides",
     RX("<randominterleave_streamdistribution iteration_type=\"byColumn\" pdu_count=\"-4\" "
        "min_framecount=\"5\" max_framecount=\"3\"/>"), ""},
    {"UnknownSet", RX("<assign_stream_set id=\"missing\"/>"), R("stream_set not found")},
    {"CaptureSet", RX("<assign_stream_set id=\"capture\"/>"), R("adding a Tx stream to a Rx stream")},
    {"InterlaceUnknownSet",
     "<rx_ports><p stream_merge=\"interlace,2\"><assign_stream_set id=\"five_a\"/>"
     "<assign_stream_set id=\"x\"/></p></rx_ports>", R("stream_set not found")},
    {"InterlaceCaptureSet",
     "<rx_ports><p stream_merge=\"interlace\"><assign_stream_set id=\"capture\"/></p></rx_ports>",
     R("adding a Tx stream to a Rx stream")},
    // The stack builder reports its own failure; the port adds nothing.
    {"SetNotBuilt", RX("<assign_stream_set id=\"reversed\"/>"),
     "Corvel> PARSE-ERROR: Error, the first protocol must be a payload (TcsStreamMgt)\n"},
    {"PortTwice", "<rx_ports><p/><p/></rx_ports>",
     R("Port configuration rejected, port has already been configured")},
    // Ports not registered in the section's direction are passed over.
    {"Unregistered",
     "<rx_ports><p device=\"9\"><assign_stream_set id=\"x\"/></p><p port=\"2\"><assign_stream_set id=\"x\"/>"
     "</p></rx_ports><tx_ports><p><assign_stream_set id=\"x\"/></p></tx_ports>", ""},
    // Receive ports are read last first; the first report ends the reading.
    {"LastRxFirst",
     "<rx_ports><p><assign_stream_set id=\"x\"/></p><p port=\"1\"><assign_stream_set id=\"capture\"/></p>"
     "</rx_ports><tx_ports><p port=\"2\"><assign_stream_set id=\"x\"/></p></tx_ports>",
     R("adding a Tx stream to a Rx stream")},
    {"FirstTxFirst",
     "<tx_ports><p port=\"2\"><assign_stream_set id=\"five_a\"/></p>"
     "<p port=\"3\"><assign_stream_set id=\"x\"/></p></tx_ports>",
     "Corvel> ERROR: Could not find stream node\n" T("adding a Rx stream to a Tx stream")},
    {"TxUnknownSet", TX("<assign_stream_set id=\"missing\"/>"), T("unable to find stream")},
    {"TxSetTwice", TX("<assign_stream_set id=\"capture\"/><assign_stream_set id=\"capture\"/>"),
     T("duplicate protocol stack")},
};
#undef RX
#undef TX
#undef R
#undef T
INSTANTIATE_TEST_SUITE_P(Ports, PortRefusal, ::testing::ValuesIn(kRefusals),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PortReaders, SectionsPrintEveryPortAndHandOverItsSettings) {
  load(R"(<rx_ports eventlog_dir="@DIR@ev/" datalog_dir="@DIR@,1" pdu_datalog_dir="@DIR@,0"
             shape_datalog_dir="@DIR@,yes">
    <p device="0" port="0" stream_merge="interlace,3">
      <interpacket_timedistribution min_time="10" max_time="20"/>
      <sequential_streamdistribution/>
      <assign_stream_set id="five_a"/> <assign_stream_set id="five_b"/>
    </p>
    <!-- comments between ports are passed over -->
    <p port="1" shaper_linespeed="50">
      <frame_bit_error error_rate="0.25" max_burst_length="3"/>
      <sequentialinterleave_streamdistribution iteration_type="byColumn" boundedstream_size="2"
          pdu_count="4" min_framecount="1" max_framecount="3"/>
      <assign_stream_set id="five_b"/>
    </p>
    <p port="4"> <tokenBucket_streamdistribution/> <tm41_streamdistribution/> </p>
    <p port="5"> <randominterleave_streamdistribution iteration_type="byColumn" pdu_count="5"
          min_framecount="2" max_framecount="4"/> </p>
    <p port="7" stream_merge="interlace,0">
      <assign_stream_set id="five_a"/> <assign_stream_set id="five_b"/> </p>
    <p device="7" port="7"/>
  </rx_ports>
  <tx_ports eventlog_dir="@DIR@,1" pdu_datalog_dir="@DIR@" police_datalog_dir="@DIR@police/">
    <p port="3"/> <p port="2"><assign_stream_set id="capture"/></p>
  </tx_ports>)");
  EXPECT_TRUE(manager->readRxPorts(devices));
  EXPECT_TRUE(manager->readTxPorts(devices));
  EXPECT_EQ(manager->status(), 0);
  // The element for device 7, which the host never registered, is named with its place.
  EXPECT_EQ(console.take(),
            "Corvel> ------ Retreiving Rx Ports ------\n"
            "Corvel> Warning, the rx port element for device 7 port 7 names a port the host did not register; it "
            "is ignored\n"
            "Corvel>   at " + dir + "ports.tcs:80, <p>\n"
            "Corvel>   Device 0 Port 7\nCorvel>     PortRate 45 BusFrequency 25\n"
            "Corvel>     InterpacketTimeMin 0 InterpacketTimeMax 0\n"
            "Corvel>     StreamDistribution: Sequential\nCorvel>       iteration_type     = byColumn\n"
            "Corvel>   Device 0 Port 5\nCorvel>     PortRate 622 BusFrequency 200\n"
            "Corvel>     InterpacketTimeMin 0 InterpacketTimeMax 0\n"
            "Corvel>     StreamDistribution: Random Interleave\nCorvel>       iteration_type     = byColumn\n"
            "Corvel>   Device 0 Port 4\nCorvel>     PortRate 155 BusFrequency 100\n"
            "Corvel>     InterpacketTimeMin 0 InterpacketTimeMax 0\n"
            "Corvel>     StreamDistribution: tm41_trafficdistribution\n"
            "Corvel>   Device 0 Port 1\nCorvel>     PortRate 1000 BusFrequency 133\n"
            "Corvel>     InterpacketTimeMin 0 InterpacketTimeMax 0\n"
            "Corvel>     StreamDistribution: Sequential Interleave\nCorvel>     iteration_type     = byColumn\n"
            "Corvel>       boundedstream_size = 2\nCorvel>       pdu_count          = 4\n"
            "Corvel>       min_framecount     = 1\nCorvel>       max_framecount     = 3\n"
            "Corvel>     Stream: five_b\n"
            "Corvel>   Device 0 Port 0\nCorvel>     PortRate 100 BusFrequency 66\n"
            "Corvel>     InterpacketTime: 10 to 20\nCorvel>     InterpacketTimeMin 10 InterpacketTimeMax 20\n"
            "Corvel>     StreamDistribution: Sequential\nCorvel>       iteration_type     = byRow\n"
            "Corvel> ------ Retreiving Tx Ports ------\n"
            "Corvel>   Device 0 Port 3\nCorvel>     PortRate 10 BusFrequency 50\n"
            "Corvel>   Device 0 Port 2\nCorvel>     PortRate 100 BusFrequency 66\n"
            "Corvel>     Stream: capture\n");

  // Log directories: "dir" and "dir,1" set one, "dir,0" and "dir,yes" none.
  const GeneratePortConfig& rx = *devices.findGenerator(0, 0)->generateConfig();
  EXPECT_STREQ(rx.eventLogDirectory(), (dir + "ev/").c_str());
  EXPECT_STREQ(rx.dataLogDirectory(), dir.c_str());
  EXPECT_EQ(rx.pduDataLogDirectory(), nullptr);
  EXPECT_EQ(rx.shapePoliceDataLogDirectory(), nullptr);
  EXPECT_TRUE(std::filesystem::exists(dir + "RxFramesDev0Port0.txt"));
  const PortConfig& tx = *devices.findCapture(0, 2)->portConfig();
  EXPECT_STREQ(tx.shapePoliceDataLogDirectory(), (dir + "police/").c_str());
  EXPECT_TRUE(std::filesystem::exists(dir + "TxPdusDev0Port2.txt"));
  EXPECT_EQ(devices.findCapture(0, 2)->streamCount(), 1);

  // What the lines do not show: the root flags, the line speed (the port's
  // rate when absent), the bit errors, the random interleave's record.
  const GeneratePortConfig& interleaved = *devices.findGenerator(0, 1)->generateConfig();
  EXPECT_TRUE(rx.computeCrc() && rx.computeChecksum() && tx.computeCrc());
  EXPECT_EQ(rx.shaperLineSpeed(), 100);
  EXPECT_EQ(interleaved.shaperLineSpeed(), 50);
  EXPECT_EQ(interleaved.bitErrorRate(), 0.25);
  EXPECT_EQ(interleaved.maxBurstLength(), 3);
  EXPECT_EQ((StreamDistributionRecord{enStreamDistributionRandomInterleave, enIterationByColumn, 0, 0, 4, 1}),
            devices.findGenerator(0, 5)->generateConfig()->streamDistribution());

  // Every port rewinds a set before taking its stacks: five_b, which port
  // 0/1 took whole, gives 0/0 and 0/7 all five again. interlace,3 hands out
  // 3, 3, 2, 2; a count below 1 one per set and round. Both ports send their
  // one-PDU streams in stream order.
  EXPECT_EQ(devices.findGenerator(0, 1)->streamCount(), 5);
  EXPECT_EQ(frameMarks(0), " 01aa 02aa 03aa 01bb 02bb 03bb 04aa 05aa 04bb 05bb");
  EXPECT_EQ(frameMarks(7), " 01aa 01bb 02aa 02bb 03aa 03bb 04aa 04bb 05aa 05bb");
}

}  // namespace
}  // namespace corvel
