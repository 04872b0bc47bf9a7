// The receive-side port object: it produces the bytes the host delivers to the
// processor on one receive port. The frames come from its frame source
// (GenerateProtocol), which holds the port's configuration, its streams and
// the stream distribution; the generator adds the port state rules, the byte
// listeners (the byte data log) and the statistics it attaches at start.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "corvel/traffic/port_traffic.h"

namespace corvel {

class CaptureIntf;
class GeneratePortConfig;
class GenerateProtocol;
class LogCapturedBytes;
class Observer;
class ProtocolStack;
class ShapingPolicy;

class PortTrafficGenerator : public PortTraffic {
 public:
  PortTrafficGenerator(int32_t device, int32_t port);
  ~PortTrafficGenerator() override;

  // The configuration the port was given, or null when the TCS file did not
  // configure this port.
  const PortConfig* portConfig() const noexcept { return portConfiguration(); }
  // The frame source's configuration, or null.
  const GeneratePortConfig* generateConfig() const noexcept;

  // Configuration, all while the port is uninitialised (otherwise an error
  // event is announced and its text thrown). setPortConfig keeps a copy; a
  // second configuration is refused with "Port configuration rejected, port
  // has already been configured". An interpacket maximum of 0 takes the
  // host's interpacket time for both bounds.
  void setPortConfig(const GeneratePortConfig& config);
  // Appends a copy of the stack as the port's next stream.
  void addStream(const ProtocolStack& stack);
  // Opens the byte data log (RxFrames...) under the directory.
  void setDataLogDirectory(const char* directory);
  void checkUninitialized();
  // Makes `policy` the shaping contract of the streams it matches (the first
  // policy assigned that matches a stream wins).
  void assignPolicy(std::shared_ptr<const ShapingPolicy> policy);

  // Starts the port once; startArgument is handed on to the stream distribution.
  void Start(int32_t startArgument);

  // The next byte for the host, or null when there is none for this request.
  // endOfPacket is set on the last byte of a frame, endOfTraffic when the
  // port has no more traffic.
  const uint8_t* nextByte(bool& endOfTraffic, uint8_t& endOfPacket, uint32_t cycle);

  // The gap, in cycles, before the next frame.
  int32_t interpacketTime();

  // Bits flipped by the bit-error injection so far.
  uint64_t flippedBits() const noexcept;
  int32_t streamCount() const noexcept;

 private:
  GenerateProtocol& frameSource();

  std::unique_ptr<GenerateProtocol> _frameSource;
  std::unique_ptr<Observer> _generatorStatistic;
  std::unique_ptr<Observer> _schedulingStatistic;
  std::unique_ptr<LogCapturedBytes> _byteLog;
  std::vector<CaptureIntf*> _byteListeners;
};

}  // namespace corvel
