// A stage that sees the bytes of a port one by one: the byte data log on
// either side, and the capture pipeline's byte stages on a transmit port.
#pragma once

#include <cstdint>

namespace corvel {

class CaptureIntf {
 public:
  virtual ~CaptureIntf() = default;
  // One byte with the host cycle value and the end-of-frame flag.
  virtual void OnByte(const uint8_t& byte, uint32_t cycle, uint8_t endOfFrame) = 0;
  virtual void Start() {}
  virtual void Stop() {}
};

}  // namespace corvel
