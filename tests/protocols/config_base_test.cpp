// The base-class behaviour: levels, masks, clones and attachments; and the
// IPv4 address forms.
#include <gtest/gtest.h>

#include "corvel/protocols/atm/atm.h"
#include "corvel/protocols/dslam/dslam.h"
#include "corvel/protocols/ethernet/ethernet.h"
#include "corvel/protocols/interpyx/interpyx.h"
#include "corvel/protocols/ipv4/ipv4.h"
#include "corvel/protocols/ipv4/ipv4_address.h"
#include "test_support.h"

namespace corvel {
namespace {

using test::headerOf;
using test::throwText;
using test::trailerOf;
using test::zeros;

TEST(ConfigLevels, ValidatePoliceAndShapeMapping) {
  EthernetProtocolConfig c(zeros(28), zeros(8));
  EXPECT_EQ(c.validateLevel(), 0);
  const std::pair<int32_t, int32_t> validate[] = {{1, 1}, {2, 2}, {3, 3}, {4, 0}, {-1, 0}, {0, 0}};
  for (auto [in, out] : validate) {
    c.setValidateLevel(in);
    EXPECT_EQ(c.validateLevel(), out) << in;
  }

  const std::pair<int32_t, int32_t> police[] = {{0, 0}, {1, 1}, {2, 2}, {3, 2}, {-5, 2}};
  for (auto [in, out] : police) {
    c.setPoliceLevel(in, 0);
    EXPECT_EQ(c.policeLevel(), out) << in;
  }
  EXPECT_EQ(c.policeCount(), 0);
  c.setPoliceLevel(2, 10);
  c.setPoliceLevel(2, 0);   // a count of 0 is ignored
  c.setPoliceLevel(2, -3);  // so is a negative one
  EXPECT_EQ(c.policeCount(), 10);
  c.setPoliceLevel(3, 50);
  EXPECT_EQ(c.policeLevel(), 2);
  EXPECT_EQ(c.policeCount(), 50);

  const std::pair<int32_t, int32_t> shape[] = {{1, 1}, {2, 2}, {3, 0}, {0, 0}, {-1, 0}};
  for (auto [in, out] : shape) {
    c.setShapeLevel(in, 0);
    EXPECT_EQ(c.shapeLevel(), out) << in;
  }
  c.setShapeLevel(2, 10);
  c.setShapeLevel(3, 20);  // level 3 is not kept, its count is
  EXPECT_EQ(c.shapeLevel(), 0);
  EXPECT_EQ(c.shapeCount(), 20);
}

TEST(ConfigMask, TtlMaskInvertsToTheTtlByteOnly) {
  IpV4ProtocolConfig ip(zeros(40));
  ip.makeMask();
  EXPECT_TRUE(ip.isMask());
  EXPECT_EQ(headerOf(ip), std::vector<uint8_t>(20, 0xff));
  ip.setTimeToLive(0);
  ip.invertMask();
  std::vector<uint8_t> expected(20, 0x00);
  expected[8] = 0xff;
  EXPECT_EQ(headerOf(ip), expected);
}

TEST(ConfigMask, SourceAddressMaskAndTrailerUntouchedByInvert) {
  EthernetProtocolConfig ethernet(zeros(28), "01020304");
  ethernet.makeMask();
  EXPECT_EQ(trailerOf(ethernet), std::vector<uint8_t>(4, 0xff));
  ethernet.setSource(zeros(12));
  ethernet.invertMask();
  std::vector<uint8_t> expected(14, 0x00);
  for (int i = 6; i < 12; ++i) expected[i] = 0xff;
  EXPECT_EQ(headerOf(ethernet), expected);
  EXPECT_EQ(trailerOf(ethernet), std::vector<uint8_t>(4, 0xff));
}

TEST(ConfigMask, InvertWithoutMaskDoesNothing) {
  AtmProtocolConfig atm("12345678");
  atm.invertMask();
  EXPECT_EQ(headerOf(atm), (std::vector<uint8_t>{0x12, 0x34, 0x56, 0x78}));
}

struct Marker : ProtocolAttachment {
  explicit Marker(int* deaths) : deaths(deaths) {}
  ~Marker() override { ++*deaths; }
  int* deaths;
};

TEST(ConfigClone, DeepCopyWithoutMaskOrAttachment) {
  int deaths = 0;
  {
    auto original = std::make_unique<IpV4ProtocolConfig>(zeros(40));
    original->setTimeToLive(64);
    original->setPoliceLevel(1, 7);
    original->setShapeLevel(2, 9);
    original->setValidateLevel(2);
    original->makeMask();
    original->setAttachment(std::make_unique<Marker>(&deaths));

    const auto copy = original->clone();
    EXPECT_EQ(copy->kind(), ProtocolKind::IpV4);
    EXPECT_EQ(headerOf(*copy), headerOf(*original));
    EXPECT_NE(copy->header(), original->header());
    EXPECT_FALSE(copy->isMask());
    EXPECT_EQ(copy->attachment(), nullptr);
    EXPECT_EQ(copy->policeLevel(), 1);
    EXPECT_EQ(copy->policeCount(), 7);
    EXPECT_EQ(copy->shapeLevel(), 2);
    EXPECT_EQ(copy->shapeCount(), 9);
    EXPECT_EQ(copy->validateLevel(), 2);

    original->setProtocol(17);  // the copy does not follow
    EXPECT_EQ(static_cast<const IpV4ProtocolConfig&>(*copy).protocol(), 255u);
    EXPECT_EQ(deaths, 0);
  }
  EXPECT_EQ(deaths, 1);  // the owner deleted its attachment once
}

TEST(Ipv4Address, HexAndDottedForms) {
  IpV4ProtocolConfig ip(zeros(40));
  ip.setSourceAddress("0x0a000001");
  EXPECT_EQ(ip.sourceAddress(), 0x0a000001u);
  const std::vector<uint8_t> afterHex = headerOf(ip);

  ip.setSourceAddress("0x0a00001");  // 9 characters: ignored
  EXPECT_EQ(headerOf(ip), afterHex);
  ip.setSourceAddress("0X0A0000011");  // 11 characters: ignored
  EXPECT_EQ(headerOf(ip), afterHex);

  IpV4ProtocolConfig dotted(zeros(40));
  dotted.setSourceAddress("10.0.0.1");
  EXPECT_EQ(headerOf(dotted), afterHex);

  ip.setDestinationAddress("255.255.255.255");  // a valid address, not an error marker
  EXPECT_EQ(ip.destinationAddress(), 0xffffffffu);
  ip.setDestinationAddress("192.168.1.200");
  EXPECT_EQ(headerOf(ip)[16], 192);
  EXPECT_EQ(headerOf(ip)[19], 200);
  EXPECT_EQ(ip.destinationAddress(), 0xc0a801c8u);
}

TEST(Ipv4Address, BadTextsFailAndLeaveTheHeader) {
  IpV4ProtocolConfig ip(zeros(40));
  ip.setSourceAddress("1.2.3.4");
  const std::vector<uint8_t> before = headerOf(ip);
  for (const char* bad : {"", "1.2.3.256", "a.b.c.d", "1.2.3.4 x", "0x0a00000g", "-1", "1..2.3"}) {
    EXPECT_EQ(throwText([&] { ip.setSourceAddress(bad); }), "Error, invalid argument.") << bad;
    EXPECT_EQ(throwText([&] { ip.setDestinationAddress(bad); }), "Error, invalid argument.") << bad;
  }
  EXPECT_EQ(throwText([&] { ip.setSourceAddress(std::string_view("1.2.3.4\0junk", 12)); }),
            "Error, invalid argument.");
  EXPECT_EQ(headerOf(ip), before);
}

TEST(Ipv4Address, ParserAnswersNetworkOrder) {
  std::array<uint8_t, 4> a{};
  ASSERT_TRUE(parseIpv4Address("1.2.3.4", a));
  EXPECT_EQ(a, (std::array<uint8_t, 4>{1, 2, 3, 4}));
  EXPECT_FALSE(parseIpv4Address("1.2.3.4.5", a));
}

TEST(HeaderLayout, AtmHeaderFieldsByHand) {
  // GFC 0xA (from the text), VPI 0x5B, VCI 0x1234, PTI end bit, CLP:
  // 1010 0101 | 1011 0001 | 0010 0011 | 0100 0011
  AtmProtocolConfig atm("a0000000");
  atm.setVpi(0x5b);
  atm.setVci(0x1234);
  atm.setPti(1);
  atm.setClp(1);
  EXPECT_EQ(headerOf(atm), (std::vector<uint8_t>{0xa5, 0xb1, 0x23, 0x43}));
}

TEST(HeaderLayout, InterPyxLengthFieldsMakeABigEndianLength) {
  InterPyxProtocolConfig pyx(zeros(16));
  pyx.setLengthUnits(1500 / 8);
  pyx.setLengthRemainder(1500 % 8);
  EXPECT_EQ(pyx.frameLength(), 1500u);
  EXPECT_EQ(headerOf(pyx)[2], 0x05);
  EXPECT_EQ(headerOf(pyx)[3], 0xdc);
}

}  // namespace
}  // namespace corvel

namespace corvel {
namespace {

TEST(HeaderDump, AtmAndDslamPrintHeaderVpiAndVci) {
  test::ConsoleCapture console;
  AtmProtocolConfig atm("a5b12343");
  atm.dump();
  EXPECT_EQ(console.text(), "Corvel> ATM: a5 b1 23 43 VPI: 91 VCI: 4660\n");
  DSlamProtocolConfig dslam("00000000a5b12343");
  dslam.dump();
  EXPECT_EQ(console.text(),
            "Corvel> ATM: a5 b1 23 43 VPI: 91 VCI: 4660\n"
            "Corvel> DSLAM: 00 00 00 00 a5 b1 23 43 VPI: 91 VCI: 4660\n");
}

}  // namespace
}  // namespace corvel
