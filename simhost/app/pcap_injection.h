// A pcap file injected into a transmit port: its records are handed over one
// byte per cycle, each one starting at the cycle its timestamp gives, counted
// from the cycle of the inject command and the first record's timestamp at
// the port's bus frequency, or as soon as the port is free after that.
// Records are read from the file as they are needed; the whole file is read
// once beforehand so that a bad record is refused by the command itself.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "frame_source.h"
#include "pcap_reader.h"

namespace pyxsim {

// How an injected file's records are timed: at their recorded pace, back to
// back (every record due at once, so each follows the one before as soon as
// the port is free), or at `factor` times the recorded pace (2 halves the
// gaps, 0.5 doubles them), as tcpreplay's --topspeed and --multiplier do.
struct InjectPace {
  enum class Kind { Recorded, TopSpeed, Factor };
  Kind kind = Kind::Recorded;
  double factor = 1.0;  // Factor only: above 0
};

class PcapInjection final : public FrameSource {
 public:
  static constexpr uint32_t kFcsBytes = 4;
  // With the FCS appended, a shorter record is padded with zeros to this
  // size first, as the sending interface pads it (IEEE 802.3 minimum frame
  // of 64 bytes with the FCS); a host captures its own frames before that.
  static constexpr uint32_t kMinFrameBytes = 60;

  // Reads the whole file through once; throws CommandError naming the file.
  // With `appendFcs` every record is padded to kMinFrameBytes and followed
  // by its IEEE 802.3 FCS.
  PcapInjection(const std::string& path, HostPort& target, uint64_t startCycle, bool appendFcs,
                InjectPace pace = {});

  HostPort* target() const { return target_; }
  const std::string& path() const { return reader_.path(); }
  uint64_t records() const { return records_; }
  uint64_t bytes() const { return bytes_; }
  // Records not yet handed over completely.
  uint64_t recordsLeft() const { return records_ > sent_ ? records_ - sent_ : 0; }
  bool finished() const { return finished_; }
  // Set when a record could not be read during a run (the file changed since
  // the command); the injection stopped there.
  const std::string& error() const { return reader_.error(); }

  bool frameDue(const HostPort* tx, uint64_t cycle) const override;
  bool takeByte(uint64_t cycle, uint8_t& byte, uint8_t& endOfPacket, uint64_t& inFlight) override;
  uint64_t inFlight() const override { return finished_ ? 0 : 1; }
  uint64_t readyAt() const override;

 private:
  // Moves to the next record that has bytes to send; false when there is none.
  bool loadRecord();
  uint64_t dueCycle(__int128 nanoseconds) const;

  HostPort* target_;
  uint64_t startCycle_;
  uint32_t frequency_;  // MHz
  bool appendFcs_;
  InjectPace pace_;
  PcapReader reader_;
  uint64_t records_ = 0;
  uint64_t bytes_ = 0;
  uint64_t sent_ = 0;
  bool finished_ = false;

  // The record under way: its bytes stay in libpcap's buffer until the next
  // record is read, which happens only after its last byte has gone.
  bool haveFirst_ = false;
  __int128 firstNanoseconds_ = 0;
  uint64_t due_ = 0;
  uint32_t size_ = 0;      // bytes from the file
  uint32_t padded_ = 0;    // the file's bytes and the zero padding
  uint32_t length_ = 0;    // bytes handed over: the padded record and the FCS
  uint32_t position_ = 0;  // next byte to hand over
  uint8_t fcs_[kFcsBytes] = {};
};

}  // namespace pyxsim
