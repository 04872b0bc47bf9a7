// Reads the sections of one loaded TCS document into configuration objects.
// Every section reader first looks at the status and does nothing once a
// parse error was reported; each answers whether it found anything.
#pragma once

#include <cstdint>

namespace corvel {

class PyxDevices;
class TcsDocument;

class TcsManager {
 public:
  explicit TcsManager(TcsDocument& document);
  ~TcsManager();
  TcsManager(const TcsManager&) = delete;
  TcsManager& operator=(const TcsManager&) = delete;

  // Reads the attributes of the root element; false when there is none.
  bool ReadRootAttributes();

  bool ReadTableEntries();
  bool ReadFunctionDefinitions();
  bool ReadPolicies();
  bool ReadStreams();
  // The port readers configure the port objects found in the registry.
  bool ReadRxPorts(PyxDevices& devices);
  bool ReadTxPorts(PyxDevices& devices);

  // 0 while reading succeeds, 2 after a reported parse error, 3 after a
  // caught parse exception.
  int32_t status() const noexcept { return _status; }

 private:
  [[maybe_unused]] TcsDocument& _document;
  int32_t _status = 0;
};

}  // namespace corvel
