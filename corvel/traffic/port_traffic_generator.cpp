#include "corvel/traffic/port_traffic_generator.h"

#include "corvel/stats/event.h"

namespace corvel {

PortTrafficGenerator::PortTrafficGenerator(int32_t device, int32_t port)
    : PortTraffic(1, device, port) {}

PortTrafficGenerator::~PortTrafficGenerator() = default;

void PortTrafficGenerator::Start(int32_t /*startArgument*/) {
  if (state() != enPortStateUninitialized)
    announceError("Port is not in the enPortStateUninitialized state");
  // Without a frame source there is nothing to send: the port runs and
  // completes at once.
  setState(enPortStateRunning);
  announceText(enEventSeverityWarning, "Port has no assigned streams");
  setState(enPortStateComplete);
}

const uint8_t* PortTrafficGenerator::nextByte(bool& endOfTraffic, uint8_t& endOfPacket,
                                              uint32_t /*cycle*/) {
  endOfPacket = 0;
  endOfTraffic = false;
  if (state() == enPortStateComplete) {
    announceText(enEventSeverityWarning,
                 "Port was requested data, however, it is enPortStateComplete.");
    return nullptr;
  }
  if (state() != enPortStateRunning) announceError("Port is not in the enPortStateRunning state");
  return nullptr;
}

int32_t PortTrafficGenerator::interpacketTime() { return 0; }

}  // namespace corvel
