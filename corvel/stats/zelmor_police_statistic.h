// The police log of a transmit port under the "Zelmor" specification
// ("TxZelmorPolice"): one record per PDU that no flow covers, naming the
// IPv6 flow it belongs to.
#pragma once

#include <string>

#include "corvel/stats/port_traffic_event_handler.h"

namespace corvel {

class ZelmorPoliceStatistic : public PortTrafficEventHandler {
 public:
  ZelmorPoliceStatistic(const PortIdentity& port, RunRecords* runRecords, const char* directory);
  ~ZelmorPoliceStatistic() override;

  void update(Event& event) override;

 private:
  std::string _line;
};

}  // namespace corvel
