// Hex text: constructors' length and digit checks for every fixed-size
// protocol, the hex-text field setters, and hexToBytes itself.
#include <gtest/gtest.h>

#include "corvel/protocols/aal5/aal5.h"
#include "corvel/protocols/atm/atm.h"
#include "corvel/protocols/dslam/dslam.h"
#include "corvel/protocols/ethernet/ethernet.h"
#include "corvel/protocols/generic/generic.h"
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
using test::trailerOf;
using test::zeros;

// A text of `digits` hex digits whose byte i is (i * 0x11 + 0x0f) & 0xff in
// mixed case, so nibble order and case handling both show.
std::string pattern(size_t digits) {
  static constexpr char kDigits[] = "0123456789aBcDeF";
  std::string text;
  for (size_t i = 0; i < digits / 2; ++i) {
    const unsigned byte = (i * 0x11 + 0x0f) & 0xff;
    text.push_back(kDigits[byte >> 4]);
    text.push_back(kDigits[byte & 0x0f]);
  }
  return text;
}

std::vector<uint8_t> patternBytes(size_t bytes) {
  std::vector<uint8_t> out;
  for (size_t i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>((i * 0x11 + 0x0f) & 0xff));
  return out;
}

struct ConstructorRow {
  const char* name;
  std::function<std::unique_ptr<ProtocolConfig>(const std::string&, const std::string&)> make;
  size_t headerDigits;
  size_t trailerDigits;  // 0: no trailer
  const char* headerLength;
  const char* headerHex;
  const char* trailerLength;
  const char* trailerHex;
};

#define HDR(C) [](const std::string& h, const std::string&) -> std::unique_ptr<ProtocolConfig> { \
  return std::make_unique<C>(h); }
#define HDR_TRL(C) [](const std::string& h, const std::string& t) -> std::unique_ptr<ProtocolConfig> { \
  return std::make_unique<C>(h, t); }

const std::vector<ConstructorRow>& constructorRows() {
  static const std::vector<ConstructorRow> table = {
      {"ethernet", HDR_TRL(EthernetProtocolConfig), 28, 8,
       "Ethernet header hex value must be represented in a string with 28 characters.",
       "Ethernet header contain nonHex character(s)",
       "Ethernet trailer hex value must be represented in a string with 8 characters.",
       "Ethernet trailer contain nonHex character(s)"},
      {"ipv4", HDR(IpV4ProtocolConfig), 40, 0,
       "IPV4 header hex value must be represented in a string with 40 characters.",
       "IPV4 header contain nonHex character(s)", nullptr, nullptr},
      {"udp", HDR(UdpProtocolConfig), 16, 0,
       "UDP header hex value must be represented in a string with 16 characters.",
       "UDP header contain nonHex character(s)", nullptr, nullptr},
      {"tcp", HDR(TcpProtocolConfig), 40, 0,
       "TCP header hex value must be represented in a string with 40 characters.",
       "TCP header contain nonHex character(s)", nullptr, nullptr},
      {"aal5", HDR_TRL(AAL5ProtocolConfig), 16, 16,
       "AAL5 header hex value must be represented in a string with 16 characters.",
       "AAL5 header contain nonHex character(s)",
       "AAL5 trailer hex value must be represented in a string with 16 characters.",
       "AAL5 trailer contain nonHex character(s)"},
      {"aal5 802.3", HDR_TRL(AAL58023ProtocolConfig), 20, 16,
       "AAL5802_3 header hex value must be represented in a string with 20 characters",
       "AAL5802_3 header contain nonHex character(s)",
       "AAL5802_3 trailer hex value must be represented in a string with 16 characters.",
       "AAL5802_3 trailer contain nonHex character(s)"},
      {"atm", HDR(AtmProtocolConfig), 8, 0,
       "ATM header hex value must be represented in a string with 8 characters.",
       "ATM header contain nonHex character(s)", nullptr, nullptr},
      {"dslam", HDR(DSlamProtocolConfig), 16, 0,
       "DSlam header hex value must be represented in a string with 16 characters.",
       "DSlam header contain nonHex character(s)", nullptr, nullptr},
      {"interpyx", HDR(InterPyxProtocolConfig), 16, 0,
       "InterPyx header hex value must be represented in a string with 16 characters.",
       "InterPyx header contain nonHex character(s)", nullptr, nullptr},
      {"ipv6", HDR(IpV6ProtocolConfig), 80, 0,
       "IPV6 header hex value must be represented in a string with 80 characters.",
       "IPV6 header contain nonHex character(s)", nullptr, nullptr},
      {"rtp", HDR(RtpProtocolConfig), 24, 0,
       "RTP header hex value must be represented in a string with 24 characters.",
       "RTP header contain nonHex character(s)", nullptr, nullptr},
      {"vlan", HDR_TRL(VLanProtocolConfig), 36, 8,
       "VLan header hex value must be represented in a string with 36 characters.",
       "VLan header contain nonHex character(s)",
       "VLan trailer hex value must be represented in a string with 8 characters.",
       "VLan trailer contain nonHex character(s)"},
      {"xvlan", HDR_TRL(XVLanProtocolConfig), 52, 8,
       "XVLan header hex value must be represented in a string with 52 characters.",
       "XVLan header contain nonHex character(s)",
       "XVLan trailer hex value must be represented in a string with 8 characters.",
       "XVLan trailer contain nonHex character(s)"},
  };
  return table;
}

