// The cell datalinks: ATM cells (4-byte header, no HEC) and DSLAM cells
// (a 4-byte DSLAM tag in front of the ATM cell header), each carrying 48
// payload bytes. Cells are held per connection until one arrives with the
// end-of-PDU indication of the ATM payload type (ITU-T I.363.5 uses it to
// mark the last cell of an AAL5 CPCS-PDU); the PDU is then the concatenated
// payloads of that connection's cells, in arrival order.
#pragma once

#include "corvel/protocols/decapsulator.h"

namespace corvel {

class CellDecapsulator : public DatalinkDecapsulator {
 public:
  static constexpr int32_t kCellPayload = 48;
  // The connection of a cell too short to name one. Such a cell ends its
  // own PDU at once, so it fails alone and leaves the real connections be.
  static constexpr uint64_t kUnreadableConnection = uint64_t{1} << 40;

  void parseHeader(CapturedStreamFrame& frame, VerifyReport& report) override;
  // Checks the layout of every held cell of the connection before taking
  // them, so a failed PDU leaves its cells held to be released as discarded.
  using DatalinkDecapsulator::extractPdu;
  void extractPdu(VerifyContext& context, CapturedStreamPdu& pdu) override;
  // The layout of one cell: header, then exactly one cell payload.
  int32_t verify(ByteView cell, VerifyContext& context) override;

 protected:
  // The two texts the cell forms word differently.
  struct EmptyCellTexts {
    const char* nullPointer;
    const char* noData;
  };

  CellDecapsulator(const ProtocolConfig& config, std::string name, std::string warningPrefix,
                   int32_t cellHeader, EmptyCellTexts texts);

  // Read from a cell that holds its whole header.
  virtual uint64_t connectionOf(ByteView cell) const = 0;
  virtual bool endsPdu(ByteView cell) const = 0;
  // Field warnings of one cell whose layout is sound.
  virtual void checkFields(ByteView /*cell*/, VerifyContext& /*context*/) const {}

 private:
  int32_t _cellHeader;
  EmptyCellTexts _texts;
};

class AtmDecapsulator : public CellDecapsulator {
 public:
  explicit AtmDecapsulator(const ProtocolConfig& config);

 protected:
  uint64_t connectionOf(ByteView cell) const override;
  bool endsPdu(ByteView cell) const override;
};

}  // namespace corvel
