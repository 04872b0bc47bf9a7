// What arrived of each tagged stream at the transmit port its tag names:
// PDUs received, duplicated and out of order, and, against what the stream's
// receive port sent, lost. A stream with sequence numbers (sequence="1") is
// counted exactly: a number seen before is a duplicate, one below the
// highest seen and new is out of order; a window of the last kWindow
// numbers below the highest remembers what was seen (older numbers count as
// out of order). Without them the tag's PDU number (modulo 256, restarting
// with every iteration) tells neither, so duplicated is what arrived beyond
// what was sent and out of order is 0. Lost is sent minus the distinct PDUs
// received, never below 0.
#pragma once

#include <bitset>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "corvel/stats/latency.h"

namespace corvel {

class StreamEvent;
struct RunRecords;

class StreamAccount {
 public:
  static constexpr uint32_t kWindow = 1024;

  // A PDU of the stream passed, with its sequence number if it has one.
  void add(std::optional<uint32_t> sequence) noexcept;

  uint64_t received() const noexcept { return _received; }
  uint64_t duplicated() const noexcept { return _duplicated; }
  uint64_t outOfOrder() const noexcept { return _outOfOrder; }
  bool sequenced() const noexcept { return _sequenced; }

 private:
  uint64_t _received = 0;
  uint64_t _duplicated = 0;
  uint64_t _outOfOrder = 0;
  bool _sequenced = false;
  uint32_t _highest = 0;
  std::bitset<kWindow> _seen;  // bit i: number _highest - i arrived
};

using StreamAccounts = std::map<StreamId, StreamAccount>;

// The final counts of one stream at its transmit port.
struct StreamTotals {
  StreamId id;
  uint64_t sent = 0;
  uint64_t received = 0;
  uint64_t lost = 0;
  uint64_t duplicated = 0;
  uint64_t outOfOrder = 0;
};

// Counts the passed PDU of the event when its tag names its stream, PDU
// number and this port (route passed) and a receive port of this run sent
// the stream; the other PDUs are not the accounting's.
void accountPdu(const StreamEvent& event, const RunRecords* records, StreamAccounts& accounts) noexcept;

// Every stream whose tag names transmit port txDevice/txPort and that a
// receive port of this run sent, with what arrived of it; in StreamId order.
// Final once every receive port has sent its last PDU (at the summary).
std::vector<StreamTotals> streamTotals(const StreamAccounts& accounts, const RunRecords* records, int32_t txDevice,
                                       int32_t txPort);

}  // namespace corvel
