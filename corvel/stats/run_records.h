// What the ports of one run share: the send cycles of tagged PDUs, which a
// receive port writes and a transmit port reads, and the JSON summary files,
// which a receive and a transmit port with the same numbers may share. The
// controller owns one for each loaded TCS file and hands it to every port
// object before the ports start; it outlives the ports.
#pragma once

#include "corvel/stats/latency.h"
#include "corvel/stats/summary_files.h"

namespace corvel {

struct RunRecords {
  LatencyBook latency;
  SummaryFiles summaries;
};

}  // namespace corvel
