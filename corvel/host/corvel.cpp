#include "corvel/host/corvel.h"

#include <new>

#include "corvel/base/random.h"
#include "corvel/host/pyx_devices.h"
#include "corvel/host/run_report.h"
#include "corvel/base/text_error.h"
#include "corvel/stats/observable.h"
#include "corvel/stats/run_records.h"
#include "corvel/stats/run_tally.h"
#include "corvel/stats/summary_files.h"
#include "corvel/stats/statistic_factory.h"
#include "corvel/xml/tcs_document.h"
#include "corvel/tcs/tcs_manager.h"
#include "corvel/tcs/tcs_port_settings.h"
#include "corvel/traffic/generate_protocol.h"
#include "corvel/traffic/port_config.h"
#include "corvel/traffic/port_traffic_capture.h"
#include "corvel/stats/port_traffic_event_handler.h"
#include "corvel/traffic/port_traffic_generator.h"

namespace corvel {

Corvel::Corvel() : _runRecords(std::make_unique<RunRecords>()), _devices(std::make_unique<PyxDevices>()) {}

Corvel::~Corvel() {
  try {
    if (!_closed) closeRun(0);
  } catch (...) {
    // Nothing of the teardown may reach the host.
  }
  _statistics.clear();
  _tallies.clear();
  _runRecords.reset();
  _specificationName.reset();
}

std::string Corvel::closeRun(uint64_t run) {
  if (_closed) return emptyRunReportJson();
  _closed = true;
  _notices.printRepeats(*this);
  RunOutcome outcome;
  outcome.run = run;
  outcome.tcsFile = _tcsFile;
  outcome.loaded = _loadAttempted && !_loadFailed;
  outcome.startAttempted = _startAttempted;
  outcome.started = _started;
  outcome.finalState = _state;
  // The ports go first, so the statistics attached here still hear their
  // last events (frames held at teardown, the stop of each port); then each
  // of those statistics writes its summary once.
  _devices.reset();
  for (AttachedStatistic& attached : _statistics) {
    try {
      if (auto* handler = dynamic_cast<PortTrafficEventHandler*>(attached.statistic.get())) handler->writeSummary();
    } catch (...) {
      // A summary that cannot be written must not stop the others.
    }
    attached.statistic.reset();
  }
  _statistics.clear();
  std::vector<PortFigures> figures;
  figures.reserve(_tallies.size());
  for (const std::unique_ptr<RunTally>& tally : _tallies) figures.push_back(tally->reportFigures());
  _tallies.clear();
  return runReportJson(outcome, figures);
}

void Corvel::registerPort(const WorkbenchPort& record) { _devices->addPort(record); }

bool Corvel::LoadTcs(const char* fileName) {
  if (_state != enCorvelStateUninitialized) {
    print("Corvel> Unable to load the TCS file because Corvel is not in the "
          "enCorvelStateUninitialized state\n");
    return false;
  }
  if (!fileName) {
    _loadAttempted = _loadFailed = true;
    print("Corvel> ERROR: Loading of traffic_config_spec: %s failed!\n", "null");
    return false;
  }
  _tcsFile = fileName;
  _loadAttempted = true;
  // The manager borrows the document: it is declared last so it goes first.
  auto document = std::make_unique<TcsDocument>();
  std::unique_ptr<TcsManager> manager;
  bool loaded = false;
  try {
    document->LoadDocument(fileName);
    try {
      manager = std::make_unique<TcsManager>(*document);
    } catch (const std::bad_alloc&) {
      throw TextError("Corvel> Error, unable to instantiate the tcs manager.\n");
    }
    if (!manager->readRootAttributes())
      throw TextError("Error, unable to read required \"<corvel ...>\" parameters.\n");
    manager->warnUnknownNames();
    // A seed in the file makes the gap, size and bit-error draws repeatable;
    // without one the shared sequence goes on from where it is.
    if (const std::optional<int32_t> seed = manager->randomNumberSeed()) Random::seed(static_cast<uint32_t>(*seed));
    GenerateProtocol::setBitErrorSeed(manager->randomNumberSeed()
                                          ? std::optional<uint32_t>(static_cast<uint32_t>(*manager->randomNumberSeed()))
                                          : std::nullopt);
    print("Corvel> The workbench registered %d rxPorts and %d txPorts.\n",
          _devices->receiveCount(), _devices->transmitCount());
    if (_devices->receiveCount() < 1 && _devices->transmitCount() < 1)
      throw TextError("Corvel> Error, no devices was registered by the workbench\n");
    _devices->initialize();
    if (!_devices->initialized()) {
      _state = enCorvelStateStop;
      print("Corvel> Warning, unable to connect corvel ports to the workbench ports.\n");
      print("Corvel> Transistion corvel to enCorvelStateStop.\n");
    } else {
      _removeStaleSummaries(*manager);
      _shareRunRecords();
      loaded = _readSections(*manager);
    }
  } catch (const TextError& e) {
    _state = enCorvelStateError;
    _loadFailed = true;
    print("Corvel> Transistion corvel to enCorvelStateError.\n");
    print("Corvel> ERROR: Exception while loading TCS file %s [%s]\n", fileName, e.text());
    print("Corvel> ERROR: [%s]\n", e.text());
    // A message a section reader threw past the manager: where it was reading.
    if (manager) manager->printPlace();
    manager.reset();
    document.reset();
    throw;
  }
  return loaded;
}

bool Corvel::_readSections(TcsManager& manager) {
  // A reader that found nothing is reported only while no parse error stopped
  // the reading.
  auto report = [&](bool found, const char* missing) {
    if (!found && manager.status() == 0) print("%s", missing);
  };
  report(manager.readTableEntries(), "Corvel>   No table data found\n");
  report(manager.readFunctionDefinitions(), "Corvel>   No function specifications found\n");
  report(manager.readPolicies(), "Corvel>   No policy data found\n");
  report(manager.readStreams(), "Corvel>   No stream data found\n");
  bool portsFound = false;
  bool found = manager.readRxPorts(*_devices);
  if (found && manager.status() == 0) portsFound = true;
  report(found, "Corvel>   No RxPorts found\n");
  found = manager.readTxPorts(*_devices);
  if (found && manager.status() == 0) portsFound = true;
  report(found, "Corvel>   No TxPorts found\n");

  if (manager.status() != 0) {
    _state = enCorvelStateTcsParseError;
    _loadFailed = true;
    print("Corvel> Transistion corvel to enCorvelStateTcsParseError.\n");
    return false;
  }
  if (portsFound) {
    _state = enCorvelStateTcsLoaded;
    print("Corvel> Transistion corvel to enCorvelStateTcsLoaded.\n");
    return true;
  }
  _state = enCorvelStateStop;
  print("Corvel> Transistion corvel to enCorvelStateStop.\n");
  return false;
}

bool Corvel::SetTxConfiguration(const char* name) {
  if (name) _specificationName = name;
  return false;
}

bool Corvel::InitializeStreams() {
  _startAttempted = true;
  if (_state != enCorvelStateTcsLoaded) {
    print("Corvel> Cannot InitializeStreams, not in the enCorvelStateTcsLoaded state\n");
    return false;
  }
  // Zero-based position, within its direction, of the port being started.
  int32_t position = 0;
  try {
    print("Corvel> Initializing Rx ports\n");
    _initializeRxPorts(position);
    print("Corvel> Initializing Tx ports\n");
    position = 0;
    _initializeTxPorts(position);
    print("Corvel> ------ Traffic Configuration Complete! ------\n");
    print("Corvel> ---------------------------------------------\n");
    _state = enCorvelStateRunning;
    _started = true;
    print("Corvel> Transistion corvel to enCorvelStateRunning.\n");
    return true;
  } catch (const TextError& e) {
    print("Corvel> ERROR: Exception in Corvel::InitializeStreams()!\n");
    print("Corvel> ERROR: ix=%d\n", position);
    print("Corvel> ERROR: [%s]\n", e.text());
    return false;
  }
}

void Corvel::_initializeRxPorts(int32_t& position) {
  // "GUI" starts the first configured port with 1 and every later one with 0.
  int32_t startArgument = 1;
  for (const WorkbenchPort* record : _devices->receivePorts()) {
    print("Corvel>   Attempting to initialize device %d port %d\n", record->device, record->port);
    PortTrafficGenerator* generator = _devices->findGenerator(record->device, record->port);
    const PortConfig* config = generator ? generator->portConfig() : nullptr;
    if (!config) {
      print("Corvel>      Not defined in the tcs file\n");
    } else if (_specificationName && *_specificationName == "GUI") {
      if (config->eventLogDirectory())
        _attachStatistic(enStatisticGenerator, *generator, config->eventLogDirectory());
      if (config->shapePoliceDataLogDirectory())
        _attachStatistic(enStatisticScheduling, *generator, config->shapePoliceDataLogDirectory());
      print("Corvel>    Loading GUI Rx specification\n");
      startArgument = 0;
    }
    if (generator) {
      generator->Start(startArgument);
      _attachTally(*generator, config != nullptr, generator->streamCount());
    }
    ++position;
  }
}

void Corvel::_initializeTxPorts(int32_t& position) {
  for (const WorkbenchPort* record : _devices->transmitPorts()) {
    print("Corvel>   Attempting to initialize device %d port %d\n", record->device, record->port);
    PortTrafficCapture* capture = _devices->findCapture(record->device, record->port);
    const PortConfig* config = capture ? capture->portConfig() : nullptr;
    if (!config) {
      print("Corvel>      Not defined in the tcs file\n");
    } else if (_specificationName) {
      const bool wireless = *_specificationName == "3GWireless";
      const bool zelmor = *_specificationName == "Zelmor";
      if (wireless || zelmor) {
        print(wireless ? "Corvel>    Loading 3GWireless Tx specification\n"
                       : "Corvel>    Loading Zelmor Tx specification\n");
        if (config->shapePoliceDataLogDirectory()) {
          print("Corvel>      Overriding Policing Statistic\n");
          _attachStatistic(wireless ? enStatisticProject3GWireless : enStatisticZelmorPolice,
                           *capture, config->shapePoliceDataLogDirectory());
        }
        if (config->eventLogDirectory()) {
          print("Corvel>      Using standard Capture Statistic\n");
          _attachStatistic(enStatisticCapture, *capture, config->eventLogDirectory());
        }
      }
    }
    if (capture) {
      capture->initialize();
      _attachTally(*capture, config != nullptr, capture->streamCount());
    }
    ++position;
  }
}

void Corvel::_removeStaleSummaries(const TcsManager& manager) {
  // Every directory the file names for event logs, for every host port: a
  // load that fails half-way, or a port this file leaves out, must not leave
  // the summary of an earlier run in place.
  for (const std::string& directory : eventLogDirectories(manager.documentNode())) {
    for (const WorkbenchPort* record : _devices->receivePorts())
      SummaryFiles::removeFile(directory, record->device, record->port);
    for (const WorkbenchPort* record : _devices->transmitPorts())
      SummaryFiles::removeFile(directory, record->device, record->port);
  }
}

void Corvel::_shareRunRecords() {
  for (const WorkbenchPort* record : _devices->receivePorts()) {
    if (PortTrafficGenerator* generator = _devices->findGenerator(record->device, record->port))
      generator->setRunRecords(_runRecords.get());
  }
  for (const WorkbenchPort* record : _devices->transmitPorts()) {
    if (PortTrafficCapture* capture = _devices->findCapture(record->device, record->port))
      capture->setRunRecords(_runRecords.get());
  }
}

void Corvel::_attachTally(PortTraffic& port, bool configured, int32_t streams) {
  // A corvel_start repeated after a failed one finds the tallies of the
  // ports it reached already attached.
  for (const std::unique_ptr<RunTally>& tally : _tallies)
    if (tally->figures().device == port.device() && tally->figures().port == port.port() &&
        tally->figures().direction == port.direction())
      return;
  _tallies.push_back(std::make_unique<RunTally>(port.identity(), configured, streams, _runRecords.get()));
  port.attach(_tallies.back().get());
}

void Corvel::_attachStatistic(int32_t kind, PortTraffic& port, const char* directory) {
  // A corvel_start repeated after a failed one finds the statistics of the
  // ports it reached already attached.
  for (const AttachedStatistic& attached : _statistics) {
    if (attached.port == &port && attached.kind == kind) return;
  }
  std::unique_ptr<Observer> statistic =
      createStatistic(static_cast<StatisticKind>(kind), port.identity(), port.runRecords(), directory);
  if (!statistic) return;
  Observer* observer = statistic.get();
  _statistics.push_back({std::move(statistic), &port, kind});
  port.attach(observer);
}

PortTrafficGenerator* Corvel::_generatorFor(WorkbenchPort& record) {
  // The cache of a receive record only ever holds a generator.
  if (record.portObject && record.portObject->direction() == 1)
    return static_cast<PortTrafficGenerator*>(record.portObject);
  PortTrafficGenerator* generator = _devices->findGenerator(record.device, record.port);
  if (generator && record.direction == 1) record.portObject = generator;
  return generator;
}

PortTrafficCapture* Corvel::_captureFor(WorkbenchPort& record) {
  if (record.portObject && record.portObject->direction() == 0)
    return static_cast<PortTrafficCapture*>(record.portObject);
  PortTrafficCapture* capture = _devices->findCapture(record.device, record.port);
  if (capture && record.direction == 0) record.portObject = capture;
  return capture;
}

void Corvel::OnGetNextByte(WorkbenchPort* record, uint8_t& delivered, uint32_t cycle,
                           uint8_t& byte, uint8_t& endOfPacket) {
  // Only a byte actually written counts as delivered: a refused request must
  // not make the host send whatever the byte slot held before.
  endOfPacket = 0;
  delivered = 0;
  if (_state != enCorvelStateRunning) {
    if (_notices.repeated(record, NoticeKind::NotRunningReceive, _state)) return;
    print("Corvel> [OnGetNextByte] Error, Corvel is not in running state\n");
    _noteFirst(record, NoticeKind::NotRunningReceive, "Corvel> [OnGetNextByte] Error, Corvel is not in running state");
    return;
  }
  // A lookup failure (registry never initialised) goes on to the entry point.
  PortTrafficGenerator* generator = record ? _generatorFor(*record) : nullptr;
  if (!generator) {
    print("Corvel> [OnGetNextByte] Error, null port handle\n");
    return;
  }
  try {
    if (generator->warned()) {
      _notices.repeated(record, NoticeKind::ReceiveIgnored, _state);
      return;
    }
    if (generator->state() == enPortStateComplete) {
      print("Corvel> Rx RxDevice %d RxPort %d: enPortStateComplete, additional byte requests "
            "will be ignored\n",
            generator->device(), generator->port());
      generator->setWarned(true);
      _noteFirst(record, NoticeKind::ReceiveIgnored,
                 "Corvel> Rx RxDevice " + std::to_string(generator->device()) + " RxPort " +
                     std::to_string(generator->port()) + ": enPortStateComplete, additional byte requests will be ignored");
      return;
    }
    if (generator->state() == enPortStateError) {
      print("Corvel> Rx RxDevice %d RxPort %d: enPortStateError, additional byte requests will "
            "be ignored\n",
            generator->device(), generator->port());
      generator->setWarned(true);
      _noteFirst(record, NoticeKind::ReceiveIgnored,
                 "Corvel> Rx RxDevice " + std::to_string(generator->device()) + " RxPort " +
                     std::to_string(generator->port()) + ": enPortStateError, additional byte requests will be ignored");
      return;
    }
    bool endOfTraffic = false;
    if (const uint8_t* next = generator->nextByte(endOfTraffic, endOfPacket, cycle)) {
      byte = *next;
      delivered = 1;
    } else {
      endOfPacket = 0;
    }
  } catch (const TextError& e) {
    print("Corvel> [OnGetNextByte] Error, %s\n", e.text());
  } catch (...) {
    print("Corvel> [OnGetNextByte] Device %d Port %d Exception, Unknown\n", record->device,
          record->port);
  }
}

int32_t Corvel::GetInterpacketTime(WorkbenchPort* record) {
  if (!record) return 0;
  PortTrafficGenerator* generator = _generatorFor(*record);
  return generator ? generator->interpacketTime() : 0;
}

void Corvel::OnSendNextByte(WorkbenchPort* record, uint32_t cycle, uint8_t byte,
                            uint8_t endOfPacket) {
  if (_state != enCorvelStateRunning) {
    if (_notices.repeated(record, NoticeKind::NotRunningTransmit, _state)) return;
    print("Corvel> [OnSendNextByte] Error, Corvel is not in running state\n");
    _noteFirst(record, NoticeKind::NotRunningTransmit, "Corvel> [OnSendNextByte] Error, Corvel is not in running state");
    return;
  }
  PortTrafficCapture* capture = nullptr;
  if (record) {
    try {
      capture = _captureFor(*record);
    } catch (const TextError& e) {
      print("Corvel> [OnSendNextByte] Error, Unable to retreive corvel port pointer (%s)\n",
            e.text());
    }
  }
  if (!capture) {
    print("Corvel> [OnSendNextByte] Error, request passed a null port handle.\n");
    return;
  }
  try {
    // The port state is read once per byte: a running port takes it at once.
    const int32_t state = capture->state();
    if (state == enPortStateRunning && !capture->warned()) [[likely]] {
      capture->captureByte(byte, cycle, endOfPacket);
      return;
    }
    if (capture->warned()) {
      _notices.repeated(record, NoticeKind::TransmitIgnored, _state);
      return;
    }
    if (state == enPortStateComplete) {
      print("Corvel> Tx TxDevice %d TxPort %d: enPortStateComplete, additional byte sends will be "
            "ignored\n",
            capture->device(), capture->port());
      capture->setWarned(true);
      _noteFirst(record, NoticeKind::TransmitIgnored,
                 "Corvel> Tx Device " + std::to_string(capture->device()) + " TxPort " +
                     std::to_string(capture->port()) + ": enPortStateError, additional byte sends will be ignored");
      _noteFirst(record, NoticeKind::TransmitIgnored,
                 "Corvel> Tx TxDevice " + std::to_string(capture->device()) + " TxPort " +
                     std::to_string(capture->port()) + ": enPortStateComplete, additional byte sends will be ignored");
      return;
    }
    if (state == enPortStateError) {
      print("Corvel> Tx Device %d TxPort %d: enPortStateError, additional byte sends will be "
            "ignored\n",
            capture->device(), capture->port());
      capture->setWarned(true);
      _noteFirst(record, NoticeKind::TransmitIgnored,
                 "Corvel> Tx Device " + std::to_string(capture->device()) + " TxPort " +
                     std::to_string(capture->port()) + ": enPortStateError, additional byte sends will be ignored");
      return;
    }
  } catch (const TextError& e) {
    print("Corvel> [OnSendNextByte] Error, %s\n", e.text());
  }
}

void Corvel::_noteFirst(const WorkbenchPort* record, NoticeKind kind, std::string text) noexcept {
  try {
    if ((kind == NoticeKind::NotRunningReceive || kind == NoticeKind::NotRunningTransmit) && record)
      text += " (Device " + std::to_string(record->device) + " Port " + std::to_string(record->port) + ")";
    _notices.add(record, kind, _state, std::move(text));
  } catch (...) {
    // Without memory the repeats go uncounted; the notice itself was printed.
  }
}

void Corvel::Stop() {
  _state = enCorvelStateStop;
  print("Corvel> Corvel transistion to enCorvelStateStop state\n");
}

}  // namespace corvel
