// What the ports of one run share: the send cycles of tagged PDUs, which a
// receive port writes and a transmit port reads. The controller owns one for
// each loaded TCS file and hands it to every port object before the ports
// start; it outlives the ports.
#pragma once

#include "corvel/stats/latency.h"

namespace corvel {

struct RunRecords {
  LatencyBook latency;
};

}  // namespace corvel
