#include "corvel/traffic/capture_memory_manager.h"

#include <utility>

namespace corvel {

void CaptureMemoryManager::startFrame(uint32_t cycle) {
  _firstCycle = cycle;
  if (_bytes.capacity() < kChunkSize) _bytes.reserve(kChunkSize);
}

void CaptureMemoryManager::takeData(std::vector<uint8_t>& into) {
  into.swap(_bytes);
  clear();
}

void CaptureMemoryManager::clear() noexcept {
  _bytes.clear();
  _firstCycle = 0;
  _lastCycle = 0;
  _overflowed = false;
}

}  // namespace corvel
