#include "corvel/protocols/pcap_stream/pcap_stream.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "corvel/base/text_error.h"
#include "corvel/protocols/crc32.h"

namespace corvel {

namespace {

// IEEE 802.3: the smallest frame without its FCS, and the FCS itself.
constexpr size_t kMinFrameBytes = 60;
constexpr size_t kFcsBytes = 4;

}  // namespace

PcapStreamConfig::PcapStreamConfig(std::shared_ptr<const CaptureTrace> trace, PcapFcs fcs, PcapTiming timing,
                                   int32_t iterations)
    : PayloadConfig(PayloadKind::PcapStream, true), _trace(std::move(trace)), _fcs(fcs), _timing(timing) {
  if (!_trace || _trace->records.empty()) throw TextError("the file holds no packets");
  if (iterations < 1) throw TextError("iterations must be 1 or more");
  _iterations = iterations;
  setCarriesSignature(false);
  recount();
}

std::unique_ptr<ProtocolConfig> PcapStreamConfig::clone() const { return std::make_unique<PcapStreamConfig>(*this); }

void PcapStreamConfig::recount() { _sizesPerIteration = static_cast<int32_t>(_trace->records.size()); }

PcapStreamEncapsulator::PcapStreamEncapsulator(const PcapStreamConfig& config)
    : PayloadEncapsulator(config.sizesPerIteration(), config.iterations()),
      _trace(config.trace()),
      _fcs(config.fcs()),
      _timing(config.timing()) {}

void PcapStreamEncapsulator::nextIteration() {
  ++_completedIterations;
  _indexInIteration = 0;
}

PcapStreamGenerator::PcapStreamGenerator(EncapsulatorChain chain) : DataGenerator(std::move(chain)) {
  _pcap = dynamic_cast<PcapStreamEncapsulator*>(&payload());
  if (_pcap == nullptr) throw TextError("First protocol is not a payload.");
  if (_pcap->fcs() == PcapFcs::Add) {
    size_t largest = 0;
    for (const CaptureRecord& record : _pcap->trace().records) largest = std::max<size_t>(largest, record.size);
    _blockSize = std::max(largest, kMinFrameBytes) + kFcsBytes;
  }
}

std::span<const uint8_t> PcapStreamGenerator::withFcs(std::span<const uint8_t> record) {
  // The frame before is still on its way out while the next one is built, so
  // the blocks take turns; one is added only when every block is held.
  auto free = std::find_if(_blocks.begin(), _blocks.end(), [](const auto& block) { return block.use_count() == 1; });
  if (free == _blocks.end()) free = _blocks.insert(_blocks.end(), std::make_shared<uint8_t[]>(_blockSize));
  _block = *free;
  const size_t frame = std::max(record.size(), kMinFrameBytes);
  std::memcpy(_block.get(), record.data(), record.size());
  std::memset(_block.get() + record.size(), 0, frame - record.size());
  const std::span<uint8_t> bytes(_block.get(), frame + kFcsBytes);
  EthernetFcs::shared().store(bytes.first(frame), bytes.subspan(frame));
  return bytes;
}

FrameOrigin PcapStreamGenerator::origin(int32_t callerValue, size_t index, size_t size) const {
  const CaptureTrace& trace = _pcap->trace();
  FrameOrigin origin;
  origin.datalinkKind =
      trace.linkType == CaptureTrace::kLinkTypeEthernet ? ProtocolKind::Ethernet : ProtocolKind::Generic;
  origin.streamIndex = _pcap->streamIndex();
  origin.callerValue = callerValue;
  origin.fragmentPayloadLength = static_cast<int32_t>(size);
  if (_pcap->timing() == PcapTiming::Recorded) {
    origin.recordedNs = trace.records[index].nanoseconds;
    origin.startsRecordedClock = index == 0;
    if (index + 1 < trace.records.size()) origin.nextRecordedNs = trace.records[index + 1].nanoseconds;
  }
  return origin;
}

GeneratedFrameList PcapStreamGenerator::generate(int32_t callerValue) {
  if (isDone()) return {};
  const CaptureTrace& trace = _pcap->trace();
  const auto index = static_cast<size_t>(_pcap->indexInIteration());
  if (index >= trace.records.size()) throw TextError("pcap stream record out of range");
  const std::span<const uint8_t> record = trace.bytes(trace.records[index]);
  GeneratedFrameList frames;
  if (_pcap->fcs() == PcapFcs::Add) {
    const std::span<const uint8_t> bytes = withFcs(record);
    frames.emplace_back(enFrameNew, FrameStorage(std::move(_block)), bytes, origin(callerValue, index, bytes.size()),
                        std::span<const uint8_t>());
  } else {
    // The frame keeps the file image alive, not a copy of the record.
    const FrameStorage image(_pcap->sharedTrace(), trace.image.data());
    frames.emplace_back(enFrameNew, image, record, origin(callerValue, index, record.size()),
                        std::span<const uint8_t>());
  }
  _pcap->advance();
  return frames;
}

}  // namespace corvel
