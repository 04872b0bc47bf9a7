#include "corvel/traffic/pcapng_capture.h"

#include <new>

#include "corvel/base/text_error.h"

namespace corvel {

namespace {

uint64_t nanosecondsOf(uint64_t cycle, uint64_t megahertz) {
  return cycle / megahertz * 1000u + cycle % megahertz * 1000u / megahertz;
}

}  // namespace

void PcapngCapture::initialize(const std::string &directory, int32_t device, int32_t port, int32_t clockMhz,
                               uint16_t linkType) {
  _clockMhz = clockMhz > 0 ? clockMhz : 1;
  const std::string name =
      directory + "TxCaptureDev" + std::to_string(device) + "Port" + std::to_string(port) + ".pcapng";
  if (!_writer.open(name, linkType)) throw TextError("Invalid directory name for Tx pcapng capture.");
  _bytes.reserve(2048);
  _frames.reserve(64);
}

void PcapngCapture::OnByte(const uint8_t &byte, uint32_t cycle, uint8_t endOfFrame) {
  if (!_writer.isOpen()) return;
  try {
    _bytes.push_back(byte);
    if (!endOfFrame) return;
    _frames.push_back({_frameStart, _bytes.size() - _frameStart, nanosecondsOf(cycle, _clockMhz)});
    _frameStart = _bytes.size();
    if (_frames.size() >= kMaxPendingFrames) writeHeld();
  } catch (const std::bad_alloc &) {
    writeHeld();
  }
}

void PcapngCapture::verdictLine(std::string_view line, bool pduEnd) {
  try {
    if (!_comment.empty()) _comment += '\n';
    _comment.append(line);
  } catch (const std::bad_alloc &) {
  }
  if (pduEnd) writeHeld();
}

void PcapngCapture::writeHeld() noexcept {
  for (const HeldFrame &frame : _frames)
    _writer.writePacket(frame.nanoseconds, _bytes.data() + frame.offset, frame.size, _comment);
  _frames.clear();
  // A frame still arriving moves to the front of the buffer.
  _bytes.erase(_bytes.begin(), _bytes.begin() + static_cast<std::ptrdiff_t>(_frameStart));
  _frameStart = 0;
  _comment.clear();
}

void PcapngCapture::Stop() {
  if (!_frames.empty() || !_comment.empty()) writeHeld();
  _writer.close();
}

}  // namespace corvel
