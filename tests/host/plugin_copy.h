// A freshly loaded corvel_lite plug-in. Each instance loads its own copy of
// the library file, so every test starts from the state of a newly loaded
// plug-in (nothing registered, no ports, verbose level 1).
#pragma once

#include <dlfcn.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "pyx/foreign_model.h"
#include "pyx/simhost_api.h"

namespace corvel::test {

class PluginCopy {
 public:
  PluginCopy() {
    static int copies = 0;
    _path = ::testing::TempDir() + "corvel_lite_" + std::to_string(::getpid()) + "_" +
            std::to_string(copies++) + ".so";
    std::filesystem::copy_file(CORVEL_BIN_DIR "/libcorvel_lite.so", _path,
                               std::filesystem::copy_options::overwrite_existing);
    _library = ::dlopen(_path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!_library) {
      ADD_FAILURE() << "dlopen " << _path << ": " << ::dlerror();
      return;
    }
    Initialize = resolve<PyxInitializeFn>("Initialize");
    InitializeRxPort = resolve<PyxInitializePortFn>("InitializeRxPort");
    InitializeTxPort = resolve<PyxInitializePortFn>("InitializeTxPort");
    GetNextByte = resolve<PyxGetNextByteFn>("GetNextByte");
    GetInterpacketTime = resolve<PyxGetInterpacketTimeFn>("GetInterpacketTime");
    SendNextByte = resolve<PyxSendNextByteFn>("SendNextByte");
    CloseRxPort = resolve<PyxClosePortFn>("CloseRxPort");
    CloseTxPort = resolve<PyxClosePortFn>("CloseTxPort");
    Close = resolve<PyxClosePortFn>("Close");
    Reset = resolve<PyxClosePortFn>("Reset");
    GetForeignModelFunctions =
        resolve<PyxGetForeignModelFunctionsFn>("GetForeignModelFunctions");
  }

  ~PluginCopy() {
    // The host's command table points into the library: forget it first.
    simhost_clear_commands();
    simhost_set_register_result(1);
    if (_library) ::dlclose(_library);
    std::error_code ignored;
    std::filesystem::remove(_path, ignored);
  }

  PluginCopy(const PluginCopy&) = delete;
  PluginCopy& operator=(const PluginCopy&) = delete;

  bool loaded() const { return _library != nullptr; }
  void* symbol(const char* name) const { return _library ? ::dlsym(_library, name) : nullptr; }

  // Registers a port the way the host does and answers its handle.
  PyxPortHandle rxPort(uint32_t device, uint32_t port, uint32_t rate = 100, uint32_t gap = 8,
                       uint32_t mhz = 66) {
    uint32_t block[3] = {rate, gap, mhz};
    PyxPortHandle handle = nullptr;
    InitializeRxPort(0, device, port, block, &handle);
    return handle;
  }
  PyxPortHandle txPort(uint32_t device, uint32_t port, uint32_t rate = 100, uint32_t gap = 8,
                       uint32_t mhz = 66) {
    uint32_t block[3] = {rate, gap, mhz};
    PyxPortHandle handle = nullptr;
    InitializeTxPort(0, device, port, block, &handle);
    return handle;
  }

  // Runs a registered console command with its declared arguments.
  static int command(const char* name, std::vector<const char*> strings = {},
                     std::vector<int32_t> ints = {}) {
    const SimhostConsoleCommand* c = simhost_find_command(name);
    if (!c) {
      ADD_FAILURE() << "command not registered: " << name;
      return -99;
    }
    strings.resize(4, nullptr);
    ints.resize(2, 0);
    return simhost_call_command(c, strings.data(), ints.data());
  }

  PyxInitializeFn Initialize = nullptr;
  PyxInitializePortFn InitializeRxPort = nullptr;
  PyxInitializePortFn InitializeTxPort = nullptr;
  PyxGetNextByteFn GetNextByte = nullptr;
  PyxGetInterpacketTimeFn GetInterpacketTime = nullptr;
  PyxSendNextByteFn SendNextByte = nullptr;
  PyxClosePortFn CloseRxPort = nullptr;
  PyxClosePortFn CloseTxPort = nullptr;
  PyxClosePortFn Close = nullptr;
  PyxClosePortFn Reset = nullptr;
  PyxGetForeignModelFunctionsFn GetForeignModelFunctions = nullptr;

 private:
  template <typename Fn>
  Fn resolve(const char* name) {
    void* address = ::dlsym(_library, name);
    if (!address) ADD_FAILURE() << "export missing: " << name;
    return reinterpret_cast<Fn>(address);
  }

  std::string _path;
  void* _library = nullptr;
};

}  // namespace corvel::test
