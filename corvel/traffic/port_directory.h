// Finding the port objects of the registry by device and port number: what
// the TCS port readers need of the registry, without depending on the
// controller layer that owns it.
#pragma once

#include <cstdint>

namespace corvel {

class PortTrafficCapture;
class PortTrafficGenerator;

class PortDirectory {
 public:
  virtual ~PortDirectory() = default;
  // Null for a port the host did not register in that direction.
  virtual PortTrafficGenerator* findGenerator(int32_t device, int32_t port) const = 0;
  virtual PortTrafficCapture* findCapture(int32_t device, int32_t port) const = 0;
};

}  // namespace corvel
