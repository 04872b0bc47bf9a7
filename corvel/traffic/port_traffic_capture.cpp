#include "corvel/traffic/port_traffic_capture.h"

#include "corvel/protocols/protocol_stack.h"
#include "corvel/stats/event.h"
#include "corvel/traffic/log_captured_bytes.h"
#include "corvel/traffic/port_config.h"

namespace corvel {

namespace {
constexpr const char* kNotUninitialized = "Port is not in the uninitialized state";
}

PortTrafficCapture::PortTrafficCapture(int32_t device, int32_t port) : PortTraffic(0, device, port) {}

PortTrafficCapture::~PortTrafficCapture() {
  if (_byteLog) _byteLog->Stop();
}

void PortTrafficCapture::setPortConfig(const PortConfig& config) {
  if (state() != enPortStateUninitialized) announceError("Port is not in enPortStateUninitialized state");
  if (_config) announceError("Port configuration rejected, port has already been configured");
  _config = std::make_unique<PortConfig>(config);
  _config->setDevice(device());
  _config->setPort(port());
  setPortConfiguration(_config.get());
}

void PortTrafficCapture::addStream(const ProtocolStack& stack) {
  if (state() != enPortStateUninitialized) announceError("Port is not in the enPortStateUninitialized state");
  if (!_config) {
    // A stream without a configuration gets the default one of this port.
    _config = std::make_unique<PortConfig>(0);
    _config->setDevice(device());
    _config->setPort(port());
    setPortConfiguration(_config.get());
  }
  // The stacks of one set share the set's name (a loop gives several), so a
  // duplicate is the same stack handed twice: its set assigned twice.
  for (const ProtocolStack* known : _sources) {
    if (known == &stack) announceError("duplicate protocol stack");
  }
  _streams.push_back(std::make_unique<ProtocolStack>(stack));
  _sources.push_back(&stack);
}

void PortTrafficCapture::setDataLogDirectory(const char* directory) {
  if (state() != enPortStateUninitialized) announceError(kNotUninitialized);
  if (_byteLog) return;
  auto log = std::make_unique<LogCapturedBytes>();
  log->initialize(*this, directory);
  _byteLog = std::move(log);
}

void PortTrafficCapture::initialize() {
  if (state() != enPortStateUninitialized) announceError(kNotUninitialized);
  _sources.clear();  // only needed while the TCS file is read
  if (!_streams.empty()) {
    setState(enPortStateRunning);
    return;
  }
  // No streams to verify: the port runs and completes at once.
  setState(enPortStateRunning);
  announceText(enEventSeverityWarning, "Port has no assigned streams");
  setState(enPortStateComplete);
}

void PortTrafficCapture::processByte(uint8_t& byte, uint32_t cycle, uint8_t endOfFrame) {
  ++_byteCount;
  if (_byteLog) _byteLog->OnByte(byte, cycle, endOfFrame);
}

}  // namespace corvel
