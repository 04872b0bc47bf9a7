// Independent check of tcs2pcap's output: tshark decodes the pcap files of
// every bundled example with frame check sequence and checksum validation
// on; no frame may be malformed or carry an error-level finding. Skipped
// where tshark is not installed. Damaged frames and a file written without
// CRCs show that the same check reports what it should.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tool_runner.h"

#ifdef CORVEL_HAVE_ZLIB
#include <zlib.h>
#endif

namespace corvel {
namespace {

using namespace corvel::test;

bool HaveTshark() { return std::system("command -v tshark >/dev/null 2>&1") == 0; }

// One decoded frame; every list holds one value per occurrence of the field
// (two IPv4 headers in a tunnel give two IPv4 statuses).
struct Decoded {
  std::vector<std::string> fcs, ip, udp, tcp, ipv6, vlan, malformed, severity;
};

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  if (text.empty()) return parts;
  size_t start = 0;
  for (size_t at; (at = text.find(separator, start)) != std::string::npos; start = at + 1) {
    parts.push_back(text.substr(start, at - start));
  }
  parts.push_back(text.substr(start));
  return parts;
}

std::vector<Decoded> Tshark(const std::string& path) {
  const std::string command =
      "tshark -n -r '" + path +
      "' -o eth.fcs:Always -o eth.check_fcs:TRUE -o ip.check_checksum:TRUE"
      " -o udp.check_checksum:TRUE -o tcp.check_checksum:TRUE -T fields -E 'separator=|'"
      " -E 'aggregator=;' -e eth.fcs.status -e ip.checksum.status -e udp.checksum.status"
      " -e tcp.checksum.status -e ipv6.dst -e vlan.id -e _ws.malformed -e _ws.expert.severity"
      " 2>/dev/null";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::vector<Decoded> frames;
  if (!pipe) return frames;
  std::string output;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe.get())) > 0;) output.append(buffer, n);
  for (const std::string& line : Lines(output)) {
    std::vector<std::string> fields = Split(line, '|');
    fields.resize(8);
    frames.push_back({Split(fields[0], ';'), Split(fields[1], ';'), Split(fields[2], ';'),
                      Split(fields[3], ';'), Split(fields[4], ';'), Split(fields[5], ';'),
                      Split(fields[6], ';'), Split(fields[7], ';')});
  }
  return frames;
}

bool AllGood(const std::vector<std::string>& statuses) {
  for (const std::string& status : statuses) {
    if (status != "1") return false;
  }
  return true;
}

// tshark's expert severities: chat 0x200000, note 0x400000, warning
// 0x600000, error 0x800000 (malformed packets, bad checksums).
bool HasError(const std::vector<std::string>& severities) {
  for (const std::string& severity : severities) {
    if (std::stoul(severity) >= 0x800000u) return true;
  }
  return false;
}

// The 802.3 frame check sequence: zlib's CRC-32 of the frame, least
// significant byte first on the wire.
void ExpectFcsByZlib(const Frame& frame, const std::string& where) {
#ifdef CORVEL_HAVE_ZLIB
  ASSERT_GE(frame.size(), 4u) << where;
  const uLong crc = ::crc32(::crc32(0L, Z_NULL, 0), frame.data(), static_cast<uInt>(frame.size() - 4));
  const Frame wire{static_cast<uint8_t>(crc), static_cast<uint8_t>(crc >> 8), static_cast<uint8_t>(crc >> 16),
                   static_cast<uint8_t>(crc >> 24)};
  EXPECT_EQ(Frame(frame.end() - 4, frame.end()), wire) << where;
#else
  (void)frame;
  (void)where;
#endif
}

