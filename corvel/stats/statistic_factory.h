// Creates the statistics the controller attaches for a named Tx/Rx
// specification ("GUI", "3GWireless", "Zelmor").
#pragma once

#include <cstdint>
#include <memory>

namespace corvel {

class Observer;
struct PortIdentity;
struct RunRecords;

enum StatisticKind : int32_t {
  enStatisticGenerator,         // "RxEvents"
  enStatisticScheduling,        // "RxSchedule"
  enStatisticCapture,           // "TxEvents"
  enStatisticZelmorPolice,      // "TxZelmorPolice"
  enStatisticProject3GWireless  // "Tx3GPolice"
};

// The statistic of that kind for the port, writing under the directory; null
// when this kind of statistic is not available.
std::unique_ptr<Observer> createStatistic(StatisticKind kind, const PortIdentity& port, RunRecords* runRecords,
                                          const char* directory);

}  // namespace corvel
