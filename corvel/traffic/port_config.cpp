#include "corvel/traffic/port_config.h"

#include "corvel/base/text_error.h"

namespace corvel {

PortConfig::PortConfig(int32_t direction) : _direction(direction) {}

PortConfig::~PortConfig() = default;

void PortConfig::setDevice(int32_t device) {
  if (device < 0) throw TextError("Device must be >= 0");
  _device = device;
}

void PortConfig::setPort(int32_t port) {
  if (port < 0) throw TextError("Port must be >= 0");
  _port = port;
}

}  // namespace corvel
