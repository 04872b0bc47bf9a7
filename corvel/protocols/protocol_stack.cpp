#include "corvel/protocols/protocol_stack.h"

#include <utility>

#include "corvel/base/text_error.h"

namespace corvel {

ProtocolStack::ProtocolStack(std::string_view name) : _name(name) {}

ProtocolStack::ProtocolStack(const ProtocolStack& other)
    : _name(other._name), _streamFields(other._streamFields) {
  _streamFields[2] = 0;
  for (const auto& config : other._protocols) addProtocol(*config);
}

ProtocolStack& ProtocolStack::operator=(const ProtocolStack& other) {
  if (this != &other) {
    ProtocolStack copy(other);
    *this = std::move(copy);
  }
  return *this;
}

ProtocolStack::~ProtocolStack() = default;

void ProtocolStack::addProtocol(const ProtocolConfig& config) {
  if (_protocols.empty()) {
    if (config.kind() != ProtocolKind::Payload) {
      throw TextError("Error, the first protocol must be a payload");
    }
  } else if (!config.acceptsInner(*_protocols.back())) {
    throw TextError("Error, the new protocol does not support the last protocol.");
  }
  _protocols.push_back(config.clone());
  if (_protocols.size() > 1) _signature += ',';
  _signature += std::to_string(static_cast<int32_t>(config.kind()));
}

}  // namespace corvel
