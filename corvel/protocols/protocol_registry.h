// The one table of protocols: for every protocol kind its TCS element name,
// its header fields, and the factories of its encapsulator and decapsulator.
// The frame builder, the capture chain and the field look-ups all find a
// protocol here; the TCS readers keep their own table keyed by the same kind
// (corvel/tcs/tcs_protocol_readers.h), since readers live above this folder.
#pragma once

#include <memory>
#include <span>
#include <string_view>

#include "corvel/protocols/protocol_config.h"

namespace corvel {

class Decapsulator;
class Encapsulator;

using EncapsulatorFactory = std::unique_ptr<Encapsulator> (*)(const ProtocolConfig& config, bool computeCrc);
using DecapsulatorFactory = std::unique_ptr<Decapsulator> (*)(const ProtocolConfig& config);

struct ProtocolRegistration {
  ProtocolKind kind;
  std::string_view element;  // the TCS element that configures it
  FieldTable fields;         // empty for a layer without fixed header fields
  EncapsulatorFactory makeEncapsulator;
  DecapsulatorFactory makeDecapsulator;
  // A capture stream may end in this layer (it delimits frames on a port).
  bool capturableDatalink = false;
};

// Every registered protocol, in kind order.
std::span<const ProtocolRegistration> protocolRegistrations() noexcept;

// The row of `kind`, or null for a number that names no protocol.
const ProtocolRegistration* findRegistration(ProtocolKind kind) noexcept;

// The header fields of `kind`; empty for an unknown kind.
FieldTable fieldsOf(ProtocolKind kind) noexcept;

}  // namespace corvel
