// Drives libcellgen.so in-process the way the host does: console text is
// captured through the stand-in host library, cellgen_load_config is run
// through the registered handler, and ports are read byte by byte.
#ifndef CELLGEN_TEST_PLUGIN_HARNESS_H
#define CELLGEN_TEST_PLUGIN_HARNESS_H

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "cellgen/entry_points.h"

namespace cellgen_test {

using Bytes = std::vector<std::uint8_t>;

// A scratch directory for configuration and data files, removed afterwards.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  // Writes a file and answers its full path.
  std::string write(const std::string& name, const std::string& text) const;
  std::string path(const std::string& name) const;

 private:
  std::filesystem::path _dir;
};

class PluginHarness {
 public:
  PluginHarness();
  ~PluginHarness();

  // Runs cellgen_load_config with the given file name; answers its result.
  int load(const std::string& fileName);
  // Writes `config` to a scratch file and loads it.
  int loadText(const std::string& config);

  PyxPortHandle openPort(std::uint32_t device, std::uint32_t port);
  // The next packet of a port (bytes up to end-of-packet); empty when the
  // port answered no byte.
  Bytes packet(PyxPortHandle handle);
  std::vector<Bytes> packets(PyxPortHandle handle, std::size_t count);

  const std::string& errors() const { return _errors; }
  void clearErrors() { _errors.clear(); }
  const ScratchDir& dir() const { return _dir; }

 private:
  static void capture(void* context, const char* text, int isError);

  ScratchDir _dir;
  std::string _errors;
  std::string _output;
  std::vector<PyxPortHandle> _handles;
  int _configs = 0;
};

// Hexadecimal text of bytes, for readable failure messages.
std::string hex(const Bytes& bytes);
Bytes fromHex(const std::string& text);

}  // namespace cellgen_test

#endif
