// Which port an event or a statistic is about, as a plain value: the port
// objects of traffic/ hand it down, so that events and statistics need not
// know them.
#pragma once

#include <cstdint>

namespace corvel {

struct PortIdentity {
  int32_t device = 0;
  int32_t port = 0;
  // 1 receive (generator), 0 transmit (capture).
  int32_t direction = 0;
  // The media-bus clock of the port, from the host's port record.
  int32_t clockMhz = 0;
};

}  // namespace corvel
