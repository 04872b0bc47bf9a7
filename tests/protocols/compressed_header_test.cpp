// Header-building rules of the compressed-header, full-header and
// context-state configurations, with byte images worked out by hand.
#include <gtest/gtest.h>

#include "corvel/protocols/compressed_header/compressed_header.h"
#include "corvel/protocols/context_state.h"
#include "corvel/protocols/full_header/full_header.h"
#include "corvel/protocols/protocol_stack.h"
#include "test_support.h"

namespace corvel {
namespace {

using test::headerOf;
using test::throwText;
using B = std::vector<uint8_t>;

TEST(CompressedRtp, LengthAndFlagsFollowTheGivenValues) {
  struct Row {
    const char* name;
    CompressedRtpOptions options;
    bool checksum;
    B image;  // context 0x1234, sequence 5
  };
  const Row rows[] = {
      {"nothing", {}, false, {0x12, 0x34, 0x05}},
      {"checksum only", {.udpChecksum = 0xbeef}, true, {0x12, 0x34, 0x05, 0xbe, 0xef}},
      {"checksum flag without value", {}, true, {0x12, 0x34, 0x05, 0x00, 0x00}},
      {"rtp sequence delta", {.deltaRtpSequence = 7}, true, {0x12, 0x34, 0x45, 0x00, 0x00, 0x07}},
      {"ipv4 and timestamp deltas",
       {.deltaIpv4Id = 1, .deltaRtpTimestamp = 3},
       false,
       {0x12, 0x34, 0x35, 0x01, 0x03}},
      {"csrc count without every delta is ignored",
       {.deltaIpv4Id = 1, .deltaRtpSequence = 2, .csrcCount = 3},
       false,
       {0x12, 0x34, 0x55, 0x01, 0x02}},
      {"all deltas and csrc count",
       {.udpChecksum = 0x0102, .deltaIpv4Id = 0x11, .deltaRtpSequence = 0x22, .deltaRtpTimestamp = 0x33,
        .csrcCount = 2},
       true,
       {0x12, 0x34, 0xf5, 0x01, 0x02, 0x02, 0x11, 0x22, 0x33, 0x00, 0x00}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    CompressedRtpProtocolConfig c;
    c.setOptions(row.options);
    c.buildHeader(row.checksum);
    c.setContextId(0x1234);
    c.setSequence(5);
    EXPECT_EQ(headerOf(c), row.image);
    EXPECT_TRUE(c.isBuilt());
  }
}

TEST(CompressedRtp, OptionRangesAndBuildOrder) {
  CompressedRtpProtocolConfig c;
  EXPECT_EQ(throwText([&] { c.setContextId(1); }), "No memory not allocated for CompressedRtp");
  EXPECT_EQ(throwText([&] { c.setSequence(1); }), "No memory not allocated for CompressedRtp");
  EXPECT_EQ(throwText([&] { c.setOptions({.deltaIpv4Id = 256}); }), "value must be 0 thru 255");
  EXPECT_EQ(throwText([&] { c.setOptions({.deltaRtpTimestamp = -1}); }), "value must be 0 thru 255");
  EXPECT_EQ(throwText([&] { c.setOptions({.udpChecksum = 65536}); }), "value must be 0 thru 65535");
  EXPECT_EQ(throwText([&] { c.setOptions({.csrcCount = 16}); }), "value must be 0 thru 15");
  EXPECT_EQ(c.headerLength(), 0);
  c.buildHeader(true);
  EXPECT_EQ(c.headerLength(), 5);
  EXPECT_EQ(throwText([&] { c.buildHeader(true); }), "Memory already allocated for CompressedRtp");
  EXPECT_EQ(throwText([&] { c.setOptions({}); }), "Memory already allocated for CompressedRtp");
}

TEST(CompressedUdp, Layouts) {
  CompressedUdpProtocolConfig plain;
  plain.buildHeader(false);
  plain.setContextId(0xabcd);
  plain.setSequence(15);
  EXPECT_EQ(headerOf(plain), (B{0xab, 0xcd, 0x0f}));

  CompressedUdpProtocolConfig full;
  full.setOptions({.udpChecksum = 0x4321, .deltaIpv4Id = 9});
  full.buildHeader(true);
  full.setSequence(2);
  EXPECT_EQ(headerOf(full), (B{0x00, 0x00, 0x12, 0x43, 0x21, 0x09}));

  CompressedUdpProtocolConfig deltaOnly;
  deltaOnly.setOptions({.deltaIpv4Id = 200});
  deltaOnly.buildHeader(false);
  EXPECT_EQ(headerOf(deltaOnly), (B{0x00, 0x00, 0x10, 200}));

  CompressedUdpProtocolConfig unbuilt;
  EXPECT_EQ(throwText([&] { unbuilt.setContextId(1); }), "No memory not allocated for CompressedUdp");
  unbuilt.buildHeader(true);
  EXPECT_EQ(throwText([&] { unbuilt.buildHeader(false); }), "Memory already allocated for CompressedUdp");
}

TEST(CompressedNonTcp, Layout) {
  CompressedNonTcpProtocolConfig c;
  EXPECT_EQ(throwText([&] { c.setGeneration(1); }), "memory not allocated");
  c.setOptions(0x0a0b);
  c.buildHeader(true);
  c.setContextId(0x1234);
  c.setGeneration(0x2a);
  c.setSequence(3);
  EXPECT_EQ(headerOf(c), (B{0x12, 0xea, 0x34, 0x03, 0x0a, 0x0b}));
  EXPECT_EQ(c.contextId(), 0x1234u);
  EXPECT_EQ(throwText([&] { c.buildHeader(true); }), "Memory already allocated for CompressedNonTcp");

  CompressedNonTcpProtocolConfig short4;
  short4.buildHeader(false);
  EXPECT_EQ(headerOf(short4), (B{0x00, 0xc0, 0x00, 0x00}));
}

TEST(CompressedHeaders, CloneKeepsTheBuiltHeader) {
  CompressedRtpProtocolConfig c;
  c.setOptions({.deltaRtpSequence = 1});
  c.buildHeader(true);
  c.setContextId(7);
  const auto copy = c.clone();
  EXPECT_EQ(headerOf(*copy), headerOf(c));
  EXPECT_EQ(throwText([&] { static_cast<CompressedRtpProtocolConfig&>(*copy).buildHeader(true); }),
            "Memory already allocated for CompressedRtp");
}

TEST(FullHeader, LengthFieldValues) {
  FullHeaderProtocolConfig c;
  EXPECT_EQ(c.headerLength(), 2);
  EXPECT_EQ(c.trailerLength(), 2);
  c.setGeneration(5);
  c.setSequence(9);
  c.setContextId(0x0102);
  EXPECT_EQ(headerOf(c), (B{0xc5, 0x09}));
  EXPECT_EQ(test::trailerOf(c), (B{0x01, 0x02}));
  EXPECT_EQ(c.firstLengthValue(), 0xc509);
  EXPECT_EQ(c.secondLengthValue(), 0x0102);
  EXPECT_EQ(throwText([&] { c.setContextId(65536); }), "value must be 0 thru 65535");
  EXPECT_EQ(c.contextId(), 0x0102u);
}

TEST(ContextState, MessageLayout) {
  EXPECT_EQ(throwText([] { ContextStateProtocolConfig(0); }), "context count must 1 thru 255");
  EXPECT_EQ(throwText([] { ContextStateProtocolConfig(256); }), "context count must 1 thru 255");
  ContextStateProtocolConfig largest(255);
  EXPECT_EQ(largest.headerLength(), 2 + 4 * 255);

  ContextStateProtocolConfig c(2);
  c.setContextId(0, 0x0a0b);
  c.setInvalidate(0, 1);
  c.setSequence(0, 3);
  c.setGeneration(0, 0x21);
  c.setContextId(1, 0xffff);
  EXPECT_EQ(headerOf(c), (B{0x02, 0x02, 0x0a, 0x0b, 0x83, 0x21, 0xff, 0xff, 0x00, 0x00}));
  EXPECT_EQ(c.payloadKind(), PayloadKind::ContextState);
}

}  // namespace
}  // namespace corvel
