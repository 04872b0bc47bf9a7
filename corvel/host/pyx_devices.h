// The device/port registry: maps every host port to its generator (receive)
// or capture (transmit). Keys are "<device>,<port>" in decimal and the maps are
// ordered by that text, so every walk visits port 10 before port 2.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "corvel/host/workbench_port.h"
#include "corvel/traffic/port_directory.h"

namespace corvel {

class PortTraffic;
class PortTrafficCapture;
class PortTrafficGenerator;

class PyxDevices : public PortDirectory {
 public:
  PyxDevices();
  ~PyxDevices() override;
  PyxDevices(const PyxDevices&) = delete;
  PyxDevices& operator=(const PyxDevices&) = delete;

  // Keeps a copy of the record under its key in the map of its direction;
  // the first record of a key wins, other directions are ignored. After
  // initialize a record that already carries a port object is refused.
  void addPort(const WorkbenchPort& record);

  // Creates one generator per receive entry and one capture per transmit
  // entry, each walk in key order. A second call throws.
  void initialize();
  bool initialized() const noexcept { return _initialized; }

  // Throw before initialize; null for an unknown port.
  PortTrafficGenerator* findGenerator(int32_t device, int32_t port) const override;
  PortTrafficCapture* findCapture(int32_t device, int32_t port) const override;

  int32_t receiveCount() const noexcept { return static_cast<int32_t>(_receive.size()); }
  int32_t transmitCount() const noexcept { return static_cast<int32_t>(_transmit.size()); }

  // The stored records in key order.
  std::vector<const WorkbenchPort*> receivePorts() const;
  std::vector<const WorkbenchPort*> transmitPorts() const;

  // The key text of a port: device and port in decimal, joined by a comma.
  static std::string key(int32_t device, int32_t port);

 private:
  struct Entry {
    WorkbenchPort record;
    std::unique_ptr<PortTraffic> object;
  };
  // std::less<> compares the key texts byte by byte, shorter first on a
  // common prefix, and lets a lookup use a key built on the stack.
  using PortMap = std::map<std::string, Entry, std::less<>>;

  static const Entry* find(const PortMap& map, int32_t device, int32_t port);

  PortMap _transmit;
  PortMap _receive;
  bool _initialized = false;
};

}  // namespace corvel
