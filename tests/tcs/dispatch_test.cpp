// The manager's dispatch of protocol elements, its reserved words, its error
// reports and the status rule that ends reading at the first error.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "corvel/protocols/payload/payload_config.h"
#include "tcs_test_support.h"
#include "tests/support/param_name.h"

namespace corvel {
namespace {

using test::ProtocolReaderTest;

TEST_F(ProtocolReaderTest, ReservedWordsAreRefusedUnderTheManagersName) {
  EXPECT_TRUE(tcs.read("reserved_streams").empty());
  EXPECT_EQ(console.take(),
            "Corvel> PARSE-ERROR, Element streams: protocol is a reserved word (TcsManager)\n" +
                test::Place("185, <streams>"));
  EXPECT_EQ(tcs.manager().status(), TcsManager::kStatusParseError);
}

TEST_F(ProtocolReaderTest, UnknownNameWithoutDeclarationIsReportedByTheCustomReader) {
  EXPECT_TRUE(tcs.read("undeclared").empty());
  EXPECT_EQ(console.take(),
            "Corvel> PARSE-ERROR, Element undeclared: could not find generic protocol .declare "
            "tcs statment (TcsCustomProtocol)\n" +
                test::Place("184, <undeclared>"));
  EXPECT_EQ(tcs.manager().status(), TcsManager::kStatusParseError);
}

TEST_F(ProtocolReaderTest, AfterAnErrorNothingIsReadAndNothingPrinted) {
  tcs.read("reserved_corvel");
  console.take();
  EXPECT_TRUE(tcs.read("payload_default").empty());
  EXPECT_TRUE(tcs.read("undeclared").empty());
  EXPECT_TRUE(tcs.read("eth_bad_hdr").empty());
  EXPECT_EQ(console.take(), "");
  EXPECT_EQ(tcs.manager().status(), TcsManager::kStatusParseError);
}

// Reported outside any reading (nothing is being read): no place line.
TEST_F(ProtocolReaderTest, ParseErrorLinesWithAndWithoutElement) {
  TcsManager& manager = tcs.manager();
  manager.ReportParseError("TcsStreamMgt", std::nullopt, "duplicate stream set");
  EXPECT_EQ(console.take(), "Corvel> PARSE-ERROR: duplicate stream set (TcsStreamMgt)\n");
  EXPECT_EQ(manager.status(), TcsManager::kStatusParseError);
  manager.ReportParseError("TcsRxPortMgt", "port", "bad port");
  EXPECT_EQ(console.take(), "Corvel> PARSE-ERROR, Element port: bad port (TcsRxPortMgt)\n");
}

TEST_F(ProtocolReaderTest, ParseExceptionLineRaisesTheStatusToThree) {
  TcsManager& manager = tcs.manager();
  manager.ReportParseException("TcsTxPortMgt", "_readTxPort");
  EXPECT_EQ(console.take(),
            "Corvel> Parse exception caught in file TcsTxPortMgt, method _readTxPort\n");
  EXPECT_EQ(manager.status(), TcsManager::kStatusParseException);
  // The status never falls back.
  manager.ReportParseError("TcsManager", std::nullopt, "later");
  EXPECT_EQ(manager.status(), TcsManager::kStatusParseException);
}

TEST_F(ProtocolReaderTest, PayloadAndIncrementPayloadShareTheirReader) {
  const auto payload = tcs.readOne("payload_default");
  const auto increment = tcs.readOne("increment_fields");
  ASSERT_TRUE(payload && increment);
  EXPECT_NE(dynamic_cast<const IncrementPayloadConfig*>(payload.get()), nullptr);
  EXPECT_NE(dynamic_cast<const IncrementPayloadConfig*>(increment.get()), nullptr);
}

// Each element name reaches the reader that builds its protocol kind.
struct KindCase {
  const char* id;
  ProtocolKind kind;
};

void PrintTo(const KindCase& c, std::ostream* os) { *os << c.id; }

class DispatchKindTest : public ProtocolReaderTest,
                         public ::testing::WithParamInterface<KindCase> {};

TEST_P(DispatchKindTest, NameSelectsTheReader) {
  const auto config = tcs.readOne(GetParam().id);
  ASSERT_TRUE(config);
  EXPECT_EQ(config->kind(), GetParam().kind);
  EXPECT_EQ(tcs.manager().status(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Elements, DispatchKindTest,
    ::testing::Values(KindCase{"payload_default", ProtocolKind::Payload},
                      KindCase{"fixed_default", ProtocolKind::Payload},
                      KindCase{"random_fields", ProtocolKind::Payload},
                      KindCase{"log_defaults", ProtocolKind::Payload},
                      KindCase{"eth_default", ProtocolKind::Ethernet},
                      KindCase{"atm_default", ProtocolKind::Atm},
                      KindCase{"dslam_default", ProtocolKind::DSlam},
                      KindCase{"interpyx_default", ProtocolKind::InterPyx},
                      KindCase{"aal5_default", ProtocolKind::AAL5},
                      KindCase{"aal5_802_3_default", ProtocolKind::AAL58023},
                      KindCase{"ipv4_default", ProtocolKind::IpV4},
                      KindCase{"ipv6_default", ProtocolKind::IpV6},
                      KindCase{"udp_default", ProtocolKind::Udp},
                      KindCase{"tcp_default", ProtocolKind::Tcp},
                      KindCase{"rtp_default", ProtocolKind::Rtp},
                      KindCase{"vlan_default", ProtocolKind::VLan},
                      KindCase{"xvlan_default", ProtocolKind::XVLan},
                      KindCase{"cudp_default", ProtocolKind::CompressedUdp},
                      KindCase{"crtp_default", ProtocolKind::CompressedRtp},
                      KindCase{"cntcp_fields", ProtocolKind::CompressedNonTcp},
                      KindCase{"context_two", ProtocolKind::Payload},
                      KindCase{"generic_both", ProtocolKind::Generic},
                      KindCase{"tag16_values", ProtocolKind::Generic}),
    test::NameFrom<&KindCase::id>());

}  // namespace
}  // namespace corvel
