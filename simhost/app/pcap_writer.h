// One pcap file of frames seen on a port, written with libpcap. Timestamps
// have nanosecond resolution (a bus cycle is a few nanoseconds long).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

struct pcap;
struct pcap_dumper;

namespace pyxsim {

class PcapWriter {
 public:
  static constexpr int kEthernet = 1;  // LINKTYPE_ETHERNET
  static constexpr size_t kSnapLength = 65535;

  // Creates (truncates) the file; throws CommandError when that fails.
  PcapWriter(const std::string& path, int linkType);
  ~PcapWriter();
  PcapWriter(const PcapWriter&) = delete;
  PcapWriter& operator=(const PcapWriter&) = delete;

  // One record: `captured` bytes of a frame that was `length` bytes long.
  void write(uint64_t nanoseconds, const uint8_t* data, size_t captured, size_t length);
  void flush();

  const std::string& path() const { return path_; }
  int linkType() const { return linkType_; }

 private:
  struct PcapCloser {
    void operator()(pcap* p) const;
  };
  struct DumperCloser {
    void operator()(pcap_dumper* d) const;
  };

  std::string path_;
  int linkType_;
  std::unique_ptr<pcap, PcapCloser> pcap_;
  std::unique_ptr<pcap_dumper, DumperCloser> dumper_;
};

// Time of `cycle` on a bus clocked at `megahertz`, in nanoseconds (rounded
// down): cycle * 1000 / MHz, computed without overflow for any cycle count.
uint64_t cycleToNanoseconds(uint64_t cycle, uint32_t megahertz);

}  // namespace pyxsim

namespace pyxsim {

// A link type given by number (1, 0x93) or by its libpcap name ("EN10MB",
// "USER0", case does not matter). Empty when neither.
std::optional<int> parseLinkType(const std::string& text);

}  // namespace pyxsim
