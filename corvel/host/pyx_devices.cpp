#include "corvel/host/pyx_devices.h"

#include <cstdio>

#include "corvel/base/print_utility.h"
#include "corvel/base/text_error.h"
#include "corvel/traffic/port_traffic_capture.h"
#include "corvel/traffic/port_traffic_generator.h"

namespace corvel {

namespace {

// "-2147483648,-2147483648" needs 23 characters.
struct KeyBuffer {
  char text[32];
  std::string_view view;
  KeyBuffer(int32_t device, int32_t port) {
    int n = std::snprintf(text, sizeof text, "%d,%d", static_cast<int>(device),
                          static_cast<int>(port));
    view = std::string_view(text, n > 0 ? static_cast<size_t>(n) : 0);
  }
};

}  // namespace

PyxDevices::PyxDevices() = default;

PyxDevices::~PyxDevices() {
  _receive.clear();
  _transmit.clear();
}

std::string PyxDevices::key(int32_t device, int32_t port) {
  return std::string(KeyBuffer(device, port).view);
}

void PyxDevices::addPort(const WorkbenchPort& record) {
  if (_initialized && record.portObject)
    throw TextError("Error, devices has already been initialized.");
  PortMap* map = record.direction == 1 ? &_receive : record.direction == 0 ? &_transmit : nullptr;
  if (!map) return;
  KeyBuffer key(record.device, record.port);
  if (map->find(key.view) != map->end()) return;
  Entry entry;
  entry.record = record;
  entry.record.portObject = nullptr;
  map->emplace(std::string(key.view), std::move(entry));
}

void PyxDevices::initialize() {
  if (_initialized) throw TextError("Warning, PyxDevices is already initialized.");
  PrintUtility out;
  for (auto& [key, entry] : _receive) {
    WorkbenchPort& r = entry.record;
    if (r.direction != 1 || r.portObject) continue;
    out.print("Corvel>   Connected generator object Device %d Port %d.\n", r.device, r.port);
    auto generator = std::make_unique<PortTrafficGenerator>(r.device, r.port);
    generator->setHostInterpacketTime(r.interpacketTime);
    generator->setRate(r.rate);
    generator->setMediaBusClockFrequency(r.mediaBusClockFrequency);
    r.portObject = generator.get();
    entry.object = std::move(generator);
  }
  for (auto& [key, entry] : _transmit) {
    WorkbenchPort& r = entry.record;
    if (r.direction != 0 || r.portObject) continue;
    out.print("Corvel>   Connected capture object Device %d Port %d.\n", r.device, r.port);
    auto capture = std::make_unique<PortTrafficCapture>(r.device, r.port);
    capture->setHostInterpacketTime(r.interpacketTime);
    capture->setRate(r.rate);
    capture->setMediaBusClockFrequency(r.mediaBusClockFrequency);
    r.portObject = capture.get();
    entry.object = std::move(capture);
  }
  _initialized = true;
}

const PyxDevices::Entry* PyxDevices::find(const PortMap& map, int32_t device, int32_t port) {
  KeyBuffer key(device, port);
  auto it = map.find(key.view);
  return it == map.end() ? nullptr : &it->second;
}

PortTrafficGenerator* PyxDevices::findGenerator(int32_t device, int32_t port) const {
  if (!_initialized) throw TextError("Error, devices have not been initialized.");
  const Entry* entry = find(_receive, device, port);
  // Only the registry creates these objects, and the receive map holds generators.
  return entry ? static_cast<PortTrafficGenerator*>(entry->object.get()) : nullptr;
}

PortTrafficCapture* PyxDevices::findCapture(int32_t device, int32_t port) const {
  if (!_initialized) throw TextError("Error, devices have not been initialized.");
  const Entry* entry = find(_transmit, device, port);
  return entry ? static_cast<PortTrafficCapture*>(entry->object.get()) : nullptr;
}

std::vector<const WorkbenchPort*> PyxDevices::receivePorts() const {
  std::vector<const WorkbenchPort*> ports;
  for (const auto& [key, entry] : _receive) ports.push_back(&entry.record);
  return ports;
}

std::vector<const WorkbenchPort*> PyxDevices::transmitPorts() const {
  std::vector<const WorkbenchPort*> ports;
  for (const auto& [key, entry] : _transmit) ports.push_back(&entry.record);
  return ports;
}

}  // namespace corvel
