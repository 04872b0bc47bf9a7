// Workbench log payloads: packets read from a text file and sent as they
// stand, never encapsulated, padded or tagged. One packet per line, each byte
// two hex digits, bytes separated by spaces; lines end with LF or CR LF (text
// after a CR is ignored). Optionally the first line is a caption and every
// packet line starts with its line number, both skipped.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "corvel/protocols/data_generator.h"
#include "corvel/protocols/payload/payload_encap.h"

namespace corvel {

class WorkbenchLogPayloadConfig;

// The file's packets, iteration after iteration. Opening the file (at
// construction and at every new iteration) fails with "Error, could not open
// input file for reading.".
class WorkbenchLogPacketEncapsulator : public PayloadEncapsulator {
 public:
  // The longest packet line accepted.
  static constexpr size_t kMaxPacketSize = 65535;

  explicit WorkbenchLogPacketEncapsulator(const WorkbenchLogPayloadConfig& config);
  void nextSize() override {}
  // Starts the file again from its beginning.
  void nextIteration() override;

  // Reads the next packet into `packet` (cleared first); false when the file
  // holds no further packet. Each packet read that is not the file's last
  // lengthens the current iteration by one, so the iteration ends with the
  // file's last packet. A malformed byte or an over-long line throws a text
  // naming the file and the line.
  bool readPacket(std::vector<uint8_t>& packet);
  bool exhausted() const { return _exhausted; }
  const std::string& fileName() const { return _fileName; }

 private:
  void open();
  void readLine(std::vector<uint8_t>& packet);
  int get();
  void skipWhitespace();
  void skipRestOfLine();
  [[noreturn]] void fail(const char* what) const;

  std::string _fileName;
  bool _skipFirstLine;
  bool _skipLineNumbers;
  std::ifstream _file;
  int32_t _line = 1;  // line of the next character
  bool _exhausted = false;
};

// Frame builder of a workbench-log stream: one frame per file packet.
class FileDataGenerator : public DataGenerator {
 public:
  // The first layer of `chain` must be a WorkbenchLogPacketEncapsulator; the
  // other layers are kept but never applied.
  explicit FileDataGenerator(EncapsulatorChain chain);
  GeneratedFrameList generate(int32_t callerValue) override;

 private:
  WorkbenchLogPacketEncapsulator* _log = nullptr;
};

}  // namespace corvel