std::string withBadDigit(std::string text, size_t at) {
  text.at(at) = 'g';
  return text;
}

TEST(Constructors, LengthAndDigitChecks) {
  for (const ConstructorRow& row : constructorRows()) {
    SCOPED_TRACE(row.name);
    const size_t h = row.headerDigits;
    const size_t t = row.trailerDigits;
    const std::string goodTrailer = pattern(t);

    auto config = row.make(pattern(h), goodTrailer);
    EXPECT_EQ(headerOf(*config), patternBytes(h / 2));
    EXPECT_EQ(config->headerLength(), static_cast<int32_t>(h / 2));
    EXPECT_EQ(trailerOf(*config), patternBytes(t / 2));
    EXPECT_EQ(config->trailerLength(), static_cast<int32_t>(t / 2));
    EXPECT_EQ(config->trailer() == nullptr, t == 0);

    for (size_t digits : {h - 1, h + 1, h - 2, h + 2, size_t{0}}) {
      EXPECT_EQ(throwText([&] { row.make(zeros(digits), goodTrailer); }), row.headerLength) << digits;
    }
    for (size_t at : {size_t{0}, h / 2, h - 1}) {
      EXPECT_EQ(throwText([&] { row.make(withBadDigit(zeros(h), at), goodTrailer); }), row.headerHex) << at;
    }
    if (t == 0) continue;
    for (size_t digits : {t - 1, t + 1, size_t{0}}) {
      EXPECT_EQ(throwText([&] { row.make(zeros(h), zeros(digits)); }), row.trailerLength) << digits;
    }
    for (size_t at : {size_t{0}, t - 1}) {
      EXPECT_EQ(throwText([&] { row.make(zeros(h), withBadDigit(zeros(t), at)); }), row.trailerHex) << at;
    }
  }
}

struct HexSetterRow {
  const char* name;
  std::function<std::unique_ptr<ProtocolConfig>()> make;
  std::function<void(ProtocolConfig&, const std::string&)> set;
  size_t offset;
  size_t bytes;
  const char* lengthMessage;
  const char* hexMessage;
};

#define HEXSET(C, m) [](ProtocolConfig& c, const std::string& v) { static_cast<C&>(c).m(v); }
#define MAKE(C, ...) []() -> std::unique_ptr<ProtocolConfig> { return std::make_unique<C>(__VA_ARGS__); }

