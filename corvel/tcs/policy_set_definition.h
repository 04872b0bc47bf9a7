// One policy set of the policies section: the elements that define it and,
// once a port has named it, the policies built from them (one, or one per
// table entry of its for_table_entries loop). Node handles are borrowed from
// the document, which outlives the record.
#pragma once

#include <libxml/tree.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "corvel/police/flow_policy.h"

namespace corvel {

class PolicySetDefinition {
 public:
  PolicySetDefinition(std::string id, xmlNode* policyNode, xmlNode* loopNode, xmlNode* setNode);
  ~PolicySetDefinition();
  PolicySetDefinition(const PolicySetDefinition&) = delete;
  PolicySetDefinition& operator=(const PolicySetDefinition&) = delete;

  void addPolicy(std::unique_ptr<FlowPolicy> policy);

  const std::string& id() const noexcept { return _id; }
  xmlNode* policyNode() const noexcept { return _policyNode; }
  xmlNode* loopNode() const noexcept { return _loopNode; }
  xmlNode* setNode() const noexcept { return _setNode; }
  const std::vector<std::unique_ptr<FlowPolicy>>& policies() const noexcept { return _policies; }

 private:
  std::string _id;
  xmlNode* _policyNode;
  xmlNode* _loopNode;
  xmlNode* _setNode;
  std::vector<std::unique_ptr<FlowPolicy>> _policies;
};

}  // namespace corvel
