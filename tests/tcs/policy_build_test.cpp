// Policies built from their elements: the contract object with the
// descriptor's figures, and flow keys innermost first whose masks have
// 1-bits exactly in the fields the elements name.
#include <gtest/gtest.h>

#include <bit>
#include <filesystem>
#include <fstream>
#include <string>

#include "corvel/police/token_bucket_scheduling.h"
#include "corvel/police/upc_cbr1.h"
#include "corvel/tcs/policy_set_definition.h"
#include "corvel/tcs/tcs_policy_mgt.h"
#include "corvel/traffic/port_config.h"
#include "tcs_test_support.h"

namespace corvel {
namespace {

namespace fs = std::filesystem;

constexpr const char* kPolicies =
    "<corvel><policies>"
    "<policy_set id=\"P\"><policy><ethernet dest_addr=\"0x00a0c9000002\"/><!-- the flow -->"
    "<ipv4 dest_addr=\"10.0.0.2\"/><cbr pcr=\"1000\" cdvt=\"10\"/></policy></policy_set>"
    "<policy_set id=\"V6\"><policy><ipv6 dest_addr=\"0x20010db8000000000000000000000001\"/>"
    "<tokenBucket_flow priority=\"3\" confType=\"srTCM\" cir=\"1000\" cbs=\"10\" ebs=\"20\"/></policy></policy_set>"
    "<policy_set id=\"VL\"><policy><vlan vlan_id=\"5\"/><xvlan vlan_id=\"6\"/><ubr priority=\"2\"/></policy>"
    "</policy_set><policy_set id=\"TR\"><policy><udp dest_port=\"5001\"/><tcp src_port=\"80\"/>"
    "<rtp source_id=\"7\"/><flow cpr=\"1000\"/></policy></policy_set></policies></corvel>";

class PolicyBuild : public ::testing::Test {
 protected:
  PolicyBuild() : config(1) {
    const fs::path dir = fs::path(::testing::TempDir()) / ("policy_build_" + std::to_string(getpid()));
    fs::create_directories(dir);
    std::ofstream(dir / "policies.tcs") << kPolicies;
    LoadDocument(document, (dir / "policies.tcs").string());
    manager = std::make_unique<TcsManager>(document);
    config.setRateAndBusFrequency(100, 100);
  }

  const FlowPolicy& build(const std::string& id) {
    EXPECT_TRUE(manager->readPolicies());
    PolicySetDefinition& set = *manager->policySets().at(id);
    buildPolicySet(*manager, set, config);
    EXPECT_EQ(manager->status(), TcsManager::kStatusOk) << console.text();
    EXPECT_EQ(set.policies().size(), 1u);
    return *set.policies().front();
  }

  test::ConsoleCapture console;
  TcsDocument document;
  std::unique_ptr<TcsManager> manager;
  PortConfig config;
};

int Ones(std::span<const uint8_t> bytes) {
  int ones = 0;
  for (uint8_t byte : bytes) ones += std::popcount(byte);
  return ones;
}

TEST_F(PolicyBuild, CbrWithEthernetAndIpv4Keys) {
  const FlowPolicy& policy = build("P");
  const auto* cbr = dynamic_cast<const UPC_CBR1*>(policy.police.get());
  ASSERT_NE(cbr, nullptr);
  EXPECT_EQ(cbr->PCR(), 1000.0);
  EXPECT_EQ(cbr->CDVT(), 10.0);
  EXPECT_EQ(policy.descriptor->getTrafficType(), 0);
  ASSERT_EQ(policy.keys.size(), 2u);
  const ProtocolFlowKey& ipv4 = policy.keys[0];
  const ProtocolFlowKey& ethernet = policy.keys[1];
  EXPECT_EQ(ipv4.name(), "ipv4");
  EXPECT_EQ(ipv4.position(), 1);
  EXPECT_EQ(ethernet.position(), 0);
  EXPECT_EQ(test::Hex(ipv4.mask()), "00000000000000000000000000000000ffffffff");
  EXPECT_EQ(test::Hex(ipv4.value()).substr(32), "0a000002");
  EXPECT_EQ(test::Hex(ethernet.mask()), "ffffffffffff0000000000000000");
  EXPECT_EQ(ipv4.level(), ProtocolFlowKey::kLevelDatalink);
  EXPECT_EQ(policy.signature, std::to_string(ipv4.type()) + "," + std::to_string(ethernet.type()));
}

TEST_F(PolicyBuild, TokenBucketFlowWithIpv6Key) {
  const FlowPolicy& policy = build("V6");
  const auto* bucket = dynamic_cast<const TokenBucket_Scheduling*>(policy.police.get());
  ASSERT_NE(bucket, nullptr);
  EXPECT_EQ(policy.descriptor->PCR(), 1000.0);
  EXPECT_EQ(bucket->CIR(), 1000.0);
  EXPECT_EQ(bucket->CBS(), 80.0);
  EXPECT_EQ(bucket->EBS(), 160.0);
  EXPECT_EQ(policy.descriptor->getTrafficType(), 4);
  EXPECT_EQ(policy.descriptor->subtype(), 3);
  ASSERT_EQ(policy.keys.size(), 1u);
  const ProtocolFlowKey& key = policy.keys[0];
  EXPECT_EQ(key.level(), ProtocolFlowKey::kLevelPdu);
  // The destination address: bytes 24 to 39 of the fixed header.
  EXPECT_EQ(test::Hex(key.mask()), std::string(48, '0') + std::string(32, 'f'));
}

TEST_F(PolicyBuild, VlanKeysMaskTheirIdentifiersOnly) {
  const FlowPolicy& policy = build("VL");
  EXPECT_EQ(policy.descriptor->getTrafficType(), 4);
  EXPECT_EQ(policy.descriptor->subtype(), 2);
  ASSERT_EQ(policy.keys.size(), 2u);
  EXPECT_EQ(policy.keys[0].name(), "xvlan");
  EXPECT_EQ(policy.keys[1].name(), "vlan");
  for (const ProtocolFlowKey& key : policy.keys) EXPECT_EQ(Ones(key.mask()), 12) << key.name() << test::Hex(key.mask());
}

// Transport keys too: a UDP key on port 5001 must not take port 5003, whose
// bits include those of 5001.
TEST_F(PolicyBuild, TransportKeysMaskTheirNamedFieldsOnly) {
  const FlowPolicy& policy = build("TR");
  ASSERT_EQ(policy.keys.size(), 3u);
  EXPECT_EQ(test::Hex(policy.keys[0].mask()), std::string(16, '0') + "ffffffff");  // RTP SSRC
  EXPECT_EQ(test::Hex(policy.keys[1].mask()), "ffff" + std::string(36, '0'));      // TCP source port
  EXPECT_EQ(test::Hex(policy.keys[2].mask()), "0000ffff00000000");                // UDP destination port
  const std::vector<uint8_t> port5003{0x04, 0x00, 0x13, 0x8b, 0, 0, 0, 0};
  EXPECT_FALSE(policy.keys[2].matches(policy.keys[2].type(), port5003));
}

}  // namespace
}  // namespace corvel
