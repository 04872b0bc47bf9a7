// The controller of the traffic simulator: loads the TCS file into the port
// objects, starts them, and serves the host's byte calls while running.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "corvel/base/print_utility.h"
#include "corvel/host/repeated_notices.h"
#include "corvel/host/workbench_port.h"

namespace corvel {

class Observer;
class PortTraffic;
class PortTrafficCapture;
class PortTrafficGenerator;
class PyxDevices;
class RunTally;
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

  // Ends the run: prints the counts of the repeated byte-path notices,
  // destroys the port objects (their statistics write their summaries) and
  // answers the run report (run_report.h) numbered `run`. The destructor
  // does the same when nobody did.
  std::string closeRun(uint64_t run);

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
  // Removes the JSON port summaries an earlier run left in the file's log
  // directories.
  void _removeStaleSummaries(const TcsManager& manager);
  // Remembers the first of a byte-path notice (printed by the caller) so that
  // its repeats are counted; not-running notices gain the port's numbers.
  void _noteFirst(const WorkbenchPort* record, NoticeKind kind, std::string text) noexcept;
  // Counts what a started port does, for the run report.
  void _attachTally(PortTraffic& port, bool configured, int32_t streams);

  // What the ports share (send cycles of tagged PDUs, summary files); the
  // port objects hold it without owning it, so it goes after them.
  std::unique_ptr<RunRecords> _runRecords;
  std::unique_ptr<PyxDevices> _devices;
  int32_t _state = enCorvelStateUninitialized;
  std::optional<std::string> _specificationName;
  std::vector<AttachedStatistic> _statistics;
  std::vector<std::unique_ptr<RunTally>> _tallies;
  RepeatedNotices _notices;
  std::string _tcsFile;
  bool _loadAttempted = false;
  bool _loadFailed = false;  // a parse error or a message ended the load
  bool _startAttempted = false;
  bool _started = false;
  bool _closed = false;
};

}  // namespace corvel
