#include "corvel/traffic/stream_distribution.h"

#include "corvel/base/text_error.h"
#include "corvel/protocols/encapsulator_factory.h"
#include "corvel/protocols/protocol_stack.h"
#include "corvel/traffic/frame_distribution.h"
#include "corvel/traffic/generate_port_config.h"
#include "corvel/traffic/port_traffic.h"
#include "corvel/traffic/shaping_policy.h"

namespace corvel {

DistributionStream::DistributionStream() = default;
DistributionStream::~DistributionStream() = default;
DistributionStream::DistributionStream(DistributionStream&&) noexcept = default;

bool DistributionStream::hasFrameReady() const { return frames->ready() && frames->pendingFrames() > 0; }

StreamDistribution::StreamDistribution(PortTraffic& port, const GeneratePortConfig& config,
                                       const StreamSource& source, bool readyAtStart)
    : _port(port), _config(config), _idle(std::make_unique<IdlePFrameDistribution>()) {
  if (!source.stacks) return;
  const auto& stacks = *source.stacks;
  _streams.reserve(stacks.size());
  for (size_t i = 0; i < stacks.size(); ++i) {
    DistributionStream stream;
    stream.index = static_cast<int32_t>(i);
    ChainSettings settings;
    settings.computeCrc = config.computeCrc();
    settings.computeChecksum = config.computeChecksum();
    settings.streamIndex = stream.index;
    settings.rxDevice = port.device();
    settings.rxPort = port.port();
    settings.iterationLimit = 1;
    try {
      stream.builder = buildFrameBuilder(*stacks[i], settings);
      stream.frames = std::make_unique<SeqPFrameDistribution>(stream.index, *stream.builder, readyAtStart);
    } catch (const TextError&) {
      _valid = false;
      return;
    }
    if (!stream.frames->initialised()) {
      _valid = false;
      return;
    }
    if (source.policies && i < source.policies->size()) stream.policy = std::move((*source.policies)[i]);
    _streams.push_back(std::move(stream));
  }
}

StreamDistribution::~StreamDistribution() = default;

GeneratedStreamFrame StreamDistribution::stamped(GeneratedStreamFrame frame, uint32_t cycle) {
  if (frame.kind() == enFrameNew) frame.setKind(enFrameData);
  frame.setCycle(cycle);
  return frame;
}

GeneratedStreamFrame StreamDistribution::endOfTraffic(uint32_t cycle) {
  GeneratedStreamFrame frame(enFrameEndOfTraffic);
  frame.setCycle(cycle);
  return frame;
}

GeneratedStreamFrame StreamDistribution::firstFrame(uint32_t cycle) {
  bool pduFinished = false;
  bool streamFinished = false;
  return stamped(*_idle->nextFrame(pduFinished, streamFinished), cycle);
}

}  // namespace corvel
