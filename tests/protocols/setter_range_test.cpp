// Every numeric setter: the accepted range, the exact message outside it, the
// bits it owns (hand-written byte images) and that a refused value leaves the
// header unchanged.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "corvel/protocols/atm/atm.h"
#include "corvel/protocols/compressed_header/compressed_header.h"
#include "corvel/protocols/context_state.h"
#include "corvel/protocols/dslam/dslam.h"
#include "corvel/protocols/full_header/full_header.h"
#include "corvel/protocols/hex_text.h"
#include "corvel/protocols/interpyx/interpyx.h"
#include "corvel/protocols/ipv4/ipv4.h"
#include "corvel/protocols/ipv6/ipv6.h"
#include "corvel/protocols/rtp/rtp.h"
#include "corvel/protocols/tcp/tcp.h"
#include "corvel/protocols/udp/udp.h"
#include "corvel/protocols/vlan/vlan.h"
#include "test_support.h"

namespace corvel {
namespace {

using test::headerOf;
using test::throwText;
using test::zeros;

struct RangeRow {
  const char* name;
  std::function<std::unique_ptr<ProtocolConfig>()> make;
  std::function<void(ProtocolConfig&, int64_t)> set;
  std::function<uint64_t(const ProtocolConfig&)> get;
  int64_t max;
  const char* message;
  size_t offset;      // where `image` starts
  const char* image;  // header bytes at `offset` after setting `max` on a fresh configuration
};

#define SET(C, m) [](ProtocolConfig& c, int64_t v) { static_cast<C&>(c).m(v); }
#define GET(C, m) [](const ProtocolConfig& c) -> uint64_t { return static_cast<const C&>(c).m(); }
#define MAKE(C, ...) []() -> std::unique_ptr<ProtocolConfig> { return std::make_unique<C>(__VA_ARGS__); }

std::unique_ptr<ProtocolConfig> builtRtp() {
  auto c = std::make_unique<CompressedRtpProtocolConfig>();
  c->buildHeader(true);
  return c;
}
std::unique_ptr<ProtocolConfig> builtUdp() {
  auto c = std::make_unique<CompressedUdpProtocolConfig>();
  c->buildHeader(true);
  return c;
}
std::unique_ptr<ProtocolConfig> builtNonTcp() {
  auto c = std::make_unique<CompressedNonTcpProtocolConfig>();
  c->buildHeader(true);
  return c;
}

// Context-state entry 1 of 2 (bytes 6-9 of the message).
#define CTX_SET(m) [](ProtocolConfig& c, int64_t v) { static_cast<ContextStateProtocolConfig&>(c).m(1, v); }
#define CTX_GET(m) \
  [](const ProtocolConfig& c) -> uint64_t { return static_cast<const ContextStateProtocolConfig&>(c).m(1); }

const std::vector<RangeRow>& rows() {
  static const std::vector<RangeRow> table = {
      {"ipv4 version", MAKE(IpV4ProtocolConfig, zeros(40)), SET(IpV4ProtocolConfig, setVersion),
       GET(IpV4ProtocolConfig, version), 15, "Error, VER field value must be 0 thru 15", 0, "f0"},
      {"ipv4 total length", MAKE(IpV4ProtocolConfig, zeros(40)), SET(IpV4ProtocolConfig, setTotalLength),
       GET(IpV4ProtocolConfig, totalLength), 65535, "Error, LEN field value must be 0 thru 65535", 2, "ffff"},
      {"ipv4 ttl", MAKE(IpV4ProtocolConfig, zeros(40)), SET(IpV4ProtocolConfig, setTimeToLive),
       GET(IpV4ProtocolConfig, timeToLive), 255, "Error, ST value must be 0 thru 255", 8, "ff"},
      {"ipv4 protocol", MAKE(IpV4ProtocolConfig, zeros(40)), SET(IpV4ProtocolConfig, setProtocol),
       GET(IpV4ProtocolConfig, protocol), 255, "Error, PRC value must be 0 thru 255", 9, "ff"},

      {"udp source", MAKE(UdpProtocolConfig, zeros(16)), SET(UdpProtocolConfig, setSourcePort),
       GET(UdpProtocolConfig, sourcePort), 65535, "value must be 0 thru 65535", 0, "ffff"},
      {"udp destination", MAKE(UdpProtocolConfig, zeros(16)), SET(UdpProtocolConfig, setDestinationPort),
       GET(UdpProtocolConfig, destinationPort), 65535, "value must be 0 thru 65535", 2, "ffff"},
      {"udp length", MAKE(UdpProtocolConfig, zeros(16)), SET(UdpProtocolConfig, setLength),
       GET(UdpProtocolConfig, length), 65535, "value exceeds length range", 4, "ffff"},

      {"tcp source", MAKE(TcpProtocolConfig, zeros(40)), SET(TcpProtocolConfig, setSourcePort),
       GET(TcpProtocolConfig, sourcePort), 65535, "value exceeds source port range", 0, "ffff"},
      {"tcp destination", MAKE(TcpProtocolConfig, zeros(40)), SET(TcpProtocolConfig, setDestinationPort),
       GET(TcpProtocolConfig, destinationPort), 65535, "value exceeds destination port range", 2, "ffff"},

      {"atm vpi", MAKE(AtmProtocolConfig, zeros(8)), SET(AtmProtocolConfig, setVpi), GET(AtmProtocolConfig, vpi),
       255, "value exceeds vpi range", 0, "0ff0"},
      {"atm vci", MAKE(AtmProtocolConfig, zeros(8)), SET(AtmProtocolConfig, setVci), GET(AtmProtocolConfig, vci),
       65535, "value exceeds vci range", 1, "0ffff0"},
      {"atm pti", MAKE(AtmProtocolConfig, zeros(8)), SET(AtmProtocolConfig, setPti), GET(AtmProtocolConfig, pti),
       1, "value exceeds pti range", 3, "02"},
      {"atm clp", MAKE(AtmProtocolConfig, zeros(8)), SET(AtmProtocolConfig, setClp), GET(AtmProtocolConfig, clp),
       1, "value exceeds clp range", 3, "01"},

      {"dslam pt", MAKE(DSlamProtocolConfig, zeros(16)), SET(DSlamProtocolConfig, setPt),
       GET(DSlamProtocolConfig, pt), 1, "Error, value must be 1 or 0.", 0, "80"},
      {"dslam ppn", MAKE(DSlamProtocolConfig, zeros(16)), SET(DSlamProtocolConfig, setPpn),
       GET(DSlamProtocolConfig, ppn), 2047, "Error, PPN field value must be 0 thru 2047", 2, "1ffc"},
      {"dslam vpi", MAKE(DSlamProtocolConfig, zeros(16)), SET(DSlamProtocolConfig, setVpi),
       GET(DSlamProtocolConfig, vpi), 255, "value exceeds vpi range", 4, "0ff0"},
      {"dslam vci", MAKE(DSlamProtocolConfig, zeros(16)), SET(DSlamProtocolConfig, setVci),
       GET(DSlamProtocolConfig, vci), 65535, "value exceeds vci range", 5, "0ffff0"},
      {"dslam pti", MAKE(DSlamProtocolConfig, zeros(16)), SET(DSlamProtocolConfig, setPti),
       GET(DSlamProtocolConfig, pti), 1, "value exceeds pti range", 7, "02"},
      {"dslam clp", MAKE(DSlamProtocolConfig, zeros(16)), SET(DSlamProtocolConfig, setClp),
       GET(DSlamProtocolConfig, clp), 1, "value exceeds clp range", 7, "01"},

      {"interpyx ci", MAKE(InterPyxProtocolConfig, zeros(16)), SET(InterPyxProtocolConfig, setCi),
       GET(InterPyxProtocolConfig, ci), 1, "Error, value must be 1 or 0.", 0, "80"},
      {"interpyx ai", MAKE(InterPyxProtocolConfig, zeros(16)), SET(InterPyxProtocolConfig, setAi),
       GET(InterPyxProtocolConfig, ai), 1, "Error, value must be 1 or 0.", 0, "40"},
      {"interpyx mi", MAKE(InterPyxProtocolConfig, zeros(16)), SET(InterPyxProtocolConfig, setMi),
       GET(InterPyxProtocolConfig, mi), 1, "Error, value must be 1 or 0.", 0, "20"},
      {"interpyx clp", MAKE(InterPyxProtocolConfig, zeros(16)), SET(InterPyxProtocolConfig, setClp),
       GET(InterPyxProtocolConfig, clp), 1, "Error, value must be 1 or 0.", 0, "02"},
      {"interpyx pri", MAKE(InterPyxProtocolConfig, zeros(16)), SET(InterPyxProtocolConfig, setPri),
       GET(InterPyxProtocolConfig, pri), 31, "Error, value must be 0 thru 31", 0, "01f0"},
      {"interpyx st", MAKE(InterPyxProtocolConfig, zeros(16)), SET(InterPyxProtocolConfig, setSt),
       GET(InterPyxProtocolConfig, st), 15, "Error, value must be 0 thru 15", 1, "0f"},
      {"interpyx length units", MAKE(InterPyxProtocolConfig, zeros(16)),
       SET(InterPyxProtocolConfig, setLengthUnits), GET(InterPyxProtocolConfig, lengthUnits), 8191,
       "Error, value must be 0 thru 8191", 2, "fff8"},
      {"interpyx length remainder", MAKE(InterPyxProtocolConfig, zeros(16)),
       SET(InterPyxProtocolConfig, setLengthRemainder), GET(InterPyxProtocolConfig, lengthRemainder), 7,
       "Error, value must be 0 thru 7.", 3, "07"},
      {"interpyx source", MAKE(InterPyxProtocolConfig, zeros(16)), SET(InterPyxProtocolConfig, setSource),
       GET(InterPyxProtocolConfig, source), 65535, "Error, value must be 0 thru 65535", 4, "ffff"},
      {"interpyx destination", MAKE(InterPyxProtocolConfig, zeros(16)),
       SET(InterPyxProtocolConfig, setDestination), GET(InterPyxProtocolConfig, destination), 65535,
       "Error, value must be 0 thru 65535", 6, "ffff"},

      {"ipv6 version", MAKE(IpV6ProtocolConfig, zeros(80)), SET(IpV6ProtocolConfig, setVersion),
       GET(IpV6ProtocolConfig, version), 15, "VER field value must be 0 thru 15", 0, "f0"},
      {"ipv6 traffic class", MAKE(IpV6ProtocolConfig, zeros(80)), SET(IpV6ProtocolConfig, setTrafficClass),
       GET(IpV6ProtocolConfig, trafficClass), 255, "TC value must be 0 thru 255", 0, "0ff0"},
      {"ipv6 flow label", MAKE(IpV6ProtocolConfig, zeros(80)),
       [](ProtocolConfig& c, int64_t v) { static_cast<IpV6ProtocolConfig&>(c).setFlowLabel(v, false); },
       GET(IpV6ProtocolConfig, flowLabel), 1048575, "FL field value must be 0 thru 1048575", 1, "0fffff"},
      {"ipv6 payload length", MAKE(IpV6ProtocolConfig, zeros(80)), SET(IpV6ProtocolConfig, setPayloadLength),
       GET(IpV6ProtocolConfig, payloadLength), 65535, "LEN field value must be 0 thru 65535", 4, "ffff"},
      {"ipv6 next header", MAKE(IpV6ProtocolConfig, zeros(80)), SET(IpV6ProtocolConfig, setNextHeader),
       GET(IpV6ProtocolConfig, nextHeader), 255, "NH value must be 0 thru 255", 6, "ff"},
      {"ipv6 hop limit", MAKE(IpV6ProtocolConfig, zeros(80)), SET(IpV6ProtocolConfig, setHopLimit),
       GET(IpV6ProtocolConfig, hopLimit), 255, "HL value must be 0 thru 255", 7, "ff"},

      {"rtp version", MAKE(RtpProtocolConfig, zeros(24)), SET(RtpProtocolConfig, setVersion),
       GET(RtpProtocolConfig, version), 3, "Error, VER field value must be 0 thru 3", 0, "c0"},
      {"rtp padding", MAKE(RtpProtocolConfig, zeros(24)), SET(RtpProtocolConfig, setPadding),
       GET(RtpProtocolConfig, padding), 1, "Error, value must be 1 or 0.", 0, "20"},
      {"rtp extension", MAKE(RtpProtocolConfig, zeros(24)), SET(RtpProtocolConfig, setExtension),
       GET(RtpProtocolConfig, extension), 1, "Error, value must be 1 or 0.", 0, "10"},
      {"rtp csrc count", MAKE(RtpProtocolConfig, zeros(24)), SET(RtpProtocolConfig, setCsrcCount),
       GET(RtpProtocolConfig, csrcCount), 15, "Error, CC field value must be 0 thru 15", 0, "0f"},
      {"rtp marker", MAKE(RtpProtocolConfig, zeros(24)), SET(RtpProtocolConfig, setMarker),
       GET(RtpProtocolConfig, marker), 1, "Error, value must be 1 or 0.", 1, "80"},
      {"rtp payload type", MAKE(RtpProtocolConfig, zeros(24)), SET(RtpProtocolConfig, setPayloadType),
       GET(RtpProtocolConfig, payloadType), 127, "Error, PT field value must be 0 thru 127", 1, "7f"},
      {"rtp sequence", MAKE(RtpProtocolConfig, zeros(24)), SET(RtpProtocolConfig, setSequenceNumber),
       GET(RtpProtocolConfig, sequenceNumber), 65535, "Error, SEQ field value must be 0 thru 65535", 2, "ffff"},
      {"rtp timestamp", MAKE(RtpProtocolConfig, zeros(24)), SET(RtpProtocolConfig, setTimestamp),
       GET(RtpProtocolConfig, timestamp), 4294967295LL, "Error, TS field value must be 0 thru 4294967295", 4,
       "ffffffff"},
      {"rtp ssrc", MAKE(RtpProtocolConfig, zeros(24)), SET(RtpProtocolConfig, setSsrc), GET(RtpProtocolConfig, ssrc),
       4294967295LL, "Error, SSRC field value must be 0 thru 4294967295", 8, "ffffffff"},

      {"vlan protocol id", MAKE(VLanProtocolConfig, zeros(36), zeros(8)), SET(VLanProtocolConfig, setProtocolId),
       GET(VLanProtocolConfig, protocolId), 65535, "Error, LEN field value must be 0 thru 65535", 12, "ffff"},
      {"vlan priority", MAKE(VLanProtocolConfig, zeros(36), zeros(8)), SET(VLanProtocolConfig, setPriority),
       GET(VLanProtocolConfig, priority), 7, "Error, PRI field value must be 0 thru 7", 14, "e0"},
      {"vlan cfi", MAKE(VLanProtocolConfig, zeros(36), zeros(8)), SET(VLanProtocolConfig, setCfi),
       GET(VLanProtocolConfig, cfi), 1, "Error, CFI value must be 1 or 0.", 14, "10"},
      {"vlan id", MAKE(VLanProtocolConfig, zeros(36), zeros(8)), SET(VLanProtocolConfig, setVlanId),
       GET(VLanProtocolConfig, vlanId), 4095, "Error, ID value must be 0 thru 4095", 14, "0fff"},
      {"vlan ether type", MAKE(VLanProtocolConfig, zeros(36), zeros(8)), SET(VLanProtocolConfig, setEtherType),
       GET(VLanProtocolConfig, etherType), 65535, "value must be 0 thru 65535", 16, "ffff"},

      {"xvlan priority", MAKE(XVLanProtocolConfig, zeros(52), zeros(8)), SET(XVLanProtocolConfig, setPriority),
       GET(XVLanProtocolConfig, priority), 7, "Error, PRI field value must be 0 thru 7", 14, "e0"},
      {"xvlan id", MAKE(XVLanProtocolConfig, zeros(52), zeros(8)), SET(XVLanProtocolConfig, setVlanId),
       GET(XVLanProtocolConfig, vlanId), 4095, "Error, ID value must be 0 thru 4095", 14, "0fff"},
      {"xvlan dsap", MAKE(XVLanProtocolConfig, zeros(52), zeros(8)), SET(XVLanProtocolConfig, setDsap),
       GET(XVLanProtocolConfig, dsap), 255, "DSAP value must be 0 thru 255.", 18, "ff"},
      {"xvlan ssap", MAKE(XVLanProtocolConfig, zeros(52), zeros(8)), SET(XVLanProtocolConfig, setSsap),
       GET(XVLanProtocolConfig, ssap), 255, "SSAP value must be 0 to 255.", 19, "ff"},
      {"xvlan control", MAKE(XVLanProtocolConfig, zeros(52), zeros(8)), SET(XVLanProtocolConfig, setControl),
       GET(XVLanProtocolConfig, control), 255, "CTRL value must be 0 to 255.", 20, "ff"},
      {"xvlan vendor", MAKE(XVLanProtocolConfig, zeros(52), zeros(8)), SET(XVLanProtocolConfig, setVendor),
       GET(XVLanProtocolConfig, vendor), 16777215, "VENDOR field value must be 0 thru 16777215", 21, "ffffff"},
      {"xvlan type", MAKE(XVLanProtocolConfig, zeros(52), zeros(8)), SET(XVLanProtocolConfig, setType),
       GET(XVLanProtocolConfig, type), 65535, "TYPE field value must be 0 thru 65535", 24, "ffff"},

      {"compressed rtp context", builtRtp, SET(CompressedRtpProtocolConfig, setContextId),
       GET(CompressedRtpProtocolConfig, contextId), 65535, "value must be 0 thru 65535", 0, "ffff"},
      {"compressed rtp sequence", builtRtp, SET(CompressedRtpProtocolConfig, setSequence),
       GET(CompressedRtpProtocolConfig, sequence), 15, "value must be 0 thru 15", 2, "0f"},
      {"compressed udp context", builtUdp, SET(CompressedUdpProtocolConfig, setContextId),
       GET(CompressedUdpProtocolConfig, contextId), 65535, "value must be 0 thru 65535", 0, "ffff"},
      {"compressed udp sequence", builtUdp, SET(CompressedUdpProtocolConfig, setSequence),
       GET(CompressedUdpProtocolConfig, sequence), 15, "value must be 0 thru 15", 2, "0f"},
      {"compressed non-tcp context", builtNonTcp, SET(CompressedNonTcpProtocolConfig, setContextId),
       GET(CompressedNonTcpProtocolConfig, contextId), 65535, "value must be 0 thru 65535", 0, "ffc0ff"},
      {"compressed non-tcp generation", builtNonTcp, SET(CompressedNonTcpProtocolConfig, setGeneration),
       GET(CompressedNonTcpProtocolConfig, generation), 63, "GENERATION value must be 0 thru 63", 1, "ff"},
      {"compressed non-tcp sequence", builtNonTcp, SET(CompressedNonTcpProtocolConfig, setSequence),
       GET(CompressedNonTcpProtocolConfig, sequence), 15, "value must be 0 thru 15", 3, "0f"},

      {"full header generation", MAKE(FullHeaderProtocolConfig), SET(FullHeaderProtocolConfig, setGeneration),
       GET(FullHeaderProtocolConfig, generation), 63, "GENERATION value must be 0 thru 63", 0, "ff"},
      {"full header sequence", MAKE(FullHeaderProtocolConfig), SET(FullHeaderProtocolConfig, setSequence),
       GET(FullHeaderProtocolConfig, sequence), 15, "value must be 0 thru 15", 1, "0f"},

      {"context id", MAKE(ContextStateProtocolConfig, 2), CTX_SET(setContextId), CTX_GET(contextId), 65535,
       "value must be 0 thru 65535", 6, "ffff"},
      {"context invalidate", MAKE(ContextStateProtocolConfig, 2), CTX_SET(setInvalidate), CTX_GET(invalidate), 1,
       "value must be 1 or 0.", 8, "80"},
      {"context sequence", MAKE(ContextStateProtocolConfig, 2), CTX_SET(setSequence), CTX_GET(sequence), 15,
       "value must be 0 thru 15", 8, "0f"},
      {"context generation", MAKE(ContextStateProtocolConfig, 2), CTX_SET(setGeneration), CTX_GET(generation),
       63, "GENERATION value must be 0 thru 63", 9, "3f"},
  };
  return table;
}

std::vector<uint8_t> expectedImage(const std::vector<uint8_t>& initial, const RangeRow& row) {
  std::vector<uint8_t> image = initial;
  const std::string hex = row.image;
  std::vector<uint8_t> bytes(hex.size() / 2);
  EXPECT_TRUE(hexToBytes(bytes, hex));
  for (size_t i = 0; i < bytes.size(); ++i) image.at(row.offset + i) = bytes[i];
  return image;
}

TEST(SetterRanges, BoundsMessagesAndPlacement) {
  for (const RangeRow& row : rows()) {
    SCOPED_TRACE(row.name);
    auto config = row.make();
    const std::vector<uint8_t> initial = headerOf(*config);

    // The largest value owns exactly the field's bits.
    row.set(*config, row.max);
    const std::vector<uint8_t> image = expectedImage(initial, row);
    EXPECT_EQ(headerOf(*config), image);
    EXPECT_EQ(row.get(*config), static_cast<uint64_t>(row.max));

    // A message that states a range states the one the setter keeps.
    std::smatch range;
    const std::string message = row.message;
    if (std::regex_search(message, range, std::regex("(-?[0-9]+) (thru|to) ([0-9]+)"))) {
      EXPECT_EQ(range[1].str(), "0");
      EXPECT_EQ(std::stoll(range[3].str()), row.max);
    }

    // Out of range both ways: exact message, header untouched.
    EXPECT_EQ(throwText([&] { row.set(*config, row.max + 1); }), row.message);
    EXPECT_EQ(throwText([&] { row.set(*config, -1); }), row.message);
    EXPECT_EQ(throwText([&] { row.set(*config, INT64_MIN); }), row.message);
    EXPECT_EQ(headerOf(*config), image);

    row.set(*config, 0);
    EXPECT_EQ(row.get(*config), 0u);
    EXPECT_EQ(headerOf(*config), initial);

    // Writing 0 into an all-ones mask clears exactly the field's bits.
    auto mask = row.make();
    mask->makeMask();
    row.set(*mask, 0);
    std::vector<uint8_t> cleared(initial.size());
    for (size_t i = 0; i < cleared.size(); ++i) cleared[i] = static_cast<uint8_t>(~(image[i] ^ initial[i]));
    EXPECT_EQ(headerOf(*mask), cleared);
  }
}

// IHL is a 4-bit field (RFC 791): the check keeps to the message's 0 thru 15,
// whatever the low bits of a larger value.
TEST(SetterRanges, Ipv4HeaderLengthIsFourBits) {
  IpV4ProtocolConfig ip(zeros(40));
  ip.setHeaderLength(5);
  EXPECT_EQ(ip.headerBytes()[0], 0x05);
  ip.setHeaderLength(15);
  EXPECT_EQ(ip.headerBytes()[0], 0x0f);
  ip.setHeaderLength(7);
  for (int64_t bad : {16, 255, 256, 256 + 5, -1, -251}) {
    EXPECT_EQ(throwText([&] { ip.setHeaderLength(bad); }), "Error, IHL value must be 0 thru 15") << bad;
  }
  EXPECT_EQ(ip.headerBytes()[0], 0x07);
}

TEST(SetterRanges, TcpHeaderLengthIsQuarteredIntoTheDataOffset) {
  TcpProtocolConfig tcp(std::string(24, '0') + "0a" + std::string(14, '0'));  // byte 12 low bits set
  tcp.setHeaderLength(20);
  EXPECT_EQ(tcp.headerBytes()[12], 0x5a);
  tcp.setHeaderLength(63);  // 63 / 4 = 15
  EXPECT_EQ(tcp.headerBytes()[12], 0xfa);
  EXPECT_EQ(tcp.dataOffset(), 15u);
  for (int64_t bad : {64, -4, 1000}) {
    EXPECT_EQ(throwText([&] { tcp.setHeaderLength(bad); }), "value exceeds header length range") << bad;
  }
  EXPECT_EQ(tcp.headerBytes()[12], 0xfa);
}

TEST(SetterRanges, SetsOfAllowedValues) {
  DSlamProtocolConfig dslam(zeros(16));
  for (int64_t ok : {1, 2, 3}) {
    dslam.setPpt(ok);
    EXPECT_EQ(dslam.headerBytes()[3], ok);
  }
  for (int64_t bad : {0, 4, -1}) {
    EXPECT_EQ(throwText([&] { dslam.setPpt(bad); }), "Error, PPT field value must be 1, 2, or 3") << bad;
  }
  EXPECT_EQ(dslam.ppt(), 3u);

  InterPyxProtocolConfig pyx(zeros(16));
  const std::pair<int64_t, uint8_t> allowed[] = {{1, 0x04}, {2, 0x08}, {4, 0x10}};
  for (auto [value, byte0] : allowed) {
    pyx.setCt(value);
    EXPECT_EQ(pyx.headerBytes()[0], byte0);
    EXPECT_EQ(pyx.ct(), static_cast<uint32_t>(value));
  }
  for (int64_t bad : {0, 3, 5, 7, 8, -1}) {
    EXPECT_EQ(throwText([&] { pyx.setCt(bad); }), "Error, value must be 1, 2, or 4.") << bad;
  }
  EXPECT_EQ(pyx.headerBytes()[0], 0x10);
}

TEST(SetterRanges, ContextStateIndexes) {
  ContextStateProtocolConfig state(3);
  for (int32_t bad : {-1, 256}) {
    EXPECT_EQ(throwText([&] { state.setContextId(bad, 1); }), "index must be 0 thru 255") << bad;
  }
  EXPECT_EQ(throwText([&] { state.setSequence(3, 1); }), "index exceeds the context count");
  state.setContextId(2, 0xabcd);
  EXPECT_EQ(state.headerBytes()[10], 0xab);
  EXPECT_EQ(state.headerBytes()[11], 0xcd);
}

}  // namespace
}  // namespace corvel
