// The controller of the traffic simulator: loads the TCS file into the port
// objects, starts them, and serves the host's byte calls while running.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "corvel/base/print_utility.h"
#include "corvel/host/workbench_port.h"

namespace corvel {

class Observer;
class PortTraffic;
class PortTrafficCapture;
class PortTrafficGenerator;
class PyxDevices;
class TcsManager;
struct RunRecords;

enum CorvelState : int32_t {
  enCorvelStateUninitialized = 0,
  enCorvelStateTcsLoaded = 1,
  enCorvelStateTcsParseError = 2,
  enCorvelStateRunning = 3,
  enCorvelStateStop = 4,
  enCorvelStateError = 5,
};

class Corvel : public PrintUtility {
 public:
  Corvel();
  ~Corvel() override;

  int32_t state() const noexcept { return _state; }
  PyxDevices& devices() noexcept { return *_devices; }

  // Hands one host port to the registry; called for every host port before LoadTcs.
  void registerPort(const WorkbenchPort& record);

  // Reads the TCS file into the port objects. Answers true when ports were
  // configured; a failure text is reported and thrown on.
  bool LoadTcs(const char* fileName);

  // Keeps the Tx/Rx specification name read by InitializeStreams. Answers false.
  bool SetTxConfiguration(const char* name);
  const char* specificationName() const noexcept {
    return _specificationName ? _specificationName->c_str() : nullptr;
  }

  // Starts every port in registry order; true when all started.
  bool InitializeStreams();

  // The byte-call paths. OnGetNextByte sets delivered to 1 only when it wrote
  // a byte; a refused request (reported on the console) answers 0.
  void OnGetNextByte(WorkbenchPort* record, uint8_t& delivered, uint32_t cycle, uint8_t& byte,
                     uint8_t& endOfPacket);
  int32_t GetInterpacketTime(WorkbenchPort* record);
  void OnSendNextByte(WorkbenchPort* record, uint32_t cycle, uint8_t byte, uint8_t endOfPacket);

  void Stop();

 private:
  struct AttachedStatistic {
    std::unique_ptr<Observer> statistic;
    PortTraffic* port;
    int32_t kind;
  };

  bool _readSections(TcsManager& manager);
  void _attachStatistic(int32_t kind, PortTraffic& port, const char* directory);
  void _initializeRxPorts(int32_t& position);
  void _initializeTxPorts(int32_t& position);
  // The port objects of a host record, cached in the record on first use.
  PortTrafficGenerator* _generatorFor(WorkbenchPort& record);
  PortTrafficCapture* _captureFor(WorkbenchPort& record);
  // Hands the run records to every port object of the registry.
  void _shareRunRecords();

  // What the ports share (send cycles of tagged PDUs, summary files); the
  // port objects hold it without owning it, so it goes after them.
  std::unique_ptr<RunRecords> _runRecords;
  std::unique_ptr<PyxDevices> _devices;
  int32_t _state = enCorvelStateUninitialized;
  std::optional<std::string> _specificationName;
  std::vector<AttachedStatistic> _statistics;
};

}  // namespace corvel
