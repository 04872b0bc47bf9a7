// The frame-capture stage of a transmit port: every whole frame is counted,
// its datalink header read, and the frame handed to the datalink layer's
// store until it completes a PDU. Frames of a generic datalink cannot be
// parsed and are dropped.
#pragma once

#include "corvel/protocols/frame_pool.h"
#include "corvel/traffic/capture_intf.h"

namespace corvel {

class DatalinkDecapsulator;
class PortTraffic;

class DatalinkParser {
 public:
  explicit DatalinkParser(PortTraffic& port) : _port(port) {}

  // The datalink layer of the port's streams (not owned).
  void setDatalink(DatalinkDecapsulator* datalink) noexcept { _datalink = datalink; }
  DatalinkDecapsulator* datalink() const noexcept { return _datalink; }

  // The first frame stage: counts the frame, parses its header and moves it
  // into the datalink layer's store (`frame` is then empty); a frame that is
  // not kept stays with the caller.
  void take(PooledFrame& frame);

 private:
  PortTraffic& _port;
  DatalinkDecapsulator* _datalink = nullptr;
};

// Announces every frame given up as discarded ("Captured datalink packets not
// processed for any pdus").
void announceDiscarded(PortTraffic& port, size_t frames);

}  // namespace corvel
