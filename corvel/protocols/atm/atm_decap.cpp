#include "corvel/protocols/atm/atm_decap.h"

#include <algorithm>

#include "corvel/protocols/atm/atm.h"

namespace corvel {

CellDecapsulator::CellDecapsulator(const ProtocolConfig& config, std::string name, std::string warningPrefix,
                                   int32_t cellHeader, EmptyCellTexts texts)
    : DatalinkDecapsulator(config, std::move(name), std::move(warningPrefix)),
      _cellHeader(cellHeader),
      _texts(texts) {}

void CellDecapsulator::parseHeader(CapturedStreamFrame& frame, VerifyReport& /*report*/) {
  frame.protocolType = static_cast<int32_t>(kind());
  frame.headerSize = _cellHeader;
  frame.trailerSize = 0;
  const ByteView cell(frame.data);
  if (!cell.holds(0, static_cast<size_t>(_cellHeader))) {
    frame.connection = kUnreadableConnection;
    frame.endsPdu = true;
    return;
  }
  frame.connection = connectionOf(cell);
  frame.endsPdu = endsPdu(cell);
}

int32_t CellDecapsulator::verify(ByteView cell, VerifyContext& context) {
  const auto header = static_cast<size_t>(_cellHeader);
  if (cell.bytes().data() == nullptr && cell.empty()) fail(_texts.nullPointer);
  if (cell.empty()) fail(_texts.noData);
  if (cell.size() < header) fail("not enough allocated memory to contain header");
  // A cell always carries a whole cell payload: anything shorter is a runt.
  if (cell.size() < header + kCellPayload) fail("no payload exists");
  if (cell.size() > header + kCellPayload) fail("we have more data other than the header and payload");
  _headerSize = _cellHeader;
  _trailerSize = 0;
  if (warningsOn(context)) checkFields(cell, context);
  return kCellPayload;
}

void CellDecapsulator::extractPdu(VerifyContext& context, CapturedStreamPdu& pdu) {
  // The cells of one PDU usually share their header: a field warning is
  // reported once for the PDU, not once per cell.
  VerifyReport cellReport;
  VerifyContext cellContext = context;
  cellContext.report = context.report != nullptr ? &cellReport : nullptr;
  const FrameQueue& held = currentQueue();
  for (size_t i = 0; i < held.size(); ++i) verify(ByteView(held[i].data), cellContext);
  if (context.report != nullptr) {
    auto& warnings = context.report->warnings;
    for (auto& warning : cellReport.warnings)
      if (std::find(warnings.begin(), warnings.end(), warning) == warnings.end()) warnings.push_back(warning);
  }

  const FrameQueue& cells = takeCurrent();
  if (cells.empty()) fail(_texts.noData);
  pdu.clear();
  pdu.data.reserve(cells.size() * kCellPayload);
  for (size_t i = 0; i < cells.size(); ++i) {
    const auto payload = cells[i].data.begin() + _cellHeader;
    pdu.data.insert(pdu.data.end(), payload, payload + kCellPayload);
    pdu.carriedBytes += static_cast<int32_t>(cells[i].data.size());
  }
  pdu.frameCount = static_cast<int32_t>(cells.size());
  pdu.discardedHeader = _cellHeader * pdu.frameCount;
  pdu.firstCycle = cells.front().firstCycle;
  pdu.lastCycle = cells.back().lastCycle;
  // Cells are never padded behind the PDU: padding up to the cell boundary
  // belongs to the AAL5 layer, which checks it itself.
  pdu.padded = false;
  context.padded = false;
}

// ---- ATM ----------------------------------------------------------------

AtmDecapsulator::AtmDecapsulator(const ProtocolConfig& config)
    : CellDecapsulator(config, "Atm", "Atm warning, ", AtmWire::kSize,
                       {"data pointer is null", "no space allocated to data pointer"}) {}

uint64_t AtmDecapsulator::connectionOf(ByteView cell) const {
  return cell.value(AtmWire::kVpi) << 16 | cell.value(AtmWire::kVci);
}

bool AtmDecapsulator::endsPdu(ByteView cell) const { return cell.value(AtmWire::kEndOfPdu) == 1; }

}  // namespace corvel
