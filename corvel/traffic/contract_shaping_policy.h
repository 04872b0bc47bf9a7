// A receive port's view of one policy: the contract a stream is shaped by
// when the policy's flow keys match the stream's headers. The port holds its
// own copy of the police object, and every stream it is given to gets a
// fresh, initialised state of that copy, so no two streams (and no two
// ports naming the same policy set) share a schedule or buckets.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "corvel/police/flow_policy.h"
#include "corvel/traffic/shaping_policy.h"

namespace corvel {

class ContractShapingPolicy : public ShapingPolicy {
 public:
  // The port's own copy of `policy` (its police object cloned, its keys copied).
  static std::shared_ptr<ContractShapingPolicy> forPort(const FlowPolicy& policy);

  ContractShapingPolicy(std::unique_ptr<Policing> police, std::vector<ProtocolFlowKey> keys,
                        std::optional<int32_t> trafficType, int32_t priority);

  // Keys in document order (outermost first) against the stack's layers from
  // the datalink inwards: each key must match a layer of its kind deeper than
  // the previous key's layer. A policy without keys matches every stream.
  bool matches(const ProtocolStack& stack) const override;
  std::unique_ptr<ShapingPolicy> instantiate() const override;
  std::optional<int32_t> trafficType() const override { return _trafficType; }
  int32_t priority() const override { return _priority; }
  bool isTokenBucket() const override { return _police->isTokenBucket(); }
  // The police object judges frames of the size asked about: its GCRA is
  // programmed for that size before the test.
  bool conforms(uint32_t cycle, int32_t sizeBytes, int64_t& nanosecondsUntilConformant) override;

  const Policing& police() const noexcept { return *_police; }

 private:
  std::unique_ptr<Policing> _police;
  std::vector<ProtocolFlowKey> _keys;  // innermost first, as read
  std::optional<int32_t> _trafficType;
  int32_t _priority;
};

}  // namespace corvel
