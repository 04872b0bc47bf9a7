// The record behind every port handle the host holds: what the host told us
// about the port, and the port object serving it once the controller found it.
#pragma once

#include <cstdint>

namespace corvel {

class PortTraffic;

struct WorkbenchPort {
  int32_t direction = 0;  // 1 receive (we produce bytes), 0 transmit (we consume them)
  int32_t device = 0;
  int32_t port = 0;
  int32_t rate = 0;                    // first word of the host's port block
  int32_t interpacketTime = 0;         // second word: default gap between frames
  int32_t mediaBusClockFrequency = 0;  // third word, in MHz
  // The generator (receive) or capture (transmit) serving this port; a cache
  // the controller fills on the first byte call. Not owned.
  PortTraffic* portObject = nullptr;
};

}  // namespace corvel
