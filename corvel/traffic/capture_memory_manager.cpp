#include "corvel/traffic/capture_memory_manager.h"

#include <utility>

namespace corvel {

void CaptureMemoryManager::startFrame(uint32_t cycle) {
  _firstCycle = cycle;
  _bytes.reserve(kChunkSize);
}

std::vector<uint8_t> CaptureMemoryManager::takeData() {
  std::vector<uint8_t> data = std::move(_bytes);
  clear();
  return data;
}

void CaptureMemoryManager::clear() noexcept {
  _bytes.clear();
  _firstCycle = 0;
  _lastCycle = 0;
  _overflowed = false;
}

}  // namespace corvel
