#include "corvel/tcs/tcs_policy_mgt.h"

#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "corvel/base/print_utility.h"
#include "corvel/base/text_error.h"
#include "corvel/police/pkt_flow.h"
#include "corvel/police/token_bucket_scheduling.h"
#include "corvel/police/upc_cbr1.h"
#include "corvel/police/upc_vbr1.h"
#include "corvel/tables/table_definition.h"
#include "corvel/tcs/policy_set_definition.h"
#include "corvel/tcs/tcs_manager.h"
#include "corvel/xml/tcs_place.h"
#include "corvel/tcs/tcs_stream_mgt.h"
#include "corvel/tcs/tcs_table_loop.h"
#include "corvel/xml/xml_access.h"
#include "corvel/traffic/contract_shaping_policy.h"
#include "corvel/traffic/port_config.h"
#include "corvel/traffic/port_traffic_capture.h"
#include "corvel/traffic/port_traffic_generator.h"

namespace corvel {

namespace {

constexpr int32_t kCbr = 0, kRtVbr = 1, kNrtVbr = 2, kUbr = 4;

// An int attribute when present.
std::optional<int32_t> intAttribute(const xmlNode* element, std::string_view name) {
  const PlaceScope place(element, name);
  bool found = false;
  const int32_t value = GetAttributeInt(element, name, found);
  if (!found) return std::nullopt;
  return value;
}

// What one traffic-type reader makes: the descriptor, the police object and
// the key level its contract works at.
struct Contract {
  std::unique_ptr<TrafficDescriptor> descriptor;
  std::unique_ptr<Policing> police;
  int32_t level = ProtocolFlowKey::kLevelDatalink;
};

std::unique_ptr<TrafficDescriptor> makeDescriptor(const PortConfig& config,
                                                  int32_t type, int32_t subtype) {
  auto descriptor = std::make_unique<TrafficDescriptor>(config.rate(), type, subtype, sharedPrinter());
  descriptor->set_LineSpeed(config.rate());
  descriptor->setBusFrequency(config.busFrequency());
  return descriptor;
}

int32_t priorityOf(const xmlNode* element) { return intAttribute(element, "priority").value_or(0); }

Contract readCbr(const xmlNode* element, const PortConfig& config) {
  Contract contract{makeDescriptor(config, kCbr, 0), nullptr};
  const std::optional<int32_t> pcr = intAttribute(element, "pcr");
  if (!pcr) throw TextError("PCR not defined in tcs file");
  contract.descriptor->set_PCR(*pcr);
  if (auto cdvt = intAttribute(element, "cdvt")) contract.descriptor->set_CDVT(*cdvt);
  auto police = std::make_unique<UPC_CBR1>(config.rate(), config.busFrequency(), sharedPrinter());
  police->set_PCR(contract.descriptor->PCR());
  police->set_CDVT(contract.descriptor->CDVT());
  contract.police = std::move(police);
  return contract;
}

Contract readUbr(const xmlNode* element, const PortConfig& config) {
  const int32_t priority = priorityOf(element);
  Contract contract{makeDescriptor(config, kUbr, priority), nullptr};
  if (auto pcr = intAttribute(element, "pcr")) contract.descriptor->set_PCR(*pcr);
  if (auto cdvt = intAttribute(element, "cdvt")) contract.descriptor->set_CDVT(*cdvt);
  auto police = std::make_unique<UPC_CBR1>(config.rate(), config.busFrequency(), sharedPrinter());
  police->setTrafficClass(kUbr, priority);
  police->set_PCR(contract.descriptor->PCR());
  police->set_CDVT(contract.descriptor->CDVT());
  contract.police = std::move(police);
  return contract;
}

Contract readVbr(const xmlNode* element, const PortConfig& config, int32_t type) {
  Contract contract{makeDescriptor(config, type, 0), nullptr};
  TrafficDescriptor& descriptor = *contract.descriptor;
  const std::optional<int32_t> pcr = intAttribute(element, "pcr");
  const std::optional<int32_t> cdvt = intAttribute(element, "cdvt");
  const std::optional<int32_t> scr = intAttribute(element, "scr");
  const std::optional<int32_t> mbs = intAttribute(element, "mbs");
  if (pcr) descriptor.set_PCR(*pcr);
  if (cdvt) descriptor.set_CDVT(*cdvt);
  if (scr) descriptor.set_SCR(*scr);
  if (mbs) descriptor.set_MBS(*mbs);
  auto police = std::make_unique<UPC_VBR1>(config.rate(), config.busFrequency(), sharedPrinter());
  police->setTrafficClass(type, 0);
  police->set_PCR(descriptor.PCR());
  police->set_CDVT(descriptor.CDVT());
  if (scr) police->set_SCR(descriptor.SCR());
  if (mbs) police->set_MBS(descriptor.MBS());
  contract.police = std::move(police);
  return contract;
}

Contract readFlow(const xmlNode* element, const PortConfig& config) {
  Contract contract{makeDescriptor(config, kCbr, 0), nullptr, ProtocolFlowKey::kLevelPdu};
  auto police = std::make_unique<PKT_FLOW>(config.rate(), config.busFrequency(), sharedPrinter());
  if (auto cpr = intAttribute(element, "cpr")) {
    contract.descriptor->set_PCR(*cpr);
    police->set_PCR(contract.descriptor->PCR());
  }
  if (auto cdvt = intAttribute(element, "cdvt")) {
    contract.descriptor->set_CDVT(*cdvt);
    police->set_CDVT(contract.descriptor->CDVT());
  }
  if (auto low = intAttribute(element, "cpr_min")) police->set_PCRmin(*low);
  if (auto high = intAttribute(element, "cpr_max")) police->set_PCRmax(*high);
  contract.police = std::move(police);
  return contract;
}

// The token buckets are set in the order that lets each check see the values
// it depends on: the peak rate, the committed rate, CBS, then EBS (PBS).
Contract readTokenBucketFlow(const xmlNode* element, const PortConfig& config) {
  const int32_t priority = priorityOf(element);
  Contract contract{makeDescriptor(config, kUbr, priority), nullptr, ProtocolFlowKey::kLevelPdu};
  TrafficDescriptor& descriptor = *contract.descriptor;
  // Without confType the bucket keeps its default, the single-rate marker.
  const std::string type = GetAttribute(element, "confType").value_or("srTCM");
  const bool twoRate = type == "trTCM";
  if (!twoRate && type != "srTCM") {
    const PlaceScope place(element, "confType");
    throw TextError("Unexpected conformance type can be either srTCM or trTCM\n");
  }
  auto bucket = std::make_unique<TokenBucket_Scheduling>(config.rate(), config.busFrequency(), sharedPrinter(),
                                                         twoRate ? 4 : 3);
  bucket->setTrafficClass(kUbr, priority);
  const std::optional<int32_t> cir = intAttribute(element, "cir");
  const std::optional<int32_t> cbs = intAttribute(element, "cbs");
  if (twoRate) {
    if (auto pir = intAttribute(element, "pir")) {
      descriptor.set_PCR(*pir);
      bucket->set_PIR(descriptor.PCR());
    }
    if (cir) bucket->set_CIR(*cir);
  } else if (cir) {
    descriptor.set_PCR(*cir);
    bucket->set_CIR(descriptor.PCR());
  }
  if (cbs) bucket->set_CBS(*cbs);
  if (auto excess = intAttribute(element, twoRate ? "pbs" : "ebs")) bucket->set_EBS(*excess);
  descriptor.set_CDVT(0);
  contract.police = std::move(bucket);
  return contract;
}

struct TrafficReader {
  std::string_view element;
  const char* method;
  Contract (*read)(const xmlNode*, const PortConfig&);
};

constexpr TrafficReader kTrafficReaders[] = {
    {"cbr", "_configureCbrShapePolicePolicy", &readCbr},
    {"nrt_vbr", "_configureVbrShapePolicePolicy",
     [](const xmlNode* e, const PortConfig& c) { return readVbr(e, c, kNrtVbr); }},
    {"rt_vbr", "_configureVbrShapePolicePolicy",
     [](const xmlNode* e, const PortConfig& c) { return readVbr(e, c, kRtVbr); }},
    {"ubr", "_configureUbrShapePolicePolicy", &readUbr},
    {"flow", "_configureFlowShapePolicePolicy", &readFlow},
    {"tokenBucket_flow", "_configureTokenBucketFlowShapePolicePolicy", &readTokenBucketFlow},
};

// Reads the traffic-type element; no contract when an error was reported.
std::optional<Contract> readContract(TcsManager& manager, const xmlNode* element, const PortConfig& config) {
  const std::string name = GetNodeName(element).value_or(std::string());
  const PlaceScope place(element);
  for (const TrafficReader& reader : kTrafficReaders) {
    if (reader.element != name) continue;
    try {
      return reader.read(element, config);
    } catch (const TextError& error) {
      manager.ReportParseError(kShaperPoliceUnit, name, error.text());
    } catch (const std::exception&) {
      manager.ReportParseException(kShaperPoliceUnit, reader.method);
    }
    return std::nullopt;
  }
  manager.ReportParseError(kPolicyMgtUnit, name,
                           TcsManager::isReservedWord(name) ? "traffic type is a reserved word"
                                                            : "No policy implementation available");
  return std::nullopt;
}

// The flow key of one protocol element: its values, and a mask with 1-bits
// in the fields the element names. No key when the element yields no single
// configuration.
void _configureShaperFlow(TcsManager& manager, xmlNode* element, int32_t position, int32_t setType,
                          int32_t level, FlowPolicy& policy) {
  const std::string name = GetNodeName(element).value_or(std::string());
  ProtocolList values = manager.CreateProtocol(element, name, setType, enReadModeValue);
  if (values.size() != 1) return;
  ProtocolFlowKey key(name, static_cast<int32_t>(values.front()->kind()), position,
                      values.front()->headerBytes());
  ProtocolList masks = manager.CreateProtocol(element, name, setType, enReadModeMask);
  if (masks.size() == 1) {
    masks.front()->invertMask();
    key.setMask(masks.front()->headerBytes());
  }
  key.setLevel(level);
  key.setDatalink(values.front()->isDatalink());
  // The first element that sets a police level sets the policy's.
  if (policy.policeLevel == 0 && values.front()->policeLevel() > 0) {
    policy.policeLevel = values.front()->policeLevel();
    policy.policeInterval = values.front()->policeCount();
  }
  if (!policy.signature.empty()) policy.signature += ',';
  policy.signature += std::to_string(key.type());
  policy.keys.push_back(std::move(key));
}

// One policy from a policy element (or its loop copy), appended to the set.
void buildPolicy(TcsManager& manager, const xmlNode* policyNode, PolicySetDefinition& set,
                 const PortConfig& config) {
  if (manager.status() != TcsManager::kStatusOk) return;
  const std::vector<xmlNode*> elements = childElements(policyNode);
  if (elements.empty()) return;
  std::optional<Contract> contract = readContract(manager, elements.back(), config);
  if (!contract) return;
  auto policy = std::make_unique<FlowPolicy>();
  policy->descriptor = std::move(contract->descriptor);
  policy->police = std::move(contract->police);
  policy->level = contract->level;
  const int32_t setType = config.direction() == 1 ? enSetTypeGenerate : enSetTypeCapture;
  // Innermost key first: from the element before the traffic type towards the first.
  for (size_t i = elements.size() - 1; i-- > 0;) {
    try {
      _configureShaperFlow(manager, elements[i], static_cast<int32_t>(i), setType, contract->level, *policy);
    } catch (const std::exception&) {
      manager.ReportParseException(kShaperPoliceUnit, "_configureShaperFlow");
    }
    if (manager.status() != TcsManager::kStatusOk) return;
  }
  set.addPolicy(std::move(policy));
}

// One policy per table entry, each from a copy of the policy element with
// the entry's values written in, exactly as stream sets expand their loops.
void expandLoop(TcsManager& manager, PolicySetDefinition& set, TableDefinition& table, const PortConfig& config) {
  TableLoop loop;
  loop.definition = set.policyNode();
  loop.loop = set.loopNode();
  loop.unit = kPolicyMgtUnit;
  loop.copyFailure = "unable to copy the policy";
  loop.unmatchedEndsExpansion = true;
  expandTableLoop(manager, loop, table, [&](xmlNode* policy) { buildPolicy(manager, policy, set, config); });
}

}  // namespace

void buildPolicySet(TcsManager& manager, PolicySetDefinition& set, const PortConfig& config) {
  if (manager.status() != TcsManager::kStatusOk) return;
  try {
    if (set.loopNode() == nullptr) {
      buildPolicy(manager, set.policyNode(), set, config);
      return;
    }
    const std::optional<std::string> tableId = GetAttribute(set.loopNode(), "id");
    auto table = tableId ? manager.tables().find(*tableId) : manager.tables().end();
    if (table == manager.tables().end() || !table->second) {
      const PlaceScope place(set.loopNode(), "id");
      throw TextError("data table not found");
    }
    expandLoop(manager, set, *table->second, config);
  } catch (const TextError& error) {
    manager.ReportParseError(kPolicyMgtUnit, std::nullopt, error.text());
  }
}

void assignPolicySets(TcsManager& manager, const xmlNode* portNode, const PortConfig& config,
                      PortTrafficGenerator* generator, PortTrafficCapture* capture) {
  if (manager.status() != TcsManager::kStatusOk) return;
  for (xmlNode* assignment : selectNodes(portNode, "./assign_policy_set")) {
    if (manager.status() != TcsManager::kStatusOk) return;
    const PlaceScope place(assignment, "id");
    const std::string id = GetAttribute(assignment, "id").value_or(std::string());
    manager.printer().print("Corvel>     Policy: %s\n", id.c_str());
    auto found = manager.policySets().find(id);
    if (found == manager.policySets().end() || !found->second) throw TextError("unable to find policy for port");
    PolicySetDefinition& set = *found->second;
    if (set.policies().empty()) buildPolicySet(manager, set, config);
    if (manager.status() != TcsManager::kStatusOk) return;
    for (const auto& policy : set.policies()) {
      if (generator != nullptr) generator->assignPolicy(ContractShapingPolicy::forPort(*policy));
      if (capture != nullptr) capture->addPoliceFlow(*policy);
    }
  }
}

}  // namespace corvel
