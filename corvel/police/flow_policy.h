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
};

}  // namespace corvel
