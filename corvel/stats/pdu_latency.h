// The latency of a passed PDU, measured once per PDU: taking a PDU's send
// cycle out of the run's send log is destructive, so the first observer that
// asks measures it and keeps the answer in the event for the others.
#pragma once

#include <cstdint>
#include <optional>

namespace corvel {

class StreamEvent;
struct RunRecords;
struct StreamId;

// The latency in host cycles of the PDU the pass event is about, and the
// stream it came from; nothing when the tag lacks its origin or PDU number,
// no receive port of this run sent it, or `records` is null.
std::optional<uint32_t> pduLatency(StreamEvent& event, RunRecords* records, StreamId& origin) noexcept;

}  // namespace corvel
