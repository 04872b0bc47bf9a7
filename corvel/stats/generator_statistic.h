// The event log of a receive port ("RxEvents"): warnings and errors of the
// port and its streams, one line per frame sent, and the generation summary.
#pragma once

#include <cstdint>
#include <optional>

#include "corvel/stats/port_traffic_event_handler.h"

namespace corvel {

class GeneratorStatistic : public PortTrafficEventHandler {
 public:
  GeneratorStatistic(const PortIdentity& port, RunRecords* runRecords, const char* directory);
  ~GeneratorStatistic() override;

  void update(Event& event) override;
  void writeSummary() override { writeSummary(std::nullopt); }
  // "Generation stopped:" and the totals; with bit-error injection on, one
  // more line counts the flipped bits. Then the JSON summary file.
  void writeSummary(std::optional<uint64_t> flippedBits);

  int32_t pduCount() const noexcept { return _pdus; }
  int32_t frameCount() const noexcept { return _frames; }

 private:
  int32_t _cellsOfPdu = 0;
  int32_t _pdus = 0;
  int32_t _frames = 0;
};

}  // namespace corvel
