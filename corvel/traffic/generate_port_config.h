// The configuration of a receive port: the common port settings plus how its
// frames are spaced (interpacket range), damaged (bit errors) and spread over
// its streams (the stream-distribution record).
#pragma once

#include <cstdint>
#include <optional>

#include "corvel/traffic/port_config.h"
#include "corvel/traffic/rate_pacing.h"

namespace corvel {

enum StreamDistributionType : int32_t {
  enStreamDistributionSequential = 0,
  enStreamDistributionRandomInterleave = 1,
  enStreamDistributionSequentialInterleave = 2,
  enStreamDistributionTm41 = 3,
  enStreamDistributionTokenBucket = 4,
};

enum IterationType : int32_t {
  enIterationByRow = 0,
  enIterationByColumn = 1,
};

// Which stream distribution a port uses, and its parameters.
struct StreamDistributionRecord {
  int32_t type = enStreamDistributionSequential;
  int32_t iterationType = enIterationByColumn;
  int32_t boundedStreamSize = 1;
  int32_t minFrameCount = 0;
  int32_t maxFrameCount = 0;
  int32_t pduCount = 0;

  bool operator==(const StreamDistributionRecord&) const = default;
};

class GeneratePortConfig : public PortConfig {
 public:
  static constexpr int32_t kMaxInterpacketTime = 10000;
  static constexpr int32_t kMaxBurstLength = 5;

  GeneratePortConfig();
  GeneratePortConfig(const GeneratePortConfig&) = default;
  GeneratePortConfig& operator=(const GeneratePortConfig&) = default;
  ~GeneratePortConfig() override;

  const StreamDistributionRecord& streamDistribution() const noexcept { return _distribution; }
  void setStreamDistribution(const StreamDistributionRecord& record) noexcept { _distribution = record; }
  // {0, iteration, 1, 0, 0, 0}
  void setSequential(int32_t iterationType);
  // Check bounded, PDU count, minimum, maximum (in that order), then store
  // {1 or 2, iteration, bounded, minimum, maximum, PDU count}.
  void setRandomInterleave(int32_t iterationType, int32_t boundedStreamSize, int32_t pduCount,
                           int32_t minFrameCount, int32_t maxFrameCount);
  void setSequentialInterleave(int32_t iterationType, int32_t boundedStreamSize, int32_t pduCount,
                               int32_t minFrameCount, int32_t maxFrameCount);
  // {3, 0, 0, 1, 1, 0} and {4, 0, 0, 1, 1, 0}
  void setTm41();
  void setTokenBucket();

  // Gaps in host cycles. A maximum of 0 means "not set": the port then uses
  // the host's interpacket time for both bounds, whatever the minimum.
  int32_t interpacketMin() const noexcept { return _interpacketMin; }
  int32_t interpacketMax() const noexcept { return _interpacketMax; }
  // Both bounds; 0..10000.
  void setInterpacketTime(int32_t cycles);
  // Each bound 0..10000; a minimum above a non-zero maximum is refused.
  void setInterpacketRange(int32_t minCycles, int32_t maxCycles);

  // The pace of a rate element, worked out at load; when present it takes
  // the place of the interpacket range.
  const std::optional<RateProfile>& rateProfile() const noexcept { return _rateProfile; }
  void setRateProfile(const RateProfile& profile) noexcept { _rateProfile = profile; }

  double bitErrorRate() const noexcept { return _bitErrorRate; }
  int32_t maxBurstLength() const noexcept { return _maxBurstLength; }
  // Rate 0.0..1.0; burst 1..5, or 0 with a rate of 0.
  void setBitError(float rate, int32_t maxBurstLength);

  // The line speed the shapers work with (Mbps).
  int32_t shaperLineSpeed() const noexcept { return _shaperLineSpeed; }
  void setShaperLineSpeed(int32_t mbps) noexcept { _shaperLineSpeed = mbps; }

 private:
  void setInterleave(int32_t type, int32_t iterationType, int32_t boundedStreamSize, int32_t pduCount,
                     int32_t minFrameCount, int32_t maxFrameCount);

  StreamDistributionRecord _distribution;
  int32_t _interpacketMax = 0;
  int32_t _interpacketMin = 0;
  std::optional<RateProfile> _rateProfile;
  double _bitErrorRate = 0.0;
  int32_t _maxBurstLength = 0;
  int32_t _shaperLineSpeed = 0;
};

}  // namespace corvel
