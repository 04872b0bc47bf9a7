// Events announced by the port objects to their observers. An event says what
// happened (category, kind), how bad it is (severity) and on which port; the
// statistics turn events into log lines.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <optional>
#include <vector>

#include "corvel/protocols/captured_stream_frame.h"
#include "corvel/stats/port_identity.h"

namespace corvel {

enum EventCategory : int32_t {
  enEventCategoryPolice = 0,
  enEventCategoryScheduling = 1,
  enEventCategoryStream = 2,
  enEventCategoryPort = 3,
};

enum EventSeverity : int32_t {
  enEventSeverityWarning = 0,
  enEventSeverityError = 1,
  enEventSeverityInformation = 2,
};

// Event kinds shared by every event class.
enum EventKind : int32_t {
  enEventKindPduGenerated = 0,
  enEventKindFrameProcessed = 1,
  enEventKindIdleFrameEnded = 2,
  enEventKindFrameParsed = 3,
  enEventKindPduPassed = 4,
  enEventKindPduFailed = 5,
  enEventKindFrameDiscarded = 7,
  enEventKindFrameDropped = 8,
  enEventKindPduExtracted = 10,
  enEventKindInterpacketRaised = 12,
  enEventKindFrameNotPoliced = 13,
  enEventKindFramePoliced = 14,
  enEventKindPduNotPoliced = 15,
  enEventKindPduPoliced = 16,
  enEventKindScheduleUbrPriority = 17,
  enEventKindScheduleUbr = 18,
  enEventKindScheduleIdle = 19,
  enEventKindScheduleCbr = 20,
  enEventKindScheduleNrtVbr = 21,
  enEventKindScheduleRtVbr = 22,
  enEventKindPortStart = 23,
  enEventKindPortStop = 24,
  enEventKindPortPause = 25,
  enEventKindPortComplete = 26,
  enEventKindPortError = 27,
  enEventKindText = 28,
};

class GeneratedStreamFrame;
class Policing;

class Event {
 public:
  virtual ~Event();

  int32_t category() const noexcept { return _category; }
  int32_t severity() const noexcept { return _severity; }
  int32_t kind() const noexcept { return _kind; }
  void setKind(int32_t kind) noexcept { _kind = kind; }
  bool hasText() const noexcept { return _hasText; }
  // The message text; empty when the event carries none.
  const std::string& text() const noexcept { return _text; }
  void setText(std::string text);

  int32_t device() const noexcept { return _device; }
  int32_t port() const noexcept { return _port; }

  // Warning prefix and text pairs, in the order they were added.
  void addWarning(std::string prefix, std::string text);
  size_t warningCount() const noexcept { return _warnings.size(); }
  const std::pair<std::string, std::string>& warningAt(size_t index) const {
    return _warnings.at(index);
  }

 protected:
  // An event with a text: the severity given, kind 28.
  Event(int32_t category, int32_t device, int32_t port, int32_t severity, std::string text);
  // An event without a text: information severity, the kind given.
  Event(int32_t category, int32_t device, int32_t port, int32_t kind);

 private:
  std::vector<std::pair<std::string, std::string>> _warnings;
  int32_t _device;
  int32_t _port;
  int32_t _category;
  int32_t _severity;
  int32_t _kind;
  bool _hasText;
  std::string _text;
};

// An event about a whole port (category 3): state changes and port errors.
class PortEvent : public Event {
 public:
  PortEvent(const PortIdentity& port, int32_t severity, std::string text);
  PortEvent(const PortIdentity& port, int32_t kind);
};

// An event about one stream of a port (category 2): a frame sent, or a
// stream that cannot be built.
class StreamEvent : public Event {
 public:
  StreamEvent(const PortIdentity& port, int32_t kind, int32_t stream, int32_t pdu);
  StreamEvent(const PortIdentity& port, int32_t severity, int32_t stream, int32_t pdu, std::string text);

  int32_t stream() const noexcept { return _stream; }
  int32_t pdu() const noexcept { return _pdu; }
  // The frame the event is about (not owned; valid during the notification).
  const GeneratedStreamFrame* frame() const noexcept { return _frame; }
  void setFrame(const GeneratedStreamFrame* frame) noexcept { _frame = frame; }
  // The identity a captured PDU's payload tag carried.
  const std::optional<IdentityRecord>& identity() const noexcept { return _identity; }
  void setIdentity(const std::optional<IdentityRecord>& identity) { _identity = identity; }
  // The host cycle of a captured PDU's last byte, once the PDU was extracted.
  const std::optional<uint32_t>& pduEndCycle() const noexcept { return _pduEndCycle; }
  void setPduEndCycle(uint32_t cycle) noexcept { _pduEndCycle = cycle; }
  // The PDU's latency once one observer measured it (pdu_latency.h), so that
  // every observer of the same PDU sees the same figure.
  const std::optional<std::optional<uint32_t>>& measuredLatency() const noexcept { return _latency; }
  void setMeasuredLatency(std::optional<uint32_t> latency) noexcept { _latency = latency; }

 private:
  std::optional<IdentityRecord> _identity;
  std::optional<uint32_t> _pduEndCycle;
  std::optional<std::optional<uint32_t>> _latency;
  int32_t _stream;
  int32_t _pdu;
  const GeneratedStreamFrame* _frame = nullptr;
};

// A scheduler's choice (category 1); the kind is the class code 17 to 22.
class QosScheduleEvent : public Event {
 public:
  QosScheduleEvent(const PortIdentity& port, int32_t code);
};

// A policing result on a transmit port (category 0): kind 13 or 15 for a
// frame or PDU no flow covers, 14 or 16 for one a flow's police object
// judged. The frame, PDU and police object are not owned and valid during
// the notification.
class QosPoliceEvent : public Event {
 public:
  static constexpr int32_t kWordCount = 7;

  QosPoliceEvent(const PortIdentity& port, int32_t kind);

  const CapturedStreamFrame* frame() const noexcept { return _frame; }
  void setFrame(const CapturedStreamFrame* frame) noexcept { _frame = frame; }
  const CapturedStreamPdu* pdu() const noexcept { return _pdu; }
  void setPdu(const CapturedStreamPdu* pdu) noexcept { _pdu = pdu; }
  const Policing* police() const noexcept { return _police; }
  void setPolice(const Policing* police) noexcept { _police = police; }
  int32_t word(size_t index) const { return _words.at(index); }
  void setWord(size_t index, int32_t value) { _words.at(index) = value; }
  int32_t status() const noexcept { return _status; }
  void setStatus(int32_t status) noexcept { _status = status; }

 private:
  const CapturedStreamFrame* _frame = nullptr;
  const CapturedStreamPdu* _pdu = nullptr;
  const Policing* _police = nullptr;
  std::array<int32_t, kWordCount> _words{-1, -1, -1, -1, -1, -1, -1};
  int32_t _status = 2;
};

}  // namespace corvel
