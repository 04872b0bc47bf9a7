// Building the policies of a policy set and handing them to the ports that
// name the set (reporting units TcsPolicyMgt and TcsShaperPoliceTraffic).
//
// A policy element holds the flow-key protocol elements, outermost first,
// and as its last element the traffic type with the contract's parameters.
// A set's policies are built once, with the configuration of the first port
// that names it; every port then takes its own copies of the police objects.
#pragma once

#include <libxml/tree.h>

namespace corvel {

class PolicySetDefinition;
class PortTrafficCapture;
class PortConfig;
class PortTrafficCapture;
class PortTrafficGenerator;
class TcsManager;

inline constexpr const char* kPolicyMgtUnit = "TcsPolicyMgt";
inline constexpr const char* kShaperPoliceUnit = "TcsShaperPoliceTraffic";

// Builds the set's policies (one, or one per entry of its loop's table).
void buildPolicySet(TcsManager& manager, PolicySetDefinition& set, const PortConfig& config);

// Reads the port element's assign_policy_set children. A receive port's
// generator takes every policy of every named set, in order, as a shaping
// contract; a transmit port's capture takes them as police flows. Exactly
// one of `generator` and `capture` is given. Throws "unable to find policy
// for port" for an unknown set id.
void assignPolicySets(TcsManager& manager, const xmlNode* portNode, const PortConfig& config,
                      PortTrafficGenerator* generator, PortTrafficCapture* capture);

}  // namespace corvel
