// An observer that keeps a copy of every event it receives.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "corvel/stats/event.h"
#include "corvel/stats/observable.h"

namespace corvel::test {

struct SeenEvent {
  int32_t category;
  int32_t severity;
  int32_t kind;
  std::string text;
  int32_t device;
  int32_t port;
  bool operator==(const SeenEvent&) const = default;
};

class RecordingObserver : public Observer {
 public:
  void update(Event& event) override {
    seen.push_back({event.category(), event.severity(), event.kind(), event.text(), event.device(),
                    event.port()});
  }
  std::vector<SeenEvent> seen;
};

}  // namespace corvel::test
