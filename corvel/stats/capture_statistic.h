// The event log of a transmit port ("TxEvents"): one line per verified PDU
// (passed with its origin and route, or failed with its error), warnings,
// and the capture summary.
#pragma once

#include <cstdint>

#include "corvel/stats/port_traffic_event_handler.h"

namespace corvel {

class CaptureStatistic : public PortTrafficEventHandler {
 public:
  CaptureStatistic(const PortTraffic& port, const char* directory);
  ~CaptureStatistic() override;

  void update(Event& event) override;
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

 private:
  void pduPassed(const Event& event);
  void pduFailed(const Event& event);
  void frameWarnings(const Event& event);

  Counters _counters;
  std::string _line;
};

}  // namespace corvel
