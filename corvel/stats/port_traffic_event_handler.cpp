#include "corvel/stats/port_traffic_event_handler.h"

#include "corvel/traffic/port_traffic.h"

namespace corvel {

PortTrafficEventHandler::PortTrafficEventHandler(const PortTraffic& port, const char* directory,
                                                 std::string_view tag)
    : _directory(directory ? directory : ""),
      _runRecords(port.runRecords()),
      _direction(port.direction()),
      _device(port.device()),
      _port(port.port()) {
  if (!_directory.empty()) _log.open(portLogFileName(_directory, tag, _device, _port));
}

PortTrafficEventHandler::~PortTrafficEventHandler() = default;

}  // namespace corvel
