// The cycle loop and the processor stand-in. Every cycle each receive port
// that is not inside an interpacket gap is asked for a byte; after an
// end-of-packet byte the port is asked for its gap and left silent that long.
// Delivered bytes travel to the receive port's transmit port and are handed
// over `latency` cycles later, one byte per transmit port and cycle, a whole
// frame at a time, in the order they arrived. Injected pcap files are frame
// sources beside the receive ports.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "host_port.h"

namespace pyxsim {

struct RunLimits {
  uint64_t idleCycles = 100000;   // stop an open-ended run after this long quiet
  uint64_t maxCycles = 10000000;   // hard cap of an open-ended run
  // Set when the user gave the cap. The default cap does not cut injected
  // files short: an open-ended run goes on past it while records are due.
  bool maxCyclesGiven = false;
};

struct RunResult {
  enum class End { Count, Idle, Cap };
  uint64_t cycles = 0;
  End end = End::Count;
  // At the end of the run something was still under way: a receive port
  // delivered a byte or sat in a gap in the last cycle, or forwarded bytes
  // or injected records were waiting.
  bool workDue = false;
};

class CycleLoop {
 public:
  static constexpr uint64_t kProgressInterval = 1u << 16;
  using Progress = std::function<void(uint64_t cycle)>;

  // `receivers` and `transmitters`: the open ports in registration order, with
  // their routes already resolved; `injections`: the other frame sources, in
  // the order they were given. Bytes already in flight are kept.
  CycleLoop(std::vector<HostPort*> receivers, std::vector<HostPort*> transmitters,
            std::vector<FrameSource*> injections, uint64_t latency);

  // Runs `count` cycles from `cycle`, or without a count until the traffic is
  // quiet for limits.idleCycles or limits.maxCycles have passed. Advances
  // `cycle`. `progress` (may be empty) is called every kProgressInterval cycles.
  RunResult run(uint64_t& cycle, std::optional<uint64_t> count, const RunLimits& limits,
                const Progress& progress);

 private:
  bool receive(uint64_t cycle);
  // Sends the frames held for reordering that no later frame followed.
  bool releaseHeld();
  // Answers whether any transmit port took a byte.
  bool transmit(uint64_t cycle);
  FrameSource* nextSource(size_t transmitter, uint64_t cycle);
  uint64_t earliestWake(uint64_t cycle) const;
  bool injectionsPending() const;

  std::vector<HostPort*> receivers_;
  std::vector<HostPort*> transmitters_;
  std::vector<FrameSource*> sources_;  // the receive ports, then the injections
  std::vector<size_t> roundRobin_;     // per transmitter: source to look at first
  uint64_t latency_;
  uint64_t inFlight_ = 0;  // forwarded bytes and unfinished injections
};

}  // namespace pyxsim
