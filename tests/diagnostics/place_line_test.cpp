// Every report of a load is followed by the line naming its place in the TCS
// file. Each case loads a small file with one fault through the controller
// and expects the report and its place line, together and exactly (@FILE@
// stands for the file's path).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "corvel/base/text_error.h"
#include "corvel/host/corvel.h"
#include "tests/support/console_capture.h"

namespace corvel {
namespace {

struct PlaceCase {
  const char* name;
  const char* tcs;
  const char* lines;  // the report and its place line
};
void PrintTo(const PlaceCase& c, std::ostream* out) { *out << c.name; }

std::string Replaced(std::string text, const std::string& marker, const std::string& by) {
  for (size_t at = 0; (at = text.find(marker, at)) != std::string::npos; at += by.size())
    text.replace(at, marker.size(), by);
  return text;
}

// The stream set "s" (protocols and loop given by the case) assigned to
// receive port 0/0; tables go before it. Lines are counted in the cases.
#define TCS(tables, set, port)                                           \
  "<?xml version=\"1.0\"?>\n<corvel>\n" tables "<streams>\n<stream_set id=\"s\">\n" set \
  "</stream_set>\n</streams>\n<rx_ports>\n<p device=\"0\" port=\"0\">\n" port         \
  "</p>\n</rx_ports>\n</corvel>\n"
#define STACK(udp)                                                               \
  "<protocols>\n<ethernet/>\n<ipv4/>\n" udp "\n<payload/>\n</protocols>\n"
#define ASSIGN "<assign_stream_set id=\"s\"/>\n"
// Lines 3-8: a plain table of two entries (lines 6 and 7).
#define FLOWS(second)                                                          \
  "<table_entries>\n<flow id=\"flows\">\n<flow.defaults port=\"5000\"/>\n" \
  "<flow.entry port=\"5001\"/>\n<flow.entry port=\"" second "\"/>\n</flow>\n"
#define END_TABLES "</table_entries>\n"

const PlaceCase kCases[] = {
    {"ProtocolAttribute", TCS("", STACK("<udp src_port=\"1\" dest_port=\"70000\"/>"), ASSIGN),
     "Corvel> PARSE-ERROR, Element udp: value must be 0 thru 65535 (TcsUdpProtocol)\n"
     "Corvel>   at @FILE@:8, <udp> attribute dest_port=\"70000\"\n"},
    // The value came from the second entry (line 7) through the loop element (line 19).
    {"TableEntry",
     TCS(FLOWS("70000") END_TABLES,
         STACK("<udp dest_port=\"1\"/>") "<for_table_entries id=\"flows\">\n<udp dest_port=\"port\"/>\n"
                                         "</for_table_entries>\n",
         ASSIGN),
     "Corvel> PARSE-ERROR, Element udp: value must be 0 thru 65535 (TcsUdpProtocol)\n"
     "Corvel>   at @FILE@:19, <udp> attribute dest_port=\"70000\", table entry at line 7\n"},
    // A value the copy has of its own names the copy's line (ipv4, line 14).
    {"LoopCopyOwnValue",
     TCS(FLOWS("5002") END_TABLES,
         "<protocols>\n<ethernet/>\n<ipv4 ttl=\"300\"/>\n<udp/>\n<payload/>\n</protocols>\n"
         "<for_table_entries id=\"flows\">\n<udp dest_port=\"port\"/>\n</for_table_entries>\n",
         ASSIGN),
     "Corvel> PARSE-ERROR, Element ipv4: Error, ST value must be 0 thru 255 (TcsIpv4Protocol)\n"
     "Corvel>   at @FILE@:14, <ipv4> attribute ttl=\"300\", table entry at line 6\n"},
    {"LoopElementUnmatched",
     TCS(FLOWS("5002") END_TABLES,
         STACK("<udp/>") "<for_table_entries id=\"flows\">\n<tcp dest_port=\"port\"/>\n</for_table_entries>\n",
         ASSIGN),
     "Corvel> PARSE-ERROR, Element tcp: unable to match protocol in for_table_entries loop with "
     "protocol in the protocol stack (TcsStreamMgt)\n"
     "Corvel>   at @FILE@:19, <tcp>, table entry at line 6\n"},
    {"LoopElementWarning",
     TCS(FLOWS("5002") END_TABLES,
         STACK("<udp/>") "<for_table_entries id=\"flows\">\n<udp src_port=\"\"/>\n</for_table_entries>\n",
         ASSIGN),
     "Unable to reference attribute: src_port\n"
     "Corvel>   at @FILE@:19, <udp> attribute src_port=\"\", table entry at line 6\n"},
    // An entry of a loop table names its template (line 7).
    {"LoopTableTemplate",
     TCS("<table_entries>\n<t id=\"t\">\n<t.defaults port=\"1\"/>\n"
         "<for id=\"i\" first=\"69999\" last=\"70000\" incr=\"1\">\n<entry port=\"#i;\"/>\n</for>\n</t>\n"
         END_TABLES,
         STACK("<udp/>") "<for_table_entries id=\"t\">\n<udp dest_port=\"port\"/>\n</for_table_entries>\n",
         ASSIGN),
     "Corvel> PARSE-ERROR, Element udp: value must be 0 thru 65535 (TcsUdpProtocol)\n"
     "Corvel>   at @FILE@:20, <udp> attribute dest_port=\"69999\", table entry at line 7\n"},
    {"LoopTableDefinition",
     TCS("<table_entries>\n<t id=\"t\">\n<t.defaults port=\"1\"/>\n"
         "<for id=\"i\" first=\"1\" last=\"3\" incr=\"0\">\n<entry port=\"#i;\"/>\n</for>\n</t>\n" END_TABLES,
         STACK("<udp/>") "<for_table_entries id=\"t\">\n<udp dest_port=\"port\"/>\n</for_table_entries>\n",
         ASSIGN),
     "Corvel> PARSE-ERROR: loop variable i of table t has an increment below 1 (TcsStreamMgt)\n"
     "Corvel>   at @FILE@:6, <for> attribute incr=\"0\"\n"},
    {"PortElement", TCS("", STACK("<udp/>"), "<assign_stream_set id=\"nope\"/>\n"),
     "Corvel> PARSE-ERROR: stream_set not found (TcsRxPortMgt)\n"
     "Corvel>   at @FILE@:15, <assign_stream_set> attribute id=\"nope\"\n"},
    // Two attributes are at fault: the element alone is named.
    {"PortElementTwoAttributes",
     TCS("", STACK("<udp/>"),
         "<sequentialinterleave_streamdistribution min_framecount=\"5\" max_framecount=\"3\"/>\n"),
     "Corvel> PARSE-ERROR: Minimum frame count must be <= Maximum frame count (TcsRxPortMgt)\n"
     "Corvel>   at @FILE@:15, <sequentialinterleave_streamdistribution>\n"},
    // Untrusted text: cut after 80 bytes, quote, backslash, tab and non-ASCII escaped.
    {"UntrustedValue",
     TCS("",
         "<protocols>\n<ethernet hdr=\"&quot;x&#9;\\\xc3\xa9"
         "zzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzz\"/>\n"
         "<payload/>\n</protocols>\n",
         ASSIGN),
     "Corvel> PARSE-ERROR, Element ethernet: HDR must be a hex string (TcsEthernetProtocol)\n"
     "Corvel>   at @FILE@:6, <ethernet> attribute hdr=\"\\\"x\\t\\\\\\xc3\\xa9"
     "zzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzz\"...\n"},
    // Thrown past the manager: the controller's report, then the place.
    {"DuplicateStreamSet",
     TCS("", STACK("<udp/>") "</stream_set>\n<stream_set id=\"s\">\n" STACK("<udp/>"), ASSIGN),
     "Corvel> ERROR: [duplicate stream set]\n"
     "Corvel>   at @FILE@:12, <stream_set> attribute id=\"s\"\n"},
};

class PlaceLine : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(PlaceLine, FollowsTheReport) {
  const PlaceCase& c = GetParam();
  const std::string path = ::testing::TempDir() + "place_" + c.name + ".tcs";
  std::ofstream(path) << c.tcs;
  test::ConsoleCapture console;
  {
    Corvel corvel;
    corvel.registerPort(WorkbenchPort{1, 0, 0, 100, 8, 66});
    try {
      // A warning lets the load go on; an error ends it.
      (void)corvel.LoadTcs(path.c_str());
    } catch (const TextError&) {
      // Messages thrown past the manager also leave the controller.
    }
  }
  std::remove(path.c_str());
  const std::string transcript = console.take();
  EXPECT_THAT(transcript, ::testing::HasSubstr("\n" + Replaced(c.lines, "@FILE@", path)));
  // A report is followed by one place line only.
  EXPECT_THAT(transcript, ::testing::Not(::testing::ContainsRegex("Corvel>   at [^\n]*\nCorvel>   at ")));
}

INSTANTIATE_TEST_SUITE_P(Faults, PlaceLine, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Policies have no reader yet: a policy_set fault is not read, so it reports nothing.

}  // namespace
}  // namespace corvel
