// Building the stack of a set without a loop: element order, the set type
// handed to the protocol readers, and what ends a stack.
#include <gtest/gtest.h>

#include "corvel/protocols/hex_text.h"
#include "streams_test_support.h"

namespace corvel {
namespace {

using test::Layer;

class StackBuild : public test::StreamSetsTest {};

TEST_F(StackBuild, ElementsFromDatalinkToPayloadGiveAStackFromPayloadToDatalink) {
  StreamSetDefinition& record = build("udp_stack");
  EXPECT_EQ(manager->status(), 0);
  EXPECT_EQ(console.take(), "");
  ASSERT_EQ(record.stacks().size(), 1u);
  const ProtocolStack& stack = *record.stacks()[0];
  EXPECT_EQ(stack.name(), "udp_stack");
  EXPECT_EQ(stack.signature(), "8,10,7,5");  // payload, UDP, IPv4, Ethernet
  EXPECT_EQ(Layer<UdpProtocolConfig>(stack, 1).destinationPort(), 5678u);
  EXPECT_EQ(test::Dotted(Layer<IpV4ProtocolConfig>(stack, 2).destinationAddress()), "192.168.0.2");
  EXPECT_EQ(bytesToHex(stack.at(3).headerBytes()), "0000000000020000000000010800");

  // nextStack hands the one stack out once.
  EXPECT_EQ(record.nextStack(), &stack);
  EXPECT_EQ(record.nextStack(), nullptr);
  record.rewind();
  EXPECT_EQ(record.nextStack(), &stack);
}

TEST_F(StackBuild, PayloadFirstInTheFileBreaksTheStackingRules) {
  StreamSetDefinition& record = build("reversed");
  // The place names the element the stacking rule refused: ethernet, last in
  // the file and so the first one added.
  EXPECT_EQ(console.take(),
            "Corvel> PARSE-ERROR: Error, the first protocol must be a payload (TcsStreamMgt)\n" +
                test::StreamsPlace("45, <ethernet>"));
  EXPECT_EQ(manager->status(), TcsManager::kStatusParseError);
  EXPECT_TRUE(record.stacks().empty());
  EXPECT_EQ(record.nextStack(), nullptr);
}

// The udp reader takes validate_level only for capture sets: the set's type
// reaches the protocol readers.
TEST_F(StackBuild, ProtocolsAreReadWithTheSetsType) {
  const StreamSetDefinition& capture = build("capture_udp");
  const StreamSetDefinition& generate = build("generate_udp");
  ASSERT_EQ(capture.stacks().size(), 1u);
  ASSERT_EQ(generate.stacks().size(), 1u);
  EXPECT_EQ(capture.stacks()[0]->at(1).validateLevel(), 1);
  EXPECT_EQ(generate.stacks()[0]->at(1).validateLevel(), 0);
}

TEST_F(StackBuild, StreamFilesAreReadLikeProtocols) {
  const StreamSetDefinition& record = build("files");
  ASSERT_EQ(record.stacks().size(), 1u);
  EXPECT_EQ(record.stacks()[0]->signature(), "8,5");
}

TEST_F(StackBuild, AnElementWithoutConfigurationDropsTheStackSilently) {
  const StreamSetDefinition& record = build("silent_loss");
  EXPECT_TRUE(record.stacks().empty());
  EXPECT_EQ(manager->status(), 0);
  EXPECT_EQ(console.take(), "");
}

TEST_F(StackBuild, NothingIsBuiltAfterAParseError) {
  manager->ReportParseError("TcsTest", std::nullopt, "earlier error");
  console.take();
  EXPECT_TRUE(build("udp_stack").stacks().empty());
  EXPECT_TRUE(build("flow_loop").stacks().empty());
  EXPECT_EQ(console.take(), "");
}

}  // namespace
}  // namespace corvel
