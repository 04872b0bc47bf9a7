// The tunnel and compressed-header layers inside frame datalinks (InterPyx in
// VLAN, the compressed headers in XVLAN) and the full-header layer: good
// frames pass, damaged ones give their exact texts.
#include <gtest/gtest.h>

#include <functional>

#include "cell_capture.h"
#include "corvel/protocols/compressed_header/compressed_header.h"
#include "corvel/protocols/compressed_header/compressed_header_decap.h"
#include "corvel/protocols/full_header/full_header.h"
#include "corvel/protocols/full_header/full_header_decap.h"
#include "corvel/protocols/interpyx/interpyx.h"
#include "corvel/protocols/interpyx/interpyx_decap.h"
#include "corvel/protocols/vlan/vlan.h"

namespace corvel {
namespace {

using namespace corvel::test;

constexpr std::string_view kVlan = "001122334455" "0066778899aa" "8100" "6064" "0800";
constexpr std::string_view kXvlan = "001122334455" "0066778899aa" "8100" "6064" "0032" "aaaa03" "0000000800";
// CI 1, CT 1 (1000 0100), length computed, source 1, destination 2.
constexpr std::string_view kInterPyx = "8400" "0000" "0001" "0002";
constexpr size_t kVlanHeader = 18;
constexpr size_t kXvlanHeader = 26;

ProtocolStack interPyxStack(const char* sizes, std::string_view header = kInterPyx, int32_t level = 1) {
  InterPyxProtocolConfig interPyx(header);
  interPyx.setValidateLevel(level);
  return stackOf(taggedPayload(sizes), interPyx, VLanProtocolConfig(kVlan, "00000000"));
}

CompressedRtpProtocolConfig compressedRtp(const CompressedRtpOptions& options) {
  CompressedRtpProtocolConfig rtp;
  rtp.setOptions(options);
  rtp.buildHeader(true);
  rtp.setContextId(0x0102);
  rtp.setSequence(5);
  return rtp;
}
// Every delta and 2 CSRCs: 3 + 2 + 1 + 3 + 2 = 11 bytes, the CSRC count at
// header byte 5.
const CompressedRtpOptions kEveryDelta = {1, 1, 2, 3, 2};

ProtocolStack inXvlan(const ProtocolConfig& compressed, const char* sizes) {
  return stackOf(taggedPayload(sizes), compressed, XVLanProtocolConfig(kXvlan, "00000000"));
}
ProtocolStack compressedUdpStack(const char* sizes) {
  CompressedUdpProtocolConfig udp;
  udp.setOptions({.udpChecksum = 0x1234, .deltaIpv4Id = 7});
  udp.buildHeader(true);
  return inXvlan(udp, sizes);
}
ProtocolStack compressedNonTcpStack(const char* sizes) {
  CompressedNonTcpProtocolConfig nonTcp;
  nonTcp.buildHeader(true);
  nonTcp.setGeneration(3);
  return inXvlan(nonTcp, sizes);
}

struct Case {
  const char* what;
  std::function<ProtocolStack()> sent;      // the stream that built the frame
  std::function<ProtocolStack()> captured;  // the stream it is verified against
  std::function<void(Bytes&)> damage;
  std::string error;
  Warnings warnings;
};

void none(Bytes&) {}

const Case kCases[] = {
    // 100 bytes: length 0x0064; 10 bytes: length 10 in a VLAN frame padded
    // to its minimum, which the length field tells.
    {"InterPyx 100", [] { return interPyxStack("100"); }, nullptr, none, "", {}},
    {"InterPyx 10, padded", [] { return interPyxStack("10"); }, nullptr, none, "", {}},
    {"InterPyx length 99", [] { return interPyxStack("100"); }, nullptr,
     [](Bytes& f) { f[kVlanHeader + 3] = 0x63; },
     "InterPyx verification error, payload size does not equal internal size.", {}},
    // CT 7 (1001 1100) is refused by the CT setter; source and destination 0.
    {"InterPyx fields", [] { return interPyxStack("100", "9c00" "0000" "0000" "0000"); }, nullptr, none, "",
     {{"InterPyx warning, ", "Error, value must be 1, 2, or 4."},
      {"InterPyx warning, ", "SRC is zero"},
      {"InterPyx warning, ", "DEST is zero"}}},
    {"InterPyx fields, level 0", [] { return interPyxStack("100", "9c00" "0000" "0000" "0000", 0); }, nullptr,
     none, "", {}},
    {"compressed UDP, padded", [] { return compressedUdpStack("10"); }, nullptr, none, "", {}},
    {"compressed non-TCP", [] { return compressedNonTcpStack("10"); }, nullptr, none, "", {}},
    {"compressed RTP", [] { return inXvlan(compressedRtp({.udpChecksum = 1}), "10"); }, nullptr, none, "", {}},
    {"compressed RTP, every delta", [] { return inXvlan(compressedRtp(kEveryDelta), "40"); }, nullptr, none, "",
     {}},
    // Flags 0x45 (6 bytes) against a stream without the delta (5 bytes); the
    // compressed RTP layer reports with the compressed UDP texts.
    {"compressed RTP, a delta the stream lacks",
     [] { return inXvlan(compressedRtp({.udpChecksum = 1, .deltaRtpSequence = 9}), "40"); },
     [] { return inXvlan(compressedRtp({.udpChecksum = 1}), "40"); }, none,
     "CompressedUdp verification error, payload size does not equal internal size.", {}},
    {"compressed RTP, CSRC count 15 names 24 bytes", [] { return inXvlan(compressedRtp(kEveryDelta), "40"); },
     nullptr, [](Bytes& f) { f[kXvlanHeader + 5] = 0x0f; },
     "CompressedUdp verification error, payload size does not equal internal size.", {}},
};

TEST(InnerLayerCapture, FramesGiveTheirOutcome) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    const ProtocolStack sent = c.sent();
    auto builder = builderOf(sent);
    Bytes frame = nextFrames(*builder).at(0);
    c.damage(frame);
    CellCapture capture(c.captured ? c.captured() : sent);
    const std::optional<PduOutcome> outcome = capture.frame(frame);
    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome->error, c.error);
    EXPECT_EQ(outcome->warnings, c.warnings);
    if (c.error.empty()) {
      EXPECT_EQ(identityOf(outcome->identity), kFirstPduIdentity);
    }
  }
}

