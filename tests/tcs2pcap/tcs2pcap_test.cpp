// The tcs2pcap command line: outputs, set selection and order, PDU limits,
// payload-tag identities, link types and every way a run can fail.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tool_runner.h"
#include "tests/support/param_name.h"

namespace corvel {
namespace {

using namespace corvel::test;

bool IsLowerHex(const std::string& line) {
  return !line.empty() && line.size() % 2 == 0 &&
         line.find_first_not_of("0123456789abcdef") == std::string::npos;
}

// Hex digits of `bytes` bytes at byte `offset` of a hex line.
std::string At(const std::string& line, size_t offset, size_t bytes) { return line.substr(offset * 2, bytes * 2); }

TEST(Tcs2Pcap, HexLinesFollowTheSetOrderWithTheirStreamIndex) {
  const ToolResult run =
      RunTool("quickstart.tcs --hex --set udp_flows --set eth_ipv4_udp --pdus 1 --rx 1:2", ExamplesDir());
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<std::string> lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 4u);  // three loop stacks, then one stack, one PDU each
  for (const std::string& line : lines) EXPECT_TRUE(IsLowerHex(line)) << line;

  // The loop's stacks, one per flow: destination 10.1.0.N, port 500N.
  for (size_t i = 0; i < 3; ++i) {
    const std::string& line = lines[i];
    EXPECT_EQ(At(line, 30, 4), "0a01000" + std::to_string(i + 1)) << i;  // IPv4 destination
    EXPECT_EQ(At(line, 36, 2), "138" + std::string(1, "9ab"[i])) << i;  // UDP destination 5001..5003
  }
  // 18 payload bytes padded to the 60-byte minimum, plus the FCS.
  const std::string& last = lines[3];
  EXPECT_EQ(last.size(), 64u * 2);
  EXPECT_EQ(At(last, 0, 14), "00a0c900000200a0c90000010800");
  EXPECT_EQ(At(last, 14, 4), "4500002e");  // version 4, IHL 5, total length 46
  // Payload tag: transmit 0/1 for the flows and 0/0 for eth_ipv4_udp,
  // receive 1/2 (device in bits 7-5), stream index 0..3 by position among
  // the stacks written, PDU 1.
  for (size_t i = 0; i < 4; ++i) {
    const size_t payload = 14 + 20 + 8;
    EXPECT_EQ(At(lines[i], payload, 4), std::string(i < 3 ? "01" : "00") + "220" + std::to_string(i) + "01") << i;
  }
}

TEST(Tcs2Pcap, PcapAndHexCarryTheSameFrames) {
  const std::string pcap = TempPath("same.pcap");
  const ToolResult run = RunTool("quickstart.tcs -o '" + pcap + "' --hex", ExamplesDir());
  ASSERT_EQ(run.status, 0) << run.err;
  const PcapContents contents = ReadPcap(pcap);
  ASSERT_TRUE(contents.opened);
  EXPECT_EQ(contents.linkType, DLT_EN10MB);
  const std::vector<std::string> lines = Lines(run.out);
  ASSERT_EQ(lines.size(), contents.frames.size());
  for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(lines[i], Hex(contents.frames[i])) << i;
  std::remove(pcap.c_str());
}

TEST(Tcs2Pcap, PduLimit) {
  struct Case {
    const char* arguments;
    size_t frames;
  };
  const Case cases[] = {
      {"--set eth_ipv4_udp", 8},  // 4 sizes, 2 iterations: every PDU by default
      {"--set eth_ipv4_udp --pdus 3", 3},
      {"--set eth_ipv4_udp --pdus 100", 8},
      {"--set udp_flows --pdus 1", 3},  // the limit holds per stack
  };
  for (const Case& c : cases) {
    const ToolResult run = RunTool(std::string("quickstart.tcs --hex ") + c.arguments, ExamplesDir());
    EXPECT_EQ(run.status, 0) << c.arguments << run.err;
    EXPECT_EQ(Lines(run.out).size(), c.frames) << c.arguments;
  }
}

TEST(Tcs2Pcap, ConsoleLinesGoToStderr) {
  const ToolResult run = RunTool("quickstart.tcs --hex --pdus 1", ExamplesDir());
  ASSERT_EQ(run.status, 0);
  EXPECT_NE(run.err.find("Corvel> ------ Retreiving Streams ------\n"), std::string::npos) << run.err;
  EXPECT_EQ(run.out.find("Corvel>"), std::string::npos);
}

// A pcap stream's frames are its records as they stand, under their own link type.
TEST(Tcs2Pcap, PcapStreamWritesItsRecordsUnderTheirLinkType) {
  for (const int linkType : {DLT_EN10MB, DLT_USER0}) {
    const std::vector<Frame> records = {Frame(60, 0x11), Frame(1514, 0x22), Frame(42, 0x33)};
    WritePcap(TempPath("records.pcap"), linkType, records);
    const std::string tcs = TempPath("replay.tcs");
    std::ofstream(tcs) << "<corvel><streams><stream_set id=\"r\"><protocols><pcap_stream file=\"" +
                              TempPath("records.pcap").substr(::testing::TempDir().size()) +
                              "\"/></protocols></stream_set></streams></corvel>";
    const std::string pcap = TempPath("replayed.pcap");
    // Run from elsewhere: the capture file is found beside the TCS file.
    ASSERT_EQ(RunTool("'" + tcs + "' -o '" + pcap + "'", ExamplesDir()).status, 0) << linkType;
    const PcapContents contents = ReadPcap(pcap);
    EXPECT_EQ(contents.linkType, linkType);
    EXPECT_EQ(contents.frames, records) << linkType;
    for (const char* name : {"records.pcap", "replay.tcs", "replayed.pcap"}) std::remove(TempPath(name).c_str());
  }
}

TEST(Tcs2Pcap, CellsGetAUserLinkType) {
  const std::string pcap = TempPath("cells.pcap");
  ASSERT_EQ(RunTool("cells.tcs -o '" + pcap + "'").status, 0);
  const PcapContents contents = ReadPcap(pcap);
  EXPECT_EQ(contents.linkType, DLT_USER0);
  ASSERT_EQ(contents.frames.size(), 2u);
  // VPI 1, VCI 32 in every cell header.
  for (const Frame& cell : contents.frames) EXPECT_EQ(Hex(Frame(cell.begin(), cell.begin() + 4)), "00100202");
  std::remove(pcap.c_str());
}

// A misspelt attribute: one warning with its line and the name meant, and
// the frames are those of the file without it (the port goes out as 0).
TEST(Tcs2Pcap, MisspeltAttributeIsWarnedOfOnceAndIgnored) {
  const ToolResult run = RunTool("dst_port.tcs --hex");
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string warning = "Corvel> Warning, unknown attribute dst_port in <udp> is ignored; did you mean "
                              "\"dest_port\"?\nCorvel>   at dst_port.tcs:10, <udp> attribute dst_port=\"4000\"\n";
  const size_t at = run.err.find(warning);
  ASSERT_NE(at, std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("Warning", at + warning.size()), std::string::npos) << run.err;
  const std::vector<std::string> lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(At(lines[0], 34, 4), "04000000");  // UDP source 1024, destination 0
}

TEST(Tcs2Pcap, UsageErrorsExitWithTwo) {
  const char* cases[] = {
      "",                                         // no TCS file
      "quickstart.tcs",                           // no output
      "quickstart.tcs --hex --frobnicate",        // unknown option
      "quickstart.tcs other.tcs --hex",           // two files
      "quickstart.tcs -o",                        // option without its value
      "quickstart.tcs --hex --pdus 0",            // no PDU at all
      "quickstart.tcs --hex --pdus 12x",          // not a number
      "quickstart.tcs --hex --rx 8:0",            // device beyond 3 bits
      "quickstart.tcs --hex --rx 0:32",           // port beyond 5 bits
      "quickstart.tcs --hex --rx 1",              // no port
  };
  for (const char* arguments : cases) {
    const ToolResult run = RunTool(arguments, ExamplesDir());
    EXPECT_EQ(run.status, 2) << arguments;
    EXPECT_NE(run.err.find("usage: tcs2pcap FILE.tcs -o OUT.pcap"), std::string::npos) << arguments;
    EXPECT_EQ(run.out, "") << arguments;
  }
}

struct FailureCase {
  const char* arguments;
  const char* console;  // a line that must come before the tool's own
  const char* message;  // the tool's last line
};

class Tcs2PcapFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(Tcs2PcapFailure, ExitsWithOneAndLeavesNoFile) {
  const FailureCase& c = GetParam();
  const std::string pcap = TempPath("failed.pcap");
  const ToolResult run = RunTool(std::string(c.arguments) + " -o '" + pcap + "'");
  EXPECT_EQ(run.status, 1);
  const std::vector<std::string> lines = Lines(run.err);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), c.message);
  if (*c.console != '\0') {
    const size_t at = run.err.find(c.console);
    EXPECT_NE(at, std::string::npos) << run.err;
    EXPECT_LT(at, run.err.find(c.message));
  }
  EXPECT_FALSE(ReadPcap(pcap).opened) << "a failed run left " << pcap;
  std::remove(pcap.c_str());
}

