#include "corvel/stats/port_traffic_event_handler.h"

#include "corvel/base/print_utility.h"

namespace corvel {

PortTrafficEventHandler::PortTrafficEventHandler(const PortIdentity& port, RunRecords* runRecords,
                                                 const char* directory, std::string_view tag)
    : _directory(directory ? directory : ""),
      _runRecords(runRecords),
      _direction(port.direction),
      _device(port.device),
      _port(port.port) {
  if (_directory.empty()) return;
  // Said once here: the statistic then ignores its events, as one without a
  // directory does.
  const std::string fileName = portLogFileName(_directory, tag, _device, _port);
  if (!_log.open(fileName)) sharedPrinter().print("Corvel> Warning, unable to create log file %s\n", fileName.c_str());
}

PortTrafficEventHandler::~PortTrafficEventHandler() = default;

}  // namespace corvel
