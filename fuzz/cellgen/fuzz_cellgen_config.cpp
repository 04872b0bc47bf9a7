// Fuzzes cellgen's configuration loading and then the byte production of
// every port it configured.
//
// Input: the configuration text, optionally followed by data files, each
// introduced by a line "%%"; they are served in memory as a.txt, b.txt, ...
// Nothing touches the real file system: LOGFILE lines only record a name.
#include <cstddef>
#include <cstdint>
#include <string>

#include "cellgen/cell_gen.h"
#include "cellgen/data_file.h"

namespace {

class QuietReporter final : public cellgen::Reporter {
 public:
  void error(const std::string&) override {}
  void trace(const std::string&) override {}
};

std::uint32_t fixedSeed() { return 12345; }

// Longest packet cellgen may send: a RAW line of pairs without separators.
constexpr std::size_t kMaxPacket = cellgen::DataLines::kMaxPacketLineLength / 2 + 1;
constexpr int kBytesPerPort = 3000;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::string marker = "\n%%\n";

  cellgen::MemoryFileAccess files;
  std::size_t split = input.find(marker);
  const std::string config = input.substr(0, split);
  char name = 'a';
  while (split != std::string::npos && name <= 'z') {
    const std::size_t begin = split + marker.size();
    split = input.find(marker, begin);
    files.put(std::string(1, name++) + ".txt",
              input.substr(begin, split == std::string::npos ? std::string::npos : split - begin));
  }
  files.put("config", config);

  QuietReporter reporter;
  cellgen::CellGen model(files, reporter, fixedSeed);
  model.loadConfig("config");
  for (std::uint32_t device = 0; device < cellgen::PortTable::kDevices; ++device) {
    for (std::uint32_t port = 0; port < cellgen::PortTable::kPorts; ++port) {
      if (!model.table() || !model.table()->at(device, port)) continue;
      (void)model.interpacketTime(device, port);
      std::size_t packet = 0;
      for (int i = 0; i < kBytesPerPort; ++i) {
        std::uint8_t byte = 0;
        std::uint8_t end = 0;
        if (!model.nextByte(device, port, byte, end)) {
          if (packet != 0) __builtin_trap();  // a packet never stops half-way
          continue;
        }
        ++packet;
        if (packet > kMaxPacket) __builtin_trap();
        if (end) packet = 0;
      }
    }
  }
  model.reset();
  return 0;
}