INSTANTIATE_TEST_SUITE_P(
    Runs, Tcs2PcapFailure,
    ::testing::Values(
        FailureCase{"missing.tcs", "", "tcs2pcap: TCS configuration file does not exists."},
        FailureCase{"syntax_error.tcs", "Corvel> XML-PARSE-ERROR: on line 5",
                    "tcs2pcap: Error, the TCS file contains a bad parameter."},
        FailureCase{"bad_loop.tcs",
                    "Corvel> PARSE-ERROR, Element udp: unable to match protocol in for_table_entries "
                    "loop with protocol in the protocol stack (TcsStreamMgt)\n"
                    // the place line comes through the tool unchanged
                    "Corvel>   at bad_loop.tcs:18, <udp>, table entry at line 7\n",
                    "tcs2pcap: stream set \"loop\" cannot be built"},
        FailureCase{"cells.tcs --set nope", "", "tcs2pcap: no stream set \"nope\""},
        // A 100-byte payload does not fit one cell and ATM does not fragment.
        FailureCase{"cells_too_large.tcs", "",
                    "tcs2pcap: stream set \"cells\", stream 0: Payload exceeds the maximum transfer unit "
                    "size and the protocol does not allow fragmentation."}),
    test::NameFrom<&FailureCase::arguments>());

}  // namespace
}  // namespace corvel
