// A stream distribution decides, frame by frame, which of a receive port's
// streams the next frame comes from. Every distribution builds one frame
// builder and one frame dispenser per stream at construction; the
// non-scheduled ones take frames whenever asked, the scheduled ones pick a
// stream only when its traffic contract allows.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "corvel/protocols/generated_stream_frame.h"

namespace corvel {

class DataGenerator;
class GeneratePortConfig;
class IdlePFrameDistribution;
class PFrameDistribution;
class PortTraffic;
class ProtocolStack;
class ShapingPolicy;

// One stream of the port as the distribution runs it.
struct DistributionStream {
  DistributionStream();
  ~DistributionStream();
  DistributionStream(DistributionStream&&) noexcept;

  int32_t index = 0;
  std::unique_ptr<DataGenerator> builder;
  std::unique_ptr<PFrameDistribution> frames;
  // The stream's traffic contract; null for an unassigned stream.
  std::unique_ptr<ShapingPolicy> policy;

  bool hasFrameReady() const;
};

// What a distribution is built from.
struct StreamSource {
  const std::vector<std::unique_ptr<ProtocolStack>>* stacks = nullptr;
  // A contract per stream (same order as the stacks; null entries or a short
  // list leave streams unassigned).
  std::vector<std::unique_ptr<ShapingPolicy>>* policies = nullptr;
};

class StreamDistribution {
 public:
  virtual ~StreamDistribution();
  StreamDistribution(const StreamDistribution&) = delete;
  StreamDistribution& operator=(const StreamDistribution&) = delete;

  // False when a stream could not be built.
  bool valid() const noexcept { return _valid; }
  // The idle frame every port starts with.
  GeneratedStreamFrame firstFrame(uint32_t cycle);
  // The next frame: idle (0), data (2) or end of traffic (3), stamped with the cycle.
  virtual GeneratedStreamFrame nextFrame(uint32_t cycle) = 0;
  // Readiness of one stream (scheduled distributions only).
  virtual void setReadiness(int32_t /*stream*/, int32_t /*value*/) {}

  int32_t streamCount() const noexcept { return static_cast<int32_t>(_streams.size()); }

 protected:
  // readyAtStart is handed to every stream's dispenser.
  StreamDistribution(PortTraffic& port, const GeneratePortConfig& config, const StreamSource& source,
                     bool readyAtStart);

  static GeneratedStreamFrame stamped(GeneratedStreamFrame frame, uint32_t cycle);
  static GeneratedStreamFrame endOfTraffic(uint32_t cycle);

  PortTraffic& port() const noexcept { return _port; }
  const GeneratePortConfig& config() const noexcept { return _config; }
  std::vector<DistributionStream>& streams() noexcept { return _streams; }
  IdlePFrameDistribution& idleSource() noexcept { return *_idle; }

 private:
  PortTraffic& _port;
  const GeneratePortConfig& _config;
  std::vector<DistributionStream> _streams;
  std::unique_ptr<IdlePFrameDistribution> _idle;
  bool _valid = true;
};

}  // namespace corvel
