#include "plugin.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include "command_error.h"

namespace pyxsim {

namespace {

// dlopen searches the library path for a bare name; a file of that name in the
// working directory is what a user means.
std::string openablePath(const std::string& path) {
  struct stat info {};
  if (path.find('/') == std::string::npos && ::stat(path.c_str(), &info) == 0) return "./" + path;
  return path;
}

template <typename Fn>
void resolve(void* library, const std::string& path, const char* name, Fn& slot) {
  ::dlerror();
  void* symbol = ::dlsym(library, name);
  if (!symbol) throw CommandError("plug-in " + path + " does not export " + name);
  slot = reinterpret_cast<Fn>(symbol);
}

}  // namespace

Plugin::Plugin(const std::string& path) : path_(path) {
  library_ = ::dlopen(openablePath(path).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library_) {
    const char* why = ::dlerror();
    throw CommandError("cannot load plug-in " + path + ": " + (why ? why : "unknown error"));
  }
  try {
    resolve(library_, path, "Initialize", entry_.Initialize);
    resolve(library_, path, "InitializeRxPort", entry_.InitializeRxPort);
    resolve(library_, path, "InitializeTxPort", entry_.InitializeTxPort);
    resolve(library_, path, "GetNextByte", entry_.GetNextByte);
    resolve(library_, path, "GetInterpacketTime", entry_.GetInterpacketTime);
    resolve(library_, path, "SendNextByte", entry_.SendNextByte);
    resolve(library_, path, "CloseRxPort", entry_.CloseRxPort);
    resolve(library_, path, "CloseTxPort", entry_.CloseTxPort);
    resolve(library_, path, "Close", entry_.Close);
    resolve(library_, path, "Reset", entry_.Reset);
    resolve(library_, path, "GetForeignModelFunctions", entry_.GetForeignModelFunctions);
    entry_.CorvelRunReport = reinterpret_cast<CorvelRunReportFn>(::dlsym(library_, CORVEL_RUN_REPORT_SYMBOL));
    entry_.CorvelQuietConsole =
        reinterpret_cast<CorvelQuietConsoleFn>(::dlsym(library_, CORVEL_QUIET_CONSOLE_SYMBOL));
  } catch (...) {
    ::dlclose(library_);
    throw;
  }
}

Plugin::~Plugin() {
  if (library_) ::dlclose(library_);
}

void Plugin::quieten() {
  if (entry_.CorvelQuietConsole) entry_.CorvelQuietConsole(1);
}

std::string Plugin::runReport() const {
  if (!entry_.CorvelRunReport) return {};
  // The text may grow between the two calls only if the plug-in ran in
  // between, which it cannot: one thread calls both.
  constexpr uint32_t kLimit = 64u << 20;
  const uint32_t length = entry_.CorvelRunReport(nullptr, 0);
  if (length == 0 || length >= kLimit) return {};
  std::string text(length + 1, '\0');
  const uint32_t again = entry_.CorvelRunReport(text.data(), length + 1);
  text.resize(again < length ? again : length);
  return text;
}

void Plugin::initialise() {
  PyxForeignHook hooks[5] = {};
  entry_.GetForeignModelFunctions(&hooks[0], &hooks[1], &hooks[2], &hooks[3], &hooks[4]);
  if (hooks[0] && hooks[0]() == 0) throw CommandError("plug-in " + path_ + ": its initialise hook failed");
  entry_.Initialize();
}

}  // namespace pyxsim
