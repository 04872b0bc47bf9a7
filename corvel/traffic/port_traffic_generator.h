// The receive-side port object: it produces the bytes the host delivers to the
// processor on one receive port. This first version has no frame source yet:
// a started port without streams completes at once and delivers nothing.
#pragma once

#include <cstdint>

#include "corvel/traffic/port_traffic.h"

namespace corvel {

class PortConfig;

class PortTrafficGenerator : public PortTraffic {
 public:
  PortTrafficGenerator(int32_t device, int32_t port);
  ~PortTrafficGenerator() override;

  // The configuration the port was given, or null when the TCS file did not
  // configure this port.
  const PortConfig* portConfig() const noexcept { return portConfiguration(); }

  // Starts the port once; startArgument is handed on to the stream distribution.
  void Start(int32_t startArgument);

  // The next byte for the host, or null when there is none for this request.
  // endOfPacket is set on the last byte of a frame, endOfTraffic when the
  // port has no more traffic.
  const uint8_t* nextByte(bool& endOfTraffic, uint8_t& endOfPacket, uint32_t cycle);

  // The gap, in cycles, before the next frame.
  int32_t interpacketTime();
};

}  // namespace corvel
