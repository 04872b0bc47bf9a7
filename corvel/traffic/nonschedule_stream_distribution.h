// The distributions that take a frame whenever asked. They share one loop
// (NonScheduleStreamDistribution::nextFrame) over a list of active streams
// and differ in three steps: which stream starts (initialise), where to go
// when a turn's frame or PDU target is reached (advance), and what happens
// when the current stream is exhausted (dropAndAdvance).
//
// byRow sends a stream's frames until it is exhausted or its turn ends;
// byColumn takes one PDU from each stream in turn, refilling the active list
// from the streams that still hold frames when a pass is over.
#pragma once

#include <cstdint>

#include "corvel/traffic/stream_distribution.h"

namespace corvel {

class NonScheduleStreamDistribution : public StreamDistribution {
 public:
  GeneratedStreamFrame nextFrame(uint32_t cycle) override;

 protected:
  NonScheduleStreamDistribution(PortTraffic& port, const GeneratePortConfig& config, const StreamSource& source);

  // After the turn's target: the stream to continue with. False when there is none.
  virtual bool advance() = 0;
  // The current stream is exhausted (or, byColumn, has sent its PDU of this
  // pass): take it out of the active list and pick the next. False when no
  // active stream is left.
  virtual bool dropAndAdvance() = 0;
  virtual void initialise() = 0;

  // Sets window start/end and the index range over the active list.
  void setWindow();
  int32_t drawFrameTarget() const;
  void removeActive(size_t position);

  std::vector<DistributionStream*> _active;
  size_t _current = 0;      // position in _active
  size_t _windowEnd = 0;    // last position of the window (the upper index)
  int32_t _framesSent = 0;
  int32_t _frameTarget = 0;
  int32_t _pdusSent = 0;
  int32_t _pduTarget = 0;
  int32_t _minFrames = 0;
  int32_t _maxFrames = 0;
  int32_t _iterationType = 0;
  int32_t _boundedStreamSize = 0;

 private:
  void refill();
};

// Streams one after another (byRow), or one PDU of each per pass (byColumn).
class SeqStreamDistribution : public NonScheduleStreamDistribution {
 public:
  SeqStreamDistribution(PortTraffic& port, const GeneratePortConfig& config, const StreamSource& source);

 protected:
  bool advance() override { return false; }
  bool dropAndAdvance() override;
  void initialise() override;
};

// A stream drawn at random from the window for every turn of a drawn number of frames.
class RandomStreamDistribution : public NonScheduleStreamDistribution {
 public:
  RandomStreamDistribution(PortTraffic& port, const GeneratePortConfig& config, const StreamSource& source);

 protected:
  bool advance() override;
  bool dropAndAdvance() override;
  void initialise() override;

 private:
  void pickRandom();
};

// The streams of the window in turn, a drawn number of frames (or a PDU
// count) per turn.
class InterleaveStreamDistribution : public NonScheduleStreamDistribution {
 public:
  InterleaveStreamDistribution(PortTraffic& port, const GeneratePortConfig& config, const StreamSource& source);

 protected:
  bool advance() override;
  bool dropAndAdvance() override;
  void initialise() override;
};

}  // namespace corvel
