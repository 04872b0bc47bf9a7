// The readers of the TCS protocol elements, one row per element: the element
// name, the protocol kind it configures and its reader. A protocol's element
// name is its registration's (corvel/protocols/protocol_registry.h); only the
// payload forms, which share one kind, name their elements here. An element
// no row names is a custom protocol.
#pragma once

#include <span>
#include <string_view>

#include "corvel/tcs/tcs_protocol_reader.h"

namespace corvel {

using ListReader = ProtocolList (*)(TcsManager&, const ProtocolElement&);
// Appends the attributes the reader takes, in the order it reads them.
using AttributeDescriber = void (*)(AttributeDocs&);

struct ProtocolReaderEntry {
  ProtocolKind kind;
  ListReader read;
  AttributeDescriber describe;
  std::string_view ownElement = {};  // empty: the registration's element name

  std::string_view element() const noexcept;
};

// Every row, in the order element names are tried.
std::span<const ProtocolReaderEntry> protocolReaders() noexcept;

// The row of element `name`, or null.
const ProtocolReaderEntry* findProtocolReader(std::string_view name) noexcept;

// The reader of an element no row names.
ProtocolList readCustomProtocolElement(TcsManager& manager, const ProtocolElement& element);

}  // namespace corvel
