// The distributions that schedule by traffic contract. Streams wait in class
// queues; for every frame the scheduler walks the classes in priority order
// and takes the first stream that has a frame ready and whose contract lets
// it send now. When none may send, the idle source fills the gap. Every
// choice is announced as a QosScheduleEvent with the class's code.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "corvel/traffic/stream_distribution.h"

namespace corvel {

class GenerateProtocol;

// A round-robin queue of streams of one class.
struct StreamQueue {
  std::vector<DistributionStream*> streams;
  size_t next = 0;  // where the next walk starts

  void remove(const DistributionStream* stream);
};

class ScheduleStreamDistribution : public StreamDistribution {
 public:
  GeneratedStreamFrame nextFrame(uint32_t cycle) override;
  void setReadiness(int32_t stream, int32_t value) override;

 protected:
  ScheduleStreamDistribution(PortTraffic& port, const GeneratePortConfig& config, const StreamSource& source,
                             bool readyAtStart);

  // Picks the stream of the next frame (or the idle source). False when no
  // stream is left.
  virtual bool selectNext(uint32_t cycle) = 0;
  // Takes the current stream out of its queue once it is exhausted.
  virtual void removeCurrent() = 0;

  // The first stream of the queue, walking once round from its position,
  // that has a frame ready and passes `accept`; the queue's position moves
  // past it.
  template <class Accept>
  DistributionStream* walk(StreamQueue& queue, Accept accept);
  void announceChoice(int32_t code);

  // Streams still queued.
  int32_t _streamCount = 0;
  DistributionStream* _current = nullptr;  // null: the idle source
  StreamQueue* _currentQueue = nullptr;
};

// TM 4.1 service classes: CBR first, then rt-VBR, nrt-VBR, UBR by priority,
// then the streams without a contract.
class TM41StreamDistribution : public ScheduleStreamDistribution {
 public:
  TM41StreamDistribution(PortTraffic& port, const GeneratePortConfig& config, const StreamSource& source);

 protected:
  bool selectNext(uint32_t cycle) override;
  void removeCurrent() override;

 private:
  StreamQueue _cbr;
  StreamQueue _rtVbr;
  StreamQueue _nrtVbr;
  std::array<StreamQueue, 16> _ubr;
  StreamQueue _unassigned;
};

// Token-bucket shaping: UBR streams by priority take a frame when their
// bucket holds enough tokens; the shortest wait becomes the port's gap.
class TokenBucketStreamDistribution : public ScheduleStreamDistribution {
 public:
  TokenBucketStreamDistribution(PortTraffic& port, const GeneratePortConfig& config, const StreamSource& source,
                                GenerateProtocol& frameSource, int32_t startArgument);

 protected:
  bool selectNext(uint32_t cycle) override;
  void removeCurrent() override;

 private:
  int64_t toCycles(int64_t nanoseconds) const;

  GenerateProtocol& _frameSource;
  std::array<StreamQueue, 16> _priority;
  StreamQueue _unassigned;
};

}  // namespace corvel
