#include "corvel/protocols/frame_pool.h"

#include <utility>

namespace corvel {

void FrameReturn::operator()(CapturedStreamFrame* frame) const noexcept {
  if (pool != nullptr) {
    pool->giveBack(frame);
  } else {
    delete frame;
  }
}

FramePool::~FramePool() {
  for (CapturedStreamFrame* frame : _idle) delete frame;
}

PooledFrame FramePool::acquire() {
  if (_idle.empty()) {
    auto* frame = new CapturedStreamFrame;
    ++_created;
    return PooledFrame(frame, FrameReturn{this});
  }
  CapturedStreamFrame* frame = _idle.back();
  _idle.pop_back();
  return PooledFrame(frame, FrameReturn{this});
}

void FramePool::giveBack(CapturedStreamFrame* frame) noexcept {
  if (_idle.size() >= _bound) {
    delete frame;
    return;
  }
  // Back to the defaults; the byte buffer keeps its capacity.
  std::vector<uint8_t> bytes = std::move(frame->data);
  bytes.clear();
  *frame = CapturedStreamFrame{};
  frame->data = std::move(bytes);
  try {
    if (_idle.capacity() == _idle.size()) _idle.reserve(_bound);
    _idle.push_back(frame);
  } catch (...) {
    delete frame;
  }
}

}  // namespace corvel
