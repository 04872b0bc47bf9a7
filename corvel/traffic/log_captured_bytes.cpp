#include "corvel/traffic/log_captured_bytes.h"

#include "corvel/base/text_error.h"
#include "corvel/traffic/port_traffic.h"

namespace corvel {

void LogCapturedBytes::initialize(const PortTraffic& port, const char* directory) {
  if (!directory || !*directory) return;
  const char* tag = port.direction() == 1 ? "RxFrames" : "TxFrames";
  if (!_file.open(portLogFileName(directory, tag, port.device(), port.port())))
    throw TextError("Invalid directory name for Rx or Tx data logging.");
}

void LogCapturedBytes::OnByte(const uint8_t& byte, uint32_t /*cycle*/, uint8_t endOfFrame) {
  if (!_file.isOpen()) return;
  static constexpr char kDigits[] = "0123456789abcdef";
  const char text[3] = {kDigits[byte >> 4], kDigits[byte & 0x0f], '\n'};
  // A frame is one record: the line is flushed with its last byte.
  if (endOfFrame) {
    _file.put({text, 3});
    _file.endRecord();
  } else {
    _file.put({text, 2});
  }
  _byteCount += 1;
}

void LogCapturedBytes::Stop() {
  _file.endRecord();
  _file.close();
}

}  // namespace corvel
