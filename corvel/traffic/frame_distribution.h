// Below the stream distribution, every stream has a small pipeline: a frame
// distribution asks the stream's frame builder for the next PDU (already cut
// into datalink frames), and a dispenser hands those frames out one at a
// time and says when a PDU or the whole stream is finished. The idle source
// yields gaps for the scheduled distributions and for the start of a port.
#pragma once

#include <cstdint>
#include <optional>

#include "corvel/protocols/generated_stream_frame.h"

namespace corvel {

class DataGenerator;

// The PDUs of one stream, numbered from 1.
class FrameDistribution {
 public:
  explicit FrameDistribution(DataGenerator& builder) : _builder(builder) {}
  virtual ~FrameDistribution();
  FrameDistribution(const FrameDistribution&) = delete;
  FrameDistribution& operator=(const FrameDistribution&) = delete;

  // The frames of the next PDU; empty once the stream has no more PDUs.
  GeneratedFrameList nextPdu();
  int32_t pduNumber() const noexcept { return _pduNumber; }

 protected:
  // Sees every new PDU before it is handed out.
  virtual void lookAtPdu(const GeneratedFrameList& frames) = 0;

 private:
  DataGenerator& _builder;
  int32_t _pduNumber = 1;
};

// PDUs one after another in stream order.
class SeqFrameDistribution : public FrameDistribution {
 public:
  using FrameDistribution::FrameDistribution;

 protected:
  void lookAtPdu(const GeneratedFrameList& /*frames*/) override {}
};

// Readiness states of a dispenser; only a ready one may be scheduled.
enum PFrameState : int32_t {
  enPFrameIdle = 0,
  enPFrameWaiting = 1,
  enPFrameReady = 2,
};

// Hands out the frames of one stream (or idle frames) one at a time.
class PFrameDistribution {
 public:
  virtual ~PFrameDistribution();
  PFrameDistribution(const PFrameDistribution&) = delete;
  PFrameDistribution& operator=(const PFrameDistribution&) = delete;

  // The next frame, or nothing once the stream is exhausted. pduFinished is
  // set with the last frame of a PDU, streamFinished with the last frame of
  // the stream.
  virtual std::optional<GeneratedStreamFrame> nextFrame(bool& pduFinished, bool& streamFinished) = 0;

  // Frames left in the PDU being sent (0 when none), and the byte size of the
  // next one.
  virtual int32_t pendingFrames() const { return 0; }
  virtual int32_t nextFrameSize() const { return 0; }

  bool ready() const noexcept { return _state == enPFrameReady; }
  // 0 idle, 1 ready, 2 waiting.
  void setReadiness(int32_t value) noexcept;
  bool initialised() const noexcept { return _initialised; }
  int32_t streamIndex() const noexcept { return _streamIndex; }

 protected:
  PFrameDistribution(int32_t streamIndex, bool readyAtStart)
      : _state(readyAtStart ? enPFrameReady : enPFrameIdle), _streamIndex(streamIndex) {}
  void setInitialised() noexcept { _initialised = true; }

 private:
  int32_t _state;
  int32_t _streamIndex;
  bool _initialised = false;
};

// Looks one PDU ahead: holds the PDU being sent, builds the next one when the
// last frame of the current one goes out.
class SeqPFrameDistribution : public PFrameDistribution {
 public:
  SeqPFrameDistribution(int32_t streamIndex, DataGenerator& builder, bool readyAtStart);
  ~SeqPFrameDistribution() override;

  std::optional<GeneratedStreamFrame> nextFrame(bool& pduFinished, bool& streamFinished) override;
  int32_t pendingFrames() const override;
  int32_t nextFrameSize() const override;

 private:
  SeqFrameDistribution _pdus;
  GeneratedFrameList _pending;
  size_t _next = 0;
};

// Never runs dry: every frame is an idle frame (no bytes).
class IdlePFrameDistribution : public PFrameDistribution {
 public:
  IdlePFrameDistribution() : PFrameDistribution(-1, true) { setInitialised(); }
  std::optional<GeneratedStreamFrame> nextFrame(bool& pduFinished, bool& streamFinished) override;
};

}  // namespace corvel
