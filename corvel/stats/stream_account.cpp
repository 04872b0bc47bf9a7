#include "corvel/stats/stream_account.h"

#include <new>

#include "corvel/stats/event.h"
#include "corvel/stats/run_records.h"

namespace corvel {

void StreamAccount::add(std::optional<uint32_t> sequence) noexcept {
  ++_received;
  if (!sequence) return;
  if (!_sequenced) {
    _sequenced = true;
    _highest = *sequence;
    _seen.set(0);
    return;
  }
  // Sequence numbers wrap at 2^32: the signed distance says ahead or behind.
  const auto ahead = static_cast<int32_t>(*sequence - _highest);
  if (ahead > 0) {
    _seen = static_cast<uint32_t>(ahead) >= kWindow ? std::bitset<kWindow>() : _seen << static_cast<size_t>(ahead);
    _seen.set(0);
    _highest = *sequence;
    return;
  }
  const auto behind = static_cast<uint32_t>(-static_cast<int64_t>(ahead));
  if (behind >= kWindow) {
    ++_outOfOrder;  // too old to tell a late PDU from a copy
    return;
  }
  if (_seen.test(behind)) {
    ++_duplicated;
    return;
  }
  _seen.set(behind);
  ++_outOfOrder;
}

void accountPdu(const StreamEvent& event, const RunRecords* records, StreamAccounts& accounts) noexcept {
  if (!records || !event.identity()) return;
  const IdentityRecord& id = *event.identity();
  if (id.routeStatus != enRoutePassed || id.rxDevice < 0 || id.rxPort < 0 || id.stream < 0 || id.pdu < 0) return;
  const StreamId origin{id.rxDevice, id.rxPort, id.stream};
  if (!records->latency.findSendLog(origin)) return;
  std::optional<uint32_t> sequence;
  if (id.sequence >= 0) sequence = static_cast<uint32_t>(id.sequence);
  try {
    accounts[origin].add(sequence);  // a new stream's entry: once per stream
  } catch (const std::bad_alloc&) {
  }
}

std::vector<StreamTotals> streamTotals(const StreamAccounts& accounts, const RunRecords* records, int32_t txDevice,
                                       int32_t txPort) {
  std::vector<StreamTotals> rows;
  if (!records) return rows;
  for (const StreamId& id : records->latency.streamsTo(txDevice, txPort)) {
    StreamTotals row;
    row.id = id;
    if (const PduSendLog* sends = records->latency.findSendLog(id)) row.sent = sends->sent();
    if (const auto found = accounts.find(id); found != accounts.end()) {
      const StreamAccount& account = found->second;
      row.received = account.received();
      row.duplicated = account.duplicated();
      row.outOfOrder = account.outOfOrder();
      if (!account.sequenced() && row.received > row.sent) row.duplicated = row.received - row.sent;
    }
    const uint64_t distinct = row.received - row.duplicated;
    row.lost = row.sent > distinct ? row.sent - distinct : 0;
    // A payload too short for the PDU number is neither sent nor received here.
    if (row.sent > 0 || row.received > 0) rows.push_back(row);
  }
  return rows;
}

}  // namespace corvel
