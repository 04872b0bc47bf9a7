#include "corvel/tcs/policy_set_definition.h"

#include <utility>

namespace corvel {

PolicySetDefinition::PolicySetDefinition(std::string id, xmlNode* policyNode, xmlNode* loopNode,
                                         xmlNode* setNode)
    : _id(std::move(id)), _policyNode(policyNode), _loopNode(loopNode), _setNode(setNode) {}

PolicySetDefinition::~PolicySetDefinition() = default;

void PolicySetDefinition::addPolicy(std::unique_ptr<FlowPolicy> policy) {
  if (policy) _policies.push_back(std::move(policy));
}

}  // namespace corvel
