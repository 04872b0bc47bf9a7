// One frame ready to send on a receive port: its bytes, where it came from
// (stream, PDU, fragment) and the bookkeeping the port generator keeps while
// it hands the bytes out. Frames of one PDU share the PDU buffer.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "corvel/protocols/protocol_config.h"

namespace corvel {

enum GeneratedFrameKind : int32_t {
  enFrameIdle = 0,          // a gap: no bytes
  enFrameNew = 1,           // built by a frame builder, not yet handed out
  enFrameData = 2,          // a data frame as the stream distribution hands it on
  enFrameEndOfTraffic = 3,  // the port has nothing more to send
};

// Where a data frame's bytes come from within its stream.
struct FrameOrigin {
  ProtocolKind datalinkKind = ProtocolKind::Generic;
  int32_t streamIndex = 0;
  int32_t callerValue = 0;            // handed through by the frame builder's caller: the PDU number
  int32_t fragmentPayloadLength = 0;  // bytes of the PDU inside this frame
  int32_t fragmentNumber = 1;         // 1-based
  int32_t fragmentCount = 1;
  int32_t pduOffset = 0;              // position of those bytes within the PDU
};

class GeneratedStreamFrame {
 public:
  // A frame without bytes: idle or end of traffic.
  explicit GeneratedStreamFrame(GeneratedFrameKind kind = enFrameIdle) : _kind(kind) {}
  // A data frame of a PDU; `pdu` may be null (a frame that carries no PDU).
  GeneratedStreamFrame(GeneratedFrameKind kind, std::vector<uint8_t> data, const FrameOrigin& origin,
                       std::shared_ptr<const uint8_t[]> pdu, int32_t pduSize);

  GeneratedFrameKind kind() const { return _kind; }
  void setKind(GeneratedFrameKind kind) { _kind = kind; }

  std::span<const uint8_t> data() const { return _data; }
  int32_t length() const { return static_cast<int32_t>(_data.size()); }

  const FrameOrigin& origin() const { return _origin; }
  ProtocolKind datalinkKind() const { return _origin.datalinkKind; }
  int32_t streamNumber() const { return _origin.streamIndex; }
  int32_t pduNumber() const { return _origin.callerValue; }
  int32_t fragmentNumber() const { return _origin.fragmentNumber; }
  int32_t fragmentCount() const { return _origin.fragmentCount; }
  // First and last frame of its PDU.
  bool isFirst() const { return _origin.fragmentNumber == 1; }
  bool isLast() const { return _origin.fragmentNumber == _origin.fragmentCount; }

  // The whole PDU the frame belongs to (empty when it carries none).
  std::span<const uint8_t> pdu() const;
  const std::shared_ptr<const uint8_t[]>& sharedPdu() const { return _pdu; }

  // Port-generator bookkeeping.
  bool started() const { return _started; }
  void setStarted(bool started) { _started = started; }
  uint32_t cycle() const { return _cycle; }
  void setCycle(uint32_t cycle) { _cycle = cycle; }
  uint32_t endCycle() const { return _endCycle; }
  void setEndCycle(uint32_t cycle) { _endCycle = cycle; }

 private:
  GeneratedFrameKind _kind;
  bool _started = false;
  std::vector<uint8_t> _data;
  FrameOrigin _origin;
  std::shared_ptr<const uint8_t[]> _pdu;
  int32_t _pduSize = 0;
  uint32_t _cycle = 0;
  uint32_t _endCycle = 0;
};

using GeneratedFrameList = std::vector<GeneratedStreamFrame>;

}  // namespace corvel
