// The frame-capture stage of a transmit port: every whole frame is counted,
// its datalink header read, and the frame handed to the datalink layer's
// store until it completes a PDU. Frames of a generic datalink cannot be
// parsed and are dropped.
#pragma once

#include "corvel/traffic/capture_intf.h"

namespace corvel {

class DatalinkDecapsulator;
class PortTraffic;

class DatalinkParser : public CaptureIntf {
 public:
  explicit DatalinkParser(PortTraffic& port) : _port(port) {}

  // The datalink layer of the port's streams (not owned).
  void setDatalink(DatalinkDecapsulator* datalink) noexcept { _datalink = datalink; }
  DatalinkDecapsulator* datalink() const noexcept { return _datalink; }

  void OnFrame(const std::shared_ptr<CapturedStreamFrame>& frame, uint32_t cycle) override;

 private:
  PortTraffic& _port;
  DatalinkDecapsulator* _datalink = nullptr;
};

// Announces every frame given up as discarded ("Captured datalink packets not
// processed for any pdus").
void announceDiscarded(PortTraffic& port, size_t frames);

}  // namespace corvel
