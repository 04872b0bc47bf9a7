// The settings every port runs with: its identity, the checksum/CRC switches
// of the TCS root, the log directories and the line rate. Receive ports use
// the derived GeneratePortConfig.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace corvel {

class PortConfig {
 public:
  // direction: 1 receive, 0 transmit.
  explicit PortConfig(int32_t direction);
  PortConfig(const PortConfig&) = default;
  PortConfig& operator=(const PortConfig&) = default;
  virtual ~PortConfig();

  int32_t direction() const noexcept { return _direction; }

  int32_t device() const noexcept { return _device; }
  // Throws "Device must be >= 0" for a negative device.
  void setDevice(int32_t device);
  int32_t port() const noexcept { return _port; }
  // Throws "Port must be >= 0" for a negative port.
  void setPort(int32_t port);

  bool computeCrc() const noexcept { return _computeCrc; }
  void setComputeCrc(bool on) noexcept { _computeCrc = on; }
  bool computeChecksum() const noexcept { return _computeChecksum; }
  void setComputeChecksum(bool on) noexcept { _computeChecksum = on; }

  // Each directory is null until set; a null argument leaves it unchanged.
  const char* eventLogDirectory() const noexcept { return text(_eventLogDirectory); }
  void setEventLogDirectory(const char* directory) { store(_eventLogDirectory, directory); }
  const char* dataLogDirectory() const noexcept { return text(_dataLogDirectory); }
  void setDataLogDirectory(const char* directory) { store(_dataLogDirectory, directory); }
  const char* pduDataLogDirectory() const noexcept { return text(_pduDataLogDirectory); }
  void setPduDataLogDirectory(const char* directory) { store(_pduDataLogDirectory, directory); }
  // The scheduling log of a receive port, the policing log of a transmit port.
  const char* shapePoliceDataLogDirectory() const noexcept {
    return text(_shapePoliceDataLogDirectory);
  }
  void setShapePoliceDataLogDirectory(const char* directory) {
    store(_shapePoliceDataLogDirectory, directory);
  }

  // Transmit ports: where the commented pcapng capture goes.
  const char* capturePcapngDirectory() const noexcept { return text(_capturePcapngDirectory); }
  void setCapturePcapngDirectory(const char* directory) { store(_capturePcapngDirectory, directory); }

  int32_t rate() const noexcept { return _rate; }
  int32_t busFrequency() const noexcept { return _busFrequency; }
  void setRateAndBusFrequency(int32_t rate, int32_t busFrequency) noexcept {
    _rate = rate;
    _busFrequency = busFrequency;
  }

 private:
  static const char* text(const std::optional<std::string>& value) noexcept {
    return value ? value->c_str() : nullptr;
  }
  static void store(std::optional<std::string>& slot, const char* value) {
    if (value) slot = value;
  }

  int32_t _direction;
  int32_t _device = -1;
  int32_t _port = -1;
  bool _computeCrc = false;
  bool _computeChecksum = false;
  std::optional<std::string> _eventLogDirectory;
  std::optional<std::string> _dataLogDirectory;
  std::optional<std::string> _pduDataLogDirectory;
  std::optional<std::string> _shapePoliceDataLogDirectory;
  std::optional<std::string> _capturePcapngDirectory;
  int32_t _rate = 0;
  int32_t _busFrequency = 1;
};

}  // namespace corvel
