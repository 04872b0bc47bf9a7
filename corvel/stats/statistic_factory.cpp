#include "corvel/stats/statistic_factory.h"

#include "corvel/stats/capture_statistic.h"
#include "corvel/stats/generator_statistic.h"
#include "corvel/stats/project3g_wireless_statistic.h"
#include "corvel/stats/scheduling_statistic.h"
#include "corvel/stats/zelmor_police_statistic.h"

namespace corvel {

std::unique_ptr<Observer> createStatistic(StatisticKind kind, const PortTraffic& port, const char* directory) {
  switch (kind) {
    case enStatisticGenerator: return std::make_unique<GeneratorStatistic>(port, directory);
    case enStatisticScheduling: return std::make_unique<SchedulingStatistic>(port, directory);
    case enStatisticCapture: return std::make_unique<CaptureStatistic>(port, directory);
    case enStatisticZelmorPolice: return std::make_unique<ZelmorPoliceStatistic>(port, directory);
    case enStatisticProject3GWireless: return std::make_unique<Project3GWirelessStatistic>(port, directory);
    default: return nullptr;
  }
}

}  // namespace corvel
