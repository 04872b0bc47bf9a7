// The byte data log of a port ("RxFramesDev<d>Port<p>.txt" on a receive port,
// "TxFrames..." on a transmit port): every byte as two lower-case hex digits,
// a line feed after the last byte of each frame.
#pragma once

#include <string>

#include "corvel/base/log_file.h"
#include "corvel/traffic/capture_intf.h"

namespace corvel {

class PortTraffic;

class LogCapturedBytes : public CaptureIntf {
 public:
  // Creates or empties the file; an empty or missing directory disables the
  // log. Throws "Invalid directory name for Rx or Tx data logging." when the
  // file cannot be created.
  void initialize(const PortTraffic& port, const char* directory);

  void OnByte(const uint8_t& byte, uint32_t cycle, uint8_t endOfFrame) override;
  void Stop() override;

  double byteCount() const noexcept { return _byteCount; }
  const std::string& fileName() const noexcept { return _file.fileName(); }

 private:
  LogFile _file;
  double _byteCount = 0;
};

}  // namespace corvel
