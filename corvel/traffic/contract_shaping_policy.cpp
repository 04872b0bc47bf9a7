#include "corvel/traffic/contract_shaping_policy.h"

#include <utility>

#include "corvel/base/text_error.h"
#include "corvel/protocols/protocol_stack.h"

namespace corvel {

std::shared_ptr<ContractShapingPolicy> ContractShapingPolicy::forPort(const FlowPolicy& policy) {
  if (!policy.police) throw TextError("policy without a police object");
  std::optional<int32_t> type;
  int32_t priority = 0;
  // The class comes from the descriptor: a token bucket names none itself.
  // A contract that cannot shape (a frame-flow policer) has no class.
  const bool shapes = policy.police->isTokenBucket() || policy.police->trafficType().has_value();
  if (!shapes) {
    type = std::nullopt;
  } else if (policy.descriptor) {
    type = policy.descriptor->getTrafficType();
    priority = policy.descriptor->subtype();
  } else {
    type = policy.police->trafficType();
    priority = policy.police->priority();
  }
  return std::make_shared<ContractShapingPolicy>(policy.police->clone(), policy.keys, type, priority);
}

ContractShapingPolicy::ContractShapingPolicy(std::unique_ptr<Policing> police, std::vector<ProtocolFlowKey> keys,
                                             std::optional<int32_t> trafficType, int32_t priority)
    : _police(std::move(police)), _keys(std::move(keys)), _trafficType(trafficType), _priority(priority) {}

bool ContractShapingPolicy::matches(const ProtocolStack& stack) const {
  int32_t layer = stack.count() - 1;  // the datalink layer
  for (auto key = _keys.rbegin(); key != _keys.rend(); ++key) {
    bool found = false;
    for (; layer >= 0 && !found; --layer) {
      const ProtocolConfig& config = stack.at(layer);
      found = key->matches(static_cast<int32_t>(config.kind()), config.headerBytes());
    }
    if (!found) return false;
  }
  return true;
}

std::unique_ptr<ShapingPolicy> ContractShapingPolicy::instantiate() const {
  std::unique_ptr<Policing> state = _police->instantiate();
  state->initialize();
  return std::make_unique<ContractShapingPolicy>(std::move(state), _keys, _trafficType, _priority);
}

bool ContractShapingPolicy::conforms(uint32_t cycle, int32_t sizeBytes, int64_t& nanosecondsUntilConformant) {
  _police->setFrameSize(sizeBytes);
  return _police->conforms(cycle, sizeBytes, nanosecondsUntilConformant);
}

}  // namespace corvel
