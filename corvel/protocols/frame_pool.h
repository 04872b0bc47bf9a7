// The frame records of one transmit port. A captured frame lives in a record
// taken from the port's pool; the record goes back to the pool when its
// handle is dropped (the PDU it belongs to was extracted, or the frame was
// given up), keeping its byte buffer, so that in the steady state capturing a
// frame allocates nothing. The pool keeps at most `bound` idle records: a
// burst beyond that (cells of many connections held at once) is served by
// fresh records that are freed, not kept, when they come back.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "corvel/protocols/captured_stream_frame.h"

namespace corvel {

class FramePool;

// Hands a record back to its pool (or frees it when it has none).
struct FrameReturn {
  FramePool* pool = nullptr;
  void operator()(CapturedStreamFrame* frame) const noexcept;
};

// A frame record held by one owner at a time.
using PooledFrame = std::unique_ptr<CapturedStreamFrame, FrameReturn>;

// A record of no pool: freed when dropped (tests, benchmarks, tools).
inline PooledFrame detachedFrame() { return PooledFrame(new CapturedStreamFrame, FrameReturn{}); }

class FramePool {
 public:
  explicit FramePool(size_t bound) : _bound(bound) {}
  ~FramePool();
  FramePool(const FramePool&) = delete;
  FramePool& operator=(const FramePool&) = delete;

  // A record with its fields at their defaults and no bytes (its buffer
  // keeps the capacity of its earlier frames).
  PooledFrame acquire();

  size_t idle() const noexcept { return _idle.size(); }
  size_t bound() const noexcept { return _bound; }
  // Records made since the pool was created (kept or not).
  size_t created() const noexcept { return _created; }

 private:
  friend struct FrameReturn;
  void giveBack(CapturedStreamFrame* frame) noexcept;

  size_t _bound;
  size_t _created = 0;
  std::vector<CapturedStreamFrame*> _idle;
};

}  // namespace corvel
