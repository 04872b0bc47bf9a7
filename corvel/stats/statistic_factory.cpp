#include "corvel/stats/statistic_factory.h"

#include "corvel/stats/capture_statistic.h"
#include "corvel/stats/generator_statistic.h"
#include "corvel/stats/scheduling_statistic.h"

namespace corvel {

std::unique_ptr<Observer> createStatistic(StatisticKind kind, const PortTraffic& port, const char* directory) {
  switch (kind) {
    case enStatisticGenerator: return std::make_unique<GeneratorStatistic>(port, directory);
    case enStatisticScheduling: return std::make_unique<SchedulingStatistic>(port, directory);
    case enStatisticCapture: return std::make_unique<CaptureStatistic>(port, directory);
    // The custom police statistics come with policing.
    default: return nullptr;
  }
}

}  // namespace corvel
