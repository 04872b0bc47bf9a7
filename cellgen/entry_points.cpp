// The exports the simulator host calls (the foreign-model convention of
// pyx/foreign_model.h) and the console command cellgen_load_config. Every
// export catches everything, so nothing thrown here reaches the host.
#include <cstdio>
#include <memory>
#include <unordered_map>

#include "cellgen/cell_gen.h"
#include "cellgen/entry_points.h"
#include "cellgen/file_access.h"
#include "cellgen/reporter.h"
#include "pyx/foreign_model.h"
#include "pyx/tolk.h"

#define CELLGEN_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using cellgen::CellGen;

// Errors go to the host's error print, traces to the process's standard output.
class HostReporter final : public cellgen::Reporter {
 public:
  void error(const std::string& text) override { TOLK_printf_error("%s", text.c_str()); }
  void trace(const std::string& text) override { std::fputs(text.c_str(), stdout); }
};

// The host keeps a handle per receive port: the {device, port} it names.
struct PortHandle {
  std::uint32_t device;
  std::uint32_t port;
};

struct Plugin {
  cellgen::StdioFileAccess files;
  HostReporter reporter;
  CellGen model{files, reporter};
  std::unordered_map<const void*, std::unique_ptr<PortHandle>> handles;

  const PortHandle* find(PyxPortHandle handle) const {
    auto found = handles.find(handle);
    return found == handles.end() ? nullptr : found->second.get();
  }
};

Plugin& plugin() {
  static Plugin instance;
  return instance;
}

const char* const kLoadCommand = "cellgen_load_config";

int loadConfigCommand(const char* fileName) {
  try {
    if (!fileName) return 0;
    return plugin().model.loadConfig(fileName) ? 1 : 0;
  } catch (...) {
    TOLK_printf_error("%s: out of memory\n", kLoadCommand);
    return 0;
  }
}

int hookDone() { return 1; }

}  // namespace

CELLGEN_EXPORT void Initialize(void) {
  try {
    // The host stores handlers untyped and calls them with their declared
    // arguments: here one string. void(*)() is the neutral pointer type.
    auto untyped = reinterpret_cast<void (*)()>(&loadConfigCommand);
    TOLK_register_console_function(kLoadCommand, reinterpret_cast<TOLK_ConsoleFunction>(untyped),
                                   1, 0);
  } catch (...) {
  }
}

CELLGEN_EXPORT void InitializeRxPort(std::uint32_t, std::uint32_t device, std::uint32_t port,
                                     std::uint32_t*, PyxPortHandle* handle) {
  try {
    if (!handle) return;
    auto record = std::make_unique<PortHandle>(PortHandle{device, port});
    PyxPortHandle key = record.get();
    plugin().handles.emplace(key, std::move(record));
    *handle = key;
  } catch (...) {
  }
}

CELLGEN_EXPORT std::uint8_t GetNextByte(PyxPortHandle handle, std::uint32_t, std::uint8_t* byte,
                                        std::uint8_t* endOfPacket) {
  try {
    std::uint8_t value = 0;
    std::uint8_t end = 0;
    bool produced = false;
    Plugin& p = plugin();
    if (!p.model.loaded()) {
      produced = false;  // the byte is written as 0
    } else if (const PortHandle* port = p.find(handle)) {
      produced = p.model.nextByte(port->device, port->port, value, end);
    }
    if (byte) *byte = value;
    if (endOfPacket) *endOfPacket = end;
    return produced ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

CELLGEN_EXPORT std::int32_t GetInterpacketTime(PyxPortHandle handle) {
  try {
    const Plugin& p = plugin();
    const PortHandle* port = p.find(handle);
    return port ? p.model.interpacketTime(port->device, port->port) : 0;
  } catch (...) {
    return 0;
  }
}

CELLGEN_EXPORT void CloseRxPort(PyxPortHandle handle) {
  try {
    plugin().handles.erase(handle);
  } catch (...) {
  }
}

CELLGEN_EXPORT void Reset(void) {
  try {
    plugin().model.reset();
  } catch (...) {
  }
}

// cellgen has no transmit side.
CELLGEN_EXPORT void Close(void) {}
CELLGEN_EXPORT void InitializeTxPort(std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t*,
                                     PyxPortHandle*) {}
CELLGEN_EXPORT void SendNextByte(PyxPortHandle, std::uint32_t, std::uint8_t, std::uint8_t) {}
CELLGEN_EXPORT void CloseTxPort(PyxPortHandle) {}

// The hook table of the foreign-model convention: cellgen needs no hooks, so
// every slot gets one that does nothing and reports success.
CELLGEN_EXPORT void GetForeignModelFunctions(PyxForeignHook* initialize, PyxForeignHook* second,
                                             PyxForeignHook* third, PyxForeignHook* exit,
                                             PyxForeignHook* reset) {
  for (PyxForeignHook* slot : {initialize, second, third, exit, reset})
    if (slot) *slot = &hookDone;
}
