#include "corvel/stats/statistic_factory.h"

#include "corvel/stats/generator_statistic.h"
#include "corvel/stats/scheduling_statistic.h"

namespace corvel {

std::unique_ptr<Observer> createStatistic(StatisticKind kind, const PortTraffic& port, const char* directory) {
  switch (kind) {
    case enStatisticGenerator: return std::make_unique<GeneratorStatistic>(port, directory);
    case enStatisticScheduling: return std::make_unique<SchedulingStatistic>(port, directory);
    // The capture-side statistics come with the capture pipeline.
    default: return nullptr;
  }
}

}  // namespace corvel
