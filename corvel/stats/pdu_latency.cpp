#include "corvel/stats/pdu_latency.h"

#include "corvel/stats/event.h"
#include "corvel/stats/run_records.h"

namespace corvel {

std::optional<uint32_t> pduLatency(StreamEvent& event, RunRecords* records, StreamId& origin) noexcept {
  if (!event.identity()) return std::nullopt;
  const IdentityRecord& id = *event.identity();
  if (id.rxDevice < 0 || id.rxPort < 0 || id.stream < 0 || id.pdu < 0) return std::nullopt;
  origin = StreamId{id.rxDevice, id.rxPort, id.stream};
  if (event.measuredLatency()) return *event.measuredLatency();
  if (!event.pduEndCycle() || !records) return std::nullopt;
  std::optional<uint32_t> latency;
  if (PduSendLog* sends = records->latency.findSendLog(origin)) {
    latency = id.sequence >= 0 ? sends->takeSequence(static_cast<uint32_t>(id.sequence), *event.pduEndCycle())
                               : sends->take(static_cast<uint8_t>(id.pdu), *event.pduEndCycle());
  }
  event.setMeasuredLatency(latency);
  return latency;
}

}  // namespace corvel
