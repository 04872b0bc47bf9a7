#include "corvel/traffic/pcapng_capture.h"

#include <algorithm>
#include <new>

#include "corvel/base/text_error.h"

namespace corvel {

namespace {

uint64_t nanosecondsOf(uint64_t cycle, uint64_t megahertz) {
  return cycle / megahertz * 1000u + cycle % megahertz * 1000u / megahertz;
}

}  // namespace

void PcapngCapture::initialize(const std::string& directory, int32_t device, int32_t port, int32_t clockMhz,
                               uint16_t linkType) {
  _clockMhz = clockMhz > 0 ? clockMhz : 1;
  const std::string name =
      directory + "TxCaptureDev" + std::to_string(device) + "Port" + std::to_string(port) + ".pcapng";
  if (!_writer.open(name, linkType)) throw TextError("Invalid directory name for Tx pcapng capture.");
  _frames.reserve(64);
  _lines.reserve(4);
}

void PcapngCapture::OnFrame(const CapturedStreamFrame& frame, uint32_t /*cycle*/) {
  if (!_writer.isOpen()) return;
  _current = frame.connection;
  try {
    if (_heldCount == _frames.size()) _frames.emplace_back();
    Held& held = _frames[_heldCount];
    held.data.assign(frame.data.begin(), frame.data.end());
    held.connection = frame.connection;
    held.lastCycle = frame.lastCycle;
    ++_heldCount;
  } catch (const std::bad_alloc&) {
    _writer.writePacket(nanosecondsOf(frame.lastCycle, _clockMhz), frame.data.data(), frame.data.size(), "");
    return;
  }
  if (_heldCount >= kMaxHeldFrames) writeHeld(0, true);
}

std::string& PcapngCapture::linesOf(uint64_t connection) {
  for (Lines& lines : _lines)
    if (lines.connection == connection) return lines.text;
  _lines.push_back({connection, {}});  // once per connection
  return _lines.back().text;
}

void PcapngCapture::verdictLine(std::string_view line, bool pduEnd) {
  if (!_writer.isOpen()) return;
  try {
    std::string& text = linesOf(_current);
    if (!text.empty()) text += '\n';
    text.append(line);
  } catch (const std::bad_alloc&) {
  }
  if (pduEnd) writeHeld(_current, false);
}

void PcapngCapture::writeHeld(uint64_t connection, bool all) noexcept {
  static const std::string kNone;
  const std::string* comment = &kNone;
  for (const Lines& lines : _lines)
    if (lines.connection == connection) comment = &lines.text;
  // Written frames leave the waiting part; the others keep their order.
  size_t kept = 0;
  for (size_t i = 0; i < _heldCount; ++i) {
    Held& frame = _frames[i];
    if (!all && frame.connection != connection) {
      if (kept != i) std::swap(_frames[kept], frame);
      ++kept;
      continue;
    }
    const std::string* text = comment;
    if (all)
      for (const Lines& lines : _lines)
        if (lines.connection == frame.connection) text = &lines.text;
    _writer.writePacket(nanosecondsOf(frame.lastCycle, _clockMhz), frame.data.data(), frame.data.size(), *text);
  }
  _heldCount = kept;
  if (all) {
    for (Lines& lines : _lines) lines.text.clear();
    return;
  }
  for (Lines& lines : _lines)
    if (lines.connection == connection) lines.text.clear();
}

void PcapngCapture::Stop() {
  writeHeld(0, true);
  _writer.close();
}

}  // namespace corvel
