#include "corvel/traffic/datalink_parser.h"

#include "corvel/protocols/decapsulator.h"
#include "corvel/stats/event.h"
#include "corvel/traffic/port_traffic.h"

namespace corvel {

void announceDiscarded(PortTraffic& port, size_t frames) {
  for (size_t i = 0; i < frames; ++i) {
    PortEvent event(port.identity(), enEventKindFrameDiscarded);
    event.setText("Captured datalink packets not processed for any pdus");
    port.announce(event);
  }
}

void DatalinkParser::take(PooledFrame& frame) {
  {
    PortEvent processed(_port.identity(), enEventKindFrameProcessed);
    _port.announce(processed);
  }
  if (!_datalink) return;
  VerifyReport report;
  _datalink->parseHeader(*frame, report);
  if (!report.warnings.empty()) {
    // Cell warnings (reserved bits, payload types) go out with the cell.
    StreamEvent parsed(_port.identity(), enEventKindFrameParsed, -1, -1);
    for (auto& [prefix, text] : report.warnings) parsed.addWarning(prefix, text);
    _port.announce(parsed);
  }
  if (frame->protocolType == static_cast<int32_t>(ProtocolKind::Generic)) {
    PortEvent dropped(_port.identity(), enEventKindFrameDropped);
    dropped.setText("Generic datalink frame is not parseable");
    _port.announce(dropped);
    return;  // nothing is kept of it
  }
  announceDiscarded(_port, _datalink->takeFrame(std::move(frame)));
}

}  // namespace corvel
