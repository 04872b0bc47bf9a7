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

#include "corvel/protocols/ethernet.h"
#include "corvel/protocols/ipv4.h"
#include "corvel/protocols/payload_config.h"
#include "corvel/protocols/protocol_stack.h"
#include "corvel/protocols/udp.h"
#include "corvel/traffic/port_config.h"
#include "corvel/traffic/port_traffic_capture.h"

namespace corvel {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

// RFC 1071 sum of big-endian words.
uint32_t Sum16(const Bytes& bytes, size_t from, size_t count, uint32_t sum = 0) {
  for (size_t i = 0; i < count; i += 2) {
    sum += static_cast<uint32_t>(bytes[from + i] << 8) + (i + 1 < count ? bytes[from + i + 1] : 0);
  }
  return sum;
}
uint16_t Fold(uint32_t sum) {
  while (sum >> 16) sum = (sum & 0xffff) + (sum >> 16);
  return static_cast<uint16_t>(~sum);
}
// IEEE 802.3 CRC-32, bit by bit (reflected polynomial 0xEDB88320).
uint32_t Crc32(const Bytes& bytes) {
  uint32_t crc = 0xffffffffu;
  for (uint8_t byte : bytes) {
    crc ^= byte;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

struct FrameSpec {
  uint8_t txPort = 1;  // the port named by the payload tag
  uint8_t ttl = 64;
  int extraTotalLength = 0;
  bool badIpChecksum = false;
  bool flipPayloadByte = false;
  bool badFcs = false;
  size_t payload = 40;
};

// Ethernet / IPv4 10.0.0.1 -> 10.0.0.2 / UDP 1000 -> 2000 / payload whose tag
// names transmit port 0/`txPort`, receive port 0/0, stream 0, PDU 1.
Bytes Frame(const FrameSpec& spec) {
  Bytes f = {0x00, 0xa0, 0xc9, 0, 0, 2, 0x00, 0xa0, 0xc9, 0, 0, 1, 0x08, 0x00};
  const size_t ip = f.size();
  const size_t total = 20 + 8 + spec.payload;
  const size_t field = total + static_cast<size_t>(spec.extraTotalLength);
  Bytes ipHeader = {0x45, 0, static_cast<uint8_t>(field >> 8), static_cast<uint8_t>(field), 0, 0, 0, 0, spec.ttl, 17,
                    0, 0, 10, 0, 0, 1, 10, 0, 0, 2};
  f.insert(f.end(), ipHeader.begin(), ipHeader.end());
  uint16_t ipSum = Fold(Sum16(f, ip, 20));
  if (spec.badIpChecksum) ipSum ^= 0x0101;
  f[ip + 10] = static_cast<uint8_t>(ipSum >> 8);
  f[ip + 11] = static_cast<uint8_t>(ipSum);
  const size_t udp = f.size();
  const size_t udpLength = 8 + spec.payload;
  Bytes udpHeader = {0x03, 0xe8, 0x07, 0xd0, static_cast<uint8_t>(udpLength >> 8), static_cast<uint8_t>(udpLength), 0, 0};
  f.insert(f.end(), udpHeader.begin(), udpHeader.end());
  f.push_back(spec.txPort);  // tag: transmit device 0, port txPort
  f.push_back(0x00);         // receive 0/0
  f.push_back(0x00);         // stream 0
  f.push_back(0x01);         // PDU 1
  for (size_t i = 4; i < spec.payload; ++i) f.push_back(static_cast<uint8_t>(i));
  // Pseudo-header: addresses, protocol 17, UDP length; then the segment.
  uint32_t sum = Sum16(f, ip + 12, 8) + 17 + static_cast<uint32_t>(udpLength);
  uint16_t udpSum = Fold(Sum16(f, udp, udpLength, sum));
  if (udpSum == 0) udpSum = 0xffff;
  f[udp + 6] = static_cast<uint8_t>(udpSum >> 8);
  f[udp + 7] = static_cast<uint8_t>(udpSum);
  if (spec.flipPayloadByte) f[udp + 8 + 10] ^= 0x20;
  while (f.size() < 60) f.push_back(0);
  uint32_t fcs = Crc32(f);
  if (spec.badFcs) fcs ^= 1;
  for (int k = 0; k < 4; ++k) f.push_back(static_cast<uint8_t>(fcs >> (8 * k)));
  return f;
}

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
    if (!garbage.empty() && random() % 3 == 0) garbage[12] = 0x08, garbage.size() > 13 ? garbage[13] = 0 : 0;
    frames.push_back({garbage, i == 299 || random() % 4 != 0});
  }
  frames.push_back({Frame({}), true});
  const std::string log = Capture(frames);
  const std::string last = log.substr(0, log.find("Capture stopped:"));
  EXPECT_EQ(last.substr(last.rfind('\n', last.size() - 2) + 1), std::string(kPassed) + "\n");
}

}  // namespace
}  // namespace corvel
