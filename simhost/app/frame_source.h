// Where a transmit port takes its frames from: the bytes a receive port
// forwards to it, or the records of a pcap file injected into it. A transmit
// port takes one whole frame from one source before it looks for the next;
// the cycle loop gives the sources that have a frame due their turns round
// robin.
#pragma once

#include <cstdint>

namespace pyxsim {

struct HostPort;

class FrameSource {
 public:
  virtual ~FrameSource() = default;

  // Whether the source's next frame goes to `tx` and may start at `cycle`.
  virtual bool frameDue(const HostPort* tx, uint64_t cycle) const = 0;
  // The next byte of the frame under way, if it is there at `cycle`. Takes
  // what handing it over completes off `inFlight` (see inFlight()).
  virtual bool takeByte(uint64_t cycle, uint8_t& byte, uint8_t& endOfPacket, uint64_t& inFlight) = 0;
  // What the source adds to the loop's count of work in flight, which keeps
  // an open-ended run going: one per forwarded byte, one for an injected file
  // with records left.
  virtual uint64_t inFlight() const = 0;
  // The first cycle at which the source could hand over a byte; UINT64_MAX
  // when it has none.
  virtual uint64_t readyAt() const = 0;
};

}  // namespace pyxsim
