#include "corvel/stats/statistic_factory.h"

#include "corvel/stats/capture_statistic.h"
#include "corvel/stats/generator_statistic.h"
#include "corvel/stats/project3g_wireless_statistic.h"
#include "corvel/stats/scheduling_statistic.h"
#include "corvel/stats/zelmor_police_statistic.h"

namespace corvel {

std::unique_ptr<Observer> createStatistic(StatisticKind kind, const PortIdentity& port, RunRecords* runRecords,
                                          const char* directory) {
  switch (kind) {
    case enStatisticGenerator: return std::make_unique<GeneratorStatistic>(port, runRecords, directory);
    case enStatisticScheduling: return std::make_unique<SchedulingStatistic>(port, runRecords, directory);
    case enStatisticCapture: return std::make_unique<CaptureStatistic>(port, runRecords, directory);
    case enStatisticZelmorPolice: return std::make_unique<ZelmorPoliceStatistic>(port, runRecords, directory);
    case enStatisticProject3GWireless: return std::make_unique<Project3GWirelessStatistic>(port, runRecords, directory);
    default: return nullptr;
  }
}

}  // namespace corvel