std::vector<std::string> BundledExamples() {
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(ExamplesDir())) {
    if (entry.path().extension() == ".tcs") files.push_back(entry.path().filename().string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

TEST(TsharkCheck, BundledExamplesDecodeWithGoodChecksumsAndFcs) {
  if (!HaveTshark()) GTEST_SKIP() << "tshark is not installed";
  const std::vector<std::string> examples = BundledExamples();
  ASSERT_FALSE(examples.empty());
  for (const std::string& example : examples) {
    SCOPED_TRACE(example);
    const std::string pcap = TempPath(example + ".pcap");
    const ToolResult run = RunTool("'" + example + "' -o '" + pcap + "'", ExamplesDir());
    ASSERT_EQ(run.status, 0) << run.err;
    const PcapContents contents = ReadPcap(pcap);
    ASSERT_TRUE(contents.opened);
    EXPECT_EQ(contents.linkType, DLT_EN10MB);
    ASSERT_FALSE(contents.frames.empty());

    const std::vector<Decoded> decoded = Tshark(pcap);
    ASSERT_EQ(decoded.size(), contents.frames.size());
    for (size_t i = 0; i < decoded.size(); ++i) {
      const Decoded& d = decoded[i];
      const std::string where = "frame " + std::to_string(i + 1);
      EXPECT_EQ(d.fcs, std::vector<std::string>{"1"}) << where;
      EXPECT_TRUE(AllGood(d.ip) && AllGood(d.udp) && AllGood(d.tcp)) << where;
      EXPECT_TRUE(!d.ip.empty() || !d.ipv6.empty()) << where << ": no IP layer decoded";
      EXPECT_TRUE(d.malformed.empty()) << where;
      EXPECT_FALSE(HasError(d.severity)) << where;
      ExpectFcsByZlib(contents.frames[i], where);
    }
    std::remove(pcap.c_str());
  }
}

// The quickstart example shows every kind of stack it promises.
TEST(TsharkCheck, QuickstartHasUdpTcpIpv6AndVlanFrames) {
  if (!HaveTshark()) GTEST_SKIP() << "tshark is not installed";
  const std::string pcap = TempPath("quickstart_kinds.pcap");
  ASSERT_EQ(RunTool("quickstart.tcs -o '" + pcap + "'", ExamplesDir()).status, 0);
  int udp = 0, tcp = 0, ipv6 = 0, vlan = 0;
  for (const Decoded& d : Tshark(pcap)) {
    udp += !d.udp.empty();
    tcp += !d.tcp.empty();
    ipv6 += !d.ipv6.empty();
    vlan += !d.vlan.empty();
  }
  EXPECT_GT(udp, 0);
  EXPECT_GT(tcp, 0);
  EXPECT_GT(ipv6, 0);
  EXPECT_GT(vlan, 0);
  std::remove(pcap.c_str());
}

TEST(TsharkCheck, DamagedFramesAndMissingCrcsAreReported) {
  if (!HaveTshark()) GTEST_SKIP() << "tshark is not installed";
  // Without CRCs every frame keeps its all-zero frame check sequence.
  const std::string noCrc = TempPath("no_crc.pcap");
  ASSERT_EQ(RunTool("no_crc.tcs -o '" + noCrc + "'").status, 0);
  const std::vector<Decoded> plain = Tshark(noCrc);
  ASSERT_EQ(plain.size(), 2u);
  for (const Decoded& d : plain) {
    EXPECT_EQ(d.fcs, std::vector<std::string>{"0"});
    EXPECT_TRUE(AllGood(d.ip) && AllGood(d.udp));
    EXPECT_TRUE(HasError(d.severity));
  }

  // One payload byte changed after the frame was built: the UDP checksum and
  // the frame check sequence no longer match.
  const std::string good = TempPath("good.pcap");
  ASSERT_EQ(RunTool("quickstart.tcs --set eth_ipv4_udp --pdus 1 -o '" + good + "'", ExamplesDir()).status, 0);
  PcapContents contents = ReadPcap(good);
  ASSERT_EQ(contents.frames.size(), 1u);
  contents.frames[0][14 + 20 + 8 + 10] ^= 0x01;
  const std::string damaged = TempPath("damaged.pcap");
  WritePcap(damaged, DLT_EN10MB, contents.frames);
  const std::vector<Decoded> decoded = Tshark(damaged);
  ASSERT_EQ(decoded.size(), 1u);
  EXPECT_EQ(decoded[0].fcs, std::vector<std::string>{"0"});
  EXPECT_EQ(decoded[0].udp, std::vector<std::string>{"0"});
  EXPECT_TRUE(HasError(decoded[0].severity));
  for (const std::string& path : {noCrc, good, damaged}) std::remove(path.c_str());
}

// One TCP segment as tshark sees it: its raw sequence number, its payload
// length, its checksum status and the expert messages of the frame.
struct Segment {
  uint64_t sequence = 0;
  uint64_t length = 0;
  std::string checksum;
  std::string expert;
};

std::vector<Segment> TsharkSegments(const std::string& path) {
  const std::string command = "tshark -n -r '" + path +
                              "' -o tcp.check_checksum:TRUE -o tcp.relative_sequence_numbers:FALSE -T fields"
                              " -E 'separator=|' -E 'aggregator=;' -e tcp.seq_raw -e tcp.len -e tcp.checksum.status"
                              " -e _ws.expert.message 2>/dev/null";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::vector<Segment> segments;
  if (!pipe) return segments;
  std::string output;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe.get())) > 0;) output.append(buffer, n);
  for (const std::string& line : Lines(output)) {
    std::vector<std::string> fields = Split(line, '|');
    fields.resize(4);
    segments.push_back({std::stoull("0" + fields[0]), std::stoull("0" + fields[1]), fields[2], fields[3]});
  }
  return segments;
}

// seq_step="payload": every segment's sequence number is the previous one's
// plus its payload length (modulo 2^32), so tshark finds nothing out of
// order and every checksum, taken over the advanced number, holds. The same
// stream without it repeats its number and tshark says so.
TEST(TsharkCheck, TcpSequenceStepsByPayloadLength) {
  if (!HaveTshark()) GTEST_SKIP() << "tshark is not installed";
  struct Case {
    const char* set;
    bool stepped;
  };
  for (const Case& c : {Case{"stepped", true}, Case{"fixed", false}}) {
    SCOPED_TRACE(c.set);
    const std::string pcap = TempPath(std::string("seq_step_") + c.set + ".pcap");
    const ToolResult run = RunTool(std::string("tcp_seq_step.tcs --set ") + c.set + " -o '" + pcap + "'");
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<Segment> segments = TsharkSegments(pcap);
    const std::vector<uint64_t> lengths = {100, 1, 1400, 37, 100, 1, 1400, 37};
    ASSERT_EQ(segments.size(), lengths.size());
    uint64_t expected = 4294967000u;
    int outOfOrder = 0;
    for (size_t i = 0; i < segments.size(); ++i) {
      const Segment& segment = segments[i];
      EXPECT_EQ(segment.length, lengths[i]) << "frame " << i + 1;
      EXPECT_EQ(segment.sequence, c.stepped ? expected : 4294967000u) << "frame " << i + 1;
      EXPECT_EQ(segment.checksum, "1") << "frame " << i + 1;
      expected = (expected + segment.length) % 4294967296u;
      outOfOrder += segment.expert.find("out-of-order") != std::string::npos;  // "[TCP Out-Of-Order]"
    }
    if (c.stepped) {
      EXPECT_EQ(outOfOrder, 0);
    } else {
      EXPECT_GT(outOfOrder, 0);
    }
    std::remove(pcap.c_str());
  }
}

}  // namespace
}  // namespace corvel
