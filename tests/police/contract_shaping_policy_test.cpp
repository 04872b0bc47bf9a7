// A receive port's contract over a police object: the masked, bounds-checked
// match of flow keys against a stream's headers, the frame size programmed
// before every test, and a fresh state for every stream.
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "corvel/base/print_utility.h"
#include "corvel/police/protocol_flow_key.h"
#include "corvel/police/upc_cbr1.h"
#include "corvel/protocols/ethernet/ethernet.h"
#include "corvel/protocols/payload/payload_config.h"
#include "corvel/protocols/protocol_stack.h"
#include "corvel/traffic/contract_shaping_policy.h"

namespace corvel {
namespace {


ProtocolStack Stream(int destination) {
  ProtocolStack stack("s");
  FixedPayloadConfig payload("10", 1);
  stack.addProtocol(payload);
  char header[29];
  std::snprintf(header, sizeof header, "0000000000%02x00000000000108ff", destination);
  stack.addProtocol(EthernetProtocolConfig(header, "00000000"));
  return stack;
}

int32_t EthernetKind() { return static_cast<int32_t>(Stream(1).at(1).kind()); }

// A key on the Ethernet destination's last byte only.
ProtocolFlowKey DestinationKey(uint8_t destination) {
  std::vector<uint8_t> value(14, 0xee);
  value[5] = destination;
  ProtocolFlowKey key("ethernet", EthernetKind(), 0, value);
  std::vector<uint8_t> mask(14, 0);
  mask[5] = 0xff;
  key.setMask(mask);
  return key;
}

// The masked match, bounds-checked: only the masked byte (the last of the
// destination address) counts, of the key's own kind, over a header at
// least as long as the key.
TEST(ProtocolFlowKey, MatchesOnlyTheMaskedBytesOfItsOwnKind) {
  const ProtocolFlowKey key = DestinationKey(7);
  const std::vector<uint8_t> header{0, 0, 0, 0, 0, 7, 1, 2, 3, 4, 5, 6, 8, 0};
  std::vector<uint8_t> otherDestination = header;
  otherDestination[5] = 8;
  std::vector<uint8_t> otherSource = header;
  otherSource[6] = 9;
  const std::vector<uint8_t> oneByteShort(header.begin(), header.end() - 1);
  const struct {
    int32_t kind;
    std::vector<uint8_t> header;
    bool matches;
  } cases[] = {
      {EthernetKind(), header, true},          {EthernetKind(), otherSource, true},
      {EthernetKind(), otherDestination, false}, {EthernetKind() + 1, header, false},
      {EthernetKind(), oneByteShort, false},   {EthernetKind(), {}, false},
  };
  for (const auto& c : cases) EXPECT_EQ(key.matches(c.kind, c.header), c.matches) << c.header.size() << " bytes, kind " << c.kind;
  // A key of no bytes matches every header of its kind.
  EXPECT_TRUE(ProtocolFlowKey("ethernet", EthernetKind(), 0, {}).matches(EthernetKind(), {}));
}

std::shared_ptr<ContractShapingPolicy> CbrPolicy(const PrintUtility& printer, std::vector<ProtocolFlowKey> keys) {
  // 1000 Kbps at 100 MHz: a 125-byte frame every 100,000 cycles, no tolerance.
  auto police = std::make_unique<UPC_CBR1>(100, 100, printer);
  police->set_PCR(1000);
  return std::make_shared<ContractShapingPolicy>(std::move(police), std::move(keys), 0, 0);
}

TEST(ContractShapingPolicy, MatchesTheStreamsItsKeysName) {
  const PrintUtility printer;
  const auto policy = CbrPolicy(printer, {DestinationKey(7)});
  EXPECT_TRUE(policy->matches(Stream(7)));
  EXPECT_FALSE(policy->matches(Stream(8)));
  EXPECT_TRUE(CbrPolicy(printer, {})->matches(Stream(8)));
}

TEST(ContractShapingPolicy, EveryTestUsesTheSizeAskedAbout) {
  const PrintUtility printer;
  const auto stream = CbrPolicy(printer, {})->instantiate();
  int64_t waitNs = -1;
  // 250 bytes at cycle 0: the next frame is due at 200,000.
  EXPECT_TRUE(stream->conforms(0, 250, waitNs));
  EXPECT_EQ(waitNs, 0);
  EXPECT_FALSE(stream->conforms(150000, 125, waitNs));
  EXPECT_EQ(waitNs, 500000);  // 50,000 cycles of 10 ns
  EXPECT_TRUE(stream->conforms(200000, 125, waitNs));
  // The 125-byte frame took 100,000 cycles of the schedule, not 200,000.
  EXPECT_FALSE(stream->conforms(250000, 125, waitNs));
  EXPECT_TRUE(stream->conforms(300000, 125, waitNs));
}

TEST(ContractShapingPolicy, EveryStreamHasItsOwnSchedule) {
  const PrintUtility printer;
  const auto port = CbrPolicy(printer, {});
  const auto first = port->instantiate();
  const auto second = port->instantiate();
  int64_t waitNs = 0;
  EXPECT_TRUE(first->conforms(0, 125, waitNs));
  EXPECT_TRUE(second->conforms(0, 125, waitNs));
  EXPECT_FALSE(first->conforms(1000, 125, waitNs));
  EXPECT_FALSE(second->conforms(1000, 125, waitNs));
}

}  // namespace
}  // namespace corvel
