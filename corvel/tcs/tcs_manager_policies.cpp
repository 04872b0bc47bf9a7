// The manager's policies reader: it records every policy set of the policies
// section. The policies are built later, when a port first names the set
// (tcs_policy_mgt.h).
#include <exception>
#include <memory>
#include <optional>
#include <string>

#include "corvel/base/text_error.h"
#include "corvel/tcs/policy_set_definition.h"
#include "corvel/tcs/tcs_manager.h"
#include "corvel/xml/tcs_place.h"
#include "corvel/tcs/tcs_policy_mgt.h"
#include "corvel/xml/xml_access.h"

namespace corvel {

bool TcsManager::readPolicies() {
  if (_status != kStatusOk) return false;
  if (xmlNode* root = selectSingleNode(_documentNode, "//corvel//policies")) {
    try {
      const PlaceScope place(root);
      bool found = false;
      // Part of the format; the clock is never cached.
      (void)GetAttributeInt(root, "pyx_clock_caching", found);
    } catch (const TextError& error) {
      ReportParseError(kPolicyMgtUnit, std::nullopt, error.text());
      return false;
    } catch (const std::exception&) {
      ReportParseException(kPolicyMgtUnit, "_configurePoliciesRoot");
      return false;
    }
  }
  const std::vector<xmlNode*> sets = selectNodes(_documentNode, "//corvel/policies/policy_set");
  if (!sets.empty()) _printer->print("Corvel> ------ Retreiving Policies ------\n");
  bool found = false;
  for (xmlNode* setNode : sets) {
    const std::optional<std::string> id = GetAttribute(setNode, "id");
    if (!id) continue;
    _printer->print("Corvel>   %s\n", id->c_str());
    if (_policySets.contains(*id)) {
      _printer->print("Corvel>     Warning, Duplicate policy set id = %s\n", id->c_str());
      _printer->print("Corvel>              Set will be ignored.\n");
      continue;
    }
    xmlNode* policy = selectSingleNode(setNode, "./policy");
    if (policy == nullptr) continue;
    xmlNode* loop = selectSingleNode(setNode, "./for_table_entries");
    _policySets.emplace(*id, std::make_shared<PolicySetDefinition>(*id, policy, loop, setNode));
    found = true;
  }
  return found;
}

}  // namespace corvel
