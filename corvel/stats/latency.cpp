#include "corvel/stats/latency.h"

#include <algorithm>
#include <new>

namespace corvel {

void PduSendLog::record(uint8_t pduNumber, uint32_t endCycle, int64_t sequence) noexcept {
  if (_count == kCapacity) {
    _head = (_head + 1) % kCapacity;
    --_count;
  }
  _sends[(_head + _count) % kCapacity] = {endCycle, pduNumber, false, sequence};
  ++_count;
  ++_sent;
}

std::optional<uint32_t> PduSendLog::take(uint8_t pduNumber, uint32_t captureCycle) noexcept {
  for (size_t i = 0; i < _count; ++i) {
    const Send& send = _sends[(_head + i) % kCapacity];
    if (send.pduNumber != pduNumber || send.taken) continue;
    // Host cycles are 32-bit and wrap: the send lies before the capture when
    // the difference, read as signed, is not negative. A PDU captured before
    // the oldest send with its number was not sent in this run.
    const uint32_t latency = captureCycle - send.endCycle;
    if (static_cast<int32_t>(latency) < 0) return std::nullopt;
    _head = (_head + i + 1) % kCapacity;
    _count -= i + 1;
    return latency;
  }
  return std::nullopt;
}

std::optional<uint32_t> PduSendLog::takeSequence(uint32_t sequence, uint32_t captureCycle) noexcept {
  for (size_t i = 0; i < _count; ++i) {
    Send& send = _sends[(_head + i) % kCapacity];
    if (send.taken || send.sequence != static_cast<int64_t>(sequence)) continue;
    const uint32_t latency = captureCycle - send.endCycle;
    if (static_cast<int32_t>(latency) < 0) return std::nullopt;
    send.taken = true;
    // Matched PDUs at the old end leave; the log keeps the ones still due.
    while (_count > 0 && _sends[_head].taken) {
      _head = (_head + 1) % kCapacity;
      --_count;
    }
    return latency;
  }
  return std::nullopt;
}

LatencyBook::LatencyBook() = default;
LatencyBook::~LatencyBook() = default;

// A tag carries device 0-7, port 0-31 and stream 0-255; the key has room for more.
uint32_t LatencyBook::key(const StreamId& id) noexcept {
  return (static_cast<uint32_t>(id.rxDevice & 0xff) << 24) | (static_cast<uint32_t>(id.rxPort & 0xff) << 16) |
         static_cast<uint32_t>(id.stream & 0xffff);
}

PduSendLog* LatencyBook::sendLog(const StreamId& id) noexcept {
  try {
    std::unique_ptr<PduSendLog>& log = _logs[key(id)];
    if (!log) log = std::make_unique<PduSendLog>();
    return log.get();
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

PduSendLog* LatencyBook::findSendLog(const StreamId& id) const noexcept {
  const auto found = _logs.find(key(id));
  return found == _logs.end() ? nullptr : found->second.get();
}

std::vector<StreamId> LatencyBook::streamsTo(int32_t txDevice, int32_t txPort) const {
  std::vector<StreamId> ids;
  for (const auto& [key, log] : _logs) {
    if (!log->sendsTo(txDevice, txPort)) continue;
    ids.push_back({static_cast<int32_t>(key >> 24), static_cast<int32_t>((key >> 16) & 0xff),
                   static_cast<int32_t>(key & 0xffff)});
  }
  std::sort(ids.begin(), ids.end());
  return ids;
}

void StreamLatency::add(uint32_t latencyCycles) noexcept {
  _histogram.add(latencyCycles);
  if (_count == 0) {
    _min = _max = latencyCycles;
  } else {
    if (latencyCycles < _min) _min = latencyCycles;
    if (latencyCycles > _max) _max = latencyCycles;
    const int64_t difference = static_cast<int64_t>(latencyCycles) - static_cast<int64_t>(_last);
    const double magnitude = static_cast<double>(difference < 0 ? -difference : difference);
    _jitter += (magnitude - _jitter) / 16.0;
  }
  _last = latencyCycles;
  _sum += latencyCycles;
  ++_count;
}

double StreamLatency::mean() const noexcept {
  return _count == 0 ? 0.0 : static_cast<double>(_sum) / static_cast<double>(_count);
}

}  // namespace corvel