const std::vector<HexSetterRow>& hexSetterRows() {
  static const std::vector<HexSetterRow> table = {
      {"ethernet destination", MAKE(EthernetProtocolConfig, zeros(28), zeros(8)),
       HEXSET(EthernetProtocolConfig, setDestination), 0, 6, "Error, destination length must be 12 characters",
       "Error, destination value contains a non-hex character"},
      {"ethernet source", MAKE(EthernetProtocolConfig, zeros(28), zeros(8)), HEXSET(EthernetProtocolConfig, setSource),
       6, 6, "Error, source length must be 12 characters", "Error, source value contains a non-hex character"},
      {"ethernet protocol", MAKE(EthernetProtocolConfig, zeros(28), zeros(8)),
       HEXSET(EthernetProtocolConfig, setProtocol), 12, 2, "Error, protocol length must be 4 characters",
       "Error, protocol value contains a non-hex character"},
      {"aal5 llc", MAKE(AAL5ProtocolConfig, zeros(16), zeros(16)), HEXSET(AAL5ProtocolConfig, setLlc), 0, 3,
       "AAL5 LLC must be 6 characters in length", "AAL5 LLC field contain nonHex character(s)"},
      {"aal5 oui", MAKE(AAL5ProtocolConfig, zeros(16), zeros(16)), HEXSET(AAL5ProtocolConfig, setOui), 3, 3,
       "AAL5 OUI must be 6 characters in length", "AAL5 OUI field contain nonHex character(s)"},
      {"aal5 pid", MAKE(AAL5ProtocolConfig, zeros(16), zeros(16)), HEXSET(AAL5ProtocolConfig, setPid), 6, 2,
       "AAL5 PID/EtherType must be 4 characters in length", "AAL5 PID/EtherType field contain nonHex character(s)"},
      {"aal5 802.3 llc", MAKE(AAL58023ProtocolConfig, zeros(20), zeros(16)), HEXSET(AAL58023ProtocolConfig, setLlc),
       0, 3, "AAL5 LLC must be 6 characters in length", "AAL5 LLC field contain nonHex character(s)"},
      {"aal5 802.3 pid", MAKE(AAL58023ProtocolConfig, zeros(20), zeros(16)), HEXSET(AAL58023ProtocolConfig, setPid),
       6, 2, "AAL5 PID/EtherType must be 4 characters in length",
       "AAL5 PID/EtherType field contain nonHex character(s)"},
      {"aal5 802.3 pad", MAKE(AAL58023ProtocolConfig, zeros(20), zeros(16)), HEXSET(AAL58023ProtocolConfig, setPad),
       8, 2, "AAL5 PAD must be 4 characters in length", "AAL5 PAD field contain nonHex character(s)"},
      {"ipv6 source", MAKE(IpV6ProtocolConfig, zeros(80)), HEXSET(IpV6ProtocolConfig, setSourceAddress), 8, 16,
       "SRC_ADDR length must be 32 characters", "SRC_ADDR value contains a non-hex character"},
      {"ipv6 destination", MAKE(IpV6ProtocolConfig, zeros(80)), HEXSET(IpV6ProtocolConfig, setDestinationAddress),
       24, 16, "DEST_ADDR length must be 32 characters", "DEST_ADDR value contains a non-hex character"},
      {"vlan destination", MAKE(VLanProtocolConfig, zeros(36), zeros(8)), HEXSET(VLanProtocolConfig, setDestination),
       0, 6, "Error, destination length must be 12 characters",
       "Error, destination value contains a non-hex character"},
      {"vlan source", MAKE(VLanProtocolConfig, zeros(36), zeros(8)), HEXSET(VLanProtocolConfig, setSource), 6, 6,
       "Error, source length must be 12 characters", "Error, source value contains a non-hex character"},
      {"xvlan source", MAKE(XVLanProtocolConfig, zeros(52), zeros(8)), HEXSET(XVLanProtocolConfig, setSource), 6, 6,
       "Error, source length must be 12 characters", "Error, source value contains a non-hex character"},
      {"xvlan llc", MAKE(XVLanProtocolConfig, zeros(52), zeros(8)), HEXSET(XVLanProtocolConfig, setLlc), 18, 3,
       "LLC must be 6 characters", "LLC contains a non-hex character"},
      {"xvlan snap", MAKE(XVLanProtocolConfig, zeros(52), zeros(8)), HEXSET(XVLanProtocolConfig, setSnap), 21, 5,
       "SNAP must be 10 characters", "SNAP contains a non-hex character"},
  };
  return table;
}

