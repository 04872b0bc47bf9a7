// The event log of a transmit port ("TxEvents"): one line per verified PDU
// (passed with its origin and route, or failed with its error), warnings,
// and the capture summary, which ends with the latency and jitter of every
// stream whose tagged PDUs the port measured.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "corvel/stats/latency.h"
#include "corvel/stats/port_traffic_event_handler.h"
#include "corvel/stats/stream_account.h"

namespace corvel {

struct IdentityRecord;

// Receives every line the event log gets for the frames and PDUs of the
// port, as written there but without the line feed; pduEnd marks the line
// that gives a PDU's verdict ("[s]" or "[e]"), the last of that PDU.
class VerdictSink {
 public:
  virtual ~VerdictSink() = default;
  virtual void verdictLine(std::string_view line, bool pduEnd) = 0;
};

class CaptureStatistic : public PortTrafficEventHandler {
 public:
  CaptureStatistic(const PortIdentity& port, RunRecords* runRecords, const char* directory);
  ~CaptureStatistic() override;

  // Also a sink only: a statistic without a directory that hands its lines on.
  void setVerdictSink(VerdictSink* sink) noexcept { _sink = sink; }

  void update(Event& event) override;
  // The text summary, then the JSON summary file.
  void writeSummary() override;

  struct Counters {
    int32_t cellsOfPdu = 0;
    int32_t pdus = 0;
    int32_t pduPassed = 0;
    int32_t pduFailed = 0;
    int32_t framesProcessed = 0;
    int32_t discarded = 0;
    int32_t dropped = 0;
    int32_t routesFailed = 0;
    int32_t routesPassed = 0;
    int32_t routesNotTested = 0;
    int32_t cellWarnings = 0;
    int32_t pduWarnings = 0;
  };
  const Counters& counters() const noexcept { return _counters; }
  // Per stream of origin, the latencies of the PDUs that passed here.
  const StreamLatencies& latencies() const noexcept { return _latencies; }
  // Sent, received, lost, duplicated and out of order per stream whose tag
  // names this port; final at the summary.
  std::vector<StreamTotals> streamTotals() const;
  // The capturing port's media-bus clock (MHz) the nanosecond figures use;
  // 0 or less when the host gave none, and then there are no such figures.
  int32_t busFrequencyMhz() const noexcept { return _busFrequencyMhz; }

 private:
  void pduPassed(Event& event);
  void measureLatency(Event& event) noexcept;
  void writeLatencies() noexcept;
  void writeLatencyLines();
  void writeStreamLines();
  void pduFailed(const Event& event);
  void frameWarnings(const Event& event);
  // One "[w] %s %s " per warning pair of the PDU's event, counted.
  void appendPduWarnings(const Event& event);
  // Writes _line (which ends in a line feed) to the log and hands it on.
  void emitLine(bool pduEnd);

  Counters _counters;
  StreamLatencies _latencies;
  StreamAccounts _accounts;
  int32_t _busFrequencyMhz;
  std::string _line;
  VerdictSink* _sink = nullptr;
};

}  // namespace corvel
