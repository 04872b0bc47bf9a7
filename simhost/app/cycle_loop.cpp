#include "cycle_loop.h"

#include <algorithm>

namespace pyxsim {

CycleLoop::CycleLoop(std::vector<HostPort*> receivers, std::vector<HostPort*> transmitters,
                     uint64_t latency)
    : receivers_(std::move(receivers)),
      transmitters_(std::move(transmitters)),
      roundRobin_(transmitters_.size(), 0),
      latency_(latency) {
  for (HostPort* rx : receivers_) inFlight_ += rx->pending.size();
}

RunResult CycleLoop::run(uint64_t& cycle, std::optional<uint64_t> count, const RunLimits& limits,
                         const Progress& progress) {
  const uint64_t start = cycle;
  const uint64_t length = count ? *count : limits.maxCycles;
  const uint64_t end = length > UINT64_MAX - start ? UINT64_MAX : start + length;
  uint64_t quiet = 0;
  uint64_t nextProgress = start + kProgressInterval;
  RunResult result;
  result.end = count ? RunResult::End::Count : RunResult::End::Cap;

  while (cycle < end) {
    if (inFlight_ == 0) {
      // Nothing travels: skip straight to the end of the shortest gap.
      if (receivers_.empty()) {
        if (!count) result.end = RunResult::End::Idle;
        else cycle = end;
        break;
      }
      const uint64_t wake = earliestWake(cycle);
      if (wake > cycle) {
        cycle = std::min(wake, end);
        quiet = 0;
        continue;
      }
    }
    bool busy = receive(cycle);
    if (inFlight_ > 0) {
      busy = true;
      transmit(cycle);
    }
    ++cycle;
    if (busy) {
      quiet = 0;
    } else if (++quiet >= limits.idleCycles && !count) {
      result.end = RunResult::End::Idle;
      break;
    }
    if (cycle >= nextProgress) {
      if (progress) progress(cycle);
      nextProgress = cycle + kProgressInterval;
    }
  }
  result.cycles = cycle - start;
  return result;
}

bool CycleLoop::receive(uint64_t cycle) {
  bool busy = false;
  const uint32_t now = static_cast<uint32_t>(cycle);
  for (HostPort* rx : receivers_) {
    if (rx->silentUntil > cycle) {
      busy = true;
      continue;
    }
    uint8_t byte = 0;
    uint8_t endOfPacket = 0;
    if (!rx->plugin->entry().GetNextByte(rx->handle, now, &byte, &endOfPacket)) continue;
    busy = true;
    ++rx->counters.bytes;
    rx->captureByte(byte);
    if (!rx->inFrame) {
      // The route is taken per frame, so a frame is never split between ports.
      rx->inFrame = true;
      rx->frameTarget = rx->resolvedTarget;
    }
    if (rx->frameTarget) {
      rx->pending.push({cycle + latency_, rx->frameTarget, byte, endOfPacket});
      ++inFlight_;
    } else {
      ++rx->counters.droppedBytes;
    }
    if (endOfPacket) {
      ++rx->counters.frames;
      if (!rx->frameTarget) ++rx->counters.droppedFrames;
      rx->captureEnd(cycle);
      rx->inFrame = false;
      const int32_t gap = rx->plugin->entry().GetInterpacketTime(rx->handle);
      if (gap > 0) rx->silentUntil = cycle + 1 + static_cast<uint64_t>(gap);
    }
  }
  return busy;
}

void CycleLoop::transmit(uint64_t cycle) {
  const uint32_t now = static_cast<uint32_t>(cycle);
  for (size_t t = 0; t < transmitters_.size(); ++t) {
    HostPort* tx = transmitters_[t];
    HostPort* source = tx->source;
    if (!source) {
      source = nextSource(t, cycle);
      if (!source) continue;
      tx->source = source;
    }
    if (source->pending.empty()) continue;  // the frame's next byte has not arrived yet
    const PendingByte next = source->pending.front();
    if (next.ready > cycle) continue;
    source->pending.pop();
    --inFlight_;
    tx->plugin->entry().SendNextByte(tx->handle, now, next.byte, next.endOfPacket);
    ++tx->counters.bytes;
    tx->captureByte(next.byte);
    if (next.endOfPacket) {
      ++tx->counters.frames;
      tx->captureEnd(cycle);
      tx->source = nullptr;
    }
  }
}

HostPort* CycleLoop::nextSource(size_t transmitter, uint64_t cycle) {
  // Round robin over the receive ports whose next frame goes here and whose
  // first byte is due, so that no receive port starves the others.
  const HostPort* tx = transmitters_[transmitter];
  const size_t count = receivers_.size();
  size_t& first = roundRobin_[transmitter];
  for (size_t k = 0; k < count; ++k) {
    const size_t i = (first + k) % count;
    HostPort* rx = receivers_[i];
    if (rx->pending.empty()) continue;
    const PendingByte& head = rx->pending.front();
    if (head.target != tx || head.ready > cycle) continue;
    first = (i + 1) % count;
    return rx;
  }
  return nullptr;
}

uint64_t CycleLoop::earliestWake(uint64_t cycle) const {
  uint64_t wake = UINT64_MAX;
  for (const HostPort* rx : receivers_) {
    if (rx->silentUntil <= cycle) return cycle;
    wake = std::min(wake, rx->silentUntil);
  }
  return wake;
}

}  // namespace pyxsim
