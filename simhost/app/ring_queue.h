// A FIFO over one growing array: after it has grown to the traffic's needs it
// no longer allocates, unlike std::deque, which allocates blocks as it goes.
#pragma once

#include <cstddef>
#include <vector>

namespace pyxsim {

template <typename T>
class RingQueue {
 public:
  bool empty() const { return count_ == 0; }
  size_t size() const { return count_; }
  const T& front() const { return slots_[head_]; }

  void push(const T& value) {
    if (count_ == slots_.size()) grow();
    slots_[(head_ + count_) & (slots_.size() - 1)] = value;
    ++count_;
  }
  void pop() {
    head_ = (head_ + 1) & (slots_.size() - 1);
    --count_;
  }
  void clear() {
    head_ = 0;
    count_ = 0;
  }

 private:
  void grow() {
    std::vector<T> bigger(slots_.empty() ? 64 : slots_.size() * 2);
    for (size_t i = 0; i < count_; ++i) bigger[i] = slots_[(head_ + i) & (slots_.size() - 1)];
    slots_.swap(bigger);
    head_ = 0;
  }

  std::vector<T> slots_;  // size is zero or a power of two
  size_t head_ = 0;
  size_t count_ = 0;
};

}  // namespace pyxsim
