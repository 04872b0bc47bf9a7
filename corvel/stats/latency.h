// Latency and jitter of tagged PDUs, per stream. A receive port notes the
// host cycle at which the last byte of each tagged PDU left it; the transmit
// port that verifies the PDU takes that cycle back and measures the PDU's
// latency (capture end cycle - send cycle, host cycles) and the stream's
// interarrival jitter as RFC 3550 (section 6.4.1) defines it, with the
// latency in the place of the RTP transit time.
#pragma once

#include <array>
#include <compare>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "corvel/base/cycle_time.h"
#include "corvel/stats/latency_histogram.h"

namespace corvel {

// The origin of a stream as the payload tag names it.
struct StreamId {
  int32_t rxDevice = 0;
  int32_t rxPort = 0;
  int32_t stream = 0;
  auto operator<=>(const StreamId&) const = default;
};

// The send cycles of one stream's PDUs still on their way, oldest first.
// The tag holds only the PDU number modulo 256, and the number starts again
// with every iteration of the payload's size sequence, so several PDUs of a
// stream in flight may carry the same number. PDUs of one stream arrive in
// the order they were sent, so a captured PDU is the oldest one in flight
// with its number; the older ones before it were lost or failed. At most
// kCapacity PDUs are remembered; beyond that the oldest are forgotten.
class PduSendLog {
 public:
  static constexpr size_t kCapacity = 256;

  // `sequence`: the PDU's sequence number, -1 when the stream has none.
  void record(uint8_t pduNumber, uint32_t endCycle, int64_t sequence = -1) noexcept;
  // Every PDU recorded, for the accounting of the stream's transmit port.
  uint64_t sent() const noexcept { return _sent; }
  // The transmit port the stream's tag names.
  void setDestination(int32_t txDevice, int32_t txPort) noexcept {
    _txDevice = txDevice;
    _txPort = txPort;
  }
  bool sendsTo(int32_t txDevice, int32_t txPort) const noexcept { return _txDevice == txDevice && _txPort == txPort; }
  // The latency of the PDU with this number whose last byte was captured at
  // `captureCycle`: the oldest PDU in flight with that number, if it left
  // before the capture. It and every older PDU leave the log. Nothing when
  // no such PDU was sent.
  std::optional<uint32_t> take(uint8_t pduNumber, uint32_t captureCycle) noexcept;
  // With sequence numbers the match is exact: the PDU with this number, if
  // still in flight, leaves the log; the older ones stay (they may come
  // late). A copy, or a PDU already forgotten, is not measured.
  std::optional<uint32_t> takeSequence(uint32_t sequence, uint32_t captureCycle) noexcept;
  size_t inFlight() const noexcept { return _count; }

 private:
  struct Send {
    uint32_t endCycle = 0;
    uint8_t pduNumber = 0;
    bool taken = false;     // matched by its sequence number, out of turn
    int64_t sequence = -1;  // -1: none
  };
  std::array<Send, kCapacity> _sends{};
  size_t _head = 0;  // the oldest
  size_t _count = 0;
  uint64_t _sent = 0;
  int32_t _txDevice = -1;
  int32_t _txPort = -1;
};

// The send logs of every tagged stream of one run, shared by the receive
// ports that fill them and the transmit ports that read them.
class LatencyBook {
 public:
  LatencyBook();
  ~LatencyBook();
  LatencyBook(const LatencyBook&) = delete;
  LatencyBook& operator=(const LatencyBook&) = delete;

  // The log of a stream, created when first asked for (a receive port asks
  // when it starts); null when it cannot be created.
  PduSendLog* sendLog(const StreamId& id) noexcept;
  // The log of a stream some receive port of this run sends, or null.
  PduSendLog* findSendLog(const StreamId& id) const noexcept;
  // The streams whose tag names this transmit port, in StreamId order.
  std::vector<StreamId> streamsTo(int32_t txDevice, int32_t txPort) const;

 private:
  static uint32_t key(const StreamId& id) noexcept;
  std::unordered_map<uint32_t, std::unique_ptr<PduSendLog>> _logs;
};

// The latency figures of one stream, in host cycles.
class StreamLatency {
 public:
  void add(uint32_t latencyCycles) noexcept;

  uint64_t count() const noexcept { return _count; }
  uint32_t minimum() const noexcept { return _min; }
  uint32_t maximum() const noexcept { return _max; }
  double mean() const noexcept;
  // RFC 3550 6.4.1: J += (|D| - J) / 16 for every PDU after the first, D the
  // difference between its latency and the one before.
  double jitter() const noexcept { return _jitter; }
  const LatencyHistogram& histogram() const noexcept { return _histogram; }

 private:
  uint64_t _count = 0;
  uint64_t _sum = 0;
  uint32_t _min = 0;
  uint32_t _max = 0;
  uint32_t _last = 0;
  double _jitter = 0.0;
  LatencyHistogram _histogram;
};

using StreamLatencies = std::map<StreamId, StreamLatency>;

}  // namespace corvel
