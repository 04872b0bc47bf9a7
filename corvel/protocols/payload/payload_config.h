// Payload configurations: the innermost layer of every stream. Each says how
// large successive payloads are and how many times the size sequence repeats.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "corvel/protocols/protocol_config.h"

namespace corvel {

enum class PayloadKind : int32_t {
  Fixed = 0,
  Increment = 1,
  Random = 2,
  ContextState = 3,
  WorkbenchLog = 4,
  PcapStream = 5,
};

// The largest payload any configuration accepts.
constexpr int32_t kMaxPayloadSize = 2048;

// Whether a size of 0 may be among a payload's sizes. Only a capture stream
// expects segments without data (a pure TCP acknowledgement, a SYN); a
// generating stream always sends at least one byte.
enum class EmptyPayload { Refused, Allowed };

class PayloadConfig : public ProtocolConfig {
 public:
  // Payloads are always the first entry of a stack: they enclose nothing.
  bool acceptsInner(const ProtocolConfig& inner) const override;
  // Recomputes the number of sizes per iteration; every size setter calls it.
  virtual void recount() = 0;

  PayloadKind payloadKind() const { return _payloadKind; }
  int32_t increment() const { return _increment; }
  int32_t startSize() const { return _startSize; }
  int32_t endSize() const { return _endSize; }
  int32_t iterations() const { return _iterations; }
  int32_t patternType() const { return _patternType; }
  int32_t sizesPerIteration() const { return _sizesPerIteration; }

  // 2 selects pattern type 2, any other value pattern type 1.
  void setPatternType(int32_t type) { _patternType = type == 2 ? 2 : 1; }

  // The transmit port (device, port) at which the stream's frames are expected
  // back; both are -1 (no payload tag) until set.
  void setTxPort(int32_t device, int32_t port) {
    _txDevice = device;
    _txPort = port;
  }
  int32_t txDevice() const { return _txDevice; }
  int32_t txPort() const { return _txPort; }
  bool hasTxPort() const { return _txDevice != -1 && _txPort != -1; }

  // Whether captured PDUs of the stream carry the payload tag; false for
  // traffic not made by a generator (signature="0"), whose first bytes must
  // not be read as one.
  void setCarriesSignature(bool carries) { _carriesSignature = carries; }
  bool carriesSignature() const { return _carriesSignature; }
  // sequence="1": a 32-bit per-stream sequence number, big-endian, follows
  // the 4-byte tag in every payload of 8 bytes or more, counting the
  // stream's PDUs from 0 (wrapping), so a capture counts duplicates and
  // reordering exactly.
  void setSequenced(bool sequenced) { _sequenced = sequenced; }
  bool sequenced() const { return _sequenced; }
  // True when a PDU without payload bytes is one of the stream's sizes.
  bool allowsEmpty() const { return _allowsEmpty; }

 protected:
  // A payload that is also its stream's datalink layer (a replayed capture)
  // passes `isDatalink`.
  explicit PayloadConfig(PayloadKind payloadKind, bool isDatalink = false);
  PayloadConfig(const PayloadConfig&) = default;

  int32_t _increment = 0;
  int32_t _startSize = 0;
  int32_t _endSize = 0;
  int32_t _iterations = 0;
  int32_t _sizesPerIteration = 0;
  bool _allowsEmpty = false;

 private:
  PayloadKind _payloadKind;
  bool _carriesSignature = true;
  bool _sequenced = false;
  int32_t _patternType = 1;
  int32_t _txDevice = -1;
  int32_t _txPort = -1;
};

// True for a payload configuration other than a context-state message.
bool isPlainPayload(const ProtocolConfig& config);

// A list of sizes sent in order, e.g. "64,128,1500".
class FixedPayloadConfig : public PayloadConfig {
 public:
  FixedPayloadConfig(std::string_view sizes, int32_t iterations, EmptyPayload empty = EmptyPayload::Refused);
  std::unique_ptr<ProtocolConfig> clone() const override;
  void recount() override;

  // Digits and commas only; each size 1..2048 (0..2048 when empty payloads
  // are allowed). Start and end size become the first size.
  void setSizes(std::string_view sizes, EmptyPayload empty = EmptyPayload::Refused);
  void setIterations(int32_t iterations);
  const std::vector<int32_t>& sizes() const { return _sizes; }

 private:
  std::vector<int32_t> _sizes;
};

// Sizes from start to end in steps of the (signed, non-zero) increment; the
// end size itself is sent only when it lies on a step.
class IncrementPayloadConfig : public PayloadConfig {
 public:
  IncrementPayloadConfig(int32_t startSize, int32_t endSize, int32_t increment, int32_t iterations);
  std::unique_ptr<ProtocolConfig> clone() const override;
  void recount() override;

  void setStartSize(int32_t size);
  void setEndSize(int32_t size);
  void setIncrement(int32_t increment);
  void setIterations(int32_t iterations);
};

// Sizes drawn uniformly in [minimum, maximum]; one size per PDU, `iterations`
// PDUs in all. Start size is the minimum, end size the maximum.
class RandomPayloadConfig : public PayloadConfig {
 public:
  RandomPayloadConfig(int32_t minSize, int32_t maxSize, int32_t iterations);
  std::unique_ptr<ProtocolConfig> clone() const override;
  void recount() override;

  void setMinSize(int32_t size);
  void setMaxSize(int32_t size);
  void setIterations(int32_t iterations);
  int32_t minSize() const { return _startSize; }
  int32_t maxSize() const { return _endSize; }
  // Next size from the process-wide pseudo-random sequence.
  int32_t drawSize() const;
};

// Packets read from a workbench log text file and sent as they stand.
class WorkbenchLogPayloadConfig : public PayloadConfig {
 public:
  WorkbenchLogPayloadConfig(std::string_view fileName, bool skipFirstLine, bool skipLineNumbers,
                            int32_t iterations);
  std::unique_ptr<ProtocolConfig> clone() const override;
  void recount() override;

  void setIterations(int32_t iterations);
  const std::string& fileName() const { return _fileName; }
  bool skipFirstLine() const { return _skipFirstLine; }
  bool skipLineNumbers() const { return _skipLineNumbers; }

 private:
  std::string _fileName;
  bool _skipFirstLine;
  bool _skipLineNumbers;
};

}  // namespace corvel
