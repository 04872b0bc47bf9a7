#include "cycle_loop.h"

#include <algorithm>

namespace pyxsim {

CycleLoop::CycleLoop(std::vector<HostPort*> receivers, std::vector<HostPort*> transmitters,
                     std::vector<FrameSource*> injections, uint64_t latency)
    : receivers_(std::move(receivers)),
      transmitters_(std::move(transmitters)),
      roundRobin_(transmitters_.size(), 0),
      latency_(latency) {
  sources_.assign(receivers_.begin(), receivers_.end());
  sources_.insert(sources_.end(), injections.begin(), injections.end());
  for (const FrameSource* source : sources_) inFlight_ += source->inFlight();
}

RunResult CycleLoop::run(uint64_t& cycle, std::optional<uint64_t> count, const RunLimits& limits,
                         const Progress& progress) {
  const uint64_t start = cycle;
  const uint64_t length = count ? *count : limits.maxCycles;
  const uint64_t end = length > UINT64_MAX - start ? UINT64_MAX : start + length;
  // The cycle the run stops at: past the default cap while injected records
  // are due, so a long capture is not cut short.
  const bool extendable = !count && !limits.maxCyclesGiven;
  uint64_t limit = end;
  uint64_t quiet = 0;
  uint64_t nextProgress = start + kProgressInterval;
  RunResult result;
  result.end = count ? RunResult::End::Count : RunResult::End::Cap;

  bool sent = false;  // a transmit port took a byte in the cycle before
  bool extended = false;
  while (true) {
    if (extended && !injectionsPending()) {
      // The last injected record has gone: the idle rule gets its turn
      // before the cap applies again.
      extended = false;
      const uint64_t grace = cycle + std::min(limits.idleCycles, UINT64_MAX / 4) + 1;
      limit = std::max(end, grace);
    }
    if (cycle >= limit) {
      if (!extendable || extended || !injectionsPending()) break;
      extended = true;
      limit = UINT64_MAX;
    }
    if (inFlight_ == 0 && receivers_.empty()) {
      if (!count) result.end = RunResult::End::Idle;
      else cycle = end;
      break;
    }
    if (inFlight_ == 0 || !sent) {
      // Nothing can happen before every gap has ended or the first waiting
      // byte or injected record is due: skip straight there.
      const uint64_t wake = earliestWake(cycle);
      if (wake > cycle) {
        cycle = std::min(wake, limit);
        quiet = 0;
        sent = false;
        continue;
      }
    }
    bool busy = receive(cycle);
    sent = false;
    if (inFlight_ > 0) {
      busy = true;
      sent = transmit(cycle);
    }
    ++cycle;
    if (busy) {
      quiet = 0;
    } else if (++quiet >= limits.idleCycles && !count) {
      if (releaseHeld()) {
        quiet = 0;  // a frame held for reordering had no frame after it
        continue;
      }
      result.end = RunResult::End::Idle;
      break;
    }
    if (cycle >= nextProgress) {
      if (progress) progress(cycle);
      nextProgress = cycle + kProgressInterval;
    }
  }
  result.cycles = cycle - start;
  result.workDue = inFlight_ > 0 || (!receivers_.empty() && quiet == 0 && result.end != RunResult::End::Idle);
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
      inFlight_ += rx->forward({cycle + latency_, rx->frameTarget, byte, endOfPacket});
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

bool CycleLoop::releaseHeld() {
  uint64_t added = 0;
  for (HostPort* rx : receivers_) added += rx->releaseHeld();
  inFlight_ += added;
  return added > 0;
}

bool CycleLoop::transmit(uint64_t cycle) {
  const uint32_t now = static_cast<uint32_t>(cycle);
  bool sent = false;
  for (size_t t = 0; t < transmitters_.size(); ++t) {
    HostPort* tx = transmitters_[t];
    FrameSource* source = tx->source;
    if (!source) {
      source = nextSource(t, cycle);
      if (!source) continue;
      tx->source = source;
    }
    uint8_t byte = 0;
    uint8_t endOfPacket = 0;
    if (!source->takeByte(cycle, byte, endOfPacket, inFlight_)) continue;
    sent = true;
    tx->plugin->entry().SendNextByte(tx->handle, now, byte, endOfPacket);
    ++tx->counters.bytes;
    tx->captureByte(byte);
    if (endOfPacket) {
      ++tx->counters.frames;
      tx->captureEnd(cycle);
      tx->source = nullptr;
    }
  }
  return sent;
}

FrameSource* CycleLoop::nextSource(size_t transmitter, uint64_t cycle) {
  // Round robin over the sources whose next frame goes here and is due, so
  // that no receive port or injected file starves the others.
  const HostPort* tx = transmitters_[transmitter];
  const size_t count = sources_.size();
  size_t& first = roundRobin_[transmitter];
  for (size_t k = 0; k < count; ++k) {
    const size_t i = (first + k) % count;
    FrameSource* source = sources_[i];
    if (!source->frameDue(tx, cycle)) continue;
    first = (i + 1) % count;
    return source;
  }
  return nullptr;
}

bool CycleLoop::injectionsPending() const {
  for (size_t i = receivers_.size(); i < sources_.size(); ++i)
    if (sources_[i]->inFlight() > 0) return true;
  return false;
}

uint64_t CycleLoop::earliestWake(uint64_t cycle) const {
  uint64_t wake = UINT64_MAX;
  for (const HostPort* rx : receivers_) {
    if (rx->silentUntil <= cycle) return cycle;
    wake = std::min(wake, rx->silentUntil);
  }
  if (inFlight_ == 0) return wake;
  for (const FrameSource* source : sources_) {
    const uint64_t ready = source->readyAt();
    if (ready <= cycle) return cycle;
    wake = std::min(wake, ready);
  }
  return wake;
}

}  // namespace pyxsim
