#include "corvel/traffic/port_traffic_capture.h"

#include "corvel/stats/event.h"

namespace corvel {

PortTrafficCapture::PortTrafficCapture(int32_t device, int32_t port)
    : PortTraffic(0, device, port) {}

PortTrafficCapture::~PortTrafficCapture() = default;

void PortTrafficCapture::initialize() {
  if (state() != enPortStateUninitialized)
    announceError("Port is not in the uninitialized state");
  // No streams to verify: the port runs and completes at once.
  setState(enPortStateRunning);
  announceText(enEventSeverityWarning, "Port has no assigned streams");
  setState(enPortStateComplete);
}

void PortTrafficCapture::processByte(uint8_t& /*byte*/, uint32_t /*cycle*/,
                                     uint8_t /*endOfFrame*/) {}

}  // namespace corvel
