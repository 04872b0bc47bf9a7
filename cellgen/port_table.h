// The fixed table of port generators: 8 devices by 16 ports, each slot empty
// or holding one generator.
#ifndef CELLGEN_PORT_TABLE_H
#define CELLGEN_PORT_TABLE_H

#include <array>
#include <memory>

#include "cellgen/port_generator.h"

namespace cellgen {

class PortTable {
 public:
  static constexpr std::uint32_t kDevices = 8;
  static constexpr std::uint32_t kPorts = 16;

  // Null when the slot is empty or outside the table.
  PortGenerator* at(std::uint32_t device, std::uint32_t port) const;
  // False when the slot is outside the table or already used.
  bool place(std::uint32_t device, std::uint32_t port, std::unique_ptr<PortGenerator> generator);
  void resetStreams();

 private:
  std::array<std::array<std::unique_ptr<PortGenerator>, kPorts>, kDevices> _slots;
};

}  // namespace cellgen

#endif
