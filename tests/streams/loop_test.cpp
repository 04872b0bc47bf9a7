// Stream sets with a for_table_entries loop: one stack per table entry, the
// loop elements matched by name and instance_id, the values taken from the
// entry, its defaults or the loop element itself.
#include <gtest/gtest.h>

#include <libxml/tree.h>

#include <string>
#include <vector>

#include "corvel/tables/table_definition.h"
#include "corvel/xml/xml_access.h"
#include "streams_test_support.h"

namespace corvel {
namespace {

using test::Dotted;
using test::Layer;

class LoopExpansion : public test::StreamSetsTest {
 protected:
  // Inner IPv4 source (layer 2) of every stack of a tunnel set.
  std::vector<std::string> innerSources(const StreamSetDefinition& record) {
    std::vector<std::string> sources;
    for (const auto& stack : record.stacks()) {
      sources.push_back(Dotted(Layer<IpV4ProtocolConfig>(*stack, 2).sourceAddress()));
      // The outer IPv4 (layer 4) is never touched.
      EXPECT_EQ(Dotted(Layer<IpV4ProtocolConfig>(*stack, 4).sourceAddress()), "1.1.1.1");
    }
    return sources;
  }
};

TEST_F(LoopExpansion, ThreeEntriesGiveThreeStacksWithTheirOwnValues) {
  StreamSetDefinition& record = build("flow_loop");
  EXPECT_EQ(manager->status(), 0);
  EXPECT_EQ(console.take(), "");
  ASSERT_EQ(record.stacks().size(), 3u);

  struct Expected {
    const char* dest;
    uint32_t port;
    uint32_t ttl;
  };
  // The second entry takes dest and ttl from the defaults; the third its own ttl.
  const Expected expected[] = {{"10.0.0.1", 5001, 32}, {"10.0.0.1", 5002, 32}, {"10.0.0.3", 5003, 99}};
  for (size_t i = 0; i < 3; ++i) {
    const ProtocolStack* stack = record.nextStack();
    ASSERT_NE(stack, nullptr);
    EXPECT_EQ(stack->signature(), "8,10,7,5");
    EXPECT_EQ(stack->name(), "flow_loop");
    const auto& ipv4 = Layer<IpV4ProtocolConfig>(*stack, 2);
    EXPECT_EQ(Dotted(ipv4.destinationAddress()), expected[i].dest) << "entry " << i;
    EXPECT_EQ(ipv4.timeToLive(), expected[i].ttl) << "entry " << i;
    EXPECT_EQ(Dotted(ipv4.sourceAddress()), "192.168.0.1");
    EXPECT_EQ(Layer<UdpProtocolConfig>(*stack, 1).destinationPort(), expected[i].port) << "entry " << i;
  }
  EXPECT_EQ(record.nextStack(), nullptr);

  // Every entry worked on a copy: the document still holds the written values.
  xmlNode* ipv4 = selectSingleNode(record.definitionNode(), "./ipv4");
  EXPECT_EQ(GetAttribute(ipv4, "dest_addr"), "0.0.0.0");
  EXPECT_EQ(GetAttribute(ipv4, "ttl"), std::nullopt);
}

TEST_F(LoopExpansion, InstanceIdPicksTheSecondOfTwoIpv4Elements) {
  const StreamSetDefinition& record = build("tunnel");
  EXPECT_EQ(manager->status(), 0);
  ASSERT_EQ(record.stacks().size(), 3u);
  EXPECT_EQ(record.stacks()[0]->signature(), "8,10,7,11,7,5");
  // ip is a table variable: the entry's value, the default for the first entry.
  EXPECT_EQ(innerSources(record), (std::vector<std::string>{"172.16.0.1", "172.16.0.2", "172.16.0.3"}));
}

TEST_F(LoopExpansion, AValueNamingNoVariableIsWrittenAsItStands) {
  const StreamSetDefinition& record = build("tunnel_literal");
  EXPECT_EQ(manager->status(), 0);
  EXPECT_EQ(innerSources(record), (std::vector<std::string>{"10.9.9.9", "10.9.9.9", "10.9.9.9"}));
}

TEST_F(LoopExpansion, EmptyValueWithoutAVariableWarnsAndLeavesTheAttribute) {
  const StreamSetDefinition& record = build("unreferenced");
  EXPECT_EQ(manager->status(), 0);
  // Each warning names the loop element (line 161) and the entry it was made for.
  EXPECT_EQ(console.take(),
            "Unable to reference attribute: hlen\n" +
                test::StreamsPlace("161, <ipv4> attribute hlen=\"\", table entry at line 10") +
                "Unable to reference attribute: hlen\n" +
                test::StreamsPlace("161, <ipv4> attribute hlen=\"\", table entry at line 12") +
                "Unable to reference attribute: hlen\n" +
                test::StreamsPlace("161, <ipv4> attribute hlen=\"\", table entry at line 13"));
  ASSERT_EQ(record.stacks().size(), 3u);
  const uint32_t ttls[] = {32, 32, 99};  // ttl="" names the variable ttl
  for (size_t i = 0; i < 3; ++i) {
    const auto& ipv4 = Layer<IpV4ProtocolConfig>(*record.stacks()[i], 1);
    EXPECT_EQ(ipv4.headerLengthField(), 5u);
    EXPECT_EQ(ipv4.timeToLive(), ttls[i]);
  }
}

TEST_F(LoopExpansion, UnmatchedLoopElementIsAParseError) {
  const StreamSetDefinition& record = build("unmatched");
  // Reported once: the first error ends the expansion.
  EXPECT_EQ(console.take(),
            "Corvel> PARSE-ERROR, Element udp: unable to match protocol in for_table_entries loop "
            "with protocol in the protocol stack (TcsStreamMgt)\n" +
                test::StreamsPlace("173, <udp>, table entry at line 10"));
  EXPECT_EQ(manager->status(), TcsManager::kStatusParseError);
  EXPECT_TRUE(record.stacks().empty());
}

TEST_F(LoopExpansion, NestedForTableEntriesEndsTheLoopElements) {
  const StreamSetDefinition& record = build("nested_stop");
  EXPECT_EQ(manager->status(), 0);
  EXPECT_EQ(console.take(), "");
  ASSERT_EQ(record.stacks().size(), 3u);
  EXPECT_EQ(Layer<UdpProtocolConfig>(*record.stacks()[2], 1).destinationPort(), 5003u);
}

TEST_F(LoopExpansion, UnknownTableIsAParseError) {
  const StreamSetDefinition& record = build("no_table");
  EXPECT_EQ(console.take(), "Corvel> PARSE-ERROR: data table not found (TcsStreamMgt)\n" +
                                test::StreamsPlace("198, <for_table_entries> attribute id=\"missing\""));
  EXPECT_EQ(manager->status(), TcsManager::kStatusParseError);
  EXPECT_TRUE(record.stacks().empty());
}

TEST_F(LoopExpansion, TablesWithoutEntriesGiveNoStack) {
  for (const char* id : {"loop_zero", "loop_no_entries"}) {
    EXPECT_TRUE(build(id).stacks().empty()) << id;
  }
  EXPECT_EQ(manager->status(), 0);
  EXPECT_EQ(console.take(), "");
}

// MakeProtocolAssignments on its own, with elements made for the test.
class Assignments : public test::StreamSetsTest {
 protected:
  NodeCopy element(const char* name) {
    return NodeCopy(xmlNewDocNode(document.document(), nullptr, BAD_CAST name, nullptr));
  }
  // The entries of a table, in order (plain-table entries are document nodes).
  std::vector<xmlNode*> entries(const char* table) {
    std::vector<xmlNode*> list;
    if (TableEntriesGenerator* iterator = manager->tables().at(table)->createEntryIterator()) {
      while (xmlNode* entry = iterator->next()) list.push_back(entry);
    }
    return list;
  }
  xmlNode* defaults(const char* table) { return manager->tables().at(table)->getDefaultsNode(); }
};

TEST_F(Assignments, VariableEntryDefaultOrLiteral) {
  const std::vector<xmlNode*> flows = entries("flows");
  ASSERT_EQ(flows.size(), 3u);
  NodeCopy loop = element("ipv4");
  xmlNewProp(loop.get(), BAD_CAST "src_addr", BAD_CAST "ip");
  xmlNewProp(loop.get(), BAD_CAST "ttl", BAD_CAST "");
  xmlNewProp(loop.get(), BAD_CAST "dest_addr", BAD_CAST "9.9.9.9");

  struct Case {
    xmlNode* entry;
    xmlNode* defaults;
    const char* srcAddr;
    const char* ttl;  // null: not written
  };
  const Case cases[] = {
      {flows[2], defaults("flows"), "172.16.0.3", "99"},  // the entry's values
      {flows[0], defaults("flows"), "172.16.0.1", "32"},  // the defaults'
      // a table without the variables: ip is a literal, ttl is not written
      {nullptr, defaults("no_entries"), "ip", nullptr},
  };
  for (const Case& c : cases) {
    NodeCopy target = element("ipv4");
    EXPECT_TRUE(MakeProtocolAssignments(*manager, loop.get(), c.entry, c.defaults, target.get()));
    EXPECT_EQ(GetAttribute(target.get(), "src_addr"), c.srcAddr);
    EXPECT_EQ(GetAttribute(target.get(), "ttl"), c.ttl ? std::optional<std::string>(c.ttl) : std::nullopt);
    EXPECT_EQ(GetAttribute(target.get(), "dest_addr"), "9.9.9.9");
  }
  // The loop element made here has no line of its own.
  EXPECT_EQ(console.take(),
            "Unable to reference attribute: ttl\n" + test::StreamsPlace(", <ipv4> attribute ttl=\"\""));
}

TEST_F(Assignments, AFailedAssignmentPrintsTheTargetElement) {
  NodeCopy loop = element("ipv4");
  // Not an XML name: the value cannot be stored under it.
  xmlNewProp(loop.get(), BAD_CAST "bad name", BAD_CAST "1");
  xmlNode* target = selectSingleNode(document.documentNode(), "//ipv4[@instance_id='dump']");
  ASSERT_NE(target, nullptr);
  EXPECT_FALSE(MakeProtocolAssignments(*manager, loop.get(), nullptr, defaults("flows"), target));
  EXPECT_EQ(console.take(),
            "Corvel> ERROR: Exception in MakeProtocolAssignments\n" +
                test::StreamsPlace(", <ipv4> attribute bad name=\"1\"") +
                "***** pnAssignedProtocol\n"
            "<ipv4 instance_id='dump' ttl='5'>\n"
            "   <note>\n"
            "      <text#text>\n");
  EXPECT_EQ(manager->status(), 0);
}

}  // namespace
}  // namespace corvel
