// The transmit-side port object: it receives the bytes the processor sends on
// one transmit port and runs them through three lists of stages: byte stages
// (byte log, frame assembly), frame stages (datalink parsing, PDU assembly
// and verification) and PDU stages. The outcome of every PDU is announced to
// the port's observers, which write the logs.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "corvel/traffic/capture_memory_manager.h"
#include "corvel/traffic/port_traffic.h"

namespace corvel {

class CaptureIntf;
class FramePool;
class CaptureProtocol;
class DatalinkParser;
struct FlowPolicy;
class LogCapturedBytes;
class Observer;
class PcapngCapture;
class PoliceCapturedFrames;
class PortConfig;
class ProtocolStack;

class PortTrafficCapture : public PortTraffic {
 public:
  PortTrafficCapture(int32_t device, int32_t port);
  ~PortTrafficCapture() override;

  // The configuration the port was given, or null when the TCS file did not
  // configure this port.
  const PortConfig* portConfig() const noexcept { return portConfiguration(); }

  // Configuration, while the port is uninitialised. A second configuration
  // is refused with "Port configuration rejected, port has already been
  // configured"; the same stack handed twice with "duplicate protocol stack".
  void setPortConfig(const PortConfig& config);
  void addStream(const ProtocolStack& stack);
  void setDataLogDirectory(const char* directory);
  // One flow of the policy set assigned to the port. Without a police-log
  // directory in the port's configuration the port does not police.
  void addPoliceFlow(const FlowPolicy& flow);

  int32_t streamCount() const noexcept;

  // Builds the pipeline and starts the port: running with streams; without,
  // running then complete with "Port has no assigned streams".
  void initialize();

  // One transmitted byte with the host's cycle value and end-of-frame flag;
  // ignored unless the port is running.
  void processByte(uint8_t& byte, uint32_t cycle, uint8_t endOfFrame) {
    if (state() == enPortStateRunning) captureByte(byte, cycle, endOfFrame);
  }
  // The same for a caller that has found the port running. The common byte
  // (no byte stage, inside a frame) goes straight into the frame buffer.
  void captureByte(uint8_t& byte, uint32_t cycle, uint8_t endOfFrame) {
    if (!endOfFrame && _byteStages.empty() && _memoryManager && _memoryManager->append(byte)) [[likely]]
      return;
    captureAnyByte(byte, cycle, endOfFrame);
  }

 private:
  CaptureProtocol& captureProtocol();
  void captureAnyByte(uint8_t& byte, uint32_t cycle, uint8_t endOfFrame);
  void frameEnded(uint32_t cycle);

  // Idle frame records kept for reuse; the record of a frame in progress
  // and of every held frame come back here. Declared first: it outlives the
  // frame store of the datalink layer.
  static constexpr size_t kIdleFrames = 256;
  std::unique_ptr<FramePool> _framePool;
  std::unique_ptr<CaptureMemoryManager> _memoryManager;
  std::unique_ptr<DatalinkParser> _datalinkParser;
  std::unique_ptr<CaptureProtocol> _captureProtocol;
  std::unique_ptr<Observer> _captureStatistic;
  std::unique_ptr<Observer> _policingStatistic;
  std::unique_ptr<PoliceCapturedFrames> _police;
  std::unique_ptr<LogCapturedBytes> _byteLogger;
  std::unique_ptr<PcapngCapture> _pcapng;
  // Every stream's outermost layer is Ethernet or a VLAN tag: the pcapng
  // capture's link type is Ethernet, otherwise the first user link type.
  bool _ethernetOnly = true;
  std::vector<CaptureIntf*> _byteStages;
  std::vector<CaptureIntf*> _frameStages;
  std::vector<CaptureIntf*> _pduStages;
  // The stacks the streams were copied from; compared by address only (the
  // definitions they belong to live for the load), to refuse a set assigned twice.
  std::vector<const ProtocolStack*> _sources;
};

}  // namespace corvel
