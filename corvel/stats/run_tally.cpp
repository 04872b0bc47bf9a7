#include "corvel/stats/run_tally.h"

#include <new>

#include "corvel/police/policing.h"
#include "corvel/protocols/generated_stream_frame.h"
#include "corvel/stats/event.h"
#include "corvel/stats/pdu_latency.h"

namespace corvel {

RunTally::RunTally(const PortIdentity& port, bool configured, int32_t streams, RunRecords* records)
    : _records(records) {
  _figures.direction = port.direction;
  _figures.device = port.device;
  _figures.port = port.port;
  _figures.busFrequencyMhz = port.clockMhz;
  _figures.configured = configured;
  _figures.streams = streams;
}

RunTally::~RunTally() = default;

PortFigures RunTally::reportFigures() const {
  PortFigures figures = _figures;
  if (figures.direction == 0) figures.streamTotals = streamTotals(_accounts, _records, figures.device, figures.port);
  return figures;
}

void RunTally::update(Event& event) {
  if (event.category() == enEventCategoryPolice) {
    policed(event);
    return;
  }
  // Warnings and errors are texts for the logs; the counts come from the
  // information events, as in the event logs.
  if (event.severity() != enEventSeverityInformation) return;
  if (_figures.direction == 1) generated(event);
  else captured(event);
}

void RunTally::generated(const Event& event) {
  if (event.kind() == enEventKindFrameProcessed) {
    ++_figures.framesGenerated;
    // A stream frame counts its PDU with its first frame; a cell port counts
    // the PDU when its last cell has gone (PDU generated).
    if (event.category() == enEventCategoryStream) {
      const auto* stream = dynamic_cast<const StreamEvent*>(&event);
      if (stream && stream->frame() && stream->frame()->isFirst()) ++_figures.pdusGenerated;
    }
  } else if (event.kind() == enEventKindPduGenerated && event.category() == enEventCategoryPort) {
    ++_figures.pdusGenerated;
  }
}

void RunTally::captured(Event& event) {
  CaptureFigures& c = _figures.capture;
  if (event.category() == enEventCategoryPort) {
    switch (event.kind()) {
      case enEventKindFrameProcessed: ++c.framesProcessed; break;
      case enEventKindFrameDiscarded: ++c.framesDiscarded; break;
      case enEventKindFrameDropped: ++c.framesDropped; break;
      default: break;
    }
    return;
  }
  if (event.category() != enEventCategoryStream) return;
  auto* stream = dynamic_cast<StreamEvent*>(&event);
  switch (event.kind()) {
    case enEventKindPduPassed: {
      ++c.pduPassed;
      const int32_t route = stream && stream->identity() ? stream->identity()->routeStatus : enRouteNotTested;
      if (route == enRouteFailed) ++c.routesFailed;
      else if (route == enRoutePassed) ++c.routesPassed;
      else ++c.routesNotTested;
      c.pduWarnings += static_cast<int64_t>(event.warningCount());
      if (!stream) break;
      accountPdu(*stream, _records, _accounts);
      StreamId origin;
      if (const std::optional<uint32_t> latency = pduLatency(*stream, _records, origin)) {
        try {
          _figures.latencies[origin].add(*latency);
        } catch (const std::bad_alloc&) {
        }
      }
      break;
    }
    case enEventKindPduFailed:
      ++c.pduFailed;
      ++c.routesNotTested;
      break;
    case enEventKindFrameParsed: c.frameWarnings += static_cast<int64_t>(event.warningCount()); break;
    default: break;
  }
}

void RunTally::policed(const Event& event) {
  PoliceColours& colours = _figures.police;
  switch (event.kind()) {
    case enEventKindFrameNotPoliced:
    case enEventKindPduNotPoliced: ++colours.notAssigned; break;
    case enEventKindFramePoliced:
    case enEventKindPduPoliced: {
      const auto* police = dynamic_cast<const QosPoliceEvent*>(&event);
      const Policing* policer = police ? police->police() : nullptr;
      if (!policer) break;
      if (!policer->lastDecision()) ++colours.red;
      else if (policer->isTokenBucket() && policer->lastFlagA()) ++colours.yellow;
      else ++colours.green;
      break;
    }
    default: break;
  }
}

}  // namespace corvel