TEST(HexSetters, PlacementLengthAndDigitChecks) {
  for (const HexSetterRow& row : hexSetterRows()) {
    SCOPED_TRACE(row.name);
    auto config = row.make();
    std::vector<uint8_t> expected = headerOf(*config);
    const std::vector<uint8_t> value = patternBytes(row.bytes);
    std::copy(value.begin(), value.end(), expected.begin() + static_cast<std::ptrdiff_t>(row.offset));

    row.set(*config, pattern(row.bytes * 2));
    EXPECT_EQ(headerOf(*config), expected);

    for (size_t digits : {row.bytes * 2 - 1, row.bytes * 2 + 1, size_t{0}}) {
      EXPECT_EQ(throwText([&] { row.set(*config, std::string(digits, '1')); }), row.lengthMessage);
    }
    // A bad last digit must not leave the earlier digits written.
    std::string almost(row.bytes * 2, '1');
    almost.back() = 'x';
    EXPECT_EQ(throwText([&] { row.set(*config, almost); }), row.hexMessage);
    EXPECT_EQ(headerOf(*config), expected);
  }
}

TEST(HexSetters, EthernetProtocolGetterIsBigEndian) {
  EthernetProtocolConfig ethernet(zeros(28), zeros(8));
  ethernet.setProtocol("86DD");
  EXPECT_EQ(ethernet.protocol(), 0x86dd);
}

TEST(HexToBytes, ConvertsHighNibbleFirstAndRejectsNonHex) {
  std::vector<uint8_t> out(4);
  ASSERT_TRUE(hexToBytes(out, "09aFA0f9"));
  EXPECT_EQ(out, (std::vector<uint8_t>{0x09, 0xaf, 0xa0, 0xf9}));
  for (const char* bad : {"0g000000", "0000000G", " 0000000", "000000-1", "0x000000"}) {
    EXPECT_FALSE(hexToBytes(out, bad)) << bad;
  }
  EXPECT_FALSE(hexToBytes(out, "000000"));  // size mismatch
  EXPECT_FALSE(hexToBytes(out, std::string_view("000000\0" "0", 8)));
  std::vector<uint8_t> none;
  EXPECT_TRUE(hexToBytes(none, ""));
  EXPECT_EQ(bytesToHex(std::vector<uint8_t>{0x00, 0xab, 0x5f}), "00ab5f");
}

TEST(Generic, HeaderAndTrailerTexts) {
  GenericProtocolConfig trailerOnly("", "a5");
  EXPECT_EQ(trailerOnly.headerLength(), 0);
  EXPECT_EQ(trailerOnly.header(), nullptr);
  EXPECT_EQ(trailerOf(trailerOnly), (std::vector<uint8_t>{0xa5}));

  GenericProtocolConfig both("0102ff", "EEee");
  EXPECT_EQ(headerOf(both), (std::vector<uint8_t>{0x01, 0x02, 0xff}));
  EXPECT_EQ(trailerOf(both), (std::vector<uint8_t>{0xee, 0xee}));

  EXPECT_EQ(throwText([] { GenericProtocolConfig("", ""); }), "Error, a header or trailer was not specified");
  EXPECT_EQ(throwText([] { GenericProtocolConfig("abc", ""); }),
            "Error, header representation of memory must be even an even length string.");
  EXPECT_EQ(throwText([] { GenericProtocolConfig("ab", "abc"); }),
            "Error, trailer representation of memory must be even an even length string.");
  EXPECT_EQ(throwText([] { GenericProtocolConfig("zz", ""); }), "Error, header string contains a non-hex value.");
  EXPECT_EQ(throwText([] { GenericProtocolConfig("", "0x"); }), "Error, trailer string contains a non-hex value.");
}

}  // namespace
}  // namespace corvel
