// The records of a pcap or pcapng file of any link type, read with libpcap one
// at a time; only the record being read is held. The file is untrusted: a
// record that libpcap cannot read, that is longer than kMaxRecordBytes, or
// that holds fewer bytes than the frame it was taken from ends the reading
// with a message naming the file and the record.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

struct pcap;

namespace pyxsim {

class PcapReader {
 public:
  static constexpr uint32_t kMaxRecordBytes = 65536;

  // Opens the file; throws CommandError when it cannot be read or is not a
  // capture file.
  explicit PcapReader(const std::string& path);
  ~PcapReader();
  PcapReader(const PcapReader&) = delete;
  PcapReader& operator=(const PcapReader&) = delete;

  // Reads the next record; false at the end of the file or, with error()
  // set, at a record that cannot be used.
  bool next();

  // The record just read: its captured bytes, valid until the next call.
  const uint8_t* data() const { return data_; }
  uint32_t size() const { return size_; }
  // Its timestamp in nanoseconds; microsecond files are scaled by libpcap.
  __int128 nanoseconds() const { return nanoseconds_; }
  // 1 for the first record of the file.
  uint64_t number() const { return number_; }

  const std::string& path() const { return path_; }
  const std::string& error() const { return error_; }

 private:
  struct PcapCloser {
    void operator()(pcap* p) const;
  };

  std::string path_;
  std::unique_ptr<pcap, PcapCloser> pcap_;
  const uint8_t* data_ = nullptr;
  uint32_t size_ = 0;
  __int128 nanoseconds_ = 0;
  uint64_t number_ = 0;
  std::string error_;
};

}  // namespace pyxsim
