// The transmit-side port object: it receives the bytes the processor sends on
// one transmit port. This first version has no capture pipeline yet: a started
// port without streams completes at once and ignores the bytes.
#pragma once

#include <cstdint>

#include "corvel/traffic/port_traffic.h"

namespace corvel {

class PortConfig;

class PortTrafficCapture : public PortTraffic {
 public:
  PortTrafficCapture(int32_t device, int32_t port);
  ~PortTrafficCapture() override;

  // The configuration the port was given, or null when the TCS file did not
  // configure this port.
  const PortConfig* portConfig() const noexcept { return portConfiguration(); }

  // Builds the capture pipeline and starts the port.
  void initialize();

  // One transmitted byte with the host's cycle value and end-of-frame flag.
  void processByte(uint8_t& byte, uint32_t cycle, uint8_t endOfFrame);
};

}  // namespace corvel
