#include "corvel/stats/generator_statistic.h"

#include "corvel/protocols/generated_stream_frame.h"
#include "corvel/stats/event.h"
#include "corvel/stats/run_records.h"

namespace corvel {

namespace {

const char* stateText(int32_t kind) {
  switch (kind) {
    case enEventKindPortStart: return "start state\n";
    case enEventKindPortStop: return "stop state\n";
    case enEventKindPortPause: return "pause state\n";
    case enEventKindFrameProcessed: return "log stream packet\n";
    case enEventKindPortComplete: return "complete state\n";
    case enEventKindPortError: return "error state\n";
    default: return "unknown\n";
  }
}

}  // namespace

GeneratorStatistic::GeneratorStatistic(const PortIdentity& port, RunRecords* runRecords, const char* directory)
    : PortTrafficEventHandler(port, runRecords, directory, "RxEvents") {}

GeneratorStatistic::~GeneratorStatistic() = default;

void GeneratorStatistic::update(Event& event) {
  if (!hasFile()) return;
  const auto* stream = event.category() == enEventCategoryStream ? dynamic_cast<StreamEvent*>(&event) : nullptr;
  const int32_t streamNumber = stream ? stream->stream() : -1;
  const int32_t pduNumber = stream ? stream->pdu() : -1;

  if (event.severity() == enEventSeverityWarning || event.severity() == enEventSeverityError) {
    const char* mark = event.severity() == enEventSeverityWarning ? "[w]" : "[e]";
    if (event.category() == enEventCategoryStream) {
      log().printf("Stream %d Rx Device %d Port %d %s %s\n", streamNumber, device(), port(), mark,
                   event.text().c_str());
    } else if (event.category() == enEventCategoryPort) {
      log().printf("Rx Device %d Port %d %s %s\n", device(), port(), mark, event.text().c_str());
    }
    return;
  }
  if (event.severity() != enEventSeverityInformation) return;

  if (event.category() == enEventCategoryStream) {
    log().printf("Rx Device %d Port %d Stream %d Pdu %d %s", device(), port(), streamNumber, pduNumber,
                 stateText(event.kind()));
    // A frame sent; the first frame of a PDU also counts the PDU.
    if (event.kind() == enEventKindFrameProcessed) {
      ++_frames;
      if (stream && stream->frame() && stream->frame()->isFirst()) ++_pdus;
    }
  } else if (event.category() == enEventCategoryPort) {
    if (event.kind() == enEventKindFrameProcessed) {
      ++_cellsOfPdu;
      ++_frames;
      log().printf("Rx Device %d Port %d Stream %d Pdu %d [s] Cell %d\n", device(), port(), -1, -1,
                   _cellsOfPdu);
    } else if (event.kind() == enEventKindPduGenerated) {
      log().printf("Rx Device %d Port %d Stream %d Pdu %d [s] Pdu contained %d cell(s)\n", device(), port(),
                   -1, -1, _cellsOfPdu);
      ++_pdus;
      _cellsOfPdu = 0;
    }
  }
}

void GeneratorStatistic::writeSummary(std::optional<uint64_t> flippedBits) {
  if (!hasFile()) return;
  log().printf("Generation stopped:\n  totalPDUs   processed %d\n  totalFrames/Cells processed %d\n", _pdus,
               _frames);
  if (flippedBits) log().printf("  totalBits   flipped   %llu\n", static_cast<unsigned long long>(*flippedBits));
  if (RunRecords* records = runRecords()) {
    records->summaries.write(*this, flippedBits);
  } else {
    SummaryFiles().write(*this, flippedBits);
  }
}

}  // namespace corvel
