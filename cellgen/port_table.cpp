#include "cellgen/port_table.h"

namespace cellgen {

PortGenerator* PortTable::at(std::uint32_t device, std::uint32_t port) const {
  if (device >= kDevices || port >= kPorts) return nullptr;
  return _slots[device][port].get();
}

bool PortTable::place(std::uint32_t device, std::uint32_t port,
                      std::unique_ptr<PortGenerator> generator) {
  if (device >= kDevices || port >= kPorts || _slots[device][port]) return false;
  _slots[device][port] = std::move(generator);
  return true;
}

void PortTable::resetStreams() {
  for (auto& device : _slots)
    for (auto& slot : device)
      if (slot) slot->resetStreams();
}

}  // namespace cellgen
