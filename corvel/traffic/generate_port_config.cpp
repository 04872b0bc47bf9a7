#include "corvel/traffic/generate_port_config.h"

#include <string>

#include "corvel/base/text_error.h"

namespace corvel {

namespace {
constexpr const char* kRangeText = "InterPkt/Burst value is out of range (0 to 10000).";

bool inGapRange(int32_t cycles) {
  return cycles >= 0 && cycles <= GeneratePortConfig::kMaxInterpacketTime;
}
}  // namespace

GeneratePortConfig::GeneratePortConfig() : PortConfig(1) {}

GeneratePortConfig::~GeneratePortConfig() = default;

void GeneratePortConfig::setSequential(int32_t iterationType) {
  _distribution = {enStreamDistributionSequential, iterationType, 1, 0, 0, 0};
}

void GeneratePortConfig::setInterleave(int32_t type, int32_t iterationType, int32_t boundedStreamSize,
                                       int32_t pduCount, int32_t minFrameCount, int32_t maxFrameCount) {
  if (boundedStreamSize < 0) throw TextError("Bounded count must be >= 0");
  if (pduCount < 0) throw TextError("Pdu count must be >= 0");
  if (minFrameCount < 0) throw TextError("Minimum frame count must be >= 0");
  if (maxFrameCount < 0) throw TextError("Maximum frame count must be >= 0");
  if (maxFrameCount < minFrameCount) throw TextError("Minimum frame count must be <= Maximum frame count");
  _distribution = {type, iterationType, boundedStreamSize, minFrameCount, maxFrameCount, pduCount};
}

void GeneratePortConfig::setRandomInterleave(int32_t iterationType, int32_t boundedStreamSize,
                                             int32_t pduCount, int32_t minFrameCount,
                                             int32_t maxFrameCount) {
  setInterleave(enStreamDistributionRandomInterleave, iterationType, boundedStreamSize, pduCount,
                minFrameCount, maxFrameCount);
}

void GeneratePortConfig::setSequentialInterleave(int32_t iterationType, int32_t boundedStreamSize,
                                                 int32_t pduCount, int32_t minFrameCount,
                                                 int32_t maxFrameCount) {
  setInterleave(enStreamDistributionSequentialInterleave, iterationType, boundedStreamSize, pduCount,
                minFrameCount, maxFrameCount);
}

void GeneratePortConfig::setTm41() { _distribution = {enStreamDistributionTm41, enIterationByRow, 0, 1, 1, 0}; }

void GeneratePortConfig::setTokenBucket() {
  _distribution = {enStreamDistributionTokenBucket, enIterationByRow, 0, 1, 1, 0};
}

void GeneratePortConfig::setInterpacketTime(int32_t cycles) {
  if (!inGapRange(cycles)) throw TextError(kRangeText);
  _interpacketMin = cycles;
  _interpacketMax = cycles;
}

void GeneratePortConfig::setInterpacketRange(int32_t minCycles, int32_t maxCycles) {
  if (!inGapRange(minCycles) || !inGapRange(maxCycles)) throw TextError(kRangeText);
  // A maximum of 0 leaves the choice to the host's interpacket time.
  if (maxCycles != 0 && minCycles > maxCycles) {
    throw TextError("Interpacket minimum " + std::to_string(minCycles) +
                    " must be <= interpacket maximum " + std::to_string(maxCycles));
  }
  _interpacketMin = minCycles;
  _interpacketMax = maxCycles;
}

void GeneratePortConfig::setBitError(float rate, int32_t maxBurstLength) {
  // Written so that a NaN rate is refused too.
  if (!(rate >= 0.0f && rate <= 1.0f)) throw TextError("Bit error rate is out of range (0.0 to 1.0)");
  if (maxBurstLength < 0 || maxBurstLength > kMaxBurstLength)
    throw TextError("Burst value is out of range (0 to 5).");
  if (maxBurstLength == 0 && rate > 0.0f)
    throw TextError("Burst length cannot be <= 0 when the bit error rate is > 0");
  _bitErrorRate = rate;
  _maxBurstLength = maxBurstLength;
}

}  // namespace corvel
