#include "corvel/traffic/capture_memory_manager.h"

#include <utility>

namespace corvel {

void CaptureMemoryManager::OnByte(const uint8_t& byte, uint32_t cycle, uint8_t endOfFrame) {
  if (_bytes.empty() && !_overflowed) {
    _firstCycle = cycle;
    _bytes.reserve(kChunkSize);
  }
  if (endOfFrame) _lastCycle = cycle;
  if (_bytes.size() < kMaxFrameBytes) {
    _bytes.push_back(byte);
  } else {
    _overflowed = true;
  }
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