TEST(InnerLayerVerifier, SizesOfHandMadeLayers) {
  const InterPyxProtocolConfig interPyxConfig(kInterPyx);
  CompressedUdpProtocolConfig udpConfig;
  udpConfig.buildHeader(true);  // 5 bytes
  CompressedNonTcpProtocolConfig nonTcpConfig;
  nonTcpConfig.buildHeader(true);  // 6 bytes
  const CompressedRtpProtocolConfig rtpConfig = compressedRtp({.udpChecksum = 1});  // 5 bytes
  const FullHeaderProtocolConfig fullConfig;
  InterPyxDecapsulator interPyx(interPyxConfig);
  CompressedUdpDecapsulator udp(udpConfig);
  CompressedNonTcpDecapsulator nonTcp(nonTcpConfig);
  CompressedRtpDecapsulator rtp(rtpConfig);
  FullHeaderDecapsulator full(fullConfig);
  VerifyContext context;
  auto text = [&](Decapsulator& d, const Bytes& layer) {
    return throwText([&] { d.verify(ByteView(layer), context); });
  };

  EXPECT_EQ(throwText([&] { interPyx.verify(ByteView(), context); }),
            "InterPyx verification error, data pointer is null");
  EXPECT_EQ(text(interPyx, Bytes(5, 1)), "InterPyx verification error, not enough allocated memory to hold the header");
  EXPECT_EQ(text(interPyx, hex(kInterPyx)), "InterPyx verification error, payload size violates the minimal transfer unit.");
  EXPECT_EQ(text(interPyx, Bytes(8 + 8192, 1)),
            "InterPyx verification error, payload size violates the maximum transfer unit.");
  // Padding behind the layer: its length of 0 is taken, leaving nothing.
  context.padded = true;
  EXPECT_EQ(text(interPyx, cat({hex(kInterPyx), repeat(0xee, 5)})),
            "InterPyx verification error, protocol contains no payload.");

  EXPECT_EQ(text(udp, Bytes(4, 1)),
            "CompressedUdp verification error, not enough allocated memory to hold both the header & trailer");
  EXPECT_EQ(text(udp, Bytes(5, 1)), "CompressedUdp verification error, payload size violates the minimal transfer unit.");
  EXPECT_EQ(text(nonTcp, Bytes(65536, 1)),
            "CompressedNonTcp verification error, payload size violates the maximum transfer unit.");
  // Flags 0x80 name a CSRC count byte, a 6-byte header.
  EXPECT_EQ(text(rtp, hex("0102 85 0001 00")), "CompressedUdp verification error, payload size does not equal internal size.");
  EXPECT_EQ(rtp.verify(ByteView(hex("0102 05 0001 dddd")), context), 2);
  EXPECT_EQ(rtp.headerSize(), 5);

  EXPECT_EQ(throwText([&] { full.verify(ByteView(), context); }), "FullHeader verification error, data pointer is null");
  EXPECT_EQ(full.verify(ByteView(hex("4500 c302")), context), 4);
  EXPECT_EQ(full.headerSize(), 0);
}

}  // namespace
}  // namespace corvel
