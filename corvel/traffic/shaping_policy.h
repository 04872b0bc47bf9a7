// What the scheduled stream distributions ask of a stream's traffic contract.
// The policing layer implements it (GCRA descriptors for the TM4.1 classes,
// token buckets for the token-bucket distribution); a stream without a
// contract is unassigned and takes whatever capacity is left.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

namespace corvel {

class ProtocolStack;

class ShapingPolicy {
 public:
  virtual ~ShapingPolicy() = default;

  // True when the contract's flow keys match the stream's own headers.
  virtual bool matches(const ProtocolStack& stack) const = 0;
  // A fresh contract state (its own TAT or buckets) for one stream.
  virtual std::unique_ptr<ShapingPolicy> instantiate() const = 0;

  // The TM4.1 class: 0 CBR, 1 rt-VBR, 2 nrt-VBR, 4 UBR with a priority;
  // nothing while the descriptor has no traffic type yet.
  virtual std::optional<int32_t> trafficType() const = 0;
  // The priority of a UBR contract, 0 (first) to 15.
  virtual int32_t priority() const = 0;
  // True for a token-bucket contract.
  virtual bool isTokenBucket() const = 0;

  // Whether a frame of `sizeBytes` sent at `cycle` conforms; a conforming
  // answer commits the frame to the contract. `nanosecondsUntilConformant`
  // tells a non-conforming caller how long to wait.
  virtual bool conforms(uint32_t cycle, int32_t sizeBytes, int64_t& nanosecondsUntilConformant) = 0;
};

}  // namespace corvel
