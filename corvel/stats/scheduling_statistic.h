// The scheduling log of a receive port ("RxSchedule"): one line per choice of
// a scheduled stream distribution, naming the class it chose.
#pragma once

#include "corvel/stats/port_traffic_event_handler.h"

namespace corvel {

class SchedulingStatistic : public PortTrafficEventHandler {
 public:
  SchedulingStatistic(const PortIdentity& port, RunRecords* runRecords, const char* directory);
  ~SchedulingStatistic() override;

  void update(Event& event) override;
};

}  // namespace corvel
