// The header-compression readers: compressed headers built with their
// checksum field, context-state entries, and full headers that read their
// inner protocol elements through the dispatcher.
#include <gtest/gtest.h>

#include <string>

#include "corvel/protocols/context_state.h"
#include "corvel/protocols/full_header/full_header.h"
#include "tcs_test_support.h"

namespace corvel {
namespace {

using test::HeaderHex;
using test::ProtocolReaderTest;

TEST_F(ProtocolReaderTest, CompressedHeadersAlwaysCarryTheChecksumField) {
  // context id, flags and sequence, 2-byte checksum
  const auto plain = tcs.readOne("cudp_default");
  ASSERT_TRUE(plain);
  EXPECT_EQ(HeaderHex(*plain), "0000000000");
  // context 0102, IPv4-delta flag with sequence 5, checksum beef, delta 3
  const auto fields = tcs.readOne("cudp_fields");
  ASSERT_TRUE(fields);
  EXPECT_EQ(HeaderHex(*fields), "010215beef03");
  // context 0304 split around generation 9, sequence 2, checksum 0
  const auto nonTcp = tcs.readOne("cntcp_fields");
  ASSERT_TRUE(nonTcp);
  EXPECT_EQ(HeaderHex(*nonTcp), "03c904020000");
}

TEST_F(ProtocolReaderTest, CompressedRtpTakesItsContext) {
  const auto config = tcs.readOne("crtp_default");
  ASSERT_TRUE(config);
  EXPECT_EQ(HeaderHex(*config), "0007000000");
}

TEST_F(ProtocolReaderTest, CompressedFieldErrorsAreReportedUnderTheSharedName) {
  EXPECT_TRUE(tcs.read("cudp_bad_sequence").empty());
  EXPECT_EQ(console.take(),
            "Corvel> PARSE-ERROR, Element compressed_udp: value must be 0 thru 15 "
            "(TcsRtpAndCompressedProtocols)\n" +
                test::Place("144, <compressed_udp> attribute sequence=\"16\""));
}

TEST_F(ProtocolReaderTest, ContextStateFillsOneEntryPerChildInOrder) {
  const auto config = tcs.readOne("context_two");
  const auto* state = dynamic_cast<const ContextStateProtocolConfig*>(config.get());
  ASSERT_NE(state, nullptr);
  ASSERT_EQ(state->contextCount(), 2);
  EXPECT_EQ(state->contextId(0), 1u);
  EXPECT_EQ(state->sequence(0), 3u);
  EXPECT_EQ(state->invalidate(0), 0u);
  EXPECT_EQ(state->contextId(1), 0x0203u);
  EXPECT_EQ(state->invalidate(1), 1u);
  EXPECT_EQ(state->generation(1), 5u);
}

TEST_F(ProtocolReaderTest, ContextStateWithoutContextsIsReportedByTheManager) {
  EXPECT_TRUE(tcs.read("context_none").empty());
  EXPECT_EQ(console.take(),
            "Corvel> PARSE-ERROR, Element context_state: at least one content must exists "
            "(TcsManager)\n" +
                test::Place("153, <context_state>"));
}

TEST_F(ProtocolReaderTest, FullHeaderListsItsInnerProtocolsThenItself) {
  const ProtocolList list = tcs.read("full_two");
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0]->kind(), ProtocolKind::IpV4);
  // inner elements are read for their values: the IPv4 defaults apply
  EXPECT_EQ(HeaderHex(*list[0]).substr(0, 2), "45");
  EXPECT_EQ(list[1]->kind(), ProtocolKind::Udp);
  EXPECT_EQ(HeaderHex(*list[1]), "0001000000000000");
  const auto* full = dynamic_cast<const FullHeaderProtocolConfig*>(list[2].get());
  ASSERT_NE(full, nullptr);
  EXPECT_EQ(full->contextId(), 9u);
  EXPECT_EQ(tcs.manager().status(), 0);
}

TEST_F(ProtocolReaderTest, FullHeaderInnerElementsAreReadForValuesEvenInMaskMode) {
  const ProtocolList list = tcs.read("full_two", enSetTypeCapture, enReadModeMask);
  ASSERT_EQ(list.size(), 3u);
  EXPECT_FALSE(list[0]->isMask());
}

TEST_F(ProtocolReaderTest, FullHeaderWithOnlyACommentIsReportedByItself) {
  EXPECT_TRUE(tcs.read("full_empty").empty());
  EXPECT_EQ(console.take(),
            "Corvel> PARSE-ERROR, Element full_header: at least one protocol node must exists in "
            "a full_header (TcsRtpAndCompressedProtocols)\n" +
                test::Place("159, <full_header>"));
  EXPECT_EQ(tcs.manager().status(), TcsManager::kStatusParseError);
}

TEST_F(ProtocolReaderTest, FullHeaderWithABadInnerElementYieldsNothing) {
  EXPECT_TRUE(tcs.read("full_bad_inner").empty());
  EXPECT_EQ(console.take(),
            "Corvel> PARSE-ERROR, Element streams: protocol is a reserved word (TcsManager)\n" +
                test::Place("160, <streams>"));
}

TEST_F(ProtocolReaderTest, FullHeaderFieldErrorsAreReportedByTheManager) {
  EXPECT_TRUE(tcs.read("full_bad_generation").empty());
  const std::string line = console.take();
  EXPECT_EQ(line.rfind("Corvel> PARSE-ERROR, Element full_header: ", 0), 0u) << line;
  EXPECT_NE(line.find(" (TcsManager)\n"), std::string::npos) << line;
}

}  // namespace
}  // namespace corvel
