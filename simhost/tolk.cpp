// The stand-in simulator host library. Built twice, as PyxLite_B0 and PyxMax:
// each copy keeps its own console sink and command table.
#include <array>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "pyx/simhost_api.h"

namespace {

struct Registered {
  std::string name;
  TOLK_ConsoleFunction handler;
  int stringArgs;
  int intArgs;
};

struct HostState {
  SimhostTextSink textSink = nullptr;
  void* textContext = nullptr;
  SimhostCommandSink commandSink = nullptr;
  void* commandContext = nullptr;
  uint64_t executed = 0;
  int registerResult = 1;
  std::vector<Registered> commands;
  std::vector<SimhostConsoleCommand> views;
};

HostState& state() {
  static HostState s;
  return s;
}

void rebuildViews() {
  HostState& s = state();
  s.views.clear();
  for (const Registered& r : s.commands)
    s.views.push_back({r.name.c_str(), r.handler, r.stringArgs, r.intArgs});
}

void emit(int isError, const char* format, va_list args) {
  char small[1024];
  va_list copy;
  va_copy(copy, args);
  int n = std::vsnprintf(small, sizeof small, format, copy);
  va_end(copy);
  if (n < 0) return;
  std::string big;
  const char* text = small;
  if (static_cast<size_t>(n) >= sizeof small) {
    big.resize(static_cast<size_t>(n) + 1);
    std::vsnprintf(big.data(), big.size(), format, args);
    big.resize(static_cast<size_t>(n));
    text = big.c_str();
  }
  HostState& s = state();
  if (s.textSink) {
    s.textSink(s.textContext, text, isError);
  } else if (isError) {
    std::fflush(stdout);  // keeps console and error lines in order when both go to one file
    std::fputs(text, stderr);
  } else {
    std::fputs(text, stdout);
  }
}

// A handler is stored untyped; it is called through the exact type that its
// declared counts give: `Strings` text pointers, then `Ints` 32-bit words.
template <size_t>
using StringArg = const char*;
template <size_t>
using IntArg = int32_t;
using Caller = int (*)(TOLK_ConsoleFunction, const char* const*, const int32_t*);

template <size_t Strings, size_t Ints>
int callShape(TOLK_ConsoleFunction handler, const char* const* s, const int32_t* i) {
  return [&]<size_t... A, size_t... B>(std::index_sequence<A...>, std::index_sequence<B...>) {
    using Fn = int (*)(StringArg<A>..., IntArg<B>...);
    // Through void(*)(): the sanctioned way between unrelated function types.
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(handler))(s[A]..., i[B]...);
  }(std::make_index_sequence<Strings>{}, std::make_index_sequence<Ints>{});
}

template <size_t Strings, size_t Ints>
constexpr Caller callerFor() {
  if constexpr (Strings + Ints <= SIMHOST_MAX_COMMAND_ARGS) return &callShape<Strings, Ints>;
  else return nullptr;
}

template <size_t Strings, size_t... Ints>
constexpr std::array<Caller, sizeof...(Ints)> callerRow(std::index_sequence<Ints...>) {
  return {callerFor<Strings, Ints>()...};
}

constexpr size_t kShapes = SIMHOST_MAX_COMMAND_ARGS + 1;

template <size_t... Strings>
constexpr std::array<std::array<Caller, kShapes>, kShapes> callerTable(std::index_sequence<Strings...>) {
  return {callerRow<Strings>(std::make_index_sequence<kShapes>{})...};
}

constexpr auto kCallers = callerTable(std::make_index_sequence<kShapes>{});

}  // namespace

extern "C" {

int TOLK_printf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  emit(0, format, args);
  va_end(args);
  return 0;
}

int TOLK_printf_error(const char* format, ...) {
  va_list args;
  va_start(args, format);
  emit(1, format, args);
  va_end(args);
  return 0;
}

int TOLK_register_console_function(const char* name, TOLK_ConsoleFunction handler, int stringArgs,
                                   int intArgs) {
  HostState& s = state();
  if (!s.registerResult || !name || !handler || stringArgs < 0 || intArgs < 0) return 0;
  bool replaced = false;
  for (Registered& r : s.commands) {
    if (r.name == name) {
      r = {name, handler, stringArgs, intArgs};
      replaced = true;
    }
  }
  if (!replaced) s.commands.push_back({name, handler, stringArgs, intArgs});
  rebuildViews();
  return 1;
}

int TOLK_ExecuteCommandStr(const char* command) {
  HostState& s = state();
  ++s.executed;
  if (s.commandSink) s.commandSink(s.commandContext, command ? command : "");
  return 1;
}

void simhost_set_console_sink(SimhostTextSink sink, void* context) {
  state().textSink = sink;
  state().textContext = context;
}

void simhost_set_command_sink(SimhostCommandSink sink, void* context) {
  state().commandSink = sink;
  state().commandContext = context;
}

uint64_t simhost_executed_command_count(void) { return state().executed; }

int simhost_command_count(void) { return static_cast<int>(state().views.size()); }

const SimhostConsoleCommand* simhost_command_at(int index) {
  HostState& s = state();
  if (index < 0 || static_cast<size_t>(index) >= s.views.size()) return nullptr;
  return &s.views[static_cast<size_t>(index)];
}

const SimhostConsoleCommand* simhost_find_command(const char* name) {
  if (!name) return nullptr;
  for (const SimhostConsoleCommand& c : state().views)
    if (std::string(c.name) == name) return &c;
  return nullptr;
}

void simhost_clear_commands(void) {
  state().commands.clear();
  state().views.clear();
}

void simhost_set_register_result(int result) { state().registerResult = result; }

int simhost_call_command(const SimhostConsoleCommand* c, const char* const* s, const int32_t* i) {
  if (!c || !c->handler || c->stringArgs < 0 || c->intArgs < 0) return -1;
  if (c->stringArgs + c->intArgs > SIMHOST_MAX_COMMAND_ARGS) return -1;
  return kCallers[c->stringArgs][c->intArgs](c->handler, s, i);
}

}  // extern "C"
