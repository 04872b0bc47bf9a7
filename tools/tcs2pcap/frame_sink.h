// Where tcs2pcap puts the frames it builds: a pcap file, hex lines, or both.
#pragma once

#include <pcap/pcap.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>

namespace tcs2pcap {

class FrameSink {
 public:
  virtual ~FrameSink() = default;
  // One frame; throws std::runtime_error when it cannot be written.
  virtual void write(std::span<const uint8_t> frame) = 0;
  // Writes out what is pending; throws std::runtime_error on failure.
  virtual void finish() = 0;
};

// A classic pcap file. Frame n (from 0) is stamped n microseconds after the
// epoch, so the same TCS file always gives the same bytes.
class PcapFrameSink final : public FrameSink {
 public:
  // Throws std::runtime_error when the file cannot be created.
  PcapFrameSink(const std::string& path, int linkType);
  ~PcapFrameSink() override;
  PcapFrameSink(const PcapFrameSink&) = delete;
  PcapFrameSink& operator=(const PcapFrameSink&) = delete;

  void write(std::span<const uint8_t> frame) override;
  void finish() override;

  static constexpr int kSnapLength = 262144;

 private:
  struct PcapCloser {
    void operator()(pcap_t* pcap) const noexcept { pcap_close(pcap); }
  };
  struct DumperCloser {
    void operator()(pcap_dumper_t* dumper) const noexcept { pcap_dump_close(dumper); }
  };
  std::string _path;
  std::unique_ptr<pcap_t, PcapCloser> _pcap;
  std::unique_ptr<pcap_dumper_t, DumperCloser> _dumper;
  uint64_t _frames = 0;
};

// One lower-case hex line per frame.
class HexFrameSink final : public FrameSink {
 public:
  explicit HexFrameSink(std::FILE* out) : _out(out) {}
  void write(std::span<const uint8_t> frame) override;
  void finish() override;

 private:
  std::FILE* _out;
  std::string _line;
};

}  // namespace tcs2pcap
