// A capture of one stream, driven as a transmit port drives it: each frame
// (cell) has its datalink header parsed and is held by the datalink layer;
// a frame that completes a PDU has the PDU extracted and verified layer by
// layer, and on failure the connection's held frames are released.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "../encap/encap_support.h"
#include "corvel/protocols/payload/payload_config.h"
#include "corvel/protocols/stream_parser.h"

namespace corvel::test {

using Warnings = std::vector<std::pair<std::string, std::string>>;

struct PduOutcome {
  std::string error;  // empty when the PDU passed
  Warnings warnings;
  std::optional<IdentityRecord> identity;
  CapturedStreamPdu pdu;
};

class CellCapture {
 public:
  explicit CellCapture(const ProtocolStack& stack) : _stack(stack), _parser(_stack) {}

  // The outcome of the PDU the frame completes, if it completes one.
  std::optional<PduOutcome> frame(const Bytes& bytes, uint32_t cycle = 0) {
    PooledFrame frame = detachedFrame();
    frame->data = bytes;
    frame->firstCycle = cycle;
    frame->lastCycle = cycle + static_cast<uint32_t>(bytes.size());
    DatalinkDecapsulator& datalink = _parser.datalink();
    VerifyReport cellReport;
    datalink.parseHeader(*frame, cellReport);
    discarded += datalink.takeFrame(std::move(frame));
    if (!datalink.isPduComplete()) return std::nullopt;
    PduOutcome outcome;
    VerifyReport report;
    VerifyContext context;
    context.report = &report;
    context.port = 1;  // the capturing port is device 0, port 1
    try {
      outcome.pdu = datalink.extractPdu(context);
      _parser.verify(outcome.pdu, context);
    } catch (const TextError& error) {
      discarded += datalink.releaseCurrent();
      outcome.error = error.text();
    }
    outcome.warnings = std::move(report.warnings);
    outcome.identity = report.identity;
    return outcome;
  }

  std::vector<PduOutcome> frames(const std::vector<Bytes>& all) {
    std::vector<PduOutcome> outcomes;
    for (const Bytes& bytes : all)
      if (auto outcome = frame(bytes)) outcomes.push_back(std::move(*outcome));
    return outcomes;
  }

  size_t held() const { return _parser.datalink().heldFrames(); }
  size_t discarded = 0;  // frames released without forming a PDU

 private:
  ProtocolStack _stack;
  StreamParser _parser;
};

// The frames (cells) of the builder's next PDU.
inline std::vector<Bytes> nextFrames(DataGenerator& builder) {
  std::vector<Bytes> frames;
  for (const GeneratedStreamFrame& frame : builder.generate(1)) frames.push_back(bytesOf(frame.data()));
  return frames;
}

// A payload tagged for device 0, port 1; ten PDUs of each size.
inline FixedPayloadConfig taggedPayload(const char* sizes) {
  FixedPayloadConfig payload(sizes, 10);
  payload.setTxPort(0, 1);
  return payload;
}

// The tag of the builder's stream 0 (generated at device 0, port 3) decoded.
// PDUs are numbered within an iteration of the sizes: one size is PDU 1.
inline std::array<int32_t, 8> identityOf(const std::optional<IdentityRecord>& r) {
  if (!r) return {};
  return {r->txDevice, r->txPort, r->rxDevice, r->rxPort, r->stream, r->pdu, r->spare, r->routeStatus};
}
inline constexpr std::array<int32_t, 8> kFirstPduIdentity = {0, 1, 0, 3, 0, 1, -1, enRoutePassed};

}  // namespace corvel::test
