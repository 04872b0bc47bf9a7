// The media-bus port record a fuzzer registers with the controller, as the
// host does: device 0, 100 Mbps, 66 MHz, the given interpacket gap.
#pragma once

#include <cstdint>

#include "corvel/host/corvel.h"

namespace corvel_fuzz {

inline corvel::WorkbenchPort HostPort(int32_t direction, int32_t port, int32_t gap = 8) {
  corvel::WorkbenchPort record;
  record.direction = direction;
  record.device = 0;
  record.port = port;
  record.rate = 100;
  record.interpacketTime = gap;
  record.mediaBusClockFrequency = 66;
  return record;
}

}  // namespace corvel_fuzz
