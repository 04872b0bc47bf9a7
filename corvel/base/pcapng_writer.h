// A pcapng file written as the run goes: one section header, one Ethernet
// (or other link type) interface with nanosecond timestamps (if_tsresol 9),
// then one enhanced packet block per frame, each with an optional comment
// (opt_comment), which Wireshark shows and filters on as frame.comment.
// The file stays open; each block is built in a reused buffer, written with
// one call and flushed, so the file is complete at every block boundary.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace corvel {

class PcapngWriter {
 public:
  static constexpr uint16_t kLinkTypeEthernet = 1;
  static constexpr uint16_t kLinkTypeUser0 = 147;
  // Longer frames are cut to this many bytes (their length stays recorded).
  static constexpr uint32_t kSnapLength = 262144;

  PcapngWriter() = default;
  ~PcapngWriter();
  PcapngWriter(const PcapngWriter &) = delete;
  PcapngWriter &operator=(const PcapngWriter &) = delete;

  // Creates (or empties) the file and writes the section header and the
  // interface description. False, and closed, when that fails.
  bool open(const std::string &fileName, uint16_t linkType);
  void close() noexcept;
  bool isOpen() const noexcept { return _file != nullptr; }
  const std::string &fileName() const noexcept { return _fileName; }

  // One frame; an empty comment writes no option. Ignored while closed.
  void writePacket(uint64_t nanoseconds, const uint8_t *data, size_t size, std::string_view comment) noexcept;

 private:
  void put16(uint16_t value);
  void put32(uint32_t value);
  void putPadded(const void *data, size_t size);
  void putOption(uint16_t code, const void *data, size_t size);
  // Patches the two length fields of the block begun at offset 0 and writes it.
  bool emitBlock() noexcept;

  std::FILE *_file = nullptr;
  std::string _fileName;
  std::string _block;
};

}  // namespace corvel
