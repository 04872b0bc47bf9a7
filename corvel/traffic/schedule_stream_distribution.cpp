#include "corvel/traffic/schedule_stream_distribution.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "corvel/base/print_utility.h"
#include "corvel/base/text_error.h"
#include "corvel/base/verbose.h"
#include "corvel/stats/event.h"
#include "corvel/traffic/frame_distribution.h"
#include "corvel/traffic/generate_port_config.h"
#include "corvel/traffic/generate_protocol.h"
#include "corvel/traffic/port_traffic.h"
#include "corvel/traffic/shaping_policy.h"

namespace corvel {

namespace {

constexpr int32_t kUbrTrafficType = 4;


}  // namespace

void StreamQueue::remove(const DistributionStream* stream) {
  auto found = std::find(streams.begin(), streams.end(), stream);
  if (found == streams.end()) return;
  const auto position = static_cast<size_t>(found - streams.begin());
  streams.erase(found);
  if (next > position) --next;
  if (next >= streams.size()) next = 0;
}

ScheduleStreamDistribution::ScheduleStreamDistribution(PortTraffic& port, const GeneratePortConfig& config,
                                                       const StreamSource& source, bool readyAtStart)
    : StreamDistribution(port, config, source, readyAtStart) {}

template <class Accept>
DistributionStream* ScheduleStreamDistribution::walk(StreamQueue& queue, Accept accept) {
  const size_t count = queue.streams.size();
  for (size_t k = 0; k < count; ++k) {
    const size_t i = (queue.next + k) % count;
    DistributionStream* stream = queue.streams[i];
    if (!stream->hasFrameReady() || !accept(*stream)) continue;
    queue.next = (i + 1) % count;
    return stream;
  }
  return nullptr;
}

void ScheduleStreamDistribution::announceChoice(int32_t code) {
  QosScheduleEvent event(port().identity(), code);
  port().announce(event);
}

void ScheduleStreamDistribution::setReadiness(int32_t stream, int32_t value) {
  for (DistributionStream& entry : streams()) {
    if (entry.index == stream) entry.frames->setReadiness(value);
  }
}

GeneratedStreamFrame ScheduleStreamDistribution::nextFrame(uint32_t cycle) {
  if (!selectNext(cycle)) return endOfTraffic(cycle);
  bool pduFinished = false;
  bool streamFinished = false;
  std::optional<GeneratedStreamFrame> frame =
      _current ? _current->frames->nextFrame(pduFinished, streamFinished)
               : idleSource().nextFrame(pduFinished, streamFinished);
  if (_current && (streamFinished || !frame)) removeCurrent();
  if (!frame) return endOfTraffic(cycle);
  return stamped(std::move(*frame), cycle);
}

// ---- TM 4.1 -------------------------------------------------------------

TM41StreamDistribution::TM41StreamDistribution(PortTraffic& port, const GeneratePortConfig& config,
                                               const StreamSource& source)
    : ScheduleStreamDistribution(port, config, source, true) {
  for (DistributionStream& stream : streams()) {
    // A stream whose chain yields no PDU is finished before it starts.
    if (stream.frames->pendingFrames() == 0) continue;
    StreamQueue* queue = &_unassigned;
    if (stream.policy) {
      const std::optional<int32_t> type = stream.policy->trafficType();
      if (!type) {
        if (verboseLevel() == 2) sharedPrinter().print("Corvel> Traffic Descriptor not yet set..\n");
        // A contract no class can test does not hold the stream back: it is
        // unassigned (ContractShaping.ContractsNoClassCanTestAreUnassigned).
        queue = &_unassigned;
      }
      if (type) switch (*type) {
        case 0: queue = &_cbr; break;
        case 1: queue = &_rtVbr; break;
        case 2: queue = &_nrtVbr; break;
        case kUbrTrafficType: queue = &_ubr[static_cast<size_t>(std::clamp(stream.policy->priority(), 0, 15))]; break;
        default: queue = &_unassigned; break;
      }
    }
    queue->streams.push_back(&stream);
    ++_streamCount;
  }
}

bool TM41StreamDistribution::selectNext(uint32_t cycle) {
  if (verboseLevel() == 5) sharedPrinter().print("Corvel> TM41StreamDistribution _getNextStream enter...\n");
  if (_streamCount == 0) return false;
  auto conformant = [cycle](DistributionStream& stream) {
    int64_t wait = 0;
    return stream.policy->conforms(cycle, stream.frames->nextFrameSize(), wait);
  };
  struct ClassStep {
    StreamQueue* queue;
    int32_t code;
  };
  const ClassStep contracted[] = {{&_cbr, enEventKindScheduleCbr},
                                  {&_rtVbr, enEventKindScheduleRtVbr},
                                  {&_nrtVbr, enEventKindScheduleNrtVbr}};
  _current = nullptr;
  _currentQueue = nullptr;
  int32_t code = enEventKindScheduleIdle;
  for (const ClassStep& step : contracted) {
    if ((_current = walk(*step.queue, conformant))) {
      _currentQueue = step.queue;
      code = step.code;
      break;
    }
  }
  for (size_t priority = 0; !_current && priority < _ubr.size(); ++priority) {
    if ((_current = walk(_ubr[priority], conformant))) {
      _currentQueue = &_ubr[priority];
      code = enEventKindScheduleUbrPriority;
    }
  }
  if (!_current && (_current = walk(_unassigned, [](DistributionStream&) { return true; }))) {
    _currentQueue = &_unassigned;
    code = enEventKindScheduleUbr;
  }
  announceChoice(code);
  if (verboseLevel() == 5)
    sharedPrinter().print("Corvel> TM41StreamDistribution _getNextStream result = %d exit...\n", 1);
  return true;
}

void TM41StreamDistribution::removeCurrent() {
  if (_streamCount == 0) throw TextError("Corvel> _streamSize was already zero \n");
  if (!_current || !_currentQueue) {
    if (verboseLevel() == 2) sharedPrinter().print("Corvel> Illegal Traffic Type set...\n");
    throw TextError("Corvel> Illegal Traffic Type set...\n");
  }
  _currentQueue->remove(_current);
  _current = nullptr;
  _currentQueue = nullptr;
  --_streamCount;
  if (verboseLevel() == 2)
    sharedPrinter().print("Corvel> TM41StreamDistribution _deleteStream _streamSize = %d exit...\n", _streamCount);
}

// ---- Token bucket -------------------------------------------------------

TokenBucketStreamDistribution::TokenBucketStreamDistribution(PortTraffic& port, const GeneratePortConfig& config,
                                                             const StreamSource& source,
                                                             GenerateProtocol& frameSource,
                                                             int32_t /*startArgument*/)
    // Every stream starts ready: nothing would ever make a waiting one ready.
    : ScheduleStreamDistribution(port, config, source, true), _frameSource(frameSource) {
  const int32_t level = verboseLevel();
  const bool chatty = level == 7 || level >= 9;
  for (DistributionStream& stream : streams()) {
    if (stream.frames->pendingFrames() == 0) continue;
    StreamQueue* queue = &_unassigned;
    if (stream.policy) {
      const std::optional<int32_t> type = stream.policy->trafficType();
      if (!type || *type != kUbrTrafficType || !stream.policy->isTokenBucket()) {
        // Only a token bucket can answer the buckets' test; any other
        // contract leaves the stream unassigned rather than never sent
        // (ContractShaping.ContractsNoClassCanTestAreUnassigned).
        if (chatty) sharedPrinter().print("Corvel> Traffic Descriptor not yet set..\n");
      } else {
        if (chatty) sharedPrinter().print("Corvel> TokenBucketStreamDistribution found a tokenBucket flow(UBR_PRI)...\n");
        queue = &_priority[static_cast<size_t>(std::clamp(stream.policy->priority(), 0, 15))];
      }
    } else if (chatty) {
      sharedPrinter().print("Corvel> TokenBucketStreamDistribution loaded a unassigned flow(UBR)...\n");
    }
    queue->streams.push_back(&stream);
    ++_streamCount;
  }
}

int64_t TokenBucketStreamDistribution::toCycles(int64_t nanoseconds) const {
  // The port's media-bus clock turns the contract's wait into host cycles,
  // rounded up so that the stream conforms when the gap is over.
  const int64_t mhz = config().busFrequency() > 0 ? config().busFrequency() : 66;
  if (nanoseconds <= 0) return 0;
  const double cycles = std::ceil(static_cast<double>(nanoseconds) * static_cast<double>(mhz) / 1000.0);
  return cycles >= static_cast<double>(std::numeric_limits<int32_t>::max())
             ? std::numeric_limits<int32_t>::max()
             : static_cast<int64_t>(cycles);
}

bool TokenBucketStreamDistribution::selectNext(uint32_t cycle) {
  // No gap seen yet: the frame source then keeps the port's minimum gap.
  std::optional<int64_t> gap;
  _current = nullptr;
  _currentQueue = nullptr;
  if (_streamCount == 0) {
    _frameSource.setTokenBucketGap(gap);
    return false;
  }
  const int32_t level = verboseLevel();
  const bool chatty = level == 7 || level >= 9;
  for (size_t priority = 0; !_current && priority < _priority.size(); ++priority) {
    auto conformant = [&](DistributionStream& stream) {
      const int32_t size = stream.frames->nextFrameSize();
      if (chatty) {
        sharedPrinter().print("Corvel> UBR-PRI=%d SubPriority=%d\n", static_cast<int32_t>(priority), 0);
        sharedPrinter().print("Corvel> PacketSize=%d Cycle=%d\n", size, static_cast<int32_t>(cycle));
      }
      int64_t waitNs = 0;
      const bool conforms = stream.policy->conforms(cycle, size, waitNs);
      const int64_t waitCycles = toCycles(waitNs);
      if (!gap || waitCycles < *gap) gap = waitCycles;
      return conforms;
    };
    if ((_current = walk(_priority[priority], conformant))) _currentQueue = &_priority[priority];
  }
  int32_t code = enEventKindScheduleIdle;
  if (_current) {
    sharedPrinter().print("Corvel> TmpInterpacketGap = %d\n", gap ? static_cast<int32_t>(*gap) : -1);
    code = enEventKindScheduleUbrPriority;
  } else if ((_current = walk(_unassigned, [](DistributionStream&) { return true; }))) {
    _currentQueue = &_unassigned;
    code = enEventKindScheduleUbr;
  }
  announceChoice(code);
  _frameSource.setTokenBucketGap(gap);
  return true;
}

void TokenBucketStreamDistribution::removeCurrent() {
  if (!_current || !_currentQueue || _streamCount == 0) return;
  _currentQueue->remove(_current);
  _current = nullptr;
  _currentQueue = nullptr;
  --_streamCount;
}

}  // namespace corvel
