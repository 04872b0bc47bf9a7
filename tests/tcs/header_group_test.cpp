// Readers whose hdr and trl go through the shared check (group H) and which
// build flow-key masks: ethernet, atm, aal5, ipv4, ipv6. Headers are worked
// out by hand from the protocols' field layouts.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "tcs_test_support.h"
#include "tests/support/param_name.h"

namespace corvel {
namespace {

using test::HeaderHex;
using test::ProtocolReaderTest;
using test::TrailerHex;

// ---- Values: defaults, hdr, field setters -------------------------------

struct HeaderCase {
  const char* id;
  const char* header;
  const char* trailer;
};

void PrintTo(const HeaderCase& c, std::ostream* os) { *os << c.id; }

class HeaderValueTest : public ProtocolReaderTest,
                        public ::testing::WithParamInterface<HeaderCase> {};

TEST_P(HeaderValueTest, BuildsTheHeader) {
  const auto config = tcs.readOne(GetParam().id);
  ASSERT_TRUE(config);
  EXPECT_EQ(HeaderHex(*config), GetParam().header);
  EXPECT_EQ(TrailerHex(*config), GetParam().trailer);
  EXPECT_FALSE(config->isMask());
  EXPECT_EQ(console.take(), "");
  EXPECT_EQ(tcs.manager().status(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Ethernet, HeaderValueTest,
    ::testing::Values(
        HeaderCase{"eth_default", "0000000000000000000000000000", "00000000"},
        // the given header with the source address replaced
        HeaderCase{"eth_hdr_src", "001122334455a0a1a2a3a4a50800", "00000000"},
        HeaderCase{"eth_fields", "0102030405060a0b0c0d0e0f86dd", "00000000"},
        // dest_addr lacks the prefix and is ignored
        HeaderCase{"eth_unprefixed", "0000000000000000000000000800", "00000000"}),
    test::NameFrom<&HeaderCase::id>());

INSTANTIATE_TEST_SUITE_P(Atm, HeaderValueTest,
                         ::testing::Values(HeaderCase{"atm_default", "00000000", ""},
                                           HeaderCase{"atm_fields", "00100200", ""},
                                           HeaderCase{"atm_hdr", "0ff0fff2", ""}),
    test::NameFrom<&HeaderCase::id>());

INSTANTIATE_TEST_SUITE_P(
    Aal5, HeaderValueTest,
    ::testing::Values(HeaderCase{"aal5_default", "0000000000000000", "0000000000000000"},
                      HeaderCase{"aal5_fields", "aaaa030000000800", "0000000000000000"}),
    test::NameFrom<&HeaderCase::id>());

INSTANTIATE_TEST_SUITE_P(
    Ipv4, HeaderValueTest,
    ::testing::Values(
        // version 4, IHL 5 and TTL 1 fill an empty header
        HeaderCase{"ipv4_default", "4500000000000000010000000000000000000000", ""},
        HeaderCase{"ipv4_version6", "6500000000000000010000000000000000000000", ""},
        // given zeros stay zeros
        HeaderCase{"ipv4_explicit_zero", "0000000000000000000000000000000000000000", ""},
        // a header with its own values keeps them
        HeaderCase{"ipv4_hdr", "4600000000000000400000000000000000000000", ""},
        HeaderCase{"ipv4_fields", "450000000000000040110000" "0a000001" "c0a80001", ""}),
    test::NameFrom<&HeaderCase::id>());

INSTANTIATE_TEST_SUITE_P(
    Ipv6, HeaderValueTest,
    ::testing::Values(HeaderCase{"ipv6_default",
                                 "6000000000000000"
                                 "00000000000000000000000000000000"
                                 "00000000000000000000000000000000",
                                 ""},
                      HeaderCase{"ipv6_fields",
                                 "6b812345000011ff"
                                 "20010db8000000000000000000000001"
                                 "ff020000000000000000000000000001",
                                 ""}),
    test::NameFrom<&HeaderCase::id>());

TEST_F(ProtocolReaderTest, EthernetAppliesShapeAndPoliceGroups) {
  const auto config = tcs.readOne("eth_fields");
  ASSERT_TRUE(config);
  EXPECT_EQ(config->shapeLevel(), 2);
  EXPECT_EQ(config->shapeCount(), 50);
  EXPECT_EQ(config->validateLevel(), 1);
  EXPECT_EQ(config->policeLevel(), 1);
  EXPECT_EQ(config->policeCount(), 0);
}

// ---- Mask mode ----------------------------------------------------------

struct MaskCase {
  const char* id;
  const char* header;
  const char* trailer;
};

void PrintTo(const MaskCase& c, std::ostream* os) { *os << c.id; }

class HeaderMaskTest : public ProtocolReaderTest,
                       public ::testing::WithParamInterface<MaskCase> {};

TEST_P(HeaderMaskTest, ClearsTheGivenFieldsOfAnAllOnesHeader) {
  const auto config = tcs.readOne(GetParam().id, enSetTypeGenerate, enReadModeMask);
  ASSERT_TRUE(config);
  EXPECT_TRUE(config->isMask());
  EXPECT_EQ(HeaderHex(*config), GetParam().header);
  EXPECT_EQ(TrailerHex(*config), GetParam().trailer);
  EXPECT_EQ(console.take(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Elements, HeaderMaskTest,
    ::testing::Values(
        // hdr is ignored; source and type cleared
        MaskCase{"eth_mask", "ffffffffffff0000000000000000", "ffffffff"},
        MaskCase{"eth_default", "ffffffffffffffffffffffffffff", "ffffffff"},
        // VPI and VCI cleared, GFC, PTI and CLP kept
        MaskCase{"atm_fields", "f000000f", ""},
        // the LLC/SNAP fields keep their values in a mask
        MaskCase{"aal5_fields", "aaaa030000000800", "ffffffffffffffff"},
        // version and source address cleared; no value-mode defaults
        MaskCase{"ipv4_mask_src", "0fffffffffffffffffffffff00000000ffffffff", ""},
        MaskCase{"ipv4_default", "ffffffffffffffffffffffffffffffffffffffff", ""},
        // class, flow label, next header, hop limit and both addresses cleared
        MaskCase{"ipv6_fields",
                 "f0000000ffff0000"
                 "00000000000000000000000000000000"
                 "00000000000000000000000000000000",
                 ""}),
    test::NameFrom<&MaskCase::id>());

// ---- Refusals -----------------------------------------------------------

struct RefusalCase {
  const char* id;
  int32_t mode;
  const char* line;
  const char* place;
};

void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.id; }

class HeaderRefusalTest : public ProtocolReaderTest,
                          public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(HeaderRefusalTest, ReportsUnderTheReadersNameAndStops) {
  EXPECT_TRUE(tcs.read(GetParam().id, enSetTypeGenerate, GetParam().mode).empty());
  EXPECT_EQ(console.take(), GetParam().line + test::Place(GetParam().place));
  EXPECT_EQ(tcs.manager().status(), TcsManager::kStatusParseError);
}

INSTANTIATE_TEST_SUITE_P(
    Elements, HeaderRefusalTest,
    ::testing::Values(
        RefusalCase{"eth_bad_hdr", enReadModeValue,
                    "Corvel> PARSE-ERROR, Element ethernet: HDR must be a hex string "
                    "(TcsEthernetProtocol)\n",
                    "24, <ethernet> attribute hdr=\"00112233445566778899aabb0800\""},
        // the check holds in mask mode too, where hdr is otherwise unused
        RefusalCase{"eth_bad_hdr", enReadModeMask,
                    "Corvel> PARSE-ERROR, Element ethernet: HDR must be a hex string "
                    "(TcsEthernetProtocol)\n",
                    "24, <ethernet> attribute hdr=\"00112233445566778899aabb0800\""},
        RefusalCase{"eth_bad_trl", enReadModeValue,
                    "Corvel> PARSE-ERROR, Element ethernet: TRL must be a hex string "
                    "(TcsEthernetProtocol)\n",
                    "25, <ethernet> attribute trl=\"12345678\""},
        RefusalCase{"eth_short_src", enReadModeValue,
                    "Corvel> PARSE-ERROR, Element ethernet: Error, source length must be 12 "
                    "characters (TcsEthernetProtocol)\n",
                    "26, <ethernet> attribute src_addr=\"0x0102\""},
        RefusalCase{"atm_bad_hdr", enReadModeValue,
                    "Corvel> PARSE-ERROR, Element atm: HDR must be a hex string "
                    "(TcsAtmProtocol)\n",
                    "35, <atm> attribute hdr=\"12345678\""},
        RefusalCase{"atm_short_hdr", enReadModeValue,
                    "Corvel> PARSE-ERROR, Element atm: ATM header hex value must be represented "
                    "in a string with 8 characters. (TcsAtmProtocol)\n",
                    "36, <atm> attribute hdr=\"0x1234\""},
        RefusalCase{"atm_bad_vpi", enReadModeValue,
                    "Corvel> PARSE-ERROR, Element atm: value exceeds vpi range "
                    "(TcsAtmProtocol)\n",
                    "34, <atm> attribute vpi=\"256\""},
        RefusalCase{"aal5_bad_trl", enReadModeValue,
                    "Corvel> PARSE-ERROR, Element aal5: TRL must be a hex string "
                    "(TcsAAL5Protocol)\n",
                    "41, <aal5> attribute trl=\"0\""},
        RefusalCase{"ipv4_bad_hdr", enReadModeValue,
                    "Corvel> PARSE-ERROR, Element ipv4: HDR must be a hex string "
                    "(TcsIpv4Protocol)\n",
                    "51, <ipv4> attribute hdr=\"4500\""},
        RefusalCase{"ipv4_bad_ttl", enReadModeValue,
                    "Corvel> PARSE-ERROR, Element ipv4: Error, ST value must be 0 thru 255 "
                    "(TcsIpv4Protocol)\n",
                    "52, <ipv4> attribute ttl=\"256\""},
        RefusalCase{"ipv6_bad_hdr", enReadModeValue,
                    "Corvel> PARSE-ERROR, Element ipv6: HDR must be a hex string "
                    "(TcsIpv6Protocol)\n",
                    "59, <ipv6> attribute hdr=\"60\""},
        // seq_step takes one word; any other is refused, not ignored
        RefusalCase{"tcp_bad_step", enReadModeValue,
                    "Corvel> PARSE-ERROR, Element tcp: seq_step must be \"payload\" (TcsTcpProtocol)\n",
                    "191, <tcp> attribute seq_step=\"bytes\""}),
    test::NameFrom<&RefusalCase::id>());

TEST_F(ProtocolReaderTest, Ipv6AddressShorterThanItsPrefixIsRefusedBySetter) {
  EXPECT_TRUE(tcs.read("ipv6_short_addr").empty());
  const std::string line = console.take();
  EXPECT_EQ(line.rfind("Corvel> PARSE-ERROR, Element ipv6: ", 0), 0u) << line;
  EXPECT_NE(line.find(" (TcsIpv6Protocol)\n"), std::string::npos) << line;
}

}  // namespace
}  // namespace corvel
