// The frame source of a receive port: it holds the port's configuration and
// streams, builds the stream distribution at start, and hands out the bytes
// of the current frame one request at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "corvel/base/log_file.h"
#include "corvel/protocols/generated_stream_frame.h"
#include "corvel/traffic/rate_pacing.h"

namespace corvel {

class BitErrorInjector;
class GeneratePortConfig;
class PduSendLog;
class PortTrafficGenerator;
class ProtocolStack;
class ShapingPolicy;
class StreamDistribution;

class GenerateProtocol {
 public:
  // The seed of the bit-error generators; set from the TCS file's
  // random_number_seed when it has one.
  static void setBitErrorSeed(std::optional<uint32_t> seed) noexcept;

  explicit GenerateProtocol(PortTrafficGenerator& port);
  ~GenerateProtocol();
  GenerateProtocol(const GenerateProtocol&) = delete;
  GenerateProtocol& operator=(const GenerateProtocol&) = delete;

  // Keeps a copy; a second configuration is refused.
  void setConfiguration(const GeneratePortConfig& config);
  const GeneratePortConfig* configuration() const noexcept { return _config.get(); }

  void addStream(const ProtocolStack& stack);
  int32_t streamCount() const noexcept { return static_cast<int32_t>(_streams.size()); }
  void addPolicy(std::shared_ptr<const ShapingPolicy> policy);

  // Checks the streams, builds the distribution and takes its first (idle)
  // frame; the port is then running.
  void setup(int32_t startArgument);

  const uint8_t* nextByte(bool& endOfTraffic, uint8_t& endOfPacket, uint32_t cycle);
  int32_t interpacketTime();

  // The token-bucket distribution's gap after every choice, in host cycles;
  // nothing when no contract was asked.
  void setTokenBucketGap(std::optional<int64_t> gapCycles);

  uint64_t flippedBits() const noexcept;
  bool bitErrorsOn() const noexcept { return _bitErrors != nullptr; }

 private:
  void buildDistribution(int32_t startArgument);
  void openSendLogs();
  void endFrame(uint32_t cycle, uint8_t& endOfPacket);
  const uint8_t* deliver();
  const uint8_t* takeNextFrame(bool& endOfTraffic, uint8_t& endOfPacket, uint32_t cycle);
  void advanceClock(uint32_t cycle) noexcept;
  std::optional<int32_t> recordedGap() const;
  int32_t pacedGap();

  PortTrafficGenerator& _port;
  std::unique_ptr<GeneratePortConfig> _config;
  std::vector<std::unique_ptr<ProtocolStack>> _streams;
  std::vector<std::shared_ptr<const ShapingPolicy>> _policies;
  std::unique_ptr<BitErrorInjector> _bitErrors;
  std::optional<std::pair<int32_t, int32_t>> _interpacketRange;
  // The pace of the port's rate element; `_paceWarned` once it fell behind.
  std::optional<RatePacer> _pacer;
  bool _paceWarned = false;
  std::unique_ptr<StreamDistribution> _distribution;
  std::optional<GeneratedStreamFrame> _current;
  size_t _cursor = 0;
  uint8_t _output = 0;
  int32_t _tokenBucketGap = 0;
  LogFile _pduLog;
  std::string _pduLine;
  // Per stream: where the end cycles of its tagged PDUs go (null: nowhere).
  std::vector<PduSendLog*> _sendLogs;
  // The host's 32-bit cycle unwrapped, so that a replayed capture longer
  // than 2^32 cycles keeps its pace; the cycle of the last frame's last byte;
  // per stream the cycle at which its recorded clock started (the first
  // byte of the first record of the current pass over its file).
  uint64_t _now = 0;
  uint32_t _lastCycle = 0;
  bool _clockStarted = false;
  uint64_t _frameEnd = 0;
  std::vector<uint64_t> _recordedStarts;
};

}  // namespace corvel
