#include "corvel/traffic/port_traffic_capture.h"

#include "corvel/base/print_utility.h"
#include "corvel/base/text_error.h"
#include "corvel/protocols/frame_pool.h"
#include "corvel/protocols/protocol_config.h"
#include "corvel/protocols/protocol_stack.h"
#include "corvel/stats/capture_statistic.h"
#include "corvel/stats/event.h"
#include "corvel/stats/policing_statistic.h"
#include "corvel/traffic/capture_memory_manager.h"
#include "corvel/traffic/capture_protocol.h"
#include "corvel/traffic/datalink_parser.h"
#include "corvel/traffic/log_captured_bytes.h"
#include "corvel/traffic/pcapng_capture.h"
#include "corvel/traffic/police_captured_frames.h"
#include "corvel/traffic/port_config.h"

namespace corvel {

namespace {
constexpr const char* kNotUninitialized = "Port is not in the uninitialized state";

}  // namespace

PortTrafficCapture::PortTrafficCapture(int32_t device, int32_t port)
    : PortTraffic(0, device, port),
      _framePool(std::make_unique<FramePool>(kIdleFrames)),
      _datalinkParser(std::make_unique<DatalinkParser>(*this)) {}

PortTrafficCapture::~PortTrafficCapture() {
  if (_captureProtocol) _captureProtocol->Stop();
  _captureProtocol.reset();  // announces the frames still held
  if (_pcapng) _pcapng->Stop();
  if (_captureStatistic) {
    static_cast<CaptureStatistic*>(_captureStatistic.get())->setVerdictSink(nullptr);
    static_cast<CaptureStatistic*>(_captureStatistic.get())->writeSummary();
    detach(_captureStatistic.get());
    _captureStatistic.reset();
  }
  if (_policingStatistic) {
    detach(_policingStatistic.get());
    _policingStatistic.reset();
  }
  if (_police) _police->Stop();
  _police.reset();
  if (_byteLogger) _byteLogger->Stop();
  _byteLogger.reset();
  _pcapng.reset();
  _memoryManager.reset();
  _datalinkParser.reset();
  _byteStages.clear();
  _frameStages.clear();
  _pduStages.clear();
}

CaptureProtocol& PortTrafficCapture::captureProtocol() {
  if (!_captureProtocol) _captureProtocol = std::make_unique<CaptureProtocol>(*this, *_datalinkParser);
  return *_captureProtocol;
}

int32_t PortTrafficCapture::streamCount() const noexcept {
  return _captureProtocol ? static_cast<int32_t>(_captureProtocol->streamCount()) : 0;
}

void PortTrafficCapture::setPortConfig(const PortConfig& config) {
  if (state() != enPortStateUninitialized) announceError("Port is not in enPortStateUninitialized state");
  PortConfig copy(config);
  try {
    copy.setDevice(device());
    copy.setPort(port());
  } catch (const TextError& error) {
    announceError(error.text());
  }
  captureProtocol().setConfiguration(copy);
  setPortConfiguration(_captureProtocol->configuration());
}

void PortTrafficCapture::addStream(const ProtocolStack& stack) {
  if (state() != enPortStateUninitialized) announceError("Port is not in the enPortStateUninitialized state");
  if (!captureProtocol().configuration()) {
    // A stream without a configuration gets the default one of this port.
    PortConfig config(0);
    config.setDevice(device());
    config.setPort(port());
    _captureProtocol->setConfiguration(config);
    setPortConfiguration(_captureProtocol->configuration());
  }
  // The stacks of one set share the set's name (a loop gives several), so a
  // stream is keyed by its set and its place in the set; a duplicate is the
  // same stack handed twice, its set assigned twice.
  for (const ProtocolStack* known : _sources) {
    if (known == &stack) announceError("duplicate protocol stack");
  }
  int32_t position = 0;
  for (const ProtocolStack* known : _sources) position += known->name() == stack.name() ? 1 : 0;
  char suffix[16];
  std::snprintf(suffix, sizeof suffix, "#%06d", position);
  if (stack.count() == 0) {
    _ethernetOnly = false;
  } else {
    const ProtocolKind datalink = stack.at(stack.count() - 1).kind();
    if (datalink != ProtocolKind::Ethernet && datalink != ProtocolKind::VLan && datalink != ProtocolKind::XVLan)
      _ethernetOnly = false;
  }
  _captureProtocol->addStream(stack, stack.name() + suffix);
  _sources.push_back(&stack);
}

void PortTrafficCapture::setDataLogDirectory(const char* directory) {
  if (state() != enPortStateUninitialized) announceError(kNotUninitialized);
  if (_byteLogger) return;
  auto log = std::make_unique<LogCapturedBytes>();
  log->initialize(*this, directory);
  _byteLogger = std::move(log);
}

void PortTrafficCapture::addPoliceFlow(const FlowPolicy& flow) {
  if (state() != enPortStateUninitialized) announceError("Port is not in the enPortStateUninitialized state");
  if (!_police) {
    const PortConfig* config = _captureProtocol ? _captureProtocol->configuration() : nullptr;
    if (config == nullptr || config->shapePoliceDataLogDirectory() == nullptr) return;
    _police = std::make_unique<PoliceCapturedFrames>(*this, config->busFrequency());
  }
  _police->addFlow(flow);
}

void PortTrafficCapture::initialize() {
  if (state() != enPortStateUninitialized) announceError(kNotUninitialized);
  _sources.clear();  // only needed while the TCS file is read
  if (!_captureProtocol || _captureProtocol->streamCount() == 0) {
    setState(enPortStateRunning);
    announceText(enEventSeverityWarning, "Port has no assigned streams");
    setState(enPortStateComplete);
    return;
  }
  const PortConfig* settings = _captureProtocol->configuration();
  const char* pcapngDirectory = settings ? settings->capturePcapngDirectory() : nullptr;
  if (pcapngDirectory) {
    auto pcapng = std::make_unique<PcapngCapture>();
    pcapng->initialize(pcapngDirectory, device(), port(), identity().clockMhz,
                       _ethernetOnly ? PcapngWriter::kLinkTypeEthernet : PcapngWriter::kLinkTypeUser0);
    _pcapng = std::move(pcapng);
  }
  if (observerCount() == 0) {
    if (const PortConfig* config = _captureProtocol->configuration()) {
      if (const char* directory = config->eventLogDirectory()) {
        _captureStatistic = std::make_unique<CaptureStatistic>(identity(), runRecords(), directory);
        attach(_captureStatistic.get());
      } else if (_pcapng) {
        // Verdict lines for the capture alone: a statistic that writes no log.
        _captureStatistic = std::make_unique<CaptureStatistic>(identity(), runRecords(), nullptr);
        attach(_captureStatistic.get());
      }
      if (const char* directory = config->shapePoliceDataLogDirectory()) {
        _policingStatistic = std::make_unique<PolicingStatistic>(identity(), runRecords(), directory);
        attach(_policingStatistic.get());
      }
    }
  }
  _captureProtocol->initialize();
  if (_police) {
    _police->initialize();
    if (_police->pduFlowCount() > 0) {
      _pduStages.push_back(_police.get());
      sharedPrinter().print("Corvel>    ...registering pdu policing\n");
    }
  }
  _pduStages.push_back(_captureProtocol.get());
  sharedPrinter().print("Corvel>    ...registering pdu verification\n");
  // The datalink parser is the first frame stage; the byte path calls it directly.
  sharedPrinter().print("Corvel>    ...registering frame capture\n");
  if (_pcapng) {
    _frameStages.push_back(_pcapng.get());
    sharedPrinter().print("Corvel>    ...registering pcapng capture\n");
  }
  if (_police && _police->datalinkFlowCount() > 0) {
    _frameStages.push_back(_police.get());
    sharedPrinter().print("Corvel>    ...registering datalink policing\n");
  }
  _frameStages.push_back(_captureProtocol.get());
  sharedPrinter().print("Corvel>    ...registering datalink verification\n");
  _memoryManager = std::make_unique<CaptureMemoryManager>();
  if (_byteLogger) {
    _byteStages.push_back(_byteLogger.get());
    sharedPrinter().print("Corvel>    ...registering byte logging\n");
  }
  if (_pcapng) {
    if (_captureStatistic) static_cast<CaptureStatistic*>(_captureStatistic.get())->setVerdictSink(_pcapng.get());
  }
  // The frame store is the last byte stage; the byte path calls it directly.
  sharedPrinter().print("Corvel>    ...registering byte capture\n");
  _captureProtocol->Start();
  if (_byteLogger) _byteLogger->Start();
  setState(enPortStateRunning);
  announceText(enEventSeverityInformation, "Port capture initialized");
}

void PortTrafficCapture::captureAnyByte(uint8_t& byte, uint32_t cycle, uint8_t endOfFrame) {
  for (CaptureIntf* stage : _byteStages) stage->OnByte(byte, cycle, endOfFrame);
  if (!_memoryManager) return;
  _memoryManager->store(byte, cycle, endOfFrame);
  if (endOfFrame) frameEnded(cycle);
}

void PortTrafficCapture::frameEnded(uint32_t cycle) {
  if (_memoryManager->overflowed()) {
    // A frame longer than any datalink allows: cut at its end and dropped.
    _memoryManager->clear();
    PortEvent dropped(identity(), enEventKindFrameDropped);
    dropped.setText("Captured frame exceeds 65536 bytes");
    announce(dropped);
    return;
  }
  PooledFrame frame = _framePool->acquire();
  frame->firstCycle = _memoryManager->firstCycle();
  frame->lastCycle = _memoryManager->lastCycle();
  _memoryManager->takeData(frame->data);
  // The record stays where it is while the store holds it, and the store
  // gives back a PDU's frames only from the verification, the last stage.
  const CapturedStreamFrame& captured = *frame;
  _datalinkParser->take(frame);
  for (CaptureIntf* stage : _frameStages) stage->OnFrame(captured, cycle);
  if (CapturedStreamPdu* pdu = _captureProtocol->finishedPdu()) {
    for (CaptureIntf* stage : _pduStages) stage->OnPdu(*pdu, cycle);
  }
}

}  // namespace corvel
