#include "pcap_injection.h"

#include <algorithm>

#include "command_error.h"
#include "ethernet_fcs.h"
#include "host_port.h"

namespace pyxsim {

namespace {

// Further than any run goes, and still far from overflowing when added to.
constexpr uint64_t kNever = UINT64_MAX / 2;

// The record's size once padded for the FCS.
uint32_t paddedSize(uint32_t size, bool appendFcs) {
  return appendFcs && size < PcapInjection::kMinFrameBytes ? PcapInjection::kMinFrameBytes : size;
}

// The FCS of the record padded with zeros to `padded` bytes.
uint32_t paddedFcs(const uint8_t* data, uint32_t size, uint32_t padded) {
  if (padded == size) return ethernetFcs(data, size);
  uint8_t frame[PcapInjection::kMinFrameBytes] = {};
  std::copy_n(data, size, frame);
  return ethernetFcs(frame, padded);
}

}  // namespace

PcapInjection::PcapInjection(const std::string& path, HostPort& target, uint64_t startCycle, bool appendFcs,
                             InjectPace pace)
    : target_(&target),
      startCycle_(startCycle),
      frequency_(target.frequency()),
      appendFcs_(appendFcs),
      pace_(pace),
      reader_(path) {
  PcapReader scan(path);
  while (scan.next()) {
    if (scan.size() == 0 && !appendFcs_) continue;
    ++records_;
    bytes_ += paddedSize(scan.size(), appendFcs_) + (appendFcs_ ? kFcsBytes : 0);
  }
  if (!scan.error().empty()) throw CommandError(scan.error());
  finished_ = !loadRecord();
  if (!reader_.error().empty()) throw CommandError(reader_.error());
}

bool PcapInjection::loadRecord() {
  while (reader_.next()) {
    if (!haveFirst_) {
      haveFirst_ = true;
      firstNanoseconds_ = reader_.nanoseconds();
    }
    // An empty record has no byte to carry the end of packet: it is skipped.
    if (reader_.size() == 0 && !appendFcs_) continue;
    size_ = reader_.size();
    padded_ = paddedSize(size_, appendFcs_);
    length_ = padded_ + (appendFcs_ ? kFcsBytes : 0);
    position_ = 0;
    if (appendFcs_) storeEthernetFcs(paddedFcs(reader_.data(), size_, padded_), fcs_);
    due_ = dueCycle(reader_.nanoseconds());
    return true;
  }
  return false;
}

uint64_t PcapInjection::dueCycle(__int128 nanoseconds) const {
  const __int128 offset = nanoseconds - firstNanoseconds_;
  // A record stamped before the first one goes as soon as it can.
  if (offset <= 0 || startCycle_ >= kNever || pace_.kind == InjectPace::Kind::TopSpeed) return startCycle_;
  // The cycle under way at that time, rounded down as cycleToNanoseconds
  // rounds the other way. Both factors fit: |offset| < 2^95, MHz < 2^32.
  unsigned __int128 cycles = static_cast<unsigned __int128>(offset) * frequency_ / 1000u;
  if (pace_.kind == InjectPace::Kind::Factor) {
    // At FACTOR times the pace every distance from the first record shrinks
    // by FACTOR; long double keeps 64 bits of it, far below a cycle's worth
    // over any run.
    const long double scaled = static_cast<long double>(cycles) / static_cast<long double>(pace_.factor);
    if (!(scaled < static_cast<long double>(kNever))) return kNever;
    cycles = static_cast<unsigned __int128>(static_cast<uint64_t>(scaled));
  }
  if (cycles >= kNever - startCycle_) return kNever;
  return startCycle_ + static_cast<uint64_t>(cycles);
}

bool PcapInjection::frameDue(const HostPort* tx, uint64_t cycle) const {
  return !finished_ && position_ == 0 && tx == target_ && due_ <= cycle;
}

bool PcapInjection::takeByte(uint64_t cycle, uint8_t& byte, uint8_t& endOfPacket, uint64_t& inFlight) {
  if (finished_ || (position_ == 0 && due_ > cycle)) return false;
  // loadRecord() makes length_ at least 1, and position_ < length_ here.
  if (position_ < size_) {
    byte = reader_.data()[position_];
  } else {
    byte = position_ < padded_ ? 0 : fcs_[position_ - padded_];
  }
  ++position_;
  endOfPacket = position_ == length_ ? 1 : 0;
  if (endOfPacket) {
    ++sent_;
    if (!loadRecord()) {
      finished_ = true;
      --inFlight;
    }
  }
  return true;
}

uint64_t PcapInjection::readyAt() const {
  if (finished_) return UINT64_MAX;
  return position_ > 0 ? 0 : due_;
}

}  // namespace pyxsim
