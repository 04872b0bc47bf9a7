#include "corvel/traffic/port_traffic.h"

#include <cstdio>

#include "corvel/stats/event.h"

namespace corvel {

PortTraffic::PortTraffic(int32_t direction, int32_t device, int32_t port)
    : _identity{device, port, direction, 0} {}

PortTraffic::~PortTraffic() { detachAll(); }

void PortTraffic::setState(int32_t state) {
  _state = state;
  if (state == enPortStateRunning) {
    announce(std::make_unique<PortEvent>(identity(), enEventKindPortStart));
  } else if (state == enPortStateComplete) {
    announce(std::make_unique<PortEvent>(identity(), enEventKindPortComplete));
  }
}

bool PortTraffic::command(int32_t command) {
  if (command != 1) return false;
  setState(enPortStateRunning);
  return true;
}

void PortTraffic::announce(Event& event) { notify(event); }

void PortTraffic::announce(std::unique_ptr<Event> event) { notify(std::move(event)); }

void PortTraffic::announceError(std::unique_ptr<Event> event) { notifyAndThrow(std::move(event)); }

void PortTraffic::announceError(const char* text) {
  announceError(std::make_unique<PortEvent>(identity(), enEventSeverityError, text ? text : ""));
}

void PortTraffic::announceText(int32_t severity, const char* text) {
  announce(std::make_unique<PortEvent>(identity(), severity, text ? text : ""));
}

void PortTraffic::setPduLogDirectory(const char* directory) {
  if (!directory || !*directory) return;
  _pduLogFileName = std::string(directory) + (direction() == 1 ? "Rx" : "Tx") + "PdusDev" +
                    std::to_string(device()) + "Port" + std::to_string(port()) + ".txt";
  if (std::FILE* file = std::fopen(_pduLogFileName.c_str(), "w")) std::fclose(file);
}

}  // namespace corvel
