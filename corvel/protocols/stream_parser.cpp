#include "corvel/protocols/stream_parser.h"

#include <algorithm>
#include <string>

#include "corvel/base/text_error.h"
#include "corvel/protocols/payload/payload_config.h"
#include "corvel/protocols/protocol_registry.h"
#include "corvel/protocols/protocol_stack.h"

namespace corvel {

namespace {

bool capturableDatalink(ProtocolKind kind) {
  const ProtocolRegistration* registration = findRegistration(kind);
  return registration != nullptr && registration->capturableDatalink;
}

}  // namespace

std::unique_ptr<Decapsulator> makeDecapsulator(const ProtocolConfig& config) {
  const ProtocolRegistration* registration = findRegistration(config.kind());
  if (registration == nullptr || registration->makeDecapsulator == nullptr)
    throw TextError("no verifier for protocol kind " + std::to_string(static_cast<int32_t>(config.kind())));
  return registration->makeDecapsulator(config);
}

StreamParser::StreamParser(const ProtocolStack& stack) : _stack(stack) {
  if (stack.count() == 0 || stack.at(0).kind() != ProtocolKind::Payload)
    throw TextError("Port first protocol is not a payload");
  if (!capturableDatalink(stack.at(stack.count() - 1).kind()))
    throw TextError("Port last protocol is not atm/ethernet/generic for defined capture.");
  for (const auto& config : stack.protocols()) {
    _chain.push_back(makeDecapsulator(*config));
    _checksContent = _checksContent || config->checksContent();
  }
  _seen.resize(_chain.size());
  const auto* payload = dynamic_cast<const PayloadConfig*>(&stack.at(0));
  _emptyPayloadAllowed = payload && payload->allowsEmpty();
}

StreamParser::~StreamParser() = default;

ProtocolKind StreamParser::datalinkKind() const { return _chain.back()->kind(); }

std::optional<ProtocolKind> StreamParser::innerKind() const {
  if (_chain.size() < 3) return std::nullopt;
  return _chain[_chain.size() - 2]->kind();
}

const Decapsulator* StreamParser::inner(size_t depth) const {
  // The chain runs payload (0) to datalink (last); the payload is no layer here.
  if (depth + 2 >= _chain.size()) return nullptr;
  return _chain[_chain.size() - 2 - depth].get();
}

DatalinkDecapsulator& StreamParser::datalink() const { return static_cast<DatalinkDecapsulator&>(*_chain.back()); }

void StreamParser::verify(const CapturedStreamPdu& pdu, VerifyContext& context) const {
  ByteView layer(pdu.data);
  context.emptyPayloadAllowed = _emptyPayloadAllowed;
  std::fill(_seen.begin(), _seen.end(), ByteView());
  _seen.back() = context.frame;
  // A header that names another layer than the stack has fails as such,
  // before the layer inside is read as what it is not.
  if (_chain.size() >= 2) _chain.back()->checkInnerNamed(context.frame, _chain[_chain.size() - 2]->kind());
  for (size_t i = _chain.size() - 1; i-- > 0;) {
    Decapsulator& decapsulator = *_chain[i];
    _seen[i] = layer;
    const int32_t contextLayers = context.lengthsFromContext;
    const int32_t payload = decapsulator.verify(layer, context);
    if (contextLayers > 0) --context.lengthsFromContext;
    if (i > 0) decapsulator.checkInnerNamed(layer, _chain[i - 1]->kind());
    layer = layer.sub(static_cast<size_t>(decapsulator.headerSize()), static_cast<size_t>(payload));
  }
  // The payload: exactly the bytes the innermost header delimits.
  _seen.front() = layer;
}

ContentTally StreamParser::compareContent(const StreamParser& walked, std::string* text) const {
  ContentTally tally;
  if (!_checksContent || walked._seen.size() != _chain.size()) return tally;
  for (size_t i = _chain.size(); i-- > 0;) {
    if (_chain[i]->config().checksContent()) _chain[i]->compareContent(walked._seen[i], tally, text);
  }
  if (text != nullptr && tally.differing > kContentDifferencesShown) {
    text->append(" (and ")
        .append(std::to_string(tally.differing - kContentDifferencesShown))
        .append(" more differences)");
  }
  return tally;
}

}  // namespace corvel
