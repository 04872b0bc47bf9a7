#include "corvel/stats/scheduling_statistic.h"

#include "corvel/stats/event.h"

namespace corvel {

SchedulingStatistic::SchedulingStatistic(const PortIdentity& port, RunRecords* runRecords, const char* directory)
    : PortTrafficEventHandler(port, runRecords, directory, "RxSchedule") {}

SchedulingStatistic::~SchedulingStatistic() = default;

void SchedulingStatistic::update(Event& event) {
  if (!hasFile() || event.category() != enEventCategoryScheduling) return;
  switch (event.kind()) {
    case enEventKindScheduleUbrPriority: log().write("selected UBR-PRI stream\n"); break;
    case enEventKindScheduleUbr: log().write("selected UBR stream\n"); break;
    case enEventKindScheduleIdle: log().write("selected IDLE stream\n"); break;
    case enEventKindScheduleCbr: log().write("selected CBR stream\n"); break;
    case enEventKindScheduleNrtVbr: log().write("selected NrtVBR stream\n"); break;
    case enEventKindScheduleRtVbr: log().write("selected RtVBR stream\n"); break;
    default: break;
  }
}

}  // namespace corvel
