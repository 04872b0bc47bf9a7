// The police log of a transmit port under the "3GWireless" specification
// ("Tx3GPolice"): every policed PDU with its IPv6 flow, the flow's peak
// rate and the verdict, and every frame or PDU that no flow covers.
#pragma once

#include <string>

#include "corvel/stats/port_traffic_event_handler.h"

namespace corvel {

class QosPoliceEvent;

class Project3GWirelessStatistic : public PortTrafficEventHandler {
 public:
  Project3GWirelessStatistic(const PortIdentity& port, RunRecords* runRecords, const char* directory);
  ~Project3GWirelessStatistic() override;

  void update(Event& event) override;

 private:
  void pduPoliced(const QosPoliceEvent& event);

  std::string _line;
};

}  // namespace corvel
