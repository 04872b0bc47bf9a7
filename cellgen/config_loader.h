// Reads a configuration file into a port table, line by line, stopping at the
// first line that fails.
//
//   LOGFILE name
//   PORT    device, port, SEQ|RND, interpacket time, IN|OUT
//   STREAM  id, IN|OUT, GEN,  class, tag, c1 start, c1 end, ... c4 end, frame limit, length, fill
//   STREAM  id, IN|OUT, GENR, class, tag, c1 start, c1 end, ... c4 end, data file
//   STREAM  id, IN|OUT, RAW,  data file
#ifndef CELLGEN_CONFIG_LOADER_H
#define CELLGEN_CONFIG_LOADER_H

#include <string>
#include <string_view>
#include <vector>

#include "cellgen/file_access.h"
#include "cellgen/port_table.h"
#include "cellgen/reporter.h"

namespace cellgen {

// Gives the seed of each RND port's generator when the port is created.
using SeedSource = std::uint32_t (*)();
std::uint32_t clockSeed();

class ConfigLoader {
 public:
  // Longest configuration line, line end not counted.
  static constexpr std::size_t kMaxLineLength = 255;

  ConfigLoader(PortTable& table, FileAccess& files, Reporter& reporter, SeedSource seeds);
  // True when every line was accepted. Ports and streams of the lines before
  // a failing line stay in the table.
  bool load(const std::string& fileName);

 private:
  using Arguments = std::vector<std::string_view>;

  bool logFile(const Arguments& args);
  bool port(const Arguments& args);
  bool stream(const Arguments& args);
  bool genStream(const Arguments& args, std::uint32_t id, Direction direction);
  bool fileStream(const Arguments& args, std::uint32_t id, Direction direction, bool raw);
  bool addStream(std::unique_ptr<Stream> stream);
  void error(const std::string& text) { _reporter.error(text); }

  PortTable& _table;
  FileAccess& _files;
  Reporter& _reporter;
  SeedSource _seeds;
  std::string _fileName;
  unsigned _lineNumber = 0;
  PortGenerator* _port = nullptr;  // the port of the last PORT line
  std::uint32_t _device = 0;
};

}  // namespace cellgen

#endif
