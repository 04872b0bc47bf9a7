// One policy of a policy set: the traffic contract (its descriptor and the
// police/shape object configured from it) and the flow keys that name the
// traffic it covers, innermost protocol first.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "corvel/police/policing.h"
#include "corvel/police/protocol_flow_key.h"
#include "corvel/police/traffic_descriptor.h"

namespace corvel {

struct FlowPolicy {
  std::unique_ptr<TrafficDescriptor> descriptor;
  // Never initialised here: every port takes a clone of its own.
  std::unique_ptr<Policing> police;
  std::vector<ProtocolFlowKey> keys;
  // The key kinds in the order read, as a stack signature ("4,2").
  std::string signature;
  // Where the contract works: ProtocolFlowKey::kLevelDatalink for the cell
  // contracts, kLevelPdu for the frame-flow and token-bucket ones.
  int32_t level = ProtocolFlowKey::kLevelDatalink;
  // The report level (0..2) and interval of the police statistics, from the
  // policy's protocol elements (their police_level).
  int32_t policeLevel = 0;
  int32_t policeInterval = 0;
};

}  // namespace corvel
