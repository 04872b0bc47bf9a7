#include "corvel/traffic/port_traffic_generator.h"

#include "corvel/base/text_error.h"
#include "corvel/stats/event.h"
#include "corvel/stats/generator_statistic.h"
#include "corvel/stats/scheduling_statistic.h"
#include "corvel/traffic/generate_port_config.h"
#include "corvel/traffic/generate_protocol.h"
#include "corvel/traffic/log_captured_bytes.h"

namespace corvel {

namespace {
constexpr const char* kNotUninitialized = "Port is not in the uninitialized state";
}

PortTrafficGenerator::PortTrafficGenerator(int32_t device, int32_t port) : PortTraffic(1, device, port) {}

PortTrafficGenerator::~PortTrafficGenerator() {
  const bool bitErrors = _frameSource && _frameSource->bitErrorsOn();
  const uint64_t flipped = flippedBits();
  _frameSource.reset();
  if (_generatorStatistic) {
    auto* statistic = static_cast<GeneratorStatistic*>(_generatorStatistic.get());
    statistic->writeSummary(bitErrors ? std::optional<uint64_t>(flipped) : std::nullopt);
    detach(statistic);
    _generatorStatistic.reset();
  }
  if (_schedulingStatistic) {
    detach(_schedulingStatistic.get());
    _schedulingStatistic.reset();
  }
  if (_byteLog) _byteLog->Stop();
  _byteListeners.clear();
}

GenerateProtocol& PortTrafficGenerator::frameSource() {
  if (!_frameSource) _frameSource = std::make_unique<GenerateProtocol>(*this);
  return *_frameSource;
}

const GeneratePortConfig* PortTrafficGenerator::generateConfig() const noexcept {
  return _frameSource ? _frameSource->configuration() : nullptr;
}

void PortTrafficGenerator::checkUninitialized() {
  if (state() != enPortStateUninitialized) announceError(kNotUninitialized);
}

void PortTrafficGenerator::setPortConfig(const GeneratePortConfig& config) {
  if (state() != enPortStateUninitialized) announceError("Port is not in enPortStateUninitialized state");
  GeneratePortConfig copy(config);
  try {
    // No maximum in the TCS file: the host's gap for both bounds.
    if (copy.interpacketMax() == 0) copy.setInterpacketTime(hostInterpacketTime());
    copy.setDevice(device());
    copy.setPort(port());
  } catch (const TextError& error) {
    announceError(error.text());
  }
  frameSource().setConfiguration(copy);
  setPortConfiguration(_frameSource->configuration());
}

void PortTrafficGenerator::addStream(const ProtocolStack& stack) {
  checkUninitialized();
  frameSource().addStream(stack);
}

void PortTrafficGenerator::setDataLogDirectory(const char* directory) {
  checkUninitialized();
  if (_byteLog) return;
  auto log = std::make_unique<LogCapturedBytes>();
  log->initialize(*this, directory);
  _byteLog = std::move(log);
  _byteListeners.push_back(_byteLog.get());
}

void PortTrafficGenerator::assignPolicy(std::shared_ptr<const ShapingPolicy> policy) {
  checkUninitialized();
  frameSource().addPolicy(std::move(policy));
}

void PortTrafficGenerator::Start(int32_t startArgument) {
  if (state() != enPortStateUninitialized) announceError("Port is not in the enPortStateUninitialized state");
  if (_frameSource && _frameSource->streamCount() > 0) {
    const GeneratePortConfig* config = _frameSource->configuration();
    if (observerCount() == 0 && config) {
      if (const char* directory = config->eventLogDirectory()) {
        _generatorStatistic = std::make_unique<GeneratorStatistic>(identity(), runRecords(), directory);
        attach(_generatorStatistic.get());
      }
      if (const char* directory = config->shapePoliceDataLogDirectory()) {
        _schedulingStatistic = std::make_unique<SchedulingStatistic>(identity(), runRecords(), directory);
        attach(_schedulingStatistic.get());
      }
    }
    _frameSource->setup(startArgument);
    return;
  }
  // Nothing to send (no frame source, or one without streams): the port
  // runs and completes at once.
  setState(enPortStateRunning);
  announceText(enEventSeverityWarning, "Port has no assigned streams");
  setState(enPortStateComplete);
}

const uint8_t* PortTrafficGenerator::nextByte(bool& endOfTraffic, uint8_t& endOfPacket, uint32_t cycle) {
  endOfPacket = 0;
  endOfTraffic = false;
  if (state() == enPortStateComplete) {
    announceText(enEventSeverityWarning, "Port was requested data, however, it is enPortStateComplete.");
    return nullptr;
  }
  if (state() != enPortStateRunning) announceError("Port is not in the enPortStateRunning state");
  if (!_frameSource) return nullptr;
  const uint8_t* byte = _frameSource->nextByte(endOfTraffic, endOfPacket, cycle);
  if (byte) {
    for (CaptureIntf* listener : _byteListeners) listener->OnByte(*byte, cycle, endOfPacket);
  }
  return byte;
}

int32_t PortTrafficGenerator::interpacketTime() { return _frameSource ? _frameSource->interpacketTime() : 0; }

uint64_t PortTrafficGenerator::flippedBits() const noexcept {
  return _frameSource ? _frameSource->flippedBits() : 0;
}

int32_t PortTrafficGenerator::streamCount() const noexcept {
  return _frameSource ? _frameSource->streamCount() : 0;
}

}  // namespace corvel
