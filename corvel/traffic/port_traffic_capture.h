// The transmit-side port object: it receives the bytes the processor sends on
// one transmit port. This version keeps its configuration and the capture
// streams the TCS file assigns, logs the bytes when a data-log directory is
// set, and accepts the bytes while running; verification comes with the
// capture pipeline.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "corvel/traffic/port_traffic.h"

namespace corvel {

class LogCapturedBytes;
class PortConfig;
class ProtocolStack;

class PortTrafficCapture : public PortTraffic {
 public:
  PortTrafficCapture(int32_t device, int32_t port);
  ~PortTrafficCapture() override;

  // The configuration the port was given, or null when the TCS file did not
  // configure this port.
  const PortConfig* portConfig() const noexcept { return portConfiguration(); }

  // Configuration, while the port is uninitialised. A second configuration
  // is refused with "Port configuration rejected, port has already been
  // configured"; the same stack handed twice with "duplicate protocol
  // stack".
  void setPortConfig(const PortConfig& config);
  void addStream(const ProtocolStack& stack);
  void setDataLogDirectory(const char* directory);

  int32_t streamCount() const noexcept { return static_cast<int32_t>(_streams.size()); }
  uint64_t byteCount() const noexcept { return _byteCount; }

  // Starts the port: running with streams; without, running then complete
  // with "Port has no assigned streams".
  void initialize();

  // One transmitted byte with the host's cycle value and end-of-frame flag.
  void processByte(uint8_t& byte, uint32_t cycle, uint8_t endOfFrame);

 private:
  std::unique_ptr<PortConfig> _config;
  std::vector<std::unique_ptr<ProtocolStack>> _streams;
  // The stacks the copies were made from; compared by address only (the
  // definitions they belong to live for the load).
  std::vector<const ProtocolStack*> _sources;
  std::unique_ptr<LogCapturedBytes> _byteLog;
  uint64_t _byteCount = 0;
};

}  // namespace corvel
