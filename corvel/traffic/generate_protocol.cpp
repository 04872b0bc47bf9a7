#include "corvel/traffic/generate_protocol.h"

#include <limits>

#include "corvel/base/random.h"
#include "corvel/base/text_error.h"
#include "corvel/protocols/payload/payload_config.h"
#include "corvel/protocols/protocol_stack.h"
#include "corvel/stats/event.h"
#include "corvel/stats/run_records.h"
#include "corvel/traffic/bit_error_injector.h"
#include "corvel/traffic/generate_port_config.h"
#include "corvel/traffic/nonschedule_stream_distribution.h"
#include "corvel/traffic/port_traffic_generator.h"
#include "corvel/traffic/schedule_stream_distribution.h"
#include "corvel/traffic/shaping_policy.h"

namespace corvel {

namespace {

// The payload tag holds the stream number in one byte.
constexpr size_t kMaxTaggedStreams = 255;
constexpr uint64_t kDefaultBitErrorSeed = 0x43525645u;
std::optional<uint32_t> g_bitErrorSeed;

bool carriesTag(const ProtocolStack& stack) {
  if (stack.count() == 0) return false;
  const auto* payload = dynamic_cast<const PayloadConfig*>(&stack.at(0));
  return payload && payload->txDevice() >= 0 && payload->txPort() >= 0;
}

// Why a stack cannot carry frames, or null.
const char* stackFault(const ProtocolStack& stack) {
  if (stack.count() == 0) return "No protocol headers defined for stream";
  if (stack.at(0).kind() != ProtocolKind::Payload) return "First protocol is not a payload.";
  if (!stack.at(stack.count() - 1).isDatalink()) return "Last-Tail protocol is not a datalink protocol";
  return nullptr;
}

}  // namespace

void GenerateProtocol::setBitErrorSeed(std::optional<uint32_t> seed) noexcept { g_bitErrorSeed = seed; }

GenerateProtocol::GenerateProtocol(PortTrafficGenerator& port) : _port(port) {}

GenerateProtocol::~GenerateProtocol() = default;

void GenerateProtocol::setConfiguration(const GeneratePortConfig& config) {
  if (_config) _port.announceError("Port configuration rejected, port has already been configured");
  auto copy = std::make_unique<GeneratePortConfig>(config);
  if (copy->bitErrorRate() > 0.0) {
    if (copy->bitErrorRate() > 1.0) _port.announceError("Bit error range must be between 0.0 and 1.0");
    // Every port draws its own bit errors, repeatable for a given seed.
    const uint64_t base = g_bitErrorSeed ? *g_bitErrorSeed : kDefaultBitErrorSeed;
    const uint64_t seed = base * 0x9E3779B97F4A7C15ull + (static_cast<uint64_t>(_port.device()) << 8) +
                          static_cast<uint64_t>(_port.port());
    _bitErrors = std::make_unique<BitErrorInjector>(copy->bitErrorRate(), copy->maxBurstLength(), seed);
  }
  _config = std::move(copy);
}

void GenerateProtocol::addStream(const ProtocolStack& stack) {
  if (_streams.size() >= kMaxTaggedStreams && !_streams.empty() && carriesTag(*_streams.front()))
    _port.announceError("Port cannot carry more than 255 tagged streams");
  _streams.push_back(std::make_unique<ProtocolStack>(stack));
}

void GenerateProtocol::addPolicy(std::shared_ptr<const ShapingPolicy> policy) {
  if (policy) _policies.push_back(std::move(policy));
}

void GenerateProtocol::setup(int32_t startArgument) {
  if (!_config) _port.announceError("Port has no port configuration");
  if (_streams.empty()) {
    _port.setState(enPortStateRunning);
    _port.announceText(enEventSeverityWarning, "Port has no assigned streams");
    _port.setState(enPortStateComplete);
    return;
  }
  for (size_t i = 0; i < _streams.size(); ++i) {
    if (const char* fault = stackFault(*_streams[i])) {
      auto event = std::make_unique<StreamEvent>(_port.identity(), enEventSeverityError, static_cast<int32_t>(i), -1, fault);
      event->setKind(enEventKindFrameProcessed);
      _port.announceError(std::move(event));
    }
  }
  buildDistribution(startArgument);
  openSendLogs();
  _recordedStarts.assign(_streams.size(), 0);
  GeneratedStreamFrame first = _distribution->firstFrame(0);
  if (first.kind() == enFrameEndOfTraffic) _port.announceError("unable to setup first frame");
  first.setStarted(true);
  _current = std::move(first);
  _cursor = 0;
  if (!_port.pduLogFileName().empty()) _pduLog.open(_port.pduLogFileName());
  _port.setState(enPortStateRunning);
  _interpacketRange.emplace(_config->interpacketMin(), _config->interpacketMax());
  if (_config->rateProfile()) _pacer.emplace(*_config->rateProfile());
}

void GenerateProtocol::buildDistribution(int32_t startArgument) {
  // Each stream takes the first contract, in assignment order, that matches it.
  std::vector<std::unique_ptr<ShapingPolicy>> policies(_streams.size());
  for (size_t i = 0; i < _streams.size(); ++i) {
    for (const auto& policy : _policies) {
      if (policy->matches(*_streams[i])) {
        policies[i] = policy->instantiate();
        break;
      }
    }
  }
  const StreamSource source{&_streams, &policies};
  const int32_t type = _config->streamDistribution().type;
  const char* failure = nullptr;
  switch (type) {
    case enStreamDistributionSequential:
      _distribution = std::make_unique<SeqStreamDistribution>(_port, *_config, source);
      failure = "Unabled to instantiate SeqStreamDistribution";
      break;
    case enStreamDistributionRandomInterleave:
      _distribution = std::make_unique<RandomStreamDistribution>(_port, *_config, source);
      failure = "Unabled to instantiate InterleaveStreamDistribution";
      break;
    case enStreamDistributionSequentialInterleave:
      _distribution = std::make_unique<InterleaveStreamDistribution>(_port, *_config, source);
      failure = "Unabled to instantiate InterleaveStreamDistribution";
      break;
    case enStreamDistributionTm41:
      _distribution = std::make_unique<TM41StreamDistribution>(_port, *_config, source);
      failure = "Unabled to instantiate TM41StreamDistribution";
      break;
    case enStreamDistributionTokenBucket:
      _distribution = std::make_unique<TokenBucketStreamDistribution>(_port, *_config, source, *this, startArgument);
      failure = "Unabled to instantiate Tokenbucket stream distribution";
      break;
    default:
      _port.announceError("no implementation for the specified stream distribution");
  }
  if (!_distribution) _port.announceError("Port unable to retreive a stream source");
  if (!_distribution->valid()) {
    _distribution.reset();
    _port.announceError(failure);
  }
}

// The transmit ports measure the latency of every tagged PDU from the cycle
// its last byte leaves here; the logs are made now, so that the byte path
// only writes into them.
void GenerateProtocol::openSendLogs() {
  _sendLogs.assign(_streams.size(), nullptr);
  RunRecords* records = _port.runRecords();
  if (!records) return;
  for (size_t i = 0; i < _streams.size(); ++i) {
    if (!carriesTag(*_streams[i])) continue;
    _sendLogs[i] = records->latency.sendLog({_port.device(), _port.port(), static_cast<int32_t>(i)});
    const auto& payload = static_cast<const PayloadConfig&>(_streams[i]->at(0));
    if (_sendLogs[i]) _sendLogs[i]->setDestination(payload.txDevice(), payload.txPort());
  }
}

const uint8_t* GenerateProtocol::deliver() {
  if (_bitErrors) _output = _bitErrors->apply(_output);
  return &_output;
}

void GenerateProtocol::endFrame(uint32_t cycle, uint8_t& endOfPacket) {
  _current->setEndCycle(cycle);
  _frameEnd = _now;
  endOfPacket = 1;
  const auto stream = static_cast<size_t>(_current->streamNumber());
  if (_current->isLast() && _current->taggedPdu() >= 0 && stream < _sendLogs.size() && _sendLogs[stream])
    _sendLogs[stream]->record(static_cast<uint8_t>(_current->taggedPdu()), cycle, _current->taggedSequence());
  StreamEvent event(_port.identity(), enEventKindFrameProcessed, _current->streamNumber(), _current->pduNumber());
  event.setFrame(&*_current);
  _port.announce(event);
}

const uint8_t* GenerateProtocol::nextByte(bool& endOfTraffic, uint8_t& endOfPacket, uint32_t cycle) {
  _output = 0;
  endOfTraffic = false;
  endOfPacket = 0;
  if (_port.state() == enPortStateComplete) {
    _port.announceText(enEventSeverityWarning, "Port was requested data, however, it is enPortStateComplete.");
    return nullptr;
  }
  if (_port.state() != enPortStateRunning) _port.announceError("Port is not in the enRunning state");
  advanceClock(cycle);
  // Nothing in hand, or a frame of a kind that carries no bytes here: no byte.
  if (!_current) return nullptr;
  if (!_current->started()) {
    _current->setStarted(true);
    _cursor = 0;
  }
  switch (_current->kind()) {
    case enFrameData: {
      const std::span<const uint8_t> data = _current->data();
      if (_cursor < data.size()) {
        _output = data[_cursor];
        if (++_cursor == data.size()) endFrame(cycle, endOfPacket);
        return deliver();
      }
      _current.reset();
      break;
    }
    case enFrameIdle: {
      PortEvent event(_port.identity(), enEventKindIdleFrameEnded);
      _port.announce(event);
      _current.reset();
      break;
    }
    default:
      return nullptr;
  }
  return takeNextFrame(endOfTraffic, endOfPacket, cycle);
}

const uint8_t* GenerateProtocol::takeNextFrame(bool& endOfTraffic, uint8_t& endOfPacket, uint32_t cycle) {
  try {
    _current = _distribution->nextFrame(cycle);
  } catch (const TextError& error) {
    // A stream that fails while running stops the port once; the controller
    // then ignores its further requests instead of reporting every cycle.
    _current.reset();
    _port.setState(enPortStateError);
    _port.announceError(error.text());
  }
  _current->setStarted(true);
  _cursor = 0;
  switch (_current->kind()) {
    case enFrameIdle:
      endOfPacket = 1;
      return nullptr;
    case enFrameData: {
      const std::span<const uint8_t> data = _current->data();
      if (data.empty()) {  // nothing to send: the request gives no byte
        _current.reset();
        return nullptr;
      }
      _output = data[0];
      _cursor = 1;
      const auto stream = static_cast<size_t>(_current->streamNumber());
      if (_current->origin().startsRecordedClock && stream < _recordedStarts.size()) _recordedStarts[stream] = _now;
      if (_current->isFirst() && _pduLog.isOpen()) {
        const std::span<const uint8_t> pdu = _current->pdu().empty() ? data : _current->pdu();
        _pduLine.clear();
        appendHex(_pduLine, pdu.data(), pdu.size());
        _pduLine.push_back('\n');
        _pduLog.write(_pduLine);
      }
      if (data.size() == 1) endFrame(cycle, endOfPacket);
      return deliver();
    }
    case enFrameEndOfTraffic:
      endOfTraffic = true;
      _current.reset();
      _port.setState(enPortStateComplete);
      return nullptr;
    default:
      return nullptr;
  }
}

void GenerateProtocol::advanceClock(uint32_t cycle) noexcept {
  // Differences of the 32-bit values are right across a wrap.
  _now = _clockStarted ? _now + static_cast<uint32_t>(cycle - _lastCycle) : cycle;
  _clockStarted = true;
  _lastCycle = cycle;
}

// After a record of a capture replayed at its recorded pace: the gap that
// starts the next record at its timestamp's cycle, counted from the first
// record of the pass (the port's clock, rounded down), or at once when the
// frames before have made it late.
std::optional<int32_t> GenerateProtocol::recordedGap() const {
  if (!_current || _current->kind() != enFrameData) return std::nullopt;
  const FrameOrigin& origin = _current->origin();
  const auto stream = static_cast<size_t>(origin.streamIndex);
  const int32_t megahertz = _config->busFrequency();
  if (origin.nextRecordedNs < 0 || stream >= _recordedStarts.size() || megahertz <= 0) return std::nullopt;
  const __int128 due = static_cast<__int128>(_recordedStarts[stream]) +
                       static_cast<__int128>(origin.nextRecordedNs) * megahertz / 1000;
  const __int128 gap = due - static_cast<__int128>(_frameEnd + 1);
  if (gap <= 0) return 0;
  return static_cast<int32_t>(std::min<__int128>(gap, std::numeric_limits<int32_t>::max()));
}

int32_t GenerateProtocol::interpacketTime() {
  if (!_config) return 0;
  if (const std::optional<int32_t> gap = recordedGap()) return *gap;
  if (_config->streamDistribution().type == enStreamDistributionTokenBucket) return _tokenBucketGap;
  if (_pacer) return pacedGap();
  if (!_interpacketRange) return 0;
  return Random::uniform(_interpacketRange->first, _interpacketRange->second);
}

// The gap after the frame just ended that keeps the port at its rate.
int32_t GenerateProtocol::pacedGap() {
  const size_t length = _current && _current->kind() == enFrameData ? _current->data().size() : 0;
  bool late = false;
  const int32_t gap = _pacer->gapCycles(length, late);
  if (late && !_paceWarned) {
    _paceWarned = true;
    _port.announceText(enEventSeverityWarning, "Port falls behind its rate: a frame is longer than its share");
  }
  return gap;
}

void GenerateProtocol::setTokenBucketGap(std::optional<int64_t> gapCycles) {
  const int32_t minimum = _interpacketRange ? _interpacketRange->first : _config->interpacketMin();
  if (!gapCycles) {
    _tokenBucketGap = minimum;
    return;
  }
  if (*gapCycles >= minimum) {
    _tokenBucketGap = static_cast<int32_t>(std::min<int64_t>(*gapCycles, std::numeric_limits<int32_t>::max()));
    return;
  }
  _tokenBucketGap = minimum;
  PortEvent event(_port.identity(), enEventKindInterpacketRaised);
  _port.announce(event);
}

uint64_t GenerateProtocol::flippedBits() const noexcept { return _bitErrors ? _bitErrors->flippedBits() : 0; }

}  // namespace corvel
