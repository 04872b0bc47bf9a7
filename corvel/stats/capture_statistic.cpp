#include "corvel/stats/capture_statistic.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <string>

#include "corvel/stats/event.h"
#include "corvel/stats/pdu_latency.h"
#include "corvel/stats/run_records.h"

namespace corvel {

namespace {

template <class... Args>
void appendf(std::string& out, const char* format, Args... args) {
  char buffer[256];
  const int n = std::snprintf(buffer, sizeof buffer, format, args...);
  if (n > 0) out.append(buffer, static_cast<size_t>(std::min(n, static_cast<int>(sizeof buffer) - 1)));
}

IdentityRecord identityOf(const Event& event) {
  if (const auto* stream = dynamic_cast<const StreamEvent*>(&event))
    if (stream->identity()) return *stream->identity();
  return IdentityRecord{};
}

}  // namespace

CaptureStatistic::CaptureStatistic(const PortIdentity& port, RunRecords* runRecords, const char* directory)
    : PortTrafficEventHandler(port, runRecords, directory, "TxEvents"), _busFrequencyMhz(port.clockMhz) {}

CaptureStatistic::~CaptureStatistic() = default;

void CaptureStatistic::update(Event& event) {
  if (!hasFile() && _sink == nullptr) return;
  const int32_t category = event.category();
  if (category != enEventCategoryStream && category != enEventCategoryPort) return;
  if (event.severity() == enEventSeverityWarning || event.severity() == enEventSeverityError) {
    const bool warning = event.severity() == enEventSeverityWarning;
    _line.clear();
    appendf(_line, warning ? "Tx Device %d Port %d [w] " : "Device %d Port %d [e] ", device(), port());
    _line += event.text().c_str();
    _line += "\n";
    emitLine(false);
    return;
  }
  if (category == enEventCategoryPort) {
    switch (event.kind()) {
      case enEventKindFrameProcessed:
        ++_counters.cellsOfPdu;
        ++_counters.framesProcessed;
        break;
      case enEventKindFrameDiscarded: ++_counters.discarded; break;
      case enEventKindFrameDropped: ++_counters.dropped; break;
      default: break;
    }
    return;
  }
  switch (event.kind()) {
    case enEventKindPduPassed: pduPassed(event); break;
    case enEventKindPduFailed: pduFailed(event); break;
    case enEventKindFrameParsed: frameWarnings(event); break;
    default: break;
  }
}

void CaptureStatistic::pduPassed(Event& event) {
  const IdentityRecord id = identityOf(event);
  _line.clear();
  appendf(_line, "Device %d Port %d ", device(), port());
  appendf(_line, "[s] Pdu contained %d cell(s) {", _counters.cellsOfPdu);
  if (id.rxPort == -1) {
    _line += " }";
  } else if (id.stream == -1) {
    appendf(_line, " RxPort %d }", id.rxPort);
  } else if (id.pdu == -1) {
    appendf(_line, " RxPort %d Stream %d }", id.rxPort, id.stream);
  } else {
    appendf(_line, " RxPort %d Stream %d Pdu %d }", id.rxPort, id.stream, id.pdu);
  }
  ++_counters.pduPassed;
  if (id.routeStatus == enRouteFailed) {
    ++_counters.routesFailed;
    appendf(_line, " Routing to port %d failed", id.txPort);
  } else if (id.routeStatus == enRoutePassed) {
    ++_counters.routesPassed;
  } else {
    ++_counters.routesNotTested;
  }
  appendPduWarnings(event);
  _line += "\n";
  emitLine(true);
  _counters.cellsOfPdu = 0;
  ++_counters.pdus;
  measureLatency(event);
  if (const auto* stream = dynamic_cast<const StreamEvent*>(&event)) accountPdu(*stream, runRecords(), _accounts);
}

// A PDU counts when its tag names its stream and PDU number and a receive
// port of this run sent it; the others are not measured.
void CaptureStatistic::measureLatency(Event& event) noexcept {
  auto* stream = dynamic_cast<StreamEvent*>(&event);
  if (!stream) return;
  StreamId origin;
  const std::optional<uint32_t> latency = pduLatency(*stream, runRecords(), origin);
  if (!latency) return;
  try {
    _latencies[origin].add(*latency);  // a new stream's entry: once per stream
  } catch (const std::bad_alloc&) {
  }
}

void CaptureStatistic::pduFailed(const Event& event) {
  _line.clear();
  appendf(_line, "Tx Device %d Port %d ", device(), port());
  appendf(_line, "[e] Pdu contained %d cell(s) ", _counters.cellsOfPdu);
  _line += event.text();
  // The warnings the layers outside the failing one found before it.
  if (event.warningCount() > 0) _line += " ";
  appendPduWarnings(event);
  _line += "\n";
  emitLine(true);
  ++_counters.pduFailed;
  ++_counters.routesNotTested;
  _counters.cellsOfPdu = 0;
  ++_counters.pdus;
}

void CaptureStatistic::appendPduWarnings(const Event& event) {
  for (size_t i = 0; i < event.warningCount(); ++i) {
    const auto& [prefix, text] = event.warningAt(i);
    _line += "[w] " + prefix + " " + text + " ";
    ++_counters.pduWarnings;
  }
}

void CaptureStatistic::frameWarnings(const Event& event) {
  const IdentityRecord id = identityOf(event);
  _line.clear();
  appendf(_line, "Device %d Port %d ", device(), port());
  appendf(_line, "[w] Pdu cell %d ", id.spare);
  for (size_t i = 0; i < event.warningCount(); ++i) {
    const auto& [prefix, text] = event.warningAt(i);
    _line += "[w] " + prefix + " " + text;
    ++_counters.cellWarnings;
  }
  _line += "\n";
  emitLine(false);
}

void CaptureStatistic::emitLine(bool pduEnd) {
  log().write(_line);
  if (_sink != nullptr) _sink->verdictLine(std::string_view(_line).substr(0, _line.size() - 1), pduEnd);
}

void CaptureStatistic::writeSummary() {
  if (!hasFile()) return;
  const Counters& c = _counters;
  log().printf(
      "Capture stopped:\n"
      "  total PDU passed             %d\n"
      "  total PDU failed             %d\n"
      "  total PDU warnings           %d\n"
      "  total PDU routes passed      %d\n"
      "  total PDU routes failed      %d\n"
      "  total PDU routes not tested  %d\n"
      "  total Frames/Cells processed %d\n"
      "  total Frames/Cells dropped   %d\n"
      "  total Frames/Cells discarded %d\n"
      "  total Frames/Cells warnings  %d\n",
      c.pduPassed, c.pduFailed, c.pduWarnings, c.routesPassed, c.routesFailed, c.routesNotTested,
      c.framesProcessed, c.dropped, c.discarded, c.cellWarnings);
  writeLatencies();
  if (RunRecords* records = runRecords()) {
    records->summaries.write(*this);
  } else {
    SummaryFiles().write(*this);
  }
}

// One line per stream, in the order of receive device, receive port and
// stream; figures in host cycles, then in nanoseconds at the port's clock.
void CaptureStatistic::writeLatencies() noexcept {
  try {
    writeLatencyLines();
    writeStreamLines();
  } catch (const std::bad_alloc&) {
  }
}

std::vector<StreamTotals> CaptureStatistic::streamTotals() const {
  return corvel::streamTotals(_accounts, runRecords(), device(), port());
}

// Per stream the accounting, then the latency percentiles of its measured PDUs.
void CaptureStatistic::writeStreamLines() {
  for (const StreamTotals& row : streamTotals()) {
    _line.clear();
    appendf(_line, "  stream RxDevice %d RxPort %d Stream %d sent %llu received %llu lost %llu", row.id.rxDevice,
            row.id.rxPort, row.id.stream, static_cast<unsigned long long>(row.sent),
            static_cast<unsigned long long>(row.received), static_cast<unsigned long long>(row.lost));
    appendf(_line, " duplicated %llu out_of_order %llu\n", static_cast<unsigned long long>(row.duplicated),
            static_cast<unsigned long long>(row.outOfOrder));
    log().write(_line);
  }
  for (const auto& [origin, latency] : _latencies) {
    const LatencyHistogram& h = latency.histogram();
    _line.clear();
    appendf(_line, "  percentiles RxDevice %d RxPort %d Stream %d PDUs %llu", origin.rxDevice, origin.rxPort,
            origin.stream, static_cast<unsigned long long>(h.count()));
    appendf(_line, " cycles p50 %u p90 %u p99 %u p99.9 %u max %u", h.percentile(0.5), h.percentile(0.9),
            h.percentile(0.99), h.percentile(0.999), h.maximum());
    if (_busFrequencyMhz > 0) {
      const int32_t mhz = _busFrequencyMhz;
      appendf(_line, " ns p50 %.3f p90 %.3f p99 %.3f p99.9 %.3f max %.3f", cyclesToNanoseconds(h.percentile(0.5), mhz),
              cyclesToNanoseconds(h.percentile(0.9), mhz), cyclesToNanoseconds(h.percentile(0.99), mhz),
              cyclesToNanoseconds(h.percentile(0.999), mhz), cyclesToNanoseconds(h.maximum(), mhz));
    }
    _line += "\n";
    log().write(_line);
  }
}

void CaptureStatistic::writeLatencyLines() {
  for (const auto& [origin, latency] : _latencies) {
    _line.clear();
    appendf(_line, "  latency RxDevice %d RxPort %d Stream %d PDUs %llu", origin.rxDevice, origin.rxPort,
            origin.stream, static_cast<unsigned long long>(latency.count()));
    appendf(_line, " cycles min %u mean %.3f max %u jitter %.3f", latency.minimum(), latency.mean(),
            latency.maximum(), latency.jitter());
    if (_busFrequencyMhz > 0) {
      const int32_t mhz = _busFrequencyMhz;
      appendf(_line, " ns min %.3f mean %.3f max %.3f jitter %.3f", cyclesToNanoseconds(latency.minimum(), mhz),
              cyclesToNanoseconds(latency.mean(), mhz), cyclesToNanoseconds(latency.maximum(), mhz),
              cyclesToNanoseconds(latency.jitter(), mhz));
    }
    _line += "\n";
    log().write(_line);
  }
}

}  // namespace corvel
