// A pcap stream: the records of a capture file sent as the frames of one
// stream, each record one PDU of one frame, bytes as recorded. The whole
// stack of its stream: the configuration is payload and datalink at once,
// nothing is encapsulated, padded or tagged (the capture side verifies such
// frames by their structure, signature="0"). With the FCS added, a record
// shorter than 60 bytes is first padded with zeros to 60, as the sending
// interface pads it, and the IEEE 802.3 FCS is appended.
//
// The file is read and checked once, at load; its image is shared, never
// written, by every copy of the configuration and by the frames in flight.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "corvel/base/capture_file.h"
#include "corvel/protocols/data_generator.h"
#include "corvel/protocols/payload/payload_config.h"
#include "corvel/protocols/payload/payload_encap.h"

namespace corvel {

enum class PcapFcs { Keep, Add };
enum class PcapTiming { Recorded, Port };

class PcapStreamConfig : public PayloadConfig {
 public:
  // Throws "iterations must be 1 or more" for a count below 1.
  PcapStreamConfig(std::shared_ptr<const CaptureTrace> trace, PcapFcs fcs, PcapTiming timing, int32_t iterations);
  std::unique_ptr<ProtocolConfig> clone() const override;
  // One size per record.
  void recount() override;

  const std::shared_ptr<const CaptureTrace>& trace() const { return _trace; }
  PcapFcs fcs() const { return _fcs; }
  PcapTiming timing() const { return _timing; }

 private:
  std::shared_ptr<const CaptureTrace> _trace;
  PcapFcs _fcs;
  PcapTiming _timing;
};

// Walks the records pass after pass; it builds no bytes itself.
class PcapStreamEncapsulator : public PayloadEncapsulator {
 public:
  explicit PcapStreamEncapsulator(const PcapStreamConfig& config);
  void nextSize() override {}
  void nextIteration() override;

  const CaptureTrace& trace() const { return *_trace; }
  const std::shared_ptr<const CaptureTrace>& sharedTrace() const { return _trace; }
  PcapFcs fcs() const { return _fcs; }
  PcapTiming timing() const { return _timing; }

 private:
  std::shared_ptr<const CaptureTrace> _trace;
  PcapFcs _fcs;
  PcapTiming _timing;
};

// Frame builder of a pcap stream. A record sent as recorded is handed out in
// place (its frame shares the file image); one that gains an FCS is copied
// into one of a few blocks that take turns, so the steady state allocates
// only the frame list.
class PcapStreamGenerator : public DataGenerator {
 public:
  // The first layer of `chain` must be a PcapStreamEncapsulator.
  explicit PcapStreamGenerator(EncapsulatorChain chain);
  GeneratedFrameList generate(int32_t callerValue) override;

 private:
  std::span<const uint8_t> withFcs(std::span<const uint8_t> record);
  FrameOrigin origin(int32_t callerValue, size_t index, size_t size) const;

  PcapStreamEncapsulator* _pcap = nullptr;
  std::vector<std::shared_ptr<uint8_t[]>> _blocks;
  std::shared_ptr<uint8_t[]> _block;  // the block being filled
  size_t _blockSize = 0;
};

}  // namespace corvel
