// The manager's port readers. Every child element of rx_ports configures one
// receive port's generator, every child element of tx_ports one transmit
// port's capture: the port object is found in the registry by the element's
// device and port, a copy of the section's defaults is filled from the
// element and handed over, then the stacks of the stream sets the element
// names are added to the port. Elements for ports the host did not register
// are passed over silently, so one TCS file serves several host setups.
#include <optional>
#include <string>
#include <vector>

#include "corvel/base/text_error.h"
#include "corvel/tcs/stream_set_definition.h"
#include "corvel/tcs/tcs_manager.h"
#include "corvel/xml/tcs_place.h"
#include "corvel/tcs/tcs_policy_mgt.h"
#include "corvel/tcs/tcs_port_rate.h"
#include "corvel/tcs/tcs_port_settings.h"
#include "corvel/tcs/tcs_stream_mgt.h"
#include "corvel/xml/xml_access.h"
#include "corvel/traffic/generate_port_config.h"
#include "corvel/traffic/port_config.h"
#include "corvel/traffic/port_directory.h"
#include "corvel/traffic/port_traffic_capture.h"
#include "corvel/traffic/port_traffic_generator.h"

namespace corvel {

namespace {

constexpr const char* kRxPortUnit = "TcsRxPortMgt";
constexpr const char* kTxPortUnit = "TcsTxPortMgt";

// Port elements only: comments and stray text between them name no port.
std::vector<xmlNode*> portElements(const xmlNode* section) {
  std::vector<xmlNode*> elements;
  for (xmlNode* child : getChildNodes(section)) {
    if (child->type == XML_ELEMENT_NODE) elements.push_back(child);
  }
  return elements;
}

void printPort(const TcsManager& manager, int32_t device, int32_t port, const PortConfig& config) {
  manager.printer().print("Corvel>   Device %d Port %d\n", device, port);
  manager.printer().print("Corvel>     PortRate %d BusFrequency %d\n", config.rate(), config.busFrequency());
}

// The set an assign_stream_set element names, built on its first use; null
// when building reported an error. Throws `missingText` for an unknown id.
StreamSetDefinition* assignedSet(TcsManager& manager, const std::string& id, const char* missingText) {
  auto found = manager.streamSets().find(id);
  if (found == manager.streamSets().end() || !found->second) throw TextError(missingText);
  StreamSetDefinition& set = *found->second;
  if (set.stacks().empty()) BuildStreamSet(manager, set);
  if (manager.status() != TcsManager::kStatusOk) return nullptr;
  // Every port takes a set's stacks from the first, whichever port took them before.
  set.rewind();
  return &set;
}

std::string assignedId(const xmlNode* assignment) {
  return GetAttribute(assignment, "id").value_or(std::string());
}

// In append mode each named set hands over all its stacks before the next
// set is looked at. In interlace mode the named sets are checked first, then
// each round takes up to `count` stacks from every set in turn until a round
// finds none left: interlace,3 over two sets of five gives 3, 3, 2, 2.
void assignRxStreamSets(TcsManager& manager, const xmlNode* portNode, const StreamMerge& merge,
                        PortTrafficGenerator& generator) {
  const bool append = merge.mode == StreamMergeMode::append;
  std::vector<StreamSetDefinition*> interlaced;
  for (xmlNode* assignment : selectNodes(portNode, "./assign_stream_set")) {
    const PlaceScope place(assignment, "id");
    const std::string id = assignedId(assignment);
    if (append) manager.printer().print("Corvel>     Stream: %s\n", id.c_str());
    StreamSetDefinition* set = assignedSet(manager, id, "stream_set not found");
    if (set == nullptr) return;
    if (set->isCapture()) throw TextError("adding a Tx stream to a Rx stream");
    if (!append) {
      interlaced.push_back(set);
      continue;
    }
    while (const ProtocolStack* stack = set->nextStack()) generator.addStream(*stack);
  }
  for (bool handedOut = !interlaced.empty(); handedOut;) {
    handedOut = false;
    for (StreamSetDefinition* set : interlaced) {
      for (int32_t taken = 0; taken < merge.count; ++taken) {
        const ProtocolStack* stack = set->nextStack();
        if (stack == nullptr) break;
        generator.addStream(*stack);
        handedOut = true;
      }
    }
  }
}

// The error rate goes to the configuration in single precision; a value
// beyond float's range is clamped first (still out of 0..1, so still refused)
// because converting it would be undefined.
float toBitErrorRate(double rate) {
  if (rate > 2.0) return 2.0f;
  if (rate < -1.0) return -1.0f;
  return static_cast<float>(rate);  // NaN stays NaN and is refused
}

void readRxSettings(TcsManager& manager, const xmlNode* portNode, GeneratePortConfig& config) {
  const PrintUtility& printer = manager.printer();
  bool found = false;
  if (xmlNode* gap = selectSingleNode(portNode, "./interpacket_timedistribution")) {
    bool hasMax = false;
    const int32_t maxTime = GetAttributeInt(gap, "max_time", hasMax);
    if (hasMax) {
      const int32_t minTime = GetAttributeInt(gap, "min_time", found);
      printer.print("Corvel>     InterpacketTime: %d to %d\n", minTime, maxTime);
      // A maximum of 0 leaves the gap to the host's interpacket time.
      const PlaceScope place(gap);
      config.setInterpacketRange(minTime, maxTime);
    }
  }
  if (xmlNode* errors = selectSingleNode(portNode, "./frame_bit_error")) {
    bool hasBurst = false;
    const int32_t maxBurst = GetAttributeInt(errors, "max_burst_length", hasBurst);
    if (hasBurst) {
      const PlaceScope place(errors);
      config.setBitError(toBitErrorRate(GetAttributeDouble(errors, "error_rate", found)), maxBurst);
    }
  }
  const int32_t lineSpeed = GetAttributeInt(portNode, "shaper_linespeed", found);
  {
    const PlaceScope place(portNode, "shaper_linespeed");
    config.setShaperLineSpeed(found ? lineSpeed : config.rate());
  }
  printer.print("Corvel>     InterpacketTimeMin %d InterpacketTimeMax %d\n", config.interpacketMin(),
                config.interpacketMax());
  config.setComputeCrc(manager.computeCrc());
  config.setComputeChecksum(manager.computeChecksum());
  readStreamDistribution(printer, portNode, config);
  readPortRate(printer, portNode, config);
}

// A port element for a device and port the host never registered configures
// nothing; the user hears of it with the element's place.
void warnUnregisteredPort(TcsManager& manager, const char* direction, int32_t device, int32_t port) {
  manager.printer().print("Corvel> Warning, the %s port element for device %d port %d names a port the host did "
                          "not register; it is ignored\n",
                          direction, device, port);
  manager.printPlace();
}

// Reads one receive-port element. A message text is reported as a parse
// error of TcsRxPortMgt, which ends the reading of the ports.
void _readRxPort(TcsManager& manager, const xmlNode* portNode, const GeneratePortConfig& defaults,
                 PortDirectory& devices) {
  if (manager.status() != TcsManager::kStatusOk) return;
  try {
    const PlaceScope place(portNode);
    GeneratePortConfig config = defaults;
    bool found = false;
    const int32_t device = GetAttributeInt(portNode, "device", found);
    const int32_t port = GetAttributeInt(portNode, "port", found);
    PortTrafficGenerator* generator = devices.findGenerator(device, port);
    if (generator == nullptr) {
      warnUnregisteredPort(manager, "rx", device, port);
      return;
    }
    config.setRateAndBusFrequency(generator->rate(), generator->mediaBusClockFrequency());
    printPort(manager, device, port, config);

    readRxSettings(manager, portNode, config);
    const StreamMerge merge = readStreamMerge(portNode);

    // The configuration goes first: the generator builds its frame source from it.
    generator->setPortConfig(config);
    if (const char* directory = config.dataLogDirectory()) generator->setDataLogDirectory(directory);
    if (const char* directory = config.pduDataLogDirectory()) generator->setPduLogDirectory(directory);
    assignPolicySets(manager, portNode, config, generator, nullptr);
    if (manager.status() != TcsManager::kStatusOk) return;
    assignRxStreamSets(manager, portNode, merge, *generator);
  } catch (const TextError& error) {
    manager.ReportParseError(kRxPortUnit, std::nullopt, error.text());
  } catch (...) {
    manager.printer().print("Corvel> ERROR: Exception in TcsManager::_readRxPort()!\n");
    throw;
  }
}

// Runs one step of a transmit port: a message text is a parse error of
// TcsTxPortMgt, anything else a parse exception of the named method.
template <class Step>
void runTxStep(TcsManager& manager, const char* methodName, Step&& step) {
  try {
    step();
  } catch (const TextError& error) {
    manager.ReportParseError(kTxPortUnit, std::nullopt, error.text());
  } catch (...) {
    manager.ReportParseException(kTxPortUnit, methodName);
  }
}

void _configureTxPortConfig(TcsManager& manager, PortTrafficCapture& capture, PortConfig& config) {
  config.setComputeCrc(manager.computeCrc());
  config.setComputeChecksum(manager.computeChecksum());
  capture.setPortConfig(config);
  if (const char* directory = config.dataLogDirectory()) capture.setDataLogDirectory(directory);
  if (const char* directory = config.pduDataLogDirectory()) capture.setPduLogDirectory(directory);
}

void _configureTxSet(TcsManager& manager, const xmlNode* portNode, PortTrafficCapture& capture) {
  for (xmlNode* assignment : selectNodes(portNode, "./assign_stream_set")) {
    const PlaceScope place(assignment, "id");
    const std::string id = assignedId(assignment);
    manager.printer().print("Corvel>     Stream: %s\n", id.c_str());
    StreamSetDefinition* set = assignedSet(manager, id, "unable to find stream");
    if (set == nullptr) return;
    if (!set->isCapture()) throw TextError("adding a Rx stream to a Tx stream");
    while (const ProtocolStack* stack = set->nextStack()) capture.addStream(*stack);
  }
}

void _readTxPort(TcsManager& manager, const xmlNode* portNode, const PortConfig& defaults,
                 PortDirectory& devices) {
  if (manager.status() != TcsManager::kStatusOk) return;
  // Every step's report names the port element, or a place inside it.
  const PlaceScope place(portNode);
  PortTrafficCapture* capture = nullptr;
  PortConfig config = defaults;
  runTxStep(manager, "_readTxPort", [&] {
    bool found = false;
    const int32_t device = GetAttributeInt(portNode, "device", found);
    const int32_t port = GetAttributeInt(portNode, "port", found);
    capture = devices.findCapture(device, port);
    if (auto text = logDirectoryOf(GetAttribute(portNode, "capture_pcapng_dir")))
      config.setCapturePcapngDirectory(text->c_str());
    if (capture == nullptr) {
      warnUnregisteredPort(manager, "tx", device, port);
      return;
    }
    config.setRateAndBusFrequency(capture->rate(), capture->mediaBusClockFrequency());
    printPort(manager, device, port, config);
  });
  if (capture == nullptr || manager.status() != TcsManager::kStatusOk) return;
  runTxStep(manager, "_configureTxPortConfig", [&] { _configureTxPortConfig(manager, *capture, config); });
  if (manager.status() != TcsManager::kStatusOk) return;
  runTxStep(manager, "_configureTxPolicies", [&] { assignPolicySets(manager, portNode, config, nullptr, capture); });
  if (manager.status() != TcsManager::kStatusOk) return;
  runTxStep(manager, "_configureTxSet", [&] { _configureTxSet(manager, portNode, *capture); });
}

}  // namespace

bool TcsManager::readRxPorts(PortDirectory& devices) {
  if (_status != kStatusOk) return false;
  GeneratePortConfig defaults;
  if (xmlNode* section = selectSingleNode(_documentNode, "//corvel/rx_ports")) {
    readLogDirectories(section, "shape_datalog_dir", defaults);
  }
  const std::vector<xmlNode*> sections = selectNodes(_documentNode, "//corvel/rx_ports");
  if (sections.empty()) {
    _printer->print("Corvel> ERROR: Could not find stream node\n");
    return false;
  }
  _printer->print("Corvel> ------ Retreiving Rx Ports ------\n");
  bool found = false;
  for (xmlNode* section : sections) {
    const std::vector<xmlNode*> ports = portElements(section);
    // Receive ports are read from the last element to the first.
    for (auto port = ports.rbegin(); port != ports.rend() && _status == kStatusOk; ++port) {
      _readRxPort(*this, *port, defaults, devices);
      found = true;
    }
  }
  return found;
}

bool TcsManager::readTxPorts(PortDirectory& devices) {
  if (_status != kStatusOk) return false;
  PortConfig defaults(0);
  if (xmlNode* section = selectSingleNode(_documentNode, "//corvel/tx_ports")) {
    readLogDirectories(section, "police_datalog_dir", defaults);
    if (auto text = logDirectoryOf(GetAttribute(section, "capture_pcapng_dir")))
      defaults.setCapturePcapngDirectory(text->c_str());
  }
  const std::vector<xmlNode*> sections = selectNodes(_documentNode, "//corvel/tx_ports");
  if (sections.empty()) {
    _printer->print("Corvel> ERROR: Could not find stream node\n");
    return false;
  }
  _printer->print("Corvel> ------ Retreiving Tx Ports ------\n");
  bool found = false;
  for (xmlNode* section : sections) {
    for (xmlNode* port : portElements(section)) {
      if (_status != kStatusOk) break;
      _readTxPort(*this, port, defaults, devices);
      found = true;
    }
  }
  return found;
}

}  // namespace corvel
