// What one port did in a run, counted for the run report whatever logs the
// port writes: for a receive port the PDUs and frames it generated, for a
// transmit port the figures of the capture summary (PDUs passed and failed,
// warnings, routes, frames), the latency of every stream it measured and
// the policing verdicts by colour. The counting follows the event log
// statistics, so the figures equal the text summaries where those exist.
#pragma once

#include <cstdint>

#include "corvel/stats/latency.h"
#include "corvel/stats/observable.h"
#include "corvel/stats/port_identity.h"
#include "corvel/stats/stream_account.h"

namespace corvel {

struct RunRecords;

struct CaptureFigures {
  int64_t pduPassed = 0;
  int64_t pduFailed = 0;
  int64_t pduWarnings = 0;
  int64_t routesPassed = 0;
  int64_t routesFailed = 0;
  int64_t routesNotTested = 0;
  int64_t framesProcessed = 0;
  int64_t framesDropped = 0;
  int64_t framesDiscarded = 0;
  int64_t frameWarnings = 0;
};

// Policing decisions: green conforms, yellow conforms marked by a token
// bucket's second bucket, red does not conform; not assigned counts the
// frames and PDUs no policy covered.
struct PoliceColours {
  int64_t green = 0;
  int64_t yellow = 0;
  int64_t red = 0;
  int64_t notAssigned = 0;
};

struct PortFigures {
  int32_t direction = 0;  // 1 receive, 0 transmit
  int32_t device = 0;
  int32_t port = 0;
  int32_t busFrequencyMhz = 0;
  bool configured = false;  // the TCS file configured the port
  int32_t streams = 0;
  // Receive side.
  int64_t pdusGenerated = 0;
  int64_t framesGenerated = 0;
  // Transmit side.
  CaptureFigures capture;
  StreamLatencies latencies;
  // Per stream whose tag names the port: sent, received, lost, ... (at the report).
  std::vector<StreamTotals> streamTotals;
  PoliceColours police;
};

class RunTally : public Observer {
 public:
  // `records`: what the run's ports share (the send cycles of tagged PDUs);
  // may be null, and then no latency is measured.
  RunTally(const PortIdentity& port, bool configured, int32_t streams, RunRecords* records);
  ~RunTally() override;

  void update(Event& event) override;
  const PortFigures& figures() const noexcept { return _figures; }
  // The figures with the accounting of the streams whose tag names the port
  // as it stands now (final once the ports have stopped).
  PortFigures reportFigures() const;

 private:
  void generated(const Event& event);
  void captured(Event& event);
  void policed(const Event& event);

  PortFigures _figures;
  StreamAccounts _accounts;
  RunRecords* _records;
};

}  // namespace corvel
