// What a transmit port makes of the frames it is handed, byte by byte: frames
// written out by hand here (headers, checksums and FCS computed by this
// file's own small routines, not by the frame builder) and the exact lines
// the capture's event log gets for them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "corvel/protocols/ethernet/ethernet.h"
#include "corvel/protocols/ipv4/ipv4.h"
#include "corvel/protocols/payload/payload_config.h"
#include "corvel/protocols/protocol_stack.h"
#include "corvel/protocols/udp/udp.h"
#include "corvel/traffic/port_config.h"
#include "corvel/traffic/port_traffic_capture.h"
#include "hand_frames.h"

namespace corvel {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::Frame;
using test::FrameSpec;

class CaptureVerdicts : public ::testing::Test {
 protected:
  CaptureVerdicts()
      : _dir(fs::path(::testing::TempDir()) / ("capture_" + std::to_string(getpid()) + "_" +
                                               ::testing::UnitTest::GetInstance()->current_test_info()->name())) {
    fs::remove_all(_dir);
    fs::create_directories(_dir);
    FixedPayloadConfig payload("40", 1);
    payload.setTxPort(0, 1);
    _stack.addProtocol(payload);
    UdpProtocolConfig udp("03e807d000000000");
    udp.setValidateLevel(1);
    _stack.addProtocol(udp);
    IpV4ProtocolConfig ip("4500000000000000401100000a0000010a000002");
    ip.setValidateLevel(1);
    _stack.addProtocol(ip);
    EthernetProtocolConfig ethernet("00a0c900000200a0c90000010800", "00000000");
    ethernet.setValidateLevel(1);
    _stack.addProtocol(ethernet);
  }

  // Runs the frames through a capture on port 0/1 and answers its event log.
  std::string Capture(const std::vector<std::pair<Bytes, bool>>& frames) {
    {
      PortTrafficCapture capture(0, 1);
      PortConfig config(0);
      const std::string directory = _dir.string() + "/";
      config.setEventLogDirectory(directory.c_str());
      capture.setPortConfig(config);
      capture.addStream(_stack);
      capture.initialize();
      uint32_t cycle = 0;
      for (const auto& [bytes, endFlagged] : frames) {
        for (size_t i = 0; i < bytes.size(); ++i) {
          uint8_t byte = bytes[i];
          capture.processByte(byte, ++cycle, endFlagged && i + 1 == bytes.size());
        }
      }
    }
    std::ifstream in(_dir / "TxEventsDev0Port1.txt");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  fs::path _dir;
  ProtocolStack _stack{"flows"};
};

constexpr const char* kPassed = "Device 0 Port 1 [s] Pdu contained 1 cell(s) { RxPort 0 Stream 0 Pdu 1 }";

struct VerdictCase {
  const char* name;
  FrameSpec spec;
  size_t cut;  // bytes of the frame handed over (0: all)
  std::string line;
};

void PrintTo(const VerdictCase& c, std::ostream* out) { *out << c.name; }

class Verdict : public CaptureVerdicts, public ::testing::WithParamInterface<VerdictCase> {};

TEST_P(Verdict, OneLinePerFrameAndTheNextGoodFramePasses) {
  const VerdictCase& c = GetParam();
  Bytes frame = Frame(c.spec);
  if (c.cut) frame.resize(c.cut);
  const std::string log = Capture({{frame, true}, {Frame({}), true}});
  EXPECT_EQ(log.substr(0, log.find("Capture stopped:")), c.line + "\n" + kPassed + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Capture, Verdict,
    ::testing::Values(
        VerdictCase{"Good", {}, 0, kPassed},
        VerdictCase{"BadFcs", {.badFcs = true}, 0,
                    std::string(kPassed) + "[w] Ethernet warning,  CRC does not compute to stored CRC "},
        VerdictCase{"FlippedPayloadByte", {.flipPayloadByte = true}, 0,
                    std::string(kPassed) + "[w] Udp warning,  CHECKSUM recomputation does not match stored value "},
        VerdictCase{"BadIpChecksum", {.badIpChecksum = true}, 0,
                    std::string(kPassed) + "[w] IPv4 warning,  CHECKSUM field is not correct "},
        VerdictCase{"TtlZero", {.ttl = 0}, 0, std::string(kPassed) + "[w] IPv4 warning,  TTL is zero "},
        VerdictCase{"WrongRoute", {.txPort = 2}, 0,
                    "Device 0 Port 1 [s] Pdu contained 1 cell(s) { RxPort 0 Stream 0 Pdu 1 } Routing to port 2 failed"},
        VerdictCase{"TotalLengthBeyondFrame", {.extraTotalLength = 10}, 0,
                    "Tx Device 0 Port 1 [e] Pdu contained 1 cell(s) IPv4 verification error, payload size does not "
                    "equal internal size."},
        VerdictCase{"Runt17Bytes", {}, 17,
                    "Tx Device 0 Port 1 [e] Pdu contained 1 cell(s) Ethernet verification error, not enough "
                    "allocated memory to hold both the header & trailer"},
        VerdictCase{"Runt30Bytes", {}, 30,
                    "Tx Device 0 Port 1 [e] Pdu contained 1 cell(s) Ethernet verification error, payload size "
                    "violates the minimal transfer unit."}),
    [](const ::testing::TestParamInfo<VerdictCase>& info) { return std::string(info.param.name); });

// The summary counts what the lines say.
TEST_F(CaptureVerdicts, SummaryCountsTheOutcomes) {
  const std::string log =
      Capture({{Frame({}), true}, {Frame({.txPort = 3}), true}, {Frame({.ttl = 0}), true}, {Bytes(20, 0xaa), true}});
  EXPECT_NE(log.find("Capture stopped:\n"
                     "  total PDU passed             3\n"
                     "  total PDU failed             1\n"
                     "  total PDU warnings           1\n"
                     "  total PDU routes passed      2\n"
                     "  total PDU routes failed      1\n"
                     "  total PDU routes not tested  1\n"
                     "  total Frames/Cells processed 4\n"
                     "  total Frames/Cells dropped   0\n"
                     "  total Frames/Cells discarded 0\n"
                     "  total Frames/Cells warnings  0\n"),
            std::string::npos)
      << log;
}

// Garbage with end flags here and there: every frame is judged, nothing is read
// out of bounds (the sanitizer build watches), and a good frame after it passes.
TEST_F(CaptureVerdicts, GarbageNeverJamsThePort) {
  std::mt19937 random(12345);
  std::vector<std::pair<Bytes, bool>> frames;
  for (int i = 0; i < 300; ++i) {
    Bytes garbage(random() % 200);
    for (uint8_t& byte : garbage) byte = static_cast<uint8_t>(random());
    if (garbage.size() > 13 && random() % 3 == 0) {
      garbage[12] = 0x08;  // an IPv4 EtherType now and then, to reach the inner layers
      garbage[13] = 0x00;
    }
    frames.push_back({garbage, i == 299 || random() % 4 != 0});
  }
  frames.push_back({Frame({}), true});
  const std::string log = Capture(frames);
  const std::string last = log.substr(0, log.find("Capture stopped:"));
  EXPECT_EQ(last.substr(last.rfind('\n', last.size() - 2) + 1), std::string(kPassed) + "\n");
}

}  // namespace
}  // namespace corvel
