// One frame ready to send on a receive port: its bytes, where it came from
// (stream, PDU, fragment) and the bookkeeping the port generator keeps while
// it hands the bytes out.
//
// A frame's bytes live in a storage block it shares with the other frames of
// its PDU and with the PDU itself; the block lives as long as any of them (or
// any copy of them) does. The bytes are never written through a frame, so
// copies share them safely. A frame builder may recycle a block for a later
// PDU once no frame refers to it any more.
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
  int32_t taggedPdu = -1;             // the PDU number of the payload tag; -1 without a whole tag
  // A replayed capture sent at its recorded pace: the distance of this record
  // and of the next one from the first record of the file, in nanoseconds
  // (-1: none; after a frame without a next record the port's gap rule
  // applies). The first record of every pass over the file starts its clock.
  int64_t recordedNs = -1;
  int64_t nextRecordedNs = -1;
  bool startsRecordedClock = false;
  int64_t taggedSequence = -1;        // the sequence number after the tag; -1 without one
};

// Bytes shared by the frames of one PDU.
using FrameStorage = std::shared_ptr<const uint8_t[]>;

class GeneratedStreamFrame {
 public:
  // A frame without bytes: idle or end of traffic.
  explicit GeneratedStreamFrame(GeneratedFrameKind kind = enFrameIdle) : _kind(kind) {}
  // A data frame owning `data`; `pdu` (may be null) is the PDU it belongs to.
  GeneratedStreamFrame(GeneratedFrameKind kind, std::vector<uint8_t> data, const FrameOrigin& origin,
                       std::shared_ptr<const uint8_t[]> pdu, int32_t pduSize);
  // A data frame whose bytes `data` and PDU `pdu` (may be empty) both lie
  // inside `storage`.
  GeneratedStreamFrame(GeneratedFrameKind kind, FrameStorage storage, std::span<const uint8_t> data,
                       const FrameOrigin& origin, std::span<const uint8_t> pdu);

  GeneratedFrameKind kind() const { return _kind; }
  void setKind(GeneratedFrameKind kind) { _kind = kind; }

  std::span<const uint8_t> data() const { return {_data, _length}; }
  int32_t length() const { return static_cast<int32_t>(_length); }

  const FrameOrigin& origin() const { return _origin; }
  ProtocolKind datalinkKind() const { return _origin.datalinkKind; }
  int32_t streamNumber() const { return _origin.streamIndex; }
  int32_t pduNumber() const { return _origin.callerValue; }
  int32_t fragmentNumber() const { return _origin.fragmentNumber; }
  int32_t fragmentCount() const { return _origin.fragmentCount; }
  int32_t taggedPdu() const { return _origin.taggedPdu; }
  int64_t taggedSequence() const { return _origin.taggedSequence; }
  // First and last frame of its PDU.
  bool isFirst() const { return _origin.fragmentNumber == 1; }
  bool isLast() const { return _origin.fragmentNumber == _origin.fragmentCount; }

  // The whole PDU the frame belongs to (empty when it carries none).
  std::span<const uint8_t> pdu() const { return {_pdu, _pduSize}; }
  // The PDU as a pointer that keeps it alive (null when the frame carries
  // none); equal for all frames of one PDU.
  std::shared_ptr<const uint8_t[]> sharedPdu() const;

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
  FrameStorage _storage;  // keeps `_data` and `_pdu` alive
  const uint8_t* _data = nullptr;
  size_t _length = 0;
  const uint8_t* _pdu = nullptr;
  size_t _pduSize = 0;
  FrameOrigin _origin;
  uint32_t _cycle = 0;
  uint32_t _endCycle = 0;
};

using GeneratedFrameList = std::vector<GeneratedStreamFrame>;

}  // namespace corvel
