// A stage of a port's byte pipeline. On a transmit port the capture moves
// what arrives through three lists of stages: every byte (byte log, frame
// assembly), every whole frame (datalink parsing, datalink policing, PDU
// assembly and verification; the frame is the port's own record, valid
// during the call) and every whole PDU (PDU policing). A receive
// port's byte log is a byte stage too. A stage overrides the slots it uses.
#pragma once

#include <cstdint>

namespace corvel {

struct CapturedStreamFrame;
struct CapturedStreamPdu;

class CaptureIntf {
 public:
  virtual ~CaptureIntf() = default;
  // One byte with the host cycle value and the end-of-frame flag.
  virtual void OnByte(const uint8_t& /*byte*/, uint32_t /*cycle*/, uint8_t /*endOfFrame*/) {}
  virtual void OnFrame(const CapturedStreamFrame& /*frame*/, uint32_t /*cycle*/) {}
  virtual void OnPdu(CapturedStreamPdu& /*pdu*/, uint32_t /*cycle*/) {}
  virtual void Start() {}
  virtual void Stop() {}
};

}  // namespace corvel
