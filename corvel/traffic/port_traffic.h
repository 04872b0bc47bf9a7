// The common base of the per-port objects: the receive-side generator and the
// transmit-side capture. A port has an identity, a state, the host's port
// figures, and observers to which it announces what happens on it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "corvel/stats/observable.h"
#include "corvel/stats/port_identity.h"

namespace corvel {

class Event;
class PortConfig;
struct RunRecords;

enum PortState : int32_t {
  enPortStateUninitialized = 0,
  enPortStateRunning = 1,
  enPortStateComplete = 4,
  enPortStateError = 5,
};

class PortTraffic : public Observable {
 public:
  // direction: 1 receive (generator), 0 transmit (capture).
  PortTraffic(int32_t direction, int32_t device, int32_t port);
  ~PortTraffic() override;

  int32_t state() const noexcept { return _state; }
  // Stores the state; running (1) announces a start event (kind 23), complete
  // (4) a complete event (kind 26); other values are stored silently.
  void setState(int32_t state);
  // Command 1 switches the port to running; the answer tells whether the
  // command was understood.
  bool command(int32_t command);

  // Set once the controller has reported a complete or failed port.
  bool warned() const noexcept { return _warned; }
  void setWarned(bool warned) noexcept { _warned = warned; }

  int32_t direction() const noexcept { return _identity.direction; }
  int32_t device() const noexcept { return _identity.device; }
  int32_t port() const noexcept { return _identity.port; }
  // The same, with the media-bus clock, for the events and statistics of the port.
  const PortIdentity& identity() const noexcept { return _identity; }

  // The configuration the port runs with; not owned.
  const PortConfig* portConfiguration() const noexcept { return _portConfig; }
  void setPortConfiguration(const PortConfig* config) noexcept { _portConfig = config; }

  // Figures of the host's port record, copied when the registry connects the port.
  int32_t rate() const noexcept { return _rate; }
  void setRate(int32_t rate) noexcept { _rate = rate; }
  // The host's default gap, used when the TCS file gives none.
  int32_t hostInterpacketTime() const noexcept { return _interpacketTime; }
  void setHostInterpacketTime(int32_t time) noexcept { _interpacketTime = time; }
  int32_t mediaBusClockFrequency() const noexcept { return _identity.clockMhz; }
  void setMediaBusClockFrequency(int32_t mhz) noexcept { _identity.clockMhz = mhz; }

  // What the ports of the run share (not owned); null when the port runs on
  // its own, without a controller.
  RunRecords* runRecords() const noexcept { return _runRecords; }
  void setRunRecords(RunRecords* records) noexcept { _runRecords = records; }

  // Hands the event to every observer; the second form destroys it afterwards.
  void announce(Event& event);
  void announce(std::unique_ptr<Event> event);
  // Announces the event, destroys it and throws its text.
  [[noreturn]] void announceError(std::unique_ptr<Event> event);
  // Announces a port error event carrying the text, then throws the text.
  [[noreturn]] void announceError(const char* text);
  // Announces a port event of the given severity carrying the text.
  void announceText(int32_t severity, const char* text);

  // With a non-empty directory: the PDU log becomes directory + "Rx"/"Tx" +
  // "PdusDev<device>Port<port>.txt", created (or emptied) once.
  void setPduLogDirectory(const char* directory);
  // Empty when no PDU log is kept.
  const std::string& pduLogFileName() const noexcept { return _pduLogFileName; }

 private:
  std::string _pduLogFileName;
  int32_t _state = enPortStateUninitialized;
  PortIdentity _identity;
  bool _warned = false;
  const PortConfig* _portConfig = nullptr;
  RunRecords* _runRecords = nullptr;
  int32_t _rate = 0;
  int32_t _interpacketTime = 0;
};

}  // namespace corvel
