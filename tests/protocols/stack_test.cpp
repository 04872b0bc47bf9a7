// Stacking rules: the compatibility table for every outer kind against every
// inner kind, the signature text, and copies of stacks.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "corvel/protocols/aal5/aal5.h"
#include "corvel/protocols/atm/atm.h"
#include "corvel/protocols/compressed_header/compressed_header.h"
#include "corvel/protocols/context_state.h"
#include "corvel/protocols/dslam/dslam.h"
#include "corvel/protocols/ethernet/ethernet.h"
#include "corvel/protocols/full_header/full_header.h"
#include "corvel/protocols/generic/generic.h"
#include "corvel/protocols/interpyx/interpyx.h"
#include "corvel/protocols/ipv4/ipv4.h"
#include "corvel/protocols/ipv6/ipv6.h"
#include "corvel/protocols/payload/payload_config.h"
#include "corvel/protocols/protocol_stack.h"
#include "corvel/protocols/rtp/rtp.h"
#include "corvel/protocols/tcp/tcp.h"
#include "corvel/protocols/udp/udp.h"
#include "corvel/protocols/vlan/vlan.h"
#include "test_support.h"

namespace corvel {
namespace {

using test::throwText;
using test::zeros;
using K = ProtocolKind;

// One configuration of every class, keyed by a short name.
std::map<std::string, std::unique_ptr<ProtocolConfig>> everyClass() {
  std::map<std::string, std::unique_ptr<ProtocolConfig>> all;
  all["atm"] = std::make_unique<AtmProtocolConfig>(zeros(8));
  all["aal5"] = std::make_unique<AAL5ProtocolConfig>(zeros(16), zeros(16));
  all["aal58023"] = std::make_unique<AAL58023ProtocolConfig>(zeros(20), zeros(16));
  all["dslam"] = std::make_unique<DSlamProtocolConfig>(zeros(16));
  all["interpyx"] = std::make_unique<InterPyxProtocolConfig>(zeros(16));
  all["ethernet"] = std::make_unique<EthernetProtocolConfig>(zeros(28), zeros(8));
  all["generic"] = std::make_unique<GenericProtocolConfig>("abcd", "");
  all["ipv4"] = std::make_unique<IpV4ProtocolConfig>(zeros(40));
  all["tcp"] = std::make_unique<TcpProtocolConfig>(zeros(40));
  all["udp"] = std::make_unique<UdpProtocolConfig>(zeros(16));
  all["ipv6"] = std::make_unique<IpV6ProtocolConfig>(zeros(80));
  all["rtp"] = std::make_unique<RtpProtocolConfig>(zeros(24));
  all["vlan"] = std::make_unique<VLanProtocolConfig>(zeros(36), zeros(8));
  all["xvlan"] = std::make_unique<XVLanProtocolConfig>(zeros(52), zeros(8));
  all["cudp"] = std::make_unique<CompressedUdpProtocolConfig>();
  all["cnontcp"] = std::make_unique<CompressedNonTcpProtocolConfig>();
  all["crtp"] = std::make_unique<CompressedRtpProtocolConfig>();
  all["fullheader"] = std::make_unique<FullHeaderProtocolConfig>();
  all["fixed"] = std::make_unique<FixedPayloadConfig>("64", 1);
  all["increment"] = std::make_unique<IncrementPayloadConfig>(64, 128, 1, 1);
  all["random"] = std::make_unique<RandomPayloadConfig>(64, 128, 1);
  all["workbench"] = std::make_unique<WorkbenchLogPayloadConfig>("log.txt", false, false, 1);
  all["context"] = std::make_unique<ContextStateProtocolConfig>(1);
  return all;
}

// The compatibility table, written out by class name. "payload" stands for
// every plain payload; "context" is the context-state payload.
const std::map<std::string, std::set<std::string>>& expectedInner() {
  static const std::set<std::string> kPlain = {"fixed", "increment", "random", "workbench"};
  auto with = [](std::set<std::string> s, const std::set<std::string>& more) {
    s.insert(more.begin(), more.end());
    return s;
  };
  auto allPayloads = with(kPlain, {"context"});
  static const std::map<std::string, std::set<std::string>> table = {
      {"atm", with({"aal5", "generic"}, allPayloads)},
      {"aal5", {"generic", "ipv4"}},
      {"aal58023", {"ethernet", "generic"}},
      {"dslam", with({"aal5", "aal58023"}, allPayloads)},
      {"interpyx", with({"aal5", "aal58023", "generic"}, allPayloads)},
      {"ethernet", with({"generic", "ipv4", "ipv6"}, kPlain)},
      {"generic", with({"atm", "aal5", "generic", "ipv4"}, allPayloads)},
      {"ipv4", with({"generic", "tcp", "udp", "ipv6"}, allPayloads)},
      {"ipv6", with({"generic", "ipv4", "tcp", "udp"}, allPayloads)},
      {"tcp", with({"generic"}, allPayloads)},
      {"udp", with({"generic", "rtp"}, kPlain)},
      {"rtp", with({"generic"}, allPayloads)},
      {"vlan", {"atm", "aal5", "aal58023", "dslam", "interpyx", "ethernet", "generic", "ipv4", "tcp",
                "udp", "ipv6", "rtp", "vlan", "xvlan", "cudp", "cnontcp", "crtp", "fullheader", "fixed",
                "increment", "random", "workbench", "context"}},
      {"xvlan", with({"generic", "ipv6", "cudp", "cnontcp", "crtp", "fullheader"}, allPayloads)},
      {"cudp", with({"generic", "rtp"}, kPlain)},
      {"cnontcp", with({"generic", "rtp"}, kPlain)},
      {"crtp", with({"generic", "rtp"}, kPlain)},
      {"fullheader", {"ipv4", "ipv6"}},
      {"fixed", {}},
      {"increment", {}},
      {"random", {}},
      {"workbench", {}},
      {"context", {}},
  };
  return table;
}

TEST(CompatibilityTable, EveryOuterAgainstEveryInner) {
  const auto all = everyClass();
  ASSERT_EQ(all.size(), expectedInner().size());
  for (const auto& [outerName, outer] : all) {
    const auto& accepted = expectedInner().at(outerName);
    for (const auto& [innerName, inner] : all) {
      EXPECT_EQ(outer->acceptsInner(*inner), accepted.count(innerName) == 1)
          << outerName << " over " << innerName;
    }
  }
}

TEST(CompatibilityTable, KindsAndDatalinkFlags) {
  const auto all = everyClass();
  const std::map<std::string, std::pair<K, bool>> expected = {
      {"atm", {K::Atm, true}},           {"aal5", {K::AAL5, false}},
      {"aal58023", {K::AAL58023, false}}, {"dslam", {K::DSlam, true}},
      {"interpyx", {K::InterPyx, true}}, {"ethernet", {K::Ethernet, true}},
      {"generic", {K::Generic, true}},   {"ipv4", {K::IpV4, false}},
      {"tcp", {K::Tcp, false}},          {"udp", {K::Udp, false}},
      {"ipv6", {K::IpV6, false}},        {"rtp", {K::Rtp, false}},
      {"vlan", {K::VLan, true}},         {"xvlan", {K::XVLan, true}},
      {"cudp", {K::CompressedUdp, false}}, {"cnontcp", {K::CompressedNonTcp, false}},
      {"crtp", {K::CompressedRtp, false}}, {"fullheader", {K::FullHeader, false}},
      {"fixed", {K::Payload, false}},    {"increment", {K::Payload, false}},
      {"random", {K::Payload, false}},   {"workbench", {K::Payload, false}},
      {"context", {K::Payload, false}},
  };
  for (const auto& [name, config] : all) {
    EXPECT_EQ(config->kind(), expected.at(name).first) << name;
    EXPECT_EQ(config->isDatalink(), expected.at(name).second) << name;
  }
  EXPECT_EQ(static_cast<int>(K::Udp), 10);
  EXPECT_EQ(static_cast<int>(K::FullHeader), 18);
}

TEST(ProtocolStack, PayloadUdpIpv4EthernetBuildsSignature) {
  ProtocolStack stack("s1");
  stack.addProtocol(FixedPayloadConfig("64", 1));
  stack.addProtocol(UdpProtocolConfig(zeros(16)));
  stack.addProtocol(IpV4ProtocolConfig(zeros(40)));
  stack.addProtocol(EthernetProtocolConfig(zeros(28), zeros(8)));
  EXPECT_EQ(stack.signature(), "8,10,7,5");
  EXPECT_EQ(stack.count(), 4);
  EXPECT_EQ(stack.name(), "s1");
  EXPECT_EQ(stack.at(0).kind(), K::Payload);
  EXPECT_EQ(stack.at(3).kind(), K::Ethernet);
}

TEST(ProtocolStack, RuleViolations) {
  ProtocolStack empty;
  EXPECT_EQ(throwText([&] { empty.addProtocol(UdpProtocolConfig(zeros(16))); }),
            "Error, the first protocol must be a payload");
  EXPECT_EQ(empty.count(), 0);
  EXPECT_EQ(empty.signature(), "");

  ProtocolStack stack;
  stack.addProtocol(FixedPayloadConfig("64", 1));
  EXPECT_EQ(throwText([&] { stack.addProtocol(FixedPayloadConfig("64", 1)); }),
            "Error, the new protocol does not support the last protocol.");
  stack.addProtocol(IpV4ProtocolConfig(zeros(40)));
  EXPECT_EQ(throwText([&] { stack.addProtocol(UdpProtocolConfig(zeros(16))); }),
            "Error, the new protocol does not support the last protocol.");
  // A refused protocol leaves the stack as it was.
  EXPECT_EQ(stack.signature(), "8,7");
  EXPECT_EQ(stack.count(), 2);
}

TEST(ProtocolStack, ContextStateOnlyUnderPermittingLayers) {
  ProtocolStack overContext;
  overContext.addProtocol(ContextStateProtocolConfig(2));
  EXPECT_EQ(throwText([&] { overContext.addProtocol(EthernetProtocolConfig(zeros(28), zeros(8))); }),
            "Error, the new protocol does not support the last protocol.");
  overContext.addProtocol(XVLanProtocolConfig(zeros(52), zeros(8)));
  EXPECT_EQ(overContext.signature(), "8,14");

  ProtocolStack overFixed;
  overFixed.addProtocol(FixedPayloadConfig("64", 1));
  overFixed.addProtocol(EthernetProtocolConfig(zeros(28), zeros(8)));
  EXPECT_EQ(overFixed.signature(), "8,5");
}

TEST(ProtocolStack, StoresClonesNotTheCallersObject) {
  ProtocolStack stack;
  FixedPayloadConfig payload("64", 1);
  EthernetProtocolConfig ethernet(zeros(28), zeros(8));
  stack.addProtocol(payload);
  stack.addProtocol(ethernet);
  ethernet.setSource("0102030405ff");
  EXPECT_NE(&stack.at(1), &ethernet);
  EXPECT_EQ(stack.at(1).headerBytes()[6], 0);
}

TEST(ProtocolStack, CopyRebuildsEntriesAndSignatureAndResetsThirdStreamField) {
  ProtocolStack stack("stream-a");
  stack.addProtocol(RandomPayloadConfig(10, 20, 3));
  stack.addProtocol(TcpProtocolConfig(zeros(40)));
  stack.addProtocol(IpV6ProtocolConfig(zeros(80)));
  stack.addProtocol(VLanProtocolConfig(zeros(36), zeros(8)));
  for (int i = 0; i < ProtocolStack::kStreamFieldCount; ++i) stack.setStreamField(i, 10 + i);

  const ProtocolStack copy(stack);
  EXPECT_EQ(copy.name(), "stream-a");
  EXPECT_EQ(copy.signature(), "8,9,11,13");
  ASSERT_EQ(copy.count(), 4);
  for (int i = 0; i < copy.count(); ++i) {
    EXPECT_NE(&copy.at(i), &stack.at(i));
    EXPECT_EQ(copy.at(i).kind(), stack.at(i).kind());
  }
  EXPECT_EQ(copy.streamField(0), 10);
  EXPECT_EQ(copy.streamField(1), 11);
  EXPECT_EQ(copy.streamField(2), 0);
  EXPECT_EQ(copy.streamField(3), 13);

  ProtocolStack assigned;
  assigned = stack;
  EXPECT_EQ(assigned.signature(), "8,9,11,13");
  EXPECT_EQ(assigned.streamField(2), 0);
}

}  // namespace
}  // namespace corvel
