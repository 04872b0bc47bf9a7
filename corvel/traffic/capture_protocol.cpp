#include "corvel/traffic/capture_protocol.h"

#include <algorithm>

#include "corvel/base/text_error.h"
#include "corvel/protocols/decapsulator.h"
#include "corvel/protocols/protocol_stack.h"
#include "corvel/protocols/stream_parser.h"
#include "corvel/stats/event.h"
#include "corvel/traffic/datalink_parser.h"
#include "corvel/traffic/port_config.h"
#include "corvel/traffic/port_traffic.h"

namespace corvel {

CaptureProtocol::CaptureProtocol(PortTraffic& port, DatalinkParser& datalinkParser)
    : _port(port), _datalinkParser(datalinkParser) {}

CaptureProtocol::~CaptureProtocol() {
  // Frames that never completed a PDU are announced before they go.
  if (DatalinkDecapsulator* datalink = _datalinkParser.datalink()) {
    announceDiscarded(_port, datalink->releaseAll());
    _datalinkParser.setDatalink(nullptr);
  }
}

void CaptureProtocol::setConfiguration(const PortConfig& config) {
  if (_config) _port.announceError("Port configuration rejected, port has already been configured");
  _config = std::make_unique<PortConfig>(config);
}

void CaptureProtocol::addStream(const ProtocolStack& stack, std::string key) {
  for (const Stream& stream : _streams) {
    if (stream.key == key) _port.announceError("duplicate protocol stack");
  }
  auto copy = std::make_unique<ProtocolStack>(stack);
  // Streams are walked in key order.
  auto at = std::find_if(_streams.begin(), _streams.end(), [&](const Stream& s) { return key < s.key; });
  _streams.insert(at, Stream{std::move(key), std::move(copy), nullptr, {}, false});
}

void CaptureProtocol::initialize() {
  if (_streams.empty()) {
    _port.announceText(enEventSeverityWarning, "Port has no StreamConfig added");
    return;
  }
  if (!_config) {
    _config = std::make_unique<PortConfig>(0);
    _config->setDevice(_port.device());
    _config->setPort(_port.port());
  }
  if (!_port.pduLogFileName().empty()) _pduLog.open(_port.pduLogFileName());
  for (Stream& stream : _streams) {
    try {
      stream.parser = std::make_unique<StreamParser>(*stream.stack);
    } catch (const TextError& error) {
      _port.announceError(error.text());
    }
    // Every stream of a port must arrive on the same kind of datalink.
    if (stream.parser->datalinkKind() != _streams.front().parser->datalinkKind())
      _port.announceError("Port unabled to instantiate StreamParser");
  }
  _datalinkParser.setDatalink(&_streams.front().parser->datalink());
  for (Stream& stream : _streams) {
    for (size_t other = 0; other < _streams.size(); ++other) {
      if (_streams[other].stack->signature() != stream.stack->signature()) continue;
      stream.alike.push_back(other);
      stream.contentChecked = stream.contentChecked || _streams[other].parser->checksContent();
    }
  }
}

size_t CaptureProtocol::streamOf(const StreamParser& parser) const {
  for (size_t i = 0; i < _streams.size(); ++i)
    if (_streams[i].parser.get() == &parser) return i;
  return 0;
}

namespace {

// A stream as a failure line names it: its set, and its place in the set
// when that is not the first.
std::string streamLabel(const std::string& key) {
  const size_t mark = key.rfind('#');
  if (mark == std::string::npos) return key;
  size_t digits = mark + 1;
  while (digits < key.size() && key[digits] == '0') ++digits;
  if (digits == key.size()) return key.substr(0, mark);
  return key.substr(0, mark) + "#" + key.substr(digits);
}

}  // namespace

std::optional<size_t> CaptureProtocol::matchContent(const StreamParser& walked, const std::vector<size_t>& group,
                                                    std::string& text) const {
  size_t closest = group.front();
  int32_t mostMatched = -1;
  for (size_t index : group) {
    const ContentTally tally = _streams[index].parser->compareContent(walked, nullptr);
    if (tally.differing == 0) return index;
    if (tally.matched() > mostMatched) {
      mostMatched = tally.matched();
      closest = index;
    }
  }
  _streams[closest].parser->compareContent(walked, &text);
  if (group.size() > 1) text.append(" (closest stream ").append(streamLabel(_streams[closest].key)).append(")");
  return std::nullopt;
}

const StreamParser& CaptureProtocol::chooseParser() const {
  if (_streams.size() == 1) return *_streams.front().parser;
  // Verification does not depend on header values: streams built alike (a
  // loop over table entries) are all verified by the first of them.
  auto sameStructure = [](const std::vector<const StreamParser*>& parsers) {
    return std::all_of(parsers.begin(), parsers.end(), [&](const StreamParser* p) {
      return p->stack().signature() == parsers.front()->stack().signature();
    });
  };
  std::vector<const StreamParser*> candidates;
  for (const Stream& stream : _streams) candidates.push_back(stream.parser.get());
  const DatalinkDecapsulator* datalink = _datalinkParser.datalink();
  const CapturedStreamFrame* frame = datalink ? datalink->lastFrame() : nullptr;
  ByteView layer = frame ? ByteView(frame->data) : ByteView();
  std::optional<ProtocolKind> access = frame ? datalink->serviceAccessProtocol(layer) : std::nullopt;
  if (!access) {
    if (sameStructure(candidates)) return *candidates.front();
    throw TextError("no service access protocol recorded");
  }
  if (frame) layer = layer.from(static_cast<size_t>(std::max(frame->headerSize, 0)));
  // Layer by layer inwards: keep the streams whose layer is of the kind the
  // header outside it names (EtherType, then IP protocol), until one
  // structure is left.
  for (size_t depth = 0;; ++depth) {
    std::vector<const StreamParser*> matches;
    for (const StreamParser* parser : candidates) {
      const Decapsulator* at = parser->inner(depth);
      if (at && at->kind() == *access) matches.push_back(parser);
    }
    if (matches.empty()) throw TextError("no matches");
    if (sameStructure(matches)) return *matches.front();
    const Decapsulator* at = matches.front()->inner(depth);
    access = at->serviceAccessProtocol(layer);
    if (!access) throw TextError("We have no implementation to support this parser");
    layer = layer.from(static_cast<size_t>(std::max(at->config().headerLength(), 0)));
    candidates = std::move(matches);
  }
}

void CaptureProtocol::discardCurrent() {
  if (DatalinkDecapsulator* datalink = _datalinkParser.datalink())
    announceDiscarded(_port, datalink->releaseCurrent());
}

void CaptureProtocol::OnFrame(const CapturedStreamFrame& frame, uint32_t /*cycle*/) {
  DatalinkDecapsulator* datalink = _datalinkParser.datalink();
  if (!datalink || !datalink->isPduComplete()) return;
  _finished = false;
  const StreamParser* parser = nullptr;
  try {
    parser = &chooseParser();
  } catch (const TextError&) {
    // The PDU cannot be placed: its frames go, so the next PDU starts clean.
    discardCurrent();
    throw;
  }
  StreamEvent event(_port.identity(), enEventKindPduFailed, -1, -1);
  VerifyReport report;
  VerifyContext context;
  context.report = &report;
  context.device = _port.device();
  context.port = _port.port();
  context.frame = ByteView(frame.data);
  CapturedStreamPdu& pdu = _pdu;
  pdu.clear();
  bool extracted = false;
  try {
    datalink->extractPdu(context, pdu);
    extracted = true;
    event.setPduEndCycle(pdu.lastCycle);
    const VerifyContext extractedContext = context;
    const size_t datalinkWarnings = report.warnings.size();
    parser->verify(pdu, context);
    const Stream& chosen = _streams[streamOf(*parser)];
    if (chosen.contentChecked) {
      std::string differences;
      const std::optional<size_t> owner = matchContent(*parser, chosen.alike, differences);
      if (!owner) throw TextError(differences);
      if (_streams[*owner].parser.get() != parser) {
        // The PDU is the owner's: its layers verify it once more, with the
        // owner's levels and payload tag.
        parser = _streams[*owner].parser.get();
        report.warnings.resize(datalinkWarnings);
        report.identity.reset();
        context = extractedContext;
        parser->verify(pdu, context);
      }
    }
    event.setKind(enEventKindPduPassed);
  } catch (const TextError& error) {
    if (!extracted) pdu.clear();  // a PDU that could not be taken out is empty
    discardCurrent();
    event.setKind(enEventKindPduFailed);
    event.setText(error.text());
  }
  for (auto& [prefix, text] : report.warnings) event.addWarning(prefix, text);
  event.setIdentity(report.identity);
  pdu.identity = report.identity;
  // Each layer starts where the header of the one around it ends, as the
  // verification just walked them.
  size_t offset = 0;
  for (size_t depth = 0; const Decapsulator* layer = parser->inner(depth); ++depth) {
    pdu.layerTypes.push_back(static_cast<int32_t>(layer->kind()));
    pdu.layerOffsets.push_back(offset);
    offset += static_cast<size_t>(std::max(layer->headerSize(), 0));
  }
  if (_pduLog.isOpen() && !pdu.data.empty()) {
    _pduLine.clear();
    appendHex(_pduLine, pdu.data.data(), pdu.data.size());
    _pduLine.push_back('\n');
    _pduLog.write(_pduLine);
  }
  _port.announce(event);
  _finished = true;
}

void CaptureProtocol::OnPdu(CapturedStreamPdu& /*pdu*/, uint32_t /*cycle*/) { _finished = false; }

void CaptureProtocol::Stop() { _pduLog.close(); }

}  // namespace corvel
