// The decapsulator chain of one capture stream: a verifier per layer of the
// stream's stack, payload first and datalink last. It verifies a PDU taken
// out of the datalink layer from the layer just inside the datalink inwards,
// each layer handing on the payload it delimits.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "corvel/protocols/decapsulator.h"

namespace corvel {

class ProtocolStack;

class StreamParser {
 public:
  // Throws "Port first protocol is not a payload" or "Port last protocol is
  // not atm/ethernet/generic for defined capture." for a stack that cannot
  // be captured, and a text for a layer no verifier exists for.
  explicit StreamParser(const ProtocolStack& stack);
  ~StreamParser();
  StreamParser(const StreamParser&) = delete;
  StreamParser& operator=(const StreamParser&) = delete;

  const ProtocolStack& stack() const noexcept { return _stack; }
  ProtocolKind datalinkKind() const;
  // The kind of the layer just inside the datalink; nothing when that is
  // the payload.
  std::optional<ProtocolKind> innerKind() const;
  // The layer `depth` layers inside the datalink (0: just inside); null for
  // the payload and beyond.
  const Decapsulator* inner(size_t depth) const;
  // The datalink layer's own decapsulator.
  DatalinkDecapsulator& datalink() const;

  // Verifies the PDU's inner layers. Throws the first size error, or the
  // first header (the datalink's in `context.frame` included) that names
  // another protocol for the layer inside it than the stack has.
  void verify(const CapturedStreamPdu& pdu, VerifyContext& context) const;

  // Whether a layer of the stream compares content (validate level 3).
  bool checksContent() const noexcept { return _checksContent; }
  // Compares the layers `walked` found in the PDU it verified last (a parser
  // of a stack of the same structure, this one included) with this stream's
  // expectations, outer layers first. With `text` given, the differences are
  // written there.
  ContentTally compareContent(const StreamParser& walked, std::string* text) const;

 private:
  const ProtocolStack& _stack;
  std::vector<std::unique_ptr<Decapsulator>> _chain;
  // The bytes of every layer of the PDU verified last, in chain order (the
  // datalink's frame last); valid while the PDU and its frame live.
  mutable std::vector<ByteView> _seen;
  bool _checksContent = false;
  bool _emptyPayloadAllowed = false;
};

// The decapsulator of one configuration.
std::unique_ptr<Decapsulator> makeDecapsulator(const ProtocolConfig& config);

}  // namespace corvel
