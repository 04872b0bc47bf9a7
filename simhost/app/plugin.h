// A loaded plug-in (foreign model): the shared library and its entry points,
// resolved by name.
#pragma once

#include <memory>
#include <string>

#include "pyx/corvel_run_report.h"
#include "pyx/foreign_model.h"

namespace pyxsim {

struct PluginEntryPoints {
  PyxInitializeFn Initialize = nullptr;
  PyxInitializePortFn InitializeRxPort = nullptr;
  PyxInitializePortFn InitializeTxPort = nullptr;
  PyxGetNextByteFn GetNextByte = nullptr;
  PyxGetInterpacketTimeFn GetInterpacketTime = nullptr;
  PyxSendNextByteFn SendNextByte = nullptr;
  PyxClosePortFn CloseRxPort = nullptr;
  PyxClosePortFn CloseTxPort = nullptr;
  PyxVoidFn Close = nullptr;
  PyxVoidFn Reset = nullptr;
  PyxGetForeignModelFunctionsFn GetForeignModelFunctions = nullptr;
  // Optional: null when the plug-in does not export them.
  CorvelRunReportFn CorvelRunReport = nullptr;
  CorvelQuietConsoleFn CorvelQuietConsole = nullptr;
};

class Plugin {
 public:
  // Opens the library and resolves every entry point; throws CommandError
  // naming the file and the missing export. Nothing of the plug-in is called.
  explicit Plugin(const std::string& path);
  ~Plugin();
  Plugin(const Plugin&) = delete;
  Plugin& operator=(const Plugin&) = delete;

  // Asks for the hook table, runs its initialise hook, then Initialize. Throws
  // CommandError when the initialise hook answers 0.
  void initialise();
  // Asks a plug-in that can be quiet to keep its trace lines to itself.
  void quieten();
  // The report of the plug-in's last run torn down; empty when it offers none.
  std::string runReport() const;

  const std::string& path() const { return path_; }
  const PluginEntryPoints& entry() const { return entry_; }
  // True when both objects hold the same loaded library (dlopen answers the
  // same handle for a library that is already loaded).
  bool sameLibrary(const Plugin& other) const { return library_ == other.library_; }

 private:
  std::string path_;
  void* library_ = nullptr;
  PluginEntryPoints entry_;
};

}  // namespace pyxsim
